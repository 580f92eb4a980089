#include "shell/SettingsController.h"

#include "common/LocalizationService.h"
#include "common/LocalizationTables.h"
#include "common/SettingsKeys.h"
#include "platform/AutostartManager.h"
#include "platform/TrayAvailability.h"
#include "updates/AppVersion.h"
#include "updates/UpdateChecker.h"
#include "updates/UpdateFeed.h"
#include "updates/UpdateSchedule.h"

#include <QSettings>
#include <QSysInfo>

namespace orvela::shell {

using common::AppLanguage;

SettingsController::SettingsController(QSettings* store, common::LocalizationService* localization,
                                       platform::AutostartManager* autostart,
                                       const platform::TrayAvailability* tray, QObject* parent)
    : QObject(parent), m_store(store), m_localization(localization), m_autostart(autostart),
      m_tray(tray), m_automaticUpdateChecks(updates::UpdateSchedule::builtInEnabled())
{
    connect(m_localization, &common::LocalizationService::languageChanged, this,
            &SettingsController::languageChanged);
    connect(m_autostart, &platform::AutostartManager::launchAtLoginChanged, this,
            &SettingsController::launchAtLoginChanged);
}

ThemeMode SettingsController::theme() const
{
    return themeModeFromRaw(m_store->value(settings::uiTheme.toString()).toString());
}

void SettingsController::setTheme(ThemeMode mode)
{
    write(settings::uiTheme.toString(), rawValue(mode));
    emit themeChanged(mode);
}

AppLanguage SettingsController::language() const
{
    return m_localization->language();
}

void SettingsController::setLanguage(AppLanguage language)
{
    m_localization->setLanguage(language);
}

bool SettingsController::launchAtLogin() const
{
    return m_autostart->launchAtLogin();
}

void SettingsController::setLaunchAtLogin(bool enabled)
{
    m_autostart->setEnabled(enabled);
}

bool SettingsController::backgroundMode() const
{
    return backgroundModeAvailable() &&
           m_store->value(settings::uiBackgroundMode.toString(), false).toBool();
}

void SettingsController::setBackgroundMode(bool enabled)
{
    if (enabled && !backgroundModeAvailable()) {
        emit backgroundModeChanged(false);
        return;
    }
    write(settings::uiBackgroundMode.toString(), enabled);
    emit backgroundModeChanged(enabled);
}

bool SettingsController::backgroundModeAvailable() const
{
    return m_tray->isSystemTrayAvailable();
}

QString SettingsController::backgroundModeNote() const
{
    return backgroundModeNote(language());
}

QString SettingsController::backgroundModeNote(AppLanguage language) const
{
    if (backgroundModeAvailable()) {
        return {};
    }
    return common::builtInText(QStringLiteral("Settings_Startup_NoTray"), language);
}

QString SettingsController::updatesNote() const
{
    return updatesNote(language());
}

QString SettingsController::updatesNote(AppLanguage language) const
{
    const char* key = "Settings_Updates_Distribution";
    if (m_automaticUpdateChecks) {
        key = updates::UpdateChecker::isUsableFeed(updates::configuredFeedUrl(*m_store))
                  ? "Settings_Updates_Daily"
                  : "Settings_Updates_NoFeed";
    }
    return common::LocalizationTables::builtIn().extraTable(language).value(
        QString::fromLatin1(key));
}

bool SettingsController::biometricGateEnabled() const
{
    return settings::biometricGateOn(m_store->value(settings::authBiometricGateEnabled.toString()));
}

void SettingsController::setBiometricGateEnabled(bool enabled)
{
    write(settings::authBiometricGateEnabled.toString(), enabled);
    emit biometricGateEnabledChanged(enabled);
}

QString SettingsController::apiBaseUrlOverride() const
{
    return m_store->value(settings::apiBaseUrlOverride.toString()).toString();
}

void SettingsController::setApiBaseUrlOverride(const QString& url)
{
    if (url == apiBaseUrlOverride()) {
        return;
    }
    if (url.isEmpty()) {
        m_store->remove(settings::apiBaseUrlOverride.toString());
        m_store->sync();
    } else {
        write(settings::apiBaseUrlOverride.toString(), url);
    }
    emit apiBaseUrlOverrideChanged(url);
}

QString SettingsController::versionText()
{
    return updates::displayVersion();
}

QString SettingsController::buildText()
{
    return updates::buildNumber();
}

QString SettingsController::publisherText()
{
    return QStringLiteral("Orvela Systems LLC");
}

QString SettingsController::platformText()
{
    return QSysInfo::prettyProductName();
}

void SettingsController::write(const QString& key, const QVariant& value)
{
    m_store->setValue(key, value);
    // Each control owns its setting and writes it at once, not at some later flush.
    m_store->sync();
}

} // namespace orvela::shell
