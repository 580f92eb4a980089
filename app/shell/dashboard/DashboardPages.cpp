#include "shell/dashboard/DashboardPages.h"

#include "shell/dashboard/OverviewModel.h"
#include "shell/dashboard/OverviewView.h"

namespace orvela::shell {

using state::DashboardTab;

DashboardPages::DashboardPages(state::AppState& appState, common::LocalizationService& localization,
                               api::APIClient* api)
    : m_appState(appState), m_localization(localization), m_api(api)
{}

QWidget* DashboardPages::create(DashboardTab tab, QWidget* parent) const
{
    switch (tab) {
    case DashboardTab::dashboard: {
        auto* model = new OverviewModel(m_appState);
        auto* page = new OverviewView(*model, m_appState, m_localization, parent);
        model->setParent(page);
        return page;
    }
    default:
        break;
    }
    return nullptr;
}

} // namespace orvela::shell
