// The overview and log pages rendered offscreen: cards, rows, counts and filters, redrawn on new
// data and language.

#include "../support/QtPrinters.h"
#include "DashboardViewFixture.h"
#include "Screenshot.h"
#include "common/DateFormatter.h"
#include "dashboard/LogsModel.h"
#include "dashboard/OverviewModel.h"
#include "dashboard/views/LogsView.h"
#include "dashboard/views/OverviewView.h"
#include "dashboard/views/StatCard.h"

#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>

using namespace orvela;
using namespace orvela::dashboard;
using namespace orvela::dashboard::views;
using namespace orvela::dashboardtest;

namespace {

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

} // namespace
