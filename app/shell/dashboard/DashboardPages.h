#pragma once

#include "state/StateEnums.h"

class QWidget;

namespace orvela::api {
class APIClient;
}
namespace orvela::common {
class LocalizationService;
}
namespace orvela::components {
class Prompts;
}
namespace orvela::state {
class AppState;
}

namespace orvela::shell {

/// Builds the dashboard's own pages, each with its logic object as a child of the page.
class DashboardPages {
public:
    /// `api` may be null: the home page then reports the backend unreachable.
    DashboardPages(state::AppState& appState, common::LocalizationService& localization,
                   api::APIClient* api, components::Prompts& prompts);

    /// Whether `create` builds a page for `tab` (the tabs other subsystems build it do not).
    static bool builds(state::DashboardTab tab);

    /// The page of `tab`, or null for the tabs other subsystems build.
    QWidget* create(state::DashboardTab tab, QWidget* parent) const;

private:
    state::AppState& m_appState;
    common::LocalizationService& m_localization;
    api::APIClient* m_api;
    components::Prompts& m_prompts;
};

} // namespace orvela::shell
