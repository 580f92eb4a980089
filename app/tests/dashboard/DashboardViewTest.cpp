// The dashboard shell and its pages rendered offscreen: the sidebar's entries, selection,
// coming pages, sign-out, collapse, redraws on new data and language; the home page's backend
// check against the simulator and the lock page's confirmation.

#include "dashboard/views/DashboardView.h"

#include "../support/Markup.h"
#include "../support/QtPrinters.h"
#include "../support/Screenshot.h"
#include "AnsweringPrompts.h"
#include "BackendSim.h"
#include "DashboardFixture.h"
#include "Screenshot.h"
#include "api/APIClient.h"
#include "common/DateFormatter.h"
#include "common/LocalizationTables.h"
#include "components/InlineBanner.h"
#include "dashboard/LogsModel.h"
#include "dashboard/OverviewModel.h"
#include "dashboard/views/HomeController.h"
#include "dashboard/views/HomeView.h"
#include "dashboard/views/LockController.h"
#include "dashboard/views/LockView.h"
#include "dashboard/views/LogsView.h"
#include "dashboard/views/OverviewView.h"
#include "dashboard/views/SidebarList.h"
#include "dashboard/views/StatCard.h"
#include "session/DashboardTab.h"
#include "session/StoredIdentity.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

using namespace orvela;
using namespace orvela::shell;
using namespace orvela::dashboard;
using namespace orvela::dashboard::views;
using common::AppLanguage;
using components::Tone;
using dashboardtest::waitUntil;
using session::DashboardTab;

namespace {

const QString kTime = QStringLiteral("2026-01-05T10:11:12Z");

template <class W> W* child(QWidget& parent, const QString& name)
{
    auto* found = parent.findChild<W*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
}

/// Texts of the visible labels named `name` under `parent`, in layout order.
QStringList texts(QWidget& parent, const QString& name)
{
    QStringList out;
    for (auto* label : parent.findChildren<QLabel*>(name)) {
        if (label->isVisibleTo(&parent)) {
            out << label->text();
        }
    }
    return out;
}

class DashboardViewTest : public dashboardtest::DashboardFixture {
protected:
    std::unique_ptr<DashboardView> makeView()
    {
        DashboardContext context;
        context.appState = m_state.get();
        context.localization = m_localization.get();
        auto view = std::make_unique<DashboardView>(context);
        view->resize(1100, 760);
        view->show();
        return view;
    }

    QWidget* currentPage(DashboardView& view)
    {
        return child<QStackedWidget>(view, QStringLiteral("dashboardPages"))->currentWidget();
    }

    SidebarList* pageList(DashboardView& view)
    {
        return child<SidebarList>(view, QStringLiteral("pageList"));
    }

    QListWidgetItem* entry(DashboardView& view, DashboardTab tab)
    {
        return pageList(view)->entry(static_cast<int>(tab));
    }

    /// Clicks the tab's row, as a person would.
    void choose(DashboardView& view, DashboardTab tab)
    {
        SidebarList* list = pageList(view);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(entry(view, tab)).center());
    }

    /// In both languages no label shows a date as stored ("2026-02-01T08:30…"), only as the
    /// one formatter writes it for people.
    void expectNoRawDates(const QWidget& page)
    {
        static const QRegularExpression stored(QStringLiteral(R"(\d{4}-\d{2}-\d{2})"));
        const AppLanguage shown = m_localization->language();
        for (AppLanguage language : {AppLanguage::en, AppLanguage::mn}) {
            setLanguage(language);
            QCoreApplication::processEvents();
            for (const QLabel* label : page.findChildren<QLabel*>()) {
                EXPECT_FALSE(stored.match(label->text()).hasMatch()) << label->text().toStdString();
            }
        }
        setLanguage(shown);
        QCoreApplication::processEvents();
    }

    void sampleData()
    {
        signInWith({{"SIGN", "OK", "2026-02-01T08:30:45Z"},
                    {"SIGN", "TIMEOUT", kTime},
                    {"AUTH", "USER_REFUSED", kTime},
                    {"AUTH", "OK", "not a date"}},
                   QStringLiteral("DAN"));
    }
};

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

// The overview's cards and activity from an empty log to a filled one and back after sign-out.
TEST_F(DashboardViewTest, OverviewCardsActivityAndRefreshIndicator)
{
    setLanguage(AppLanguage::en);
    OverviewModel model(*m_state);
    OverviewView page(model, *m_state, *m_localization);
    page.resize(900, 700);
    page.show();
    const auto cards = [&page] {
        QStringList values;
        for (auto* card : page.findChildren<StatCard*>()) {
            values << card->caption() + "=" + card->value();
        }
        return values;
    };
    const QStringList empty{"Security Score=98%", "Verified Assets=0", "Total Logins=0",
                            "Last Login=—"};
    EXPECT_EQ(cards(), empty);
    sampleData();
    QCoreApplication::processEvents();
    EXPECT_EQ(cards(), (QStringList{"Security Score=98%", "Verified Assets=1", "Total Logins=2",
                                    "Last Login=" + common::DateFormatter().dateTime(
                                                        "2026-02-01T08:30:45Z", AppLanguage::en)}));
    expectNoRawDates(page);
    EXPECT_EQ(texts(page, QStringLiteral("outcome")),
              (QStringList{"Success", "Denied", "Denied", "Success"}));
    EXPECT_EQ(child<QLabel>(page, QStringLiteral("greeting"))->text(), "Welcome, Батын Болд");

    auto* indicator = child<QProgressBar>(page, QStringLiteral("refreshIndicator"));
    EXPECT_FALSE(indicator->isVisible());
    child<QPushButton>(page, QStringLiteral("refreshButton"))->click();
    EXPECT_TRUE(indicator->isVisible());
    EXPECT_TRUE(waitUntil([&] { return !indicator->isVisible(); }));

    // New data redraws the page.
    m_state->recordActivity(QStringLiteral("AUTH"), QStringLiteral("COMPLETE"),
                            QStringLiteral("OK"));
    QCoreApplication::processEvents();
    EXPECT_EQ(texts(page, QStringLiteral("outcome")).size(), 5);
    m_state->signOut();
    QCoreApplication::processEvents();
    EXPECT_EQ(cards(), empty);
}

TEST_F(DashboardViewTest, LogRowsLabelEachOutcomeCountAndFilter)
{
    setLanguage(AppLanguage::en);
    LogsModel model(*m_state);
    LogsView page(model, *m_state, *m_localization);
    page.resize(900, 700);
    page.show();
    const auto label = [&](const char* name) { return child<QLabel>(page, name)->text(); };
    const auto stat = [&](const char* name) { return child<StatCard>(page, name)->value(); };
    EXPECT_EQ(label("emptyTitle"), "No records yet");
    EXPECT_EQ(stat("statSuccessRate"), "—");
    EXPECT_EQ(stat("statTotal"), "0");
    m_state->recordActivity(QStringLiteral("AUTH"), QStringLiteral("COMPLETE"),
                            QStringLiteral("OK"));
    QCoreApplication::processEvents();
    EXPECT_EQ(label("shownCount"), "1 record");

    sampleData();
    QCoreApplication::processEvents();
    EXPECT_EQ(texts(page, QStringLiteral("logOutcome")),
              (QStringList{"Success", "Failed", "Refused", "Success"}));
    EXPECT_EQ(texts(page, QStringLiteral("logTitle")),
              (QStringList{"Signature", "Signature", "Login", "Login"}));
    EXPECT_EQ(texts(page, QStringLiteral("logTime")).value(3), "—");
    expectNoRawDates(page);
    EXPECT_EQ(stat("statSuccessRate"), "50%");
    EXPECT_EQ(stat("statRatio"), "2 / 2");
    EXPECT_EQ(label("shownCount"), "4 records");

    auto* filter = child<QComboBox>(page, QStringLiteral("logFilter"));
    filter->setCurrentIndex(2);
    emit filter->activated(2);
    QCoreApplication::processEvents();
    EXPECT_EQ(model.filter(), LogFilter::sign);
    EXPECT_EQ(texts(page, QStringLiteral("logOutcome")), (QStringList{"Success", "Failed"}));
    EXPECT_EQ(label("shownCount"), "2 records");
    EXPECT_EQ(stat("statTotal"), "4"); // the statistics count every record, whatever the filter
    setLanguage(AppLanguage::mn);
    QCoreApplication::processEvents();
    EXPECT_EQ(texts(page, QStringLiteral("logOutcome")), (QStringList{"Амжилттай", "Амжилтгүй"}));
    EXPECT_EQ(filter->currentIndex(), 2);

    // Rounded to the nearest percent; only "OK" is a success.
    signInWith({{"AUTH", "OK", kTime}, {"SIGN", "TIMEOUT", kTime}, {"SIGN", "FAILED", kTime}});
    QCoreApplication::processEvents();
    EXPECT_EQ(stat("statSuccessRate"), "33%");
    EXPECT_EQ(stat("statRatio"), "2 / 1");
    signInWith({{"AUTH", "OK", kTime}, {"SIGN", "OK", kTime}, {"SIGN", "ok", kTime}});
    QCoreApplication::processEvents();
    EXPECT_EQ(stat("statSuccessRate"), "67%");

    // A type this version does not know is shown as a sign-in, so it is counted and filtered
    // as one.
    signInWith({{"PAIR", "OK", kTime}, {"SIGN", "OK", kTime}, {"AUTH", "OK", kTime}});
    filter->setCurrentIndex(1);
    emit filter->activated(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(texts(page, QStringLiteral("logTitle")), (QStringList{"Нэвтрэлт", "Нэвтрэлт"}));
    EXPECT_EQ(stat("statRatio"), "1 / 2");
    EXPECT_FALSE(
        orvela::testing::saveScreenshot(page, QStringLiteral("logs-unknown-type-mn")).isEmpty());
    setLanguage(AppLanguage::en);
    QCoreApplication::processEvents();
    EXPECT_FALSE(
        orvela::testing::saveScreenshot(page, QStringLiteral("logs-unknown-type-en")).isEmpty());
}

QDateTime fixedClock()
{
    return QDateTime(QDate(2026, 1, 5), QTime(18, 11, 12));
}

class HomeTest : public dashboardtest::DashboardFixture {
protected:
    void SetUp() override
    {
        m_sim = std::make_unique<backendsim::BackendSim>();
        ASSERT_NE(m_sim->start(), 0);
        m_client = clientFor(m_sim->baseUrl());
    }

    std::unique_ptr<api::APIClient> clientFor(const QString& baseUrl)
    {
        api::APIClientOptions options;
        options.settings = m_settings.get();
        options.fixedBaseUrl = baseUrl;
        return std::make_unique<api::APIClient>(options);
    }

    int healthRequests() const
    {
        int count = 0;
        for (const auto& request : m_sim->requests()) {
            count += request.path == u"/api/health" ? 1 : 0;
        }
        return count;
    }

    std::unique_ptr<backendsim::BackendSim> m_sim;
    std::unique_ptr<api::APIClient> m_client;
};

// The page checks while it shows and cancels on leaving; what the check found is said: a
// reachable, a failing, a stopped and a missing backend.
TEST_F(HomeTest, ThePageChecksWhileShownAndSaysWhatItFound)
{
    setLanguage(common::AppLanguage::en);
    m_sim->injectFault(backendsim::SimFault::slow, QStringLiteral("/api/health"), 1, 600);
    // The page cancels the check when it hides, so the controller must outlive the stack.
    HomeController home(m_client.get(), fixedClock);
    EXPECT_EQ(home.statusVariant(), Tone::neutral);
    EXPECT_EQ(home.statusKey(), "Home_Status_Checking");
    EXPECT_FALSE(home.lastCheckedAt().isValid());
    QStackedWidget stack;
    auto* other = new QLabel(QStringLiteral("another page"));
    stack.addWidget(other);
    auto* page = new HomeView(home, *m_state, *m_localization);
    stack.addWidget(page);
    stack.show();
    EXPECT_FALSE(home.isChecking());

    stack.setCurrentWidget(page);
    EXPECT_TRUE(home.isChecking());
    ASSERT_TRUE(waitUntil([&] { return healthRequests() == 1; }));
    stack.setCurrentWidget(other);
    EXPECT_FALSE(home.isChecking());
    dashboardtest::runEventLoopFor(900);
    EXPECT_EQ(home.statusKey(), "Home_Status_Checking");

    // Coming back starts a new check, which now answers at once.
    stack.setCurrentWidget(page);
    EXPECT_TRUE(home.isChecking());
    ASSERT_TRUE(waitUntil([&] { return !home.isChecking(); }));
    EXPECT_EQ(healthRequests(), 2);
    EXPECT_EQ(home.statusKey(), "Home_Status_Healthy");
    EXPECT_EQ(home.statusVariant(), Tone::success);
    EXPECT_EQ(home.lastCheckedAt(), fixedClock());
    EXPECT_GE(orvela::testing::labelsShowing(*page, "Jan 5, 2026, 6:11 PM"), 1);
    EXPECT_EQ(home.backendVersion(), "—");
    EXPECT_EQ(page->findChild<QLabel*>(QStringLiteral("backendStatus"))->text(), "Connected");

    const auto refresh = [&](HomeController& controller) {
        controller.check();
        EXPECT_EQ(controller.statusKey(), "Home_Status_Checking");
        EXPECT_TRUE(waitUntil([&] { return !controller.isChecking(); }));
        return controller.statusKey();
    };
    m_sim->injectResponse(QStringLiteral("/api/health"), 503, "application/json", "{}");
    page->findChild<QPushButton*>(QStringLiteral("homeRefresh"))->click();
    ASSERT_TRUE(waitUntil([&] { return healthRequests() == 3 && !home.isChecking(); }));
    EXPECT_EQ(home.statusKey(), "Home_Status_Unreachable");
    EXPECT_EQ(home.statusVariant(), Tone::danger);
    EXPECT_EQ(refresh(home), "Home_Status_Healthy");

    // The port of a server that has stopped: nothing listens there any more.
    const QString gone = m_sim->baseUrl();
    m_sim.reset();
    auto client = clientFor(gone);
    HomeController stopped(client.get(), fixedClock);
    EXPECT_EQ(refresh(stopped), "Home_Status_Unreachable");
    EXPECT_EQ(stopped.lastCheckedAt(), fixedClock());
    HomeController offline(nullptr, fixedClock);
    EXPECT_EQ(refresh(offline), "Home_Status_Unreachable");
}

class LockTest : public dashboardtest::DashboardFixture {};

TEST_F(LockTest, ConfirmingSignsOutAndRefusingChangesNothing)
{
    m_state->signIn(session::StoredIdentity{
        QStringLiteral("MN1"), QStringLiteral("Болд"), QStringLiteral("ИБ1"), QStringLiteral("УБ1"),
        QStringLiteral("DAN"), QStringLiteral("2026-01-05T09:00:00Z")});
    ASSERT_EQ(m_state->screen(), session::AppScreen::dashboard);
    m_state->setSelectedTab(session::DashboardTab::lock);
    orvela::testing::AnsweringPrompts::Answers confirmation;
    confirmation.hold = true;
    orvela::testing::AnsweringPrompts prompts(confirmation);
    LockController controller(*m_state, *m_localization, prompts);
    LockView page(controller, *m_state, *m_localization);
    page.show();
    auto* lock = page.findChild<QPushButton*>(QStringLiteral("lockButton"));

    lock->click();
    ASSERT_EQ(confirmation.confirmations, 1);
    confirmation.held(false);
    EXPECT_EQ(m_state->screen(), session::AppScreen::dashboard);
    EXPECT_TRUE(m_state->dashboardData().has_value());

    // While the question is open, another press asks nothing more.
    lock->click();
    lock->click();
    ASSERT_EQ(confirmation.confirmations, 2);
    confirmation.held(true);
    EXPECT_EQ(m_state->screen(), session::AppScreen::login);
    EXPECT_FALSE(m_state->dashboardData().has_value());
    EXPECT_TRUE(m_state->fullName().isEmpty());
    EXPECT_EQ(m_state->selectedTab(), session::DashboardTab::lock);
}

// Signing out clears the activity log on this computer: the lock page and the sign-out entries
// say so before they act, in the interface language.
TEST_F(LockTest, BothQuestionsSayTheActivityLogIsCleared)
{
    using Purpose = LockController::Purpose;
    struct Case {
        Purpose purpose;
        AppLanguage language;
        QStringList words; ///< title, the message's last paragraph, confirm label
    };
    const Case cases[] = {
        {Purpose::lock,
         AppLanguage::en,
         {"Lock your account?", "The activity log on this computer is cleared.", "Lock account"}},
        {Purpose::signOut,
         AppLanguage::en,
         {"Sign out?", "The activity log on this computer is cleared.", "Sign out"}},
        {Purpose::lock,
         AppLanguage::mn,
         {"Бүртгэлээ түгжих үү?", "Энэ компьютер дээрх үйл ажиллагааны түүх устгагдана.",
          "Бүртгэл түгжих"}},
        {Purpose::signOut,
         AppLanguage::mn,
         {"Гарах уу?", "Энэ компьютер дээрх үйл ажиллагааны түүх устгагдана.", "Гарах"}},
    };
    for (const Case& c : cases) {
        setLanguage(c.language);
        orvela::testing::AnsweringPrompts::Answers confirmation;
        confirmation.hold = true;
        orvela::testing::AnsweringPrompts prompts(confirmation);
        LockController controller(*m_state, *m_localization, prompts, nullptr, c.purpose);
        controller.requestLock();
        ASSERT_EQ(confirmation.confirmations, 1);
        const QStringList paragraphs = confirmation.words.value(1).split(QStringLiteral("\n\n"));
        EXPECT_EQ((QStringList{confirmation.words.value(0), paragraphs.last(),
                               confirmation.words.value(2)}),
                  c.words);
        confirmation.held(false);
    }
}

} // namespace
