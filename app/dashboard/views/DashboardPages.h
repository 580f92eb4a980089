#pragma once

#include "session/StateEnums.h"

#include <memory>

class QWidget;

namespace orvela::tokenkit {
class ReaderBackend;
}
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
    /// `api` may be null: the home page then reports the backend unreachable. `cardReaders` are
    /// the readers the support page's report looks at (null: PC/SC).
    DashboardPages(session::AppState& appState, common::LocalizationService& localization,
                   api::APIClient* api, components::Prompts& prompts,
                   std::shared_ptr<tokenkit::ReaderBackend> cardReaders = nullptr);

    /// Whether `create` builds a page for `tab` (the tabs other subsystems build it do not).
    static bool builds(session::DashboardTab tab);

    /// The page of `tab`, or null for the tabs other subsystems build.
    QWidget* create(session::DashboardTab tab, QWidget* parent) const;

private:
    session::AppState& m_appState;
    common::LocalizationService& m_localization;
    api::APIClient* m_api;
    components::Prompts& m_prompts;
    std::shared_ptr<tokenkit::ReaderBackend> m_cardReaders;
};

} // namespace orvela::dashboard::views
