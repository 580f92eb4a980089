#include "desktop/DesktopApplication.h"

#include "api/APIClient.h"
#include "certificates/PdfSignatureCheck.h"
#include "certificates/VerifyController.h"
#include "certificates/views/VerifyView.h"
#include "common/AppIdentity.h"
#include "common/LocalizationService.h"
#include "common/QtDialogLanguage.h"
#include "components/Focus.h"
#include "dashboard/views/DashboardView.h"
#include "dashboard/views/LockController.h"
#include "orvela/tokenkit/CardReaders.h"
#include "platform/AutostartManager.h"
#include "platform/FprintdBiometricGate.h"
#include "platform/KeychainManager.h"
#include "platform/SingleInstance.h"
#include "platform/SystemTrayAvailability.h"
#include "session/AppState.h"
#include "shell/SettingsController.h"
#include "shell/TrayMenuController.h"
#include "shell/views/Appearance.h"
#include "shell/views/ContentView.h"
#include "shell/views/MainWindow.h"
#include "shell/views/SettingsView.h"
#include "shell/views/TrayMenuView.h"
#include "signin/LoginController.h"
#include "signin/views/LoginView.h"
#include "signing/SigningController.h"
#include "signing/TrustSettings.h"
#include "signing/views/SignView.h"
#include "tokens/TokenManager.h"
#include "tokens/views/TokensView.h"
#include "updates/AppVersion.h"
#include "updates/Changelog.h"
#include "updates/ReleaseNotesGate.h"
#include "updates/UpdateChecker.h"
#include "updates/UpdateFeed.h"
#include "updates/UpdateSchedule.h"
#include "updates/UpdateViewModel.h"
#include "updates/views/UpdateMenuActions.h"
#include "updates/views/UpdateOutcomeView.h"
#include "updates/views/WhatsNewView.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QTimer>
#include <utility>

namespace orvela::desktop {

DesktopApplication::DesktopApplication(DesktopProfile profile, QObject* parent)
    : QObject(parent), m_profile(std::move(profile))
{
    buildServices();
    // The chosen theme holds from the first window on, and follows every later change.
    shell::views::Appearance::applyStored(*m_store);
    shell::views::Appearance::follow(*m_settingsController);
    buildWindow();
    buildMenus();
    connectTray();
}

DesktopApplication::~DesktopApplication()
{
    // Screens go before the state and services they observe.
    delete m_whatsNew;
    delete m_updateOutcome;
    delete m_settingsWindow;
    m_window.reset();
    m_trayView.reset();
}

void DesktopApplication::buildServices()
{
    const bool standard = m_profile.isStandard();
    if (m_profile.settings) {
        m_store = m_profile.settings.get();
    } else {
        m_defaultStore = std::make_unique<QSettings>();
        m_store = m_defaultStore.get();
    }
    if (m_profile.autostart) {
        m_ownAutostart =
            std::make_unique<platform::AutostartManager>(std::move(m_profile.autostart));
        m_autostart = m_ownAutostart.get();
    } else {
        m_autostart = &platform::AutostartManager::shared();
    }
    if (standard) {
        m_localization = &common::LocalizationService::shared();
    } else {
        m_ownLocalization = std::make_unique<common::LocalizationService>(m_store);
        m_localization = m_ownLocalization.get();
    }
    new common::QtDialogLanguage(*m_localization, this);
    components::pressFocusedButtonsOnReturn(this);
    if (!m_profile.tray) {
        m_profile.tray = std::make_unique<platform::SystemTrayAvailability>();
    }
    if (!m_profile.gate) {
        m_profile.gate = std::make_unique<platform::FprintdBiometricGate>();
    }
    m_keychain = std::make_unique<platform::KeychainManager>(
        m_profile.keychainService.isEmpty()
            ? QString::fromLatin1(platform::KeychainManager::defaultService)
            : m_profile.keychainService);
    m_appState = std::make_unique<session::AppState>(*m_keychain, *m_store, *m_profile.gate);
    // Made once per run, over the profile's readers (the demo's virtual reader) or PC/SC.
    m_readers = std::make_shared<tokenkit::CardReaders>(
        m_profile.readerBackend ? m_profile.readerBackend : tokenkit::makePcscBackend());
    m_tokens = std::make_unique<tokens::TokenManager>(m_readers);
    if (standard) {
        m_api = &api::APIClient::shared();
    } else {
        api::APIClientOptions options;
        options.settings = m_store;
        options.fixedBaseUrl = m_profile.apiBaseUrl;
        m_api = new api::APIClient(options, this);
    }
    m_settingsController = std::make_unique<shell::SettingsController>(
        m_store, m_localization, m_autostart, m_profile.tray.get());

    m_updateChecker = new updates::UpdateChecker(*m_api, updates::configuredFeedUrl(*m_store),
                                                 updates::installedVersion(), this);
    m_updates = new updates::UpdateViewModel(m_store, m_updateChecker, this);
    connect(m_updates, &updates::UpdateViewModel::outcomeReady, this,
            &DesktopApplication::showUpdateOutcome);
    m_updateActions = new updates::views::UpdateMenuActions(*m_updates, *m_localization, this);
    m_updateSchedule = new updates::UpdateSchedule(
        m_updates,
        m_profile.automaticUpdateChecks.value_or(updates::UpdateSchedule::builtInEnabled()), this);
    m_settingsController->setAutomaticUpdateChecks(m_updateSchedule->isEnabled());
    m_releaseGate =
        std::make_unique<updates::ReleaseNotesGate>(m_store, updates::installedVersion());

    m_instance = new platform::SingleInstance(m_profile.instanceName.isEmpty()
                                                  ? platform::SingleInstance::nameForCurrentUser()
                                                  : m_profile.instanceName,
                                              this);
    connect(m_instance, &platform::SingleInstance::openRequested, this,
            &DesktopApplication::openMainWindow);
    connect(m_instance, &platform::SingleInstance::documentOpenRequested, this,
            &DesktopApplication::openDocument);
}

void DesktopApplication::buildWindow()
{
    m_window = std::make_unique<shell::views::MainWindow>();
    m_content = new shell::views::ContentView(
        *m_appState, [this] { return makeLoginScreen(); }, [this] { return makeDashboard(); });
    m_window->setCentralWidget(m_content);
    connect(m_window.get(), &shell::views::MainWindow::contentShown, this,
            &DesktopApplication::contentShown);
}

void DesktopApplication::buildMenus()
{
    QMenu* menu = m_window->menuBar()->addMenu(QString::fromUtf8(common::displayName));
    // The update item, when disabled, says why in its tool tip.
    menu->setToolTipsVisible(true);
    menu->addAction(m_updateActions->checkForUpdatesAction());
    menu->addAction(m_updateActions->releaseHistoryAction());
    connect(m_updateActions, &updates::views::UpdateMenuActions::releaseNotesRequested, this,
            &DesktopApplication::showReleaseNotes);
    menu->addSeparator();
    QAction* settings =
        menu->addAction(m_localization->localized(QStringLiteral("MenuBar_Settings")));
    settings->setShortcut(QKeySequence::Preferences);
    connect(settings, &QAction::triggered, this, &DesktopApplication::showSettingsWindow);
    menu->addSeparator();
    QAction* quit = menu->addAction(m_localization->localized(QStringLiteral("MenuBar_Quit")));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    connect(m_localization, &common::LocalizationService::languageChanged, quit,
            [this, quit, settings] {
                settings->setText(m_localization->localized(QStringLiteral("MenuBar_Settings")));
                quit->setText(m_localization->localized(QStringLiteral("MenuBar_Quit")));
            });
}

void DesktopApplication::connectTray()
{
    m_trayMenu = new shell::TrayMenuController(m_settingsController.get(), this);
    connect(m_trayMenu, &shell::TrayMenuController::openRequested, this,
            &DesktopApplication::openMainWindow);
    // The question comes over the window, which the menu opens first.
    dashboard::views::LockController* signOut =
        dashboard::views::askingSignOut(m_window.get(), *m_appState, *m_localization, m_prompts,
                                        dashboard::views::LockController::Purpose::signOut);
    connect(m_trayMenu, &shell::TrayMenuController::logoutRequested, signOut, [this, signOut] {
        openMainWindow();
        signOut->requestLock();
    });
    connect(m_trayMenu, &shell::TrayMenuController::quitRequested, qApp, &QCoreApplication::quit,
            Qt::QueuedConnection);
    connect(m_appState.get(), &session::AppState::screenChanged, this,
            &DesktopApplication::updateMenuSession);
    connect(m_appState.get(), &session::AppState::fullNameChanged, this,
            &DesktopApplication::updateMenuSession);
    m_trayMenu->setCheckForUpdates(m_updateActions->checkForUpdatesAction());
    m_trayView = std::make_unique<shell::views::TrayMenuView>(*m_trayMenu);
    updateMenuSession();
}

void DesktopApplication::updateMenuSession()
{
    m_trayMenu->setSignedIn(m_appState->screen() == session::AppScreen::dashboard,
                            m_appState->fullName());
}

void DesktopApplication::start()
{
    m_instance->listen();
    m_trayShown = m_profile.tray->isSystemTrayAvailable();
    // With a tray item the program lives on after its window closes; without one, closing the
    // last window is the only way out the user sees, so it quits.
    QApplication::setQuitOnLastWindowClosed(!m_trayShown);
    // The tray item follows the window's first frame (see contentShown), which it would delay.
    m_window->show();
    if (m_settingsController->backgroundMode()) {
        // Next turn, once the window has appeared and started the restore.
        QTimer::singleShot(0, m_window.get(), &QWidget::close);
    }
}

void DesktopApplication::openMainWindow()
{
    m_window->bringForward();
}

void DesktopApplication::openDocument(const QString& path)
{
    openMainWindow();
    m_pendingDocument = path;
    showPendingDocument();
}

void DesktopApplication::showPendingDocument()
{
    if (m_pendingDocument.isEmpty() || !m_inspector) {
        return;
    }
    m_appState->setSelectedTab(session::DashboardTab::verify);
    m_inspector->loadFile(std::exchange(m_pendingDocument, QString()));
}

void DesktopApplication::contentShown()
{
    if (m_trayShown) {
        m_trayView->show();
    }
    m_appState->restoreSession();
    // Off the start-up path: the first check runs a few seconds after the window appeared.
    m_updateSchedule->start();
    if (!m_releaseNotesAsked) {
        m_releaseNotesAsked = true;
        if (m_releaseGate->takeStartupDecision()) {
            showReleaseNotes();
        }
    }
}

void DesktopApplication::showReleaseNotes()
{
    if (!m_whatsNew) {
        m_whatsNew = new updates::views::WhatsNewView(
            updates::releaseHistory(), updates::displayVersion(), *m_localization, m_window.get());
        m_whatsNew->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_whatsNew->open();
}

void DesktopApplication::showUpdateOutcome(const updates::UpdateCheckResult& result)
{
    if (!m_updateOutcome) {
        m_updateOutcome = new updates::views::UpdateOutcomeView(*m_localization, m_window.get());
        m_updateOutcome->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_updateOutcome->setResult(result, updates::displayVersion());
    m_updateOutcome->show();
    m_updateOutcome->raise();
    m_updateOutcome->activateWindow();
}

void DesktopApplication::showSettingsWindow()
{
    if (!m_settingsWindow) {
        m_settingsWindow = new shell::views::SettingsView(*m_settingsController);
        m_settingsWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_settingsWindow->show();
    m_settingsWindow->raise();
    m_settingsWindow->activateWindow();
}

QWidget* DesktopApplication::makeLoginScreen()
{
    auto* controller = new signin::LoginController(*m_appState, *m_api);
    auto* view = new signin::views::LoginView(*controller, *m_localization);
    // The screen owns its logic, so each return to the sign-in screen starts from the form.
    controller->setParent(view);
    return view;
}

QWidget* DesktopApplication::makeDashboard()
{
    dashboard::views::DashboardContext context;
    context.appState = m_appState.get();
    context.localization = m_localization;
    context.prompts = &m_prompts;
    context.settings = m_settingsController.get();
    context.updates = m_updates;
    context.api = m_api;
    context.cardReaders = m_readers->backend();
    auto* dashboard = new dashboard::views::DashboardView(context);
    // Created after the dashboard's own widgets, so it is deleted after the page that uses it.
    // The page, the signing flow and their checks of signed copies trust the same authorities.
    const signing::VerifyOptions trust =
        signing::configuredTrust(*m_store, m_profile.trustedAuthorityPem);
    auto* signing = new signing::SigningController(*m_appState, *m_api, {}, dashboard);
    signing->setCopyTrust(trust);
    auto* localization = m_localization;
    dashboard->setPageFactory(session::DashboardTab::sign, [signing, localization] {
        return new signing::views::SignView(*signing, *localization);
    });
    auto* inspector = new certificates::VerifyController(dashboard, localization,
                                                         certificates::pdfSignatureVerifier(trust));
    m_inspector = inspector;
    // A document asked for while nobody was signed in, once the dashboard has been laid out.
    QTimer::singleShot(0, this, &DesktopApplication::showPendingDocument);
    dashboard->setPageFactory(session::DashboardTab::verify, [inspector, localization] {
        return new certificates::views::VerifyView(*inspector, *localization);
    });
    auto* tokenManager = m_tokens.get();
    dashboard->setPageFactory(session::DashboardTab::tokens, [tokenManager, localization] {
        return new tokens::views::TokensView(*tokenManager, *localization);
    });
    return dashboard;
}

} // namespace orvela::desktop
