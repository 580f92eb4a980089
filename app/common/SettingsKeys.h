#pragma once

#include <QLatin1StringView>
#include <QVariant>

namespace orvela::settings {

/// A settings key together with the type its value has, so that no screen writes a key with a
/// type another screen does not expect.
template <class T> struct SettingsKey {
    QLatin1StringView name;

    /// The key as QSettings takes it.
    QString toString() const { return QString(name); }
};

/// Backend base URL that wins over the environment and the built-in one.
inline constexpr SettingsKey<QString> apiBaseUrlOverride{
    QLatin1StringView("API_BASE_URL_OVERRIDE")};
/// Interface language code.
inline constexpr SettingsKey<QString> appLanguage{QLatin1StringView("app_language")};
/// Appearance: light, dark or system.
inline constexpr SettingsKey<QString> uiTheme{QLatin1StringView("ui.theme")};
/// Menu-bar-only mode.
inline constexpr SettingsKey<bool> uiBackgroundMode{QLatin1StringView("ui.backgroundMode")};
/// Whether restoring a session asks for the user's presence first.
inline constexpr SettingsKey<bool> authBiometricGateEnabled{
    QLatin1StringView("auth.biometricGateEnabled")};

/// Whether the stored presence-check setting leaves the check on. Only a stored false turns it
/// off: a value edited by hand into something else keeps the safer check, and the settings
/// screen shows what the restore will do.
inline bool biometricGateOn(const QVariant& stored)
{
    if (stored.typeId() == QMetaType::Bool) {
        return stored.toBool();
    }
    return !(stored.typeId() == QMetaType::QString && stored.toString() == u"false");
}
/// The local activity log, JSON text.
inline constexpr SettingsKey<QString> activitySessions{QLatin1StringView("activity.sessions")};
/// Public-key pinning of the backend's TLS chain; absent reads as off.
inline constexpr SettingsKey<bool> securityTlsPinning{QLatin1StringView("security.tlsPinning")};
/// The last version whose release notes were shown.
inline constexpr SettingsKey<QString> whatsNewLastSeenVersion{
    QLatin1StringView("whatsNewLastSeenVersion")};
/// When the update feed was last read.
inline constexpr SettingsKey<QString> lastUpdateCheck{QLatin1StringView("lastUpdateCheck")};
/// Path of the token vendor's PKCS#11 library.
inline constexpr SettingsKey<QString> pkcs11LibraryPath{QLatin1StringView("pkcs11.libraryPath")};
/// PEM bundle of the signing service's certificate authorities, trusted beside the system's when
/// signed PDFs are checked; empty: none.
inline constexpr SettingsKey<QString> signingTrustBundlePath{
    QLatin1StringView("signing.trustBundlePath")};

} // namespace orvela::settings
