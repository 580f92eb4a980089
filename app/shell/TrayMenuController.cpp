#include "shell/TrayMenuController.h"

#include "common/LocalizationService.h"
#include "shell/SettingsController.h"

#include <QAction>

namespace orvela::shell {

TrayMenuController::TrayMenuController(SettingsController* settings, QObject* parent)
    : QObject(parent), m_settings(settings)
{
    for (auto signal :
         {&SettingsController::launchAtLoginChanged, &SettingsController::backgroundModeChanged}) {
        connect(m_settings, signal, this, &TrayMenuController::entriesChanged);
    }
    connect(m_settings, &SettingsController::languageChanged, this,
            &TrayMenuController::entriesChanged);
}

QString TrayMenuController::text(const char* key) const
{
    return m_settings->localization().localized(QString::fromLatin1(key));
}

QList<MenuEntry> TrayMenuController::entries() const
{
    QList<MenuEntry> list;
    QString status = text("MenuBar_SignedOut");
    if (m_signedIn) {
        status = m_fullName.trimmed().isEmpty() ? text("MenuBar_SignedIn") : m_fullName;
    }
    list.append({MenuEntryId::status, status, false, false, false, {}, {}});
    list.append(MenuEntry{});
    list.append({MenuEntryId::open,
                 text("MenuBar_Open"),
                 false,
                 false,
                 true,
                 QKeySequence(Qt::CTRL | Qt::Key_O),
                 {}});
    if (m_signedIn) {
        list.append({MenuEntryId::logout, text("MenuBar_Logout"), false, false, true, {}, {}});
    }
    list.append(MenuEntry{});
    list.append({MenuEntryId::launchAtLogin,
                 text("Settings_Startup_LaunchAtLogin"),
                 true,
                 m_settings->launchAtLogin(),
                 true,
                 {},
                 {}});
    list.append({MenuEntryId::backgroundMode,
                 text("Settings_Startup_BackgroundMode"),
                 true,
                 m_settings->backgroundMode(),
                 m_settings->backgroundModeAvailable(),
                 {},
                 {}});
    list.append(MenuEntry{});
    if (m_checkForUpdates) {
        list.append({MenuEntryId::checkForUpdates,
                     m_checkForUpdates->text(),
                     false,
                     false,
                     m_checkForUpdates->isEnabled(),
                     {},
                     m_checkForUpdates->toolTip()});
    }
    list.append({MenuEntryId::quit,
                 text("MenuBar_Quit"),
                 false,
                 false,
                 true,
                 QKeySequence(Qt::CTRL | Qt::Key_Q),
                 {}});
    return list;
}

void TrayMenuController::trigger(MenuEntryId id)
{
    switch (id) {
    case MenuEntryId::open:
        emit openRequested();
        break;
    case MenuEntryId::logout:
        if (m_signedIn) {
            emit logoutRequested();
            emit openRequested();
        }
        break;
    case MenuEntryId::quit:
        emit quitRequested();
        break;
    case MenuEntryId::checkForUpdates:
        if (m_checkForUpdates && m_checkForUpdates->isEnabled()) {
            m_checkForUpdates->trigger();
        }
        break;
    case MenuEntryId::launchAtLogin:
        setToggle(id, !m_settings->launchAtLogin());
        break;
    case MenuEntryId::backgroundMode:
        setToggle(id, !m_settings->backgroundMode());
        break;
    case MenuEntryId::status:
    case MenuEntryId::separator:
        break;
    }
}

void TrayMenuController::setToggle(MenuEntryId id, bool on)
{
    if (id == MenuEntryId::launchAtLogin) {
        m_settings->setLaunchAtLogin(on);
    } else if (id == MenuEntryId::backgroundMode) {
        m_settings->setBackgroundMode(on);
        // Leaving menu-bar mode brings the program back to the front with its window.
        if (!on) {
            emit openRequested();
        }
    }
}

void TrayMenuController::setCheckForUpdates(QAction* action)
{
    if (m_checkForUpdates) {
        m_checkForUpdates->disconnect(this);
    }
    m_checkForUpdates = action;
    if (action != nullptr) {
        connect(action, &QAction::changed, this, &TrayMenuController::entriesChanged);
    }
    emit entriesChanged();
}

void TrayMenuController::setSignedIn(bool signedIn, const QString& fullName)
{
    m_signedIn = signedIn;
    m_fullName = signedIn ? fullName : QString();
    emit entriesChanged();
}

} // namespace orvela::shell
