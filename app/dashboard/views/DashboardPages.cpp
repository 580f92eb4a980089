#include "dashboard/views/DashboardPages.h"

#include "common/LocalizationService.h"
#include "common/SettingsFile.h"
#include "components/DialogPrompts.h"
#include "dashboard/LogsModel.h"
#include "dashboard/OverviewModel.h"
#include "dashboard/views/ChildrenView.h"
#include "dashboard/views/DevicesView.h"
#include "dashboard/views/HomeController.h"
#include "dashboard/views/HomeView.h"
#include "dashboard/views/LockController.h"
#include "dashboard/views/LockView.h"
#include "dashboard/views/LogsView.h"
#include "dashboard/views/MyIdView.h"
#include "dashboard/views/OverviewView.h"
#include "dashboard/views/PrivacyView.h"
#include "dashboard/views/SecurityView.h"
#include "dashboard/views/SupportView.h"
#include "diagnostics/DiagnosticsController.h"
#include "platform/KeychainManager.h"
#include "platform/SystemTrayAvailability.h"
#include "session/AppState.h"
#include "updates/AppVersion.h"
#include "updates/UpdateFeed.h"

#include <QSettings>

namespace orvela::dashboard::views {

using session::DashboardTab;

namespace {

/// What the support page's report is made from in the desktop.
diagnostics::DiagnosticsEnvironment
diagnosticsEnvironment(common::AppLanguage language, api::APIClient* api,
                       std::shared_ptr<tokenkit::ReaderBackend> cardReaders,
                       const QString& keychainService)
{
    diagnostics::DiagnosticsEnvironment environment;
    environment.version = updates::displayVersion();
    environment.build = updates::buildNumber();
    environment.language = language;
    environment.trayAvailable = platform::SystemTrayAvailability().isSystemTrayAvailable();
    const QSettings store;
    environment.feedUrl = updates::configuredFeedUrl(store);
    environment.api = api;
    environment.readers = std::move(cardReaders);
    environment.settingsPath = common::defaultSettingsPath();
    environment.keychainService = keychainService;
    return environment;
}

} // namespace

DashboardPages::DashboardPages(session::AppState& appState,
                               common::LocalizationService& localization, api::APIClient* api,
                               components::Prompts& prompts,
                               std::shared_ptr<tokenkit::ReaderBackend> cardReaders)
    : m_appState(appState), m_localization(localization), m_api(api), m_prompts(prompts),
      m_cardReaders(std::move(cardReaders))
{}

bool DashboardPages::builds(DashboardTab tab)
{
    return tab != DashboardTab::sign && tab != DashboardTab::tokens && tab != DashboardTab::verify;
}

QWidget* DashboardPages::create(DashboardTab tab, QWidget* parent) const
{
    // Each logic object is made first and handed to its page, which then owns it.
    switch (tab) {
    case DashboardTab::dashboard: {
        auto* model = new OverviewModel(m_appState);
        auto* page = new OverviewView(*model, m_appState, m_localization, parent);
        model->setParent(page);
        return page;
    }
    case DashboardTab::id:
        return new MyIdView(m_appState, m_localization, parent);
    case DashboardTab::logs: {
        auto* model = new LogsModel(m_appState);
        auto* page = new LogsView(*model, m_appState, m_localization, parent);
        model->setParent(page);
        return page;
    }
    case DashboardTab::devices:
        return new DevicesView(m_appState, m_localization, parent);
    case DashboardTab::security:
        return new SecurityView(m_appState, m_localization, parent);
    case DashboardTab::children:
        return new ChildrenView(m_appState, m_localization, parent);
    case DashboardTab::support: {
        auto* diagnostics = new diagnostics::DiagnosticsController(diagnosticsEnvironment(
            m_localization.language(), m_api, m_cardReaders, m_appState.keychain().service()));
        auto* page = new SupportView(m_appState, m_localization, *diagnostics,
                                     std::make_unique<components::DialogPrompts>(), parent);
        diagnostics->setParent(page);
        return page;
    }
    case DashboardTab::privacy:
        return new PrivacyView(m_appState, m_localization, parent);
    case DashboardTab::lock: {
        auto* controller = new LockController(m_appState, m_localization, m_prompts, parent);
        auto* page = new LockView(*controller, m_appState, m_localization, parent);
        controller->setParent(page);
        return page;
    }
    case DashboardTab::home: {
        auto* controller = new HomeController(m_api);
        auto* page = new HomeView(*controller, m_appState, m_localization, parent);
        controller->setParent(page);
        return page;
    }
    case DashboardTab::sign:
    case DashboardTab::tokens:
    case DashboardTab::verify:
        break;
    }
    return nullptr;
}

} // namespace orvela::dashboard::views
