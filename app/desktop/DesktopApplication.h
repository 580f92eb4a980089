#pragma once

#include "components/DialogPrompts.h"
#include "desktop/DesktopProfile.h"
#include "shell/views/SettingsView.h"
#include "updates/UpdateCheckResult.h"
#include "updates/views/UpdateOutcomeView.h"
#include "updates/views/WhatsNewView.h"

#include <QObject>
#include <QPointer>
#include <memory>

namespace orvela::api {
class APIClient;
}
namespace orvela::certificates {
class VerifyController;
}
namespace orvela::common {
class LocalizationService;
}
namespace orvela::tokenkit {
class CardReaders;
}
namespace orvela::tokens {
class TokenManager;
}
namespace orvela::session {
class AppState;
}
namespace orvela::platform {
class KeychainManager;
class AutostartManager;
class SingleInstance;
} // namespace orvela::platform
namespace orvela::signin {
class LoginController;
}
namespace orvela::shell::views {
class ContentView;
class MainWindow;
class TrayMenuView;
} // namespace orvela::shell::views
namespace orvela::shell {
class TrayMenuController;
class SettingsController;
} // namespace orvela::shell
namespace orvela::updates {
class ReleaseNotesGate;
class UpdateChecker;
class UpdateSchedule;
class UpdateViewModel;
} // namespace orvela::updates
namespace orvela::updates::views {
class UpdateMenuActions;
class UpdateOutcomeView;
} // namespace orvela::updates::views

namespace orvela::desktop {

/// The composition root: builds the long-lived objects of one run (application state,
/// localisation, settings, launch at login, updates, tray menu, main window) over a profile,
/// wires them together and runs the windowed and menu-bar start-up modes.
class DesktopApplication : public QObject {
    Q_OBJECT

public:
    /// Needs the QApplication and the application identity in place.
    explicit DesktopApplication(DesktopProfile profile, QObject* parent = nullptr);
    ~DesktopApplication() override;

    /// Listens for later starts and shows the main window, then the tray item once the window
    /// has appeared; in menu-bar mode the window is closed again right after it appeared, so
    /// the session restore has run once.
    void start();

    /// Brings the main window forward, opening it when closed.
    void openMainWindow();
    /// Brings the main window forward on the verification page, checking the document at
    /// `path` (a full path); while nobody is signed in, once the dashboard appears.
    void openDocument(const QString& path);
    /// Opens the release-notes sheet over the main window.
    void showReleaseNotes();
    /// Shows how an update check ended, in a window of its own over the main window.
    void showUpdateOutcome(const updates::UpdateCheckResult& result);
    void showSettingsWindow();

    session::AppState& appState() const { return *m_appState; }
    common::LocalizationService& localization() const { return *m_localization; }
    shell::SettingsController& settings() const { return *m_settingsController; }
    QSettings& settingsStore() const { return *m_store; }
    shell::TrayMenuController& menuBar() const { return *m_trayMenu; }
    shell::views::TrayMenuView* trayMenu() const { return m_trayView.get(); }
    shell::views::MainWindow& mainWindow() const { return *m_window; }
    shell::views::ContentView& content() const { return *m_content; }
    updates::UpdateViewModel& updates() const { return *m_updates; }
    updates::UpdateSchedule& updateSchedule() const { return *m_updateSchedule; }
    api::APIClient& api() const { return *m_api; }
    /// The one token manager the token pages share.
    tokens::TokenManager& tokenManager() const { return *m_tokens; }
    platform::SingleInstance& singleInstance() const { return *m_instance; }
    /// The release-notes sheet while it is open.
    updates::views::WhatsNewView* releaseNotes() const { return m_whatsNew; }
    /// The update check's answer while it is open.
    updates::views::UpdateOutcomeView* updateOutcome() const { return m_updateOutcome; }
    /// Whether the desktop offered a tray when this run started.
    bool trayShown() const { return m_trayShown; }

private:
    void buildServices();
    void buildWindow();
    void buildMenus();
    void connectTray();
    void contentShown();
    QWidget* makeLoginScreen();
    QWidget* makeDashboard();
    void updateMenuSession();
    void showPendingDocument();

    DesktopProfile m_profile;
    std::unique_ptr<QSettings> m_defaultStore;
    QSettings* m_store = nullptr;
    std::unique_ptr<platform::AutostartManager> m_ownAutostart;
    platform::AutostartManager* m_autostart = nullptr;
    std::unique_ptr<common::LocalizationService> m_ownLocalization;
    common::LocalizationService* m_localization = nullptr;
    std::unique_ptr<platform::KeychainManager> m_keychain;
    std::unique_ptr<session::AppState> m_appState;
    /// The one reader access of this run: the token pages and the support page's check share
    /// it, and card work still running at exit holds it until it ends.
    std::shared_ptr<tokenkit::CardReaders> m_readers;
    std::unique_ptr<tokens::TokenManager> m_tokens;
    api::APIClient* m_api = nullptr;
    std::unique_ptr<shell::SettingsController> m_settingsController;
    updates::UpdateChecker* m_updateChecker = nullptr;
    updates::UpdateViewModel* m_updates = nullptr;
    updates::views::UpdateMenuActions* m_updateActions = nullptr;
    updates::UpdateSchedule* m_updateSchedule = nullptr;
    std::unique_ptr<updates::ReleaseNotesGate> m_releaseGate;
    shell::TrayMenuController* m_trayMenu = nullptr;
    std::unique_ptr<shell::views::TrayMenuView> m_trayView;
    /// Every question of the program to the person; before the windows that ask.
    components::DialogPrompts m_prompts;
    std::unique_ptr<shell::views::MainWindow> m_window;
    shell::views::ContentView* m_content = nullptr;
    QPointer<updates::views::WhatsNewView> m_whatsNew;
    QPointer<updates::views::UpdateOutcomeView> m_updateOutcome;
    QPointer<shell::views::SettingsView> m_settingsWindow;
    platform::SingleInstance* m_instance = nullptr;
    QPointer<certificates::VerifyController> m_inspector;
    /// A document asked for before the verification page could take it.
    QString m_pendingDocument;
    bool m_releaseNotesAsked = false;
    bool m_trayShown = false;
};

} // namespace orvela::desktop
