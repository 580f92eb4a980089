#pragma once

#include "shell/MenuEntry.h"

#include <QList>
#include <QObject>
#include <QPointer>

class QAction;

namespace orvela::shell {

class SettingsController;

/// The tray menu's content and actions: a status line, open, log out while signed in, the
/// launch-at-login and menu-bar-mode toggles, check for updates, and quit. It knows the session
/// only through `setSignedIn`, and asks for windows, sign-out and quitting through its signals,
/// which the composition root connects.
class TrayMenuController : public QObject {
    Q_OBJECT

public:
    /// `settings` must outlive the controller.
    explicit TrayMenuController(SettingsController* settings, QObject* parent = nullptr);

    /// The menu's lines, top to bottom, in the current language.
    QList<MenuEntry> entries() const;

    /// Runs the action of a button line.
    void trigger(MenuEntryId id);
    /// Sets a toggle line as the user flipped it.
    void setToggle(MenuEntryId id, bool on);

    /// The window menu's check-for-updates item, which the tray's line mirrors (text, state,
    /// the reason it is disabled) and triggers; without one the line is left out.
    void setCheckForUpdates(QAction* action);

public slots:
    /// The session as the application state reports it; `fullName` may be empty.
    void setSignedIn(bool signedIn, const QString& fullName = QString());

signals:
    /// The lines changed: language, session or a toggle's state.
    void entriesChanged();
    /// Bring the program forward and open or focus the main window.
    void openRequested();
    /// Sign out through the application state.
    void logoutRequested();
    void quitRequested();

private:
    QString text(const char* key) const;

    SettingsController* m_settings;
    QPointer<QAction> m_checkForUpdates;
    bool m_signedIn = false;
    QString m_fullName;
};

} // namespace orvela::shell
