#pragma once

#include "common/AppLanguage.h"
#include "shell/ThemeMode.h"

#include <QObject>
#include <QString>

class QSettings;

namespace orvela::common {
class LocalizationService;
}
namespace orvela::platform {
class AutostartManager;
class TrayAvailability;
} // namespace orvela::platform

namespace orvela::shell {

/// The state behind both settings screens and the tray menu's toggles: every setter writes its
/// setting at once and announces it, so every open screen shows the same values.
class SettingsController : public QObject {
    Q_OBJECT

public:
    /// All pointers must outlive the controller.
    SettingsController(QSettings* store, common::LocalizationService* localization,
                       platform::AutostartManager* autostart,
                       const platform::TrayAvailability* tray, QObject* parent = nullptr);

    ThemeMode theme() const;
    void setTheme(ThemeMode mode);

    common::AppLanguage language() const;
    void setLanguage(common::AppLanguage language);

    bool launchAtLogin() const;
    void setLaunchAtLogin(bool enabled);

    /// Menu-bar mode as it takes effect: off whenever the desktop has no tray, whatever is
    /// stored, so the program never starts with nothing on screen.
    bool backgroundMode() const;
    /// Switching on is refused where there is no tray; the announcement then says false.
    void setBackgroundMode(bool enabled);
    bool backgroundModeAvailable() const;
    /// Why menu-bar mode cannot be switched on, in the current language; empty when it can.
    QString backgroundModeNote() const;
    QString backgroundModeNote(common::AppLanguage language) const;

    /// Absent reads as on.
    bool biometricGateEnabled() const;
    void setBiometricGateEnabled(bool enabled);

    QString apiBaseUrlOverride() const;
    /// Stored as typed, on every keystroke; an empty text removes the override.
    void setApiBaseUrlOverride(const QString& url);

    /// Whether this run checks for updates by itself; the update row follows it.
    void setAutomaticUpdateChecks(bool enabled) { m_automaticUpdateChecks = enabled; }
    /// The update row: updates come from the distribution when automatic checks are off,
    /// else daily checks of the feed, or that no feed is set.
    QString updatesNote() const;
    QString updatesNote(common::AppLanguage language) const;

    common::LocalizationService& localization() const { return *m_localization; }
    /// Where the settings are kept, for the settings cards that keep their own logic.
    QSettings* store() const { return m_store; }

    /// Texts of the about rows.
    static QString versionText();
    static QString buildText();
    static QString publisherText();
    static QString platformText();

signals:
    void themeChanged(orvela::shell::ThemeMode mode);
    void languageChanged(orvela::common::AppLanguage language);
    void launchAtLoginChanged(bool enabled);
    void backgroundModeChanged(bool enabled);
    void biometricGateEnabledChanged(bool enabled);
    void apiBaseUrlOverrideChanged(const QString& url);

private:
    void write(const QString& key, const QVariant& value);

    QSettings* m_store;
    common::LocalizationService* m_localization;
    platform::AutostartManager* m_autostart;
    const platform::TrayAvailability* m_tray;
    bool m_automaticUpdateChecks;
};

} // namespace orvela::shell
