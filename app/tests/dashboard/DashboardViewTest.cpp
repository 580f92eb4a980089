// The dashboard's frame rendered offscreen: the sidebar's entries, selection, coming pages,
// sign-out, collapse and keys.

#include "../support/Markup.h"
#include "../support/QtPrinters.h"
#include "DashboardViewFixture.h"
#include "Screenshot.h"
#include "common/LocalizationTables.h"
#include "components/InlineBanner.h"
#include "session/StoredIdentity.h"

#include <QApplication>
#include <QMessageBox>
#include <QToolButton>

using namespace orvela;
using namespace orvela::dashboard;
using namespace orvela::dashboard::views;
using namespace orvela::dashboardtest;

namespace {

// The frame around the pages: one entry per tab, the selection kept in the application state
// both ways, a refused credential store said above every page, and sign-out keeping the page.
// Whichever page shows them, texts from the backend are shown as they came, never as markup.
TEST_F(DashboardViewTest, SidebarSelectionStoreNoticeSignOutAndPlainBackendTexts)
{
    sampleData();
    const QString marker = QStringLiteral("<i>");
    m_state->applyIdentity(session::StoredIdentity{
        QStringLiteral("<i>MN1"), QStringLiteral("<i>Болд<a href='x'>y</a>"),
        QStringLiteral("<i>ИБ1"), QStringLiteral("<i>УБ1"), QStringLiteral("<i>DAN"),
        QStringLiteral("2026-01-05T09:00:00Z")});
    setLanguage(AppLanguage::en);
    auto view = makeView();
    EXPECT_EQ(pageList(*view)->count(), 13);
    EXPECT_EQ(currentPage(*view)->objectName(), "overviewPage");
    choose(*view, DashboardTab::logs);
    EXPECT_EQ(m_state->selectedTab(), DashboardTab::logs);
    EXPECT_EQ(currentPage(*view)->objectName(), "logsPage");
    EXPECT_TRUE(entry(*view, DashboardTab::logs)->isSelected());
    EXPECT_FALSE(entry(*view, DashboardTab::dashboard)->isSelected());
    // A change made elsewhere (the menu bar, a restore) shows too.
    m_state->setSelectedTab(DashboardTab::id);
    EXPECT_EQ(currentPage(*view)->objectName(), "myIdPage");

    auto* banner = child<components::InlineBanner>(*view, QStringLiteral("identityNotKeptBanner"));
    EXPECT_FALSE(banner->isVisible());
    emit m_state->identitySaved(false);
    EXPECT_TRUE(banner->isVisible());
    EXPECT_TRUE(banner->text().contains(QStringLiteral("did not keep your identity")));
    emit m_state->identitySaved(true);
    EXPECT_FALSE(banner->isVisible());

    choose(*view, DashboardTab::security);
    // The pages built so far: the overview, the log, the identity and the security page.
    EXPECT_GE(orvela::testing::labelsShowing(*view, marker), 3);
    EXPECT_TRUE(orvela::testing::labelsDrawingMarkup(*view, marker).isEmpty());
    // The sidebar's entry asks first, in a message box over the dashboard, in the interface
    // language; refusing keeps everything.
    const auto signOut = [&](AppLanguage language, bool confirm) {
        setLanguage(language);
        child<QToolButton>(*view, QStringLiteral("signOutButton"))->click();
        for (auto* question : view->findChildren<QMessageBox*>()) {
            if (!question->isVisible()) {
                continue;
            }
            EXPECT_TRUE(question->text().endsWith(common::builtInText(
                QStringLiteral("Page_LockController_ActivityLogCleared"), language)));
            orvela::testing::saveScreenshot(*question,
                                            QStringLiteral("dashboard-signout-question-") +
                                                common::rawValue(language));
            for (QAbstractButton* button : question->buttons()) {
                const bool destructive =
                    question->buttonRole(button) == QMessageBox::DestructiveRole;
                if (destructive == confirm) {
                    button->click();
                    return true;
                }
            }
        }
        return false;
    };
    ASSERT_TRUE(signOut(AppLanguage::mn, false));
    EXPECT_TRUE(m_state->dashboardData().has_value());
    ASSERT_TRUE(signOut(AppLanguage::en, true));
    EXPECT_EQ(m_state->screen(), session::AppScreen::login);
    EXPECT_FALSE(m_state->dashboardData().has_value());
    EXPECT_EQ(m_state->selectedTab(), DashboardTab::security);
    EXPECT_EQ(currentPage(*view)->objectName(), "securityPage");
}

TEST_F(DashboardViewTest, ComingPagesSayItAndDoNothingUntilInstalled)
{
    setLanguage(AppLanguage::en);
    auto view = makeView();
    // A selection kept for a page not installed yet shows the notice.
    m_state->setSelectedTab(DashboardTab::verify);
    EXPECT_EQ(currentPage(*view)->objectName(), "comingPage");
    m_state->setSelectedTab(DashboardTab::dashboard);
    QListWidgetItem* sign = entry(*view, DashboardTab::sign);
    EXPECT_TRUE(sign->text().contains("coming soon"));
    choose(*view, DashboardTab::sign);
    EXPECT_EQ(m_state->selectedTab(), DashboardTab::dashboard);
    EXPECT_FALSE(sign->isSelected());
    EXPECT_EQ(currentPage(*view)->objectName(), "overviewPage");

    auto* page = new QLabel(QStringLiteral("signing page"));
    view->setPage(DashboardTab::sign, page);
    EXPECT_EQ(sign->text(), "Signature");
    choose(*view, DashboardTab::sign);
    EXPECT_EQ(m_state->selectedTab(), DashboardTab::sign);
    EXPECT_EQ(currentPage(*view), page);
    EXPECT_EQ(page->parentWidget()->objectName(), "dashboardPages");
}

TEST_F(DashboardViewTest, CollapseNarrowsTheSidebarAndTellsWhatTheButtonDoes)
{
    setLanguage(AppLanguage::en);
    auto view = makeView();
    auto* sidebar = child<QWidget>(*view, QStringLiteral("sidebar"));
    auto* collapse = child<QToolButton>(*view, QStringLiteral("collapseButton"));
    const int expandedWidth = sidebar->width();
    EXPECT_EQ(collapse->text(), "Collapse the sidebar");
    EXPECT_FALSE(pageList(*view)->isCollapsed());

    collapse->click();
    EXPECT_EQ(collapse->text(), "Expand the sidebar");
    EXPECT_LT(sidebar->width(), expandedWidth);
    EXPECT_TRUE(pageList(*view)->isCollapsed());
    // Only the icons show; the rows keep their names for screen readers and pointing.
    EXPECT_EQ(entry(*view, DashboardTab::logs)->text(), "Log history");

    collapse->click();
    EXPECT_EQ(sidebar->width(), expandedWidth);
}

// The pages are one Tab stop: the arrow keys move along them without opening any, Return or
// Space opens the one under the cursor and hands the keys to that page's first control, and a
// page that is coming opens nothing.
TEST_F(DashboardViewTest, ThePageListIsOneTabStopWithArrowKeysInside)
{
    setLanguage(AppLanguage::en);
    auto view = makeView();
    QApplication::setActiveWindow(view.get());
    SidebarList* list = pageList(*view);
    list->setFocus(Qt::TabFocusReason);
    const auto rowOf = [&](DashboardTab tab) { return list->row(entry(*view, tab)); };
    const struct {
        Qt::Key key;
        int cursor;            // row the keyboard cursor is on after the key
        DashboardTab open;     // page shown after the key
        bool keysLeaveTheList; // whether the page took the keys
    } steps[] = {
        {Qt::Key_Down, rowOf(DashboardTab::id), DashboardTab::dashboard, false},
        {Qt::Key_Down, rowOf(DashboardTab::logs), DashboardTab::dashboard, false},
        {Qt::Key_Return, rowOf(DashboardTab::logs), DashboardTab::logs, true},
    };
    for (const auto& step : steps) {
        QTest::keyClick(QApplication::focusWidget(), step.key);
        EXPECT_EQ(list->currentRow(), step.cursor);
        EXPECT_EQ(m_state->selectedTab(), step.open);
        EXPECT_EQ(list->hasFocus(), !step.keysLeaveTheList);
    }
    EXPECT_TRUE(currentPage(*view)->isAncestorOf(QApplication::focusWidget()));
    list->setFocus(Qt::TabFocusReason);
    list->setCurrentItem(entry(*view, DashboardTab::sign), QItemSelectionModel::NoUpdate);
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(m_state->selectedTab(), DashboardTab::logs);
    EXPECT_TRUE(list->hasFocus());
    // Tab leaves the list at once, whichever row the cursor is on.
    QTest::keyClick(list, Qt::Key_Tab);
    EXPECT_FALSE(list->hasFocus());
}

} // namespace
