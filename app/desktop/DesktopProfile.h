#pragma once

#include "orvela/tokenkit/ReaderBackend.h"
#include "platform/AutostartBackend.h"
#include "platform/BiometricGate.h"
#include "platform/TrayAvailability.h"

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <memory>
#include <optional>

namespace orvela::desktop {

/// Where one run of the desktop application keeps its state and what it talks to: the user's
/// own profile, the demo's, or a test's. Anything left empty takes the product's default.
struct DesktopProfile {
    /// The settings store; null: the application's own settings file.
    std::unique_ptr<QSettings> settings;
    /// Service name of the credential-store items.
    QString keychainService;
    /// Name of the single-instance socket; empty: one per user.
    QString instanceName;
    /// A backend base URL for this run alone (the demo's simulator); empty: settings,
    /// environment, or the built-in server.
    QString apiBaseUrl;
    /// PEM of authorities whose signatures are trusted in this run alone (the demo's simulator),
    /// beside the system's and the configured bundle's.
    QByteArray trustedAuthorityPem;
    /// Whether the desktop has a tray; null: ask Qt.
    std::unique_ptr<platform::TrayAvailability> tray;
    /// The presence check before a restore; null: fprintd on the system bus.
    std::unique_ptr<platform::BiometricGate> gate;
    /// Launch at login; null: the user's XDG autostart entry for this program.
    std::unique_ptr<platform::AutostartBackend> autostart;
    /// Where the card readers come from (the demo's virtual reader); null: PC/SC.
    std::shared_ptr<tokenkit::ReaderBackend> readerBackend;
    /// Whether to check for updates by itself; unset: as the program was built.
    std::optional<bool> automaticUpdateChecks;

    /// True when nothing was replaced, so the process-wide instances may be used.
    bool isStandard() const
    {
        return !settings && keychainService.isEmpty() && apiBaseUrl.isEmpty() && !autostart;
    }
};

} // namespace orvela::desktop
