#include "dashboard/views/DashboardView.h"

#include "common/LocalizationService.h"
#include "common/LocalizationTables.h"
#include "components/Accessibility.h"
#include "components/Focus.h"
#include "components/IconLibrary.h"
#include "components/InlineBanner.h"
#include "components/Style.h"
#include "dashboard/DashboardNavigation.h"
#include "dashboard/views/DashboardPages.h"
#include "dashboard/views/LockController.h"
#include "dashboard/views/SidebarList.h"
#include "session/AppState.h"
#include "session/DashboardTab.h"
#include "shell/views/SettingsSheetView.h"
#include "updates/views/UpdateInfoView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace orvela::dashboard::views {

using session::DashboardTab;
namespace style = components::style;

namespace {

constexpr int kExpandedWidth = 272;
constexpr int kCollapsedWidth = 60;
const char* const pageNameProperty = "orvelaNamedAfterPage";

// Below this width the pages need the sidebar's room: it shows only its icons, whatever the
// stored choice, and the button that toggles that choice steps aside.
constexpr int kNarrowWidth = 720;

QToolButton* sidebarButton(const QString& symbol, const QString& objectName)
{
    auto* button = new QToolButton;
    button->setObjectName(objectName);
    button->setIcon(components::IconLibrary::icon(symbol));
    button->setIconSize(QSize(18, 18));
    button->setAutoRaise(true);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    // Its text shows when only the icon does.
    components::showNameWhenPointedAt(button);
    return button;
}

} // namespace

DashboardView::DashboardView(const DashboardContext& context, QWidget* parent)
    : QWidget(parent), m_context(context),
      m_navigation(new DashboardNavigation(*context.appState, this))
{
    Q_ASSERT(context.appState && context.localization);
    setObjectName(QStringLiteral("dashboardView"));
    m_stack = new QStackedWidget(this);
    m_stack->setObjectName(QStringLiteral("dashboardPages"));
    m_comingPage = new QWidget;
    m_comingPage->setObjectName(QStringLiteral("comingPage"));
    m_comingText = new QLabel(m_comingPage);
    m_comingText->setAlignment(Qt::AlignCenter);
    m_comingText->setFont(style::headlineFont());
    (new QVBoxLayout(m_comingPage))->addWidget(m_comingText);
    m_stack->addWidget(m_comingPage);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildSidebar());
    // A refused credential store is said above every page: the session goes on, but this
    // computer will not remember it.
    m_notKeptBanner = new components::InlineBanner(components::InlineBanner::Kind::warning);
    m_notKeptBanner->setObjectName(QStringLiteral("identityNotKeptBanner"));
    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_notKeptBanner);
    column->addWidget(m_stack, 1);
    layout->addLayout(column, 1);

    buildOwnPages();
    connect(m_context.appState, &session::AppState::selectedTabChanged, this,
            &DashboardView::showSelected);
    connect(m_navigation, &DashboardNavigation::collapsedChanged, this,
            &DashboardView::showCollapsed);
    connect(m_navigation, &DashboardNavigation::pagesChanged, this, &DashboardView::retranslate);
    connect(m_context.localization, &common::LocalizationService::languageChanged, this,
            &DashboardView::retranslate);
    connect(m_context.appState, &session::AppState::identitySaved, this,
            [this](bool stored) { m_notKeptBanner->setVisible(!stored); });
    m_notKeptBanner->setVisible(!m_context.appState->identityKept());
    retranslate();
    showCollapsed();
    showSelected();
}

DashboardView::~DashboardView() = default;

void DashboardView::setPage(DashboardTab tab, QWidget* page)
{
    if (!page) {
        return;
    }
    m_factories.remove(tab);
    if (QWidget* old = m_pages.take(tab)) {
        m_stack->removeWidget(old);
        old->deleteLater();
    }
    addPage(tab, page);
    m_navigation->setHasPage(tab);
    showSelected();
}

QWidget* DashboardView::buildSidebar()
{
    m_sidebar = new QFrame(this);
    m_sidebar->setObjectName(QStringLiteral("sidebar"));
    auto* column = new QVBoxLayout(m_sidebar);
    column->setContentsMargins(style::spacingS, style::spacingM, style::spacingS, style::spacingM);
    column->setSpacing(2);

    auto* top = new QHBoxLayout;
    m_wordmark = new QLabel;
    m_wordmark->setFont(style::headlineFont());
    top->addWidget(m_wordmark, 1);
    m_collapse = sidebarButton(QStringLiteral("chevron.left"), QStringLiteral("collapseButton"));
    m_collapse->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_collapse->setToolButtonStyle(Qt::ToolButtonIconOnly);
    connect(m_collapse, &QToolButton::clicked, m_navigation, &DashboardNavigation::toggleCollapsed);
    top->addWidget(m_collapse);
    column->addLayout(top);
    column->addSpacing(style::spacingS);

    m_pageList = new SidebarList;
    m_pageList->setObjectName(QStringLiteral("pageList"));
    for (DashboardTab tab : session::allDashboardTabs) {
        m_pageList->addEntry(DashboardNavigation::iconSymbol(tab), static_cast<int>(tab));
    }
    connect(m_pageList, &SidebarList::chosen, this,
            [this](int tab) { choose(static_cast<DashboardTab>(tab)); });
    column->addWidget(m_pageList, 1);

    m_settingsButton =
        sidebarButton(QStringLiteral("list.bullet.rectangle"), QStringLiteral("settingsButton"));
    connect(m_settingsButton, &QToolButton::clicked, this, &DashboardView::openSettings);
    column->addWidget(m_settingsButton);
    m_signOutButton =
        sidebarButton(QStringLiteral("arrow.right.square"), QStringLiteral("signOutButton"));
    connect(m_signOutButton, &QToolButton::clicked,
            askingSignOut(this, *m_context.appState, *m_context.localization, prompts(),
                          LockController::Purpose::signOut),
            &LockController::requestLock);
    column->addWidget(m_signOutButton);
    if (m_context.updates) {
        m_updateLine =
            new updates::views::UpdateInfoView(*m_context.updates, *m_context.localization);
        column->addWidget(m_updateLine);
    }
    return m_sidebar;
}

components::Prompts& DashboardView::prompts()
{
    return m_context.prompts ? *m_context.prompts : m_dialogPrompts;
}

void DashboardView::buildOwnPages()
{
    m_ownPages = std::make_unique<DashboardPages>(*m_context.appState, *m_context.localization,
                                                  m_context.api, prompts(), m_context.cardReaders);
    for (DashboardTab tab : session::allDashboardTabs) {
        if (DashboardPages::builds(tab)) {
            m_factories.insert(tab, [this, tab] { return m_ownPages->create(tab, this); });
            m_navigation->setHasPage(tab);
        }
    }
}

void DashboardView::setPageFactory(DashboardTab tab, PageFactory factory)
{
    if (!factory) {
        return;
    }
    if (QWidget* old = m_pages.take(tab)) {
        m_stack->removeWidget(old);
        old->deleteLater();
    }
    m_factories.insert(tab, std::move(factory));
    m_navigation->setHasPage(tab);
    showSelected();
}

void DashboardView::addPage(DashboardTab tab, QWidget* page)
{
    m_pages.insert(tab, page);
    m_stack->addWidget(page);
    namePage(tab);
}

void DashboardView::namePage(DashboardTab tab)
{
    // A page's scroll areas are Tab stops (the arrow keys scroll them); without a name a screen
    // reader announces only "scroll pane". Unnamed ones take the page's title.
    QWidget* page = m_pages.value(tab);
    if (!page) {
        return;
    }
    QList<QScrollArea*> areas = page->findChildren<QScrollArea*>();
    if (auto* own = qobject_cast<QScrollArea*>(page)) {
        areas.prepend(own);
    }
    for (QScrollArea* area : areas) {
        if (area->accessibleName().isEmpty() || area->property(pageNameProperty).toBool()) {
            area->setAccessibleName(text(DashboardNavigation::titleKey(tab)));
            area->setProperty(pageNameProperty, true);
        }
    }
}

void DashboardView::choose(DashboardTab tab)
{
    // A coming page refuses the selection; the list then shows the page still open.
    const bool opened = m_navigation->select(tab);
    showSelected();
    if (opened) {
        components::focusFirstControl(m_stack->currentWidget());
    }
}

void DashboardView::showSelected()
{
    const DashboardTab selected = m_navigation->selected();
    m_pageList->showChosen(static_cast<int>(selected));
    if (!m_pages.contains(selected) && m_factories.contains(selected)) {
        addPage(selected, m_factories.take(selected)());
    }
    // A selection kept from an earlier session may name a page not installed yet.
    QWidget* page = m_pages.value(selected, m_comingPage);
    m_stack->setCurrentWidget(page);
}

void DashboardView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const bool narrow = width() < kNarrowWidth;
    if (narrow != m_narrow) {
        m_narrow = narrow;
        showCollapsed();
    }
}

void DashboardView::showCollapsed()
{
    const bool collapsed = m_navigation->isCollapsed() || m_narrow;
    m_collapse->setVisible(!m_narrow);
    m_sidebar->setFixedWidth(collapsed ? kCollapsedWidth : kExpandedWidth);
    m_wordmark->setVisible(!collapsed);
    if (m_updateLine) {
        m_updateLine->setVisible(!collapsed);
    }
    const auto style = collapsed ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon;
    m_pageList->setCollapsed(collapsed);
    m_settingsButton->setToolButtonStyle(style);
    m_signOutButton->setToolButtonStyle(style);
    m_collapse->setIcon(components::IconLibrary::icon(collapsed ? QStringLiteral("chevron.right")
                                                                : QStringLiteral("chevron.left")));
    describeCollapse();
}

void DashboardView::describeCollapse()
{
    // The button shows only an arrow: its text, shown when pointed at, says what pressing it
    // will do.
    const QString help = text(m_navigation->isCollapsed() ? QStringLiteral("Nav_Sidebar_Expand")
                                                          : QStringLiteral("Nav_Sidebar_Collapse"));
    m_collapse->setText(help);
}

void DashboardView::retranslate()
{
    const common::AppLanguage language = m_context.localization->language();
    const QString soon = common::builtInText(QStringLiteral("Page_Dashboard_ComingSoon"), language);
    m_wordmark->setText(text(QStringLiteral("App_Title")));
    m_notKeptBanner->setText(text(QStringLiteral("Login_Identity_NotKept")));
    describeCollapse();
    m_pageList->setAccessibleName(text(QStringLiteral("Nav_Pages")));
    for (DashboardTab tab : session::allDashboardTabs) {
        namePage(tab);
        const QString title = text(DashboardNavigation::titleKey(tab));
        const bool ready = m_navigation->hasPage(tab);
        m_pageList->setEntryText(static_cast<int>(tab),
                                 ready ? title : title + QStringLiteral(" · ") + soon);
    }
    m_comingText->setText(
        common::builtInText(QStringLiteral("Page_Dashboard_ThisPageIsComing"), language));
    m_settingsButton->setText(text(QStringLiteral("Nav_Settings")));
    m_signOutButton->setText(text(QStringLiteral("Nav_Logout")));
}

void DashboardView::openSettings()
{
    if (!m_context.settings) {
        return;
    }
    if (m_settingsSheet) {
        m_settingsSheet->raise();
        m_settingsSheet->activateWindow();
        return;
    }
    m_settingsSheet = new shell::views::SettingsSheetView(*m_context.settings, this);
    m_settingsSheet->setAttribute(Qt::WA_DeleteOnClose);
    m_settingsSheet->open();
}

QString DashboardView::text(const QString& key) const
{
    return m_context.localization->localized(key);
}

} // namespace orvela::dashboard::views
