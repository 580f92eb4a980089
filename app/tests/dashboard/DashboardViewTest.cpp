// The dashboard shell and its pages rendered offscreen: the sidebar's entries, selection,
// coming pages, sign-out, collapse, redraws on new data and language.

#include "shell/dashboard/DashboardView.h"

#include "../support/Markup.h"
#include "../support/QtPrinters.h"
#include "DashboardFixture.h"
#include "components/InlineBanner.h"
#include "shell/dashboard/LogsModel.h"
#include "shell/dashboard/LogsView.h"
#include "shell/dashboard/OverviewModel.h"
#include "shell/dashboard/OverviewView.h"
#include "shell/dashboard/StatCard.h"
#include "state/DashboardTab.h"
#include "state/StoredIdentity.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QToolButton>

using namespace orvela;
using namespace orvela::shell;
using common::AppLanguage;
using state::DashboardTab;

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

    QToolButton* entry(DashboardView& view, DashboardTab tab)
    {
        return child<QToolButton>(view, QStringLiteral("nav_") + state::rawValue(tab));
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
    m_state->applyIdentity(
        state::StoredIdentity{QStringLiteral("<i>MN1"), QStringLiteral("<i>Болд<a href='x'>y</a>"),
                              QStringLiteral("<i>ИБ1"), QStringLiteral("<i>УБ1"),
                              QStringLiteral("<i>DAN"), QStringLiteral("2026-01-05T09:00:00Z")});
    setLanguage(AppLanguage::en);
    auto view = makeView();
    EXPECT_EQ(view->findChildren<QToolButton*>(QRegularExpression("^nav_")).size(), 13);
    EXPECT_EQ(currentPage(*view)->objectName(), "overviewPage");
    entry(*view, DashboardTab::logs)->click();
    EXPECT_EQ(m_state->selectedTab(), DashboardTab::logs);
    EXPECT_EQ(currentPage(*view)->objectName(), "logsPage");
    EXPECT_TRUE(entry(*view, DashboardTab::logs)->isChecked());
    EXPECT_FALSE(entry(*view, DashboardTab::dashboard)->isChecked());
    // A change made elsewhere (the menu bar, a restore) shows too.
    m_state->setSelectedTab(DashboardTab::id);
    EXPECT_EQ(currentPage(*view)->objectName(), "myIdPage");
    // The pages built so far: the overview, the log and the identity.
    EXPECT_GE(orvela::testing::labelsShowing(*view, marker), 2);
    EXPECT_TRUE(orvela::testing::labelsDrawingMarkup(*view, marker).isEmpty());

    auto* banner = child<components::InlineBanner>(*view, QStringLiteral("identityNotKeptBanner"));
    EXPECT_FALSE(banner->isVisible());
    emit m_state->identitySaved(false);
    EXPECT_TRUE(banner->isVisible());
    EXPECT_TRUE(banner->text().contains(QStringLiteral("did not keep your identity")));
    emit m_state->identitySaved(true);
    EXPECT_FALSE(banner->isVisible());

    entry(*view, DashboardTab::security)->click();
    child<QToolButton>(*view, QStringLiteral("signOutButton"))->click();
    EXPECT_EQ(m_state->screen(), state::AppScreen::login);
    EXPECT_FALSE(m_state->dashboardData().has_value());
    EXPECT_EQ(m_state->selectedTab(), DashboardTab::security);
    EXPECT_EQ(currentPage(*view)->objectName(), "securityPage");
}

TEST_F(DashboardViewTest, ComingPagesSayItAndDoNothingUntilInstalled)
{
    // A selection kept for a page not installed yet shows the notice.
    m_state->setSelectedTab(DashboardTab::verify);
    {
        auto view = makeView();
        EXPECT_EQ(currentPage(*view)->objectName(), "comingPage");
    }
    m_state->setSelectedTab(DashboardTab::dashboard);
    setLanguage(AppLanguage::en);
    auto view = makeView();
    QToolButton* sign = entry(*view, DashboardTab::sign);
    EXPECT_TRUE(sign->text().contains("coming soon"));
    sign->click();
    EXPECT_EQ(m_state->selectedTab(), DashboardTab::dashboard);
    EXPECT_FALSE(sign->isChecked());
    EXPECT_EQ(currentPage(*view)->objectName(), "overviewPage");

    auto* page = new QLabel(QStringLiteral("signing page"));
    view->setPage(DashboardTab::sign, page);
    EXPECT_EQ(sign->text(), "Signature");
    sign->click();
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
    EXPECT_EQ(collapse->toolTip(), "Collapse the sidebar");
    EXPECT_EQ(entry(*view, DashboardTab::logs)->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);

    collapse->click();
    EXPECT_EQ(collapse->toolTip(), "Expand the sidebar");
    EXPECT_LT(sidebar->width(), expandedWidth);
    EXPECT_EQ(entry(*view, DashboardTab::logs)->toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_EQ(entry(*view, DashboardTab::logs)->toolTip(), "Log history");

    collapse->click();
    EXPECT_EQ(sidebar->width(), expandedWidth);
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
                                    "Last Login=2026-02-01T08:30"}));
    EXPECT_EQ(texts(page, QStringLiteral("outcome")),
              (QStringList{"Success", "Denied", "Denied", "Success"}));
    EXPECT_EQ(child<QLabel>(page, QStringLiteral("greeting"))->text(), "Welcome, Батын Болд");

    auto* indicator = child<QProgressBar>(page, QStringLiteral("refreshIndicator"));
    EXPECT_FALSE(indicator->isVisible());
    child<QPushButton>(page, QStringLiteral("refreshButton"))->click();
    EXPECT_TRUE(indicator->isVisible());
    EXPECT_TRUE(dashboardtest::waitUntil([&] { return !indicator->isVisible(); }));

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
}

} // namespace
