#pragma once

#include "components/DialogPrompts.h"
#include "session/StateEnums.h"

#include <QHash>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class QLabel;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;

namespace orvela::tokenkit {
class ReaderBackend;
}
namespace orvela::api {
class APIClient;
}
namespace orvela::components {
class InlineBanner;
}
namespace orvela::common {
class LocalizationService;
}
namespace orvela::session {
class AppState;
}
namespace orvela::dashboard {
class DashboardNavigation;
}
namespace orvela::shell {
class SettingsController;
}
namespace orvela::shell::views {
class SettingsSheetView;
}
namespace orvela::updates {
class UpdateViewModel;
}

namespace orvela::dashboard::views {

class DashboardPages;
class SidebarList;

/// What the dashboard needs from the composition root; none owned.
struct DashboardContext {
    session::AppState* appState = nullptr;
    common::LocalizationService* localization = nullptr;
    shell::SettingsController* settings = nullptr; // the settings sheet opens over it
    updates::UpdateViewModel* updates = nullptr;   // the sidebar's update line
    api::APIClient* api = nullptr;                 // the health page
    components::Prompts* prompts = nullptr;        // its questions; null: the platform's dialogs
    std::shared_ptr<tokenkit::ReaderBackend> cardReaders; // the support page's card check
};

/// The signed-in shell: a collapsible sidebar with one entry per dashboard tab, sign-out,
/// settings and the update line, beside the selected page. The selection lives in the
/// application state.
class DashboardView : public QWidget {
    Q_OBJECT

public:
    explicit DashboardView(const DashboardContext& context, QWidget* parent = nullptr);
    ~DashboardView() override;

    /// Installs the page of a tab that another subsystem builds (sign, verify, tokens); until
    /// a page is installed the entry says the page is coming and does nothing else.
    void setPage(session::DashboardTab tab, QWidget* page);

    /// Like setPage, but the page is built only when its tab is first shown, so signing in
    /// does not wait for pages nobody has opened yet.
    using PageFactory = std::function<QWidget*()>;
    void setPageFactory(session::DashboardTab tab, PageFactory factory);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* buildSidebar();
    void buildOwnPages();
    components::Prompts& prompts();
    void addPage(session::DashboardTab tab, QWidget* page);
    void namePage(session::DashboardTab tab);
    void showSelected();
    void choose(session::DashboardTab tab);
    void showCollapsed();
    void describeCollapse();
    void retranslate();
    void openSettings();
    QString text(const QString& key) const;

    DashboardContext m_context;
    DashboardNavigation* m_navigation;
    QWidget* m_sidebar = nullptr;
    QLabel* m_wordmark = nullptr;
    QToolButton* m_collapse = nullptr;
    bool m_narrow = false;
    SidebarList* m_pageList = nullptr;
    QToolButton* m_settingsButton = nullptr;
    QToolButton* m_signOutButton = nullptr;
    QWidget* m_updateLine = nullptr;
    QStackedWidget* m_stack = nullptr;
    components::InlineBanner* m_notKeptBanner = nullptr;
    QWidget* m_comingPage = nullptr;
    QLabel* m_comingText = nullptr;
    QHash<session::DashboardTab, QWidget*> m_pages;
    QHash<session::DashboardTab, PageFactory> m_factories;
    std::unique_ptr<DashboardPages> m_ownPages;
    components::DialogPrompts m_dialogPrompts;
    QPointer<shell::views::SettingsSheetView> m_settingsSheet;
};

} // namespace orvela::dashboard::views
