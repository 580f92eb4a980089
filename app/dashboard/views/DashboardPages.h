#pragma once

#include "session/StateEnums.h"

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
namespace orvela::session {
class AppState;
}

namespace orvela::dashboard::views {

/// Builds the dashboard's own pages, each with its logic object as a child of the page.
class DashboardPages {
public:
    /// `api` may be null: the home page then reports the backend unreachable.
    DashboardPages(session::AppState& appState, common::LocalizationService& localization,
                   api::APIClient* api, components::Prompts& prompts);

    /// Whether `create` builds a page for `tab` (the tabs other subsystems build it do not).
    static bool builds(session::DashboardTab tab);

    /// The page of `tab`, or null for the tabs other subsystems build.
    QWidget* create(session::DashboardTab tab, QWidget* parent) const;

private:
    session::AppState& m_appState;
    common::LocalizationService& m_localization;
    api::APIClient* m_api;
    components::Prompts& m_prompts;
};

} // namespace orvela::dashboard::views
