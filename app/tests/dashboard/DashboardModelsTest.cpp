// The dashboard's logic without widgets: outcome labels, dates, log statistics and filter,
// identity labels and the overview's cards.

#include "../support/QtPrinters.h"
#include "DashboardFixture.h"
#include "shell/dashboard/ActivityOutcome.h"
#include "shell/dashboard/DashboardDateFormatter.h"
#include "shell/dashboard/IdentityLabels.h"
#include "shell/dashboard/LogsModel.h"
#include "shell/dashboard/OverviewModel.h"

#include <QElapsedTimer>
#include <ctime>

using namespace orvela;
using namespace orvela::shell;
using common::AppLanguage;
using dashboardtest::Record;
using dashboardtest::waitUntil;

namespace {

const QString kTime = QStringLiteral("2026-01-05T10:11:12Z");

TEST(ActivityOutcomeTest, OnlyOkIsASuccessAndOnlyRefusalsAreRefused)
{
    EXPECT_EQ(activityOutcomeOf(QStringLiteral("OK")), ActivityOutcome::success);
    EXPECT_EQ(activityOutcomeOf(QStringLiteral("USER_REFUSED")), ActivityOutcome::refused);
    EXPECT_EQ(activityOutcomeOf(QStringLiteral("USER_REFUSED_INTERACTION")),
              ActivityOutcome::refused);
    for (const char* code : {"TIMEOUT", "FAILED", "EXPIRED", "ok", "", "OK "}) {
        EXPECT_EQ(activityOutcomeOf(QString::fromLatin1(code)), ActivityOutcome::failed) << code;
    }
}

TEST(DashboardDateFormatterTest, RendersInTheGivenZoneWithTwoSpaces)
{
    const DashboardDateFormatter utcPlus8(QTimeZone(8 * 3600));
    EXPECT_EQ(utcPlus8.dateTime(kTime, AppLanguage::en), "2026.01.05  18:11");
    EXPECT_EQ(utcPlus8.dateTime(kTime, AppLanguage::mn), "2026.01.05  18:11");
    // Fractional seconds and explicit offsets are the same instant.
    EXPECT_EQ(utcPlus8.dateTime(QStringLiteral("2026-01-05T10:11:12.345Z"), AppLanguage::en),
              "2026.01.05  18:11");
    EXPECT_EQ(utcPlus8.dateTime(QStringLiteral("2026-01-05T18:11:59+08:00"), AppLanguage::en),
              "2026.01.05  18:11");
    // Crossing midnight moves the date too.
    EXPECT_EQ(utcPlus8.dateTime(QStringLiteral("2026-01-05T20:30:00Z"), AppLanguage::en),
              "2026.01.06  04:30");
}

TEST(DashboardDateFormatterTest, FollowsTheDeviceZoneByDefault)
{
    const QByteArray previous = qgetenv("TZ");
    qputenv("TZ", "Asia/Shanghai"); // UTC+8 all year
    tzset();
    const DashboardDateFormatter device;
    const QString shown = device.dateTime(kTime, AppLanguage::en);
    if (previous.isNull()) {
        qunsetenv("TZ");
    } else {
        qputenv("TZ", previous);
    }
    tzset();
    EXPECT_EQ(shown, "2026.01.05  18:11");
}

TEST(DashboardDateFormatterTest, AnythingButAnInternetDateTimeIsADash)
{
    const DashboardDateFormatter formatter(QTimeZone::utc());
    for (const char* text :
         {"", "yesterday", "2026-01-05", "2026-01-05T10:11:12", "2026-01-05 10:11:12Z",
          "2026-13-05T10:11:12Z", "2026-01-05T25:11:12Z", "2026-01-05T10:11Z"}) {
        EXPECT_EQ(formatter.dateTime(QString::fromLatin1(text), AppLanguage::en), "—") << text;
        EXPECT_EQ(formatter.date(QString::fromLatin1(text), AppLanguage::mn), "—") << text;
    }
}

TEST(DashboardDateFormatterTest, LongDateInEachLanguagesLocale)
{
    const DashboardDateFormatter formatter(QTimeZone(8 * 3600));
    EXPECT_EQ(formatter.date(kTime, AppLanguage::en), "Monday, January 5, 2026");
    const QString mongolian = formatter.date(kTime, AppLanguage::mn);
    EXPECT_EQ(mongolian,
              QLocale(QStringLiteral("mn_MN")).toString(QDate(2026, 1, 5), QLocale::LongFormat));
    EXPECT_NE(mongolian, formatter.date(kTime, AppLanguage::en));
}

TEST(IdentityLabelsTest, VerificationMethodFromTheLevelInAnyCase)
{
    const struct {
        const char* level;
        AppLanguage language;
        const char* label;
    } cases[] = {{"DAN", AppLanguage::en, "DAN gateway"},
                 {"dan", AppLanguage::mn, "Дижитал Архив Үндэсний (DAN)"},
                 {"CORVANE", AppLanguage::en, "Corvane gateway"},
                 {"Manual", AppLanguage::mn, "Гарын баталгаажуулалт"},
                 {"", AppLanguage::en, "Unknown"},
                 {"Qualified", AppLanguage::en, "Qualified"}};
    for (const auto& c : cases) {
        EXPECT_EQ(verificationMethodLabel(QString::fromUtf8(c.level), c.language),
                  QString::fromUtf8(c.label))
            << c.level;
    }
}

class LogsModelTest : public dashboardtest::DashboardFixture {};

TEST_F(LogsModelTest, SuccessRateRoundsToTheNearestPercent)
{
    LogsModel model(*m_state);
    signInWith({});
    EXPECT_EQ(model.successRate(), "—");
    EXPECT_EQ(model.signLoginRatio(), "0 / 0");
    signInWith({{"AUTH", "OK", kTime}, {"SIGN", "USER_REFUSED", kTime}});
    EXPECT_EQ(model.successRate(), "50%");
    EXPECT_EQ(model.signLoginRatio(), "1 / 1");

    signInWith({{"AUTH", "OK", kTime}, {"SIGN", "TIMEOUT", kTime}, {"SIGN", "FAILED", kTime}});
    EXPECT_EQ(model.successRate(), "33%");
    EXPECT_EQ(model.signLoginRatio(), "2 / 1");

    signInWith({{"AUTH", "OK", kTime}, {"SIGN", "OK", kTime}, {"SIGN", "ok", kTime}});
    EXPECT_EQ(model.successRate(), "67%");
    EXPECT_EQ(model.totalCount(), 3);
}

TEST_F(LogsModelTest, FilterKeepsOnlyItsTypeAndAnnouncesTheChange)
{
    LogsModel model(*m_state);
    signInWith({{"SIGN", "OK", kTime}, {"AUTH", "OK", kTime}, {"SIGN", "FAILED", kTime}});
    int changes = 0;
    QObject::connect(&model, &LogsModel::changed, &model, [&] { ++changes; });

    EXPECT_EQ(model.shownRecords().size(), 3);
    model.setFilter(LogFilter::sign);
    ASSERT_EQ(model.shownRecords().size(), 2);
    EXPECT_EQ(model.shownRecords().at(1).result, "FAILED"); // order kept, newest first
    model.setFilter(LogFilter::auth);
    ASSERT_EQ(model.shownRecords().size(), 1);
    EXPECT_EQ(model.shownRecords().at(0).sessionType, "AUTH");
    EXPECT_EQ(changes, 2);
    model.setFilter(LogFilter::auth);
    EXPECT_EQ(changes, 2);
    // Statistics always count every record, whatever the filter.
    EXPECT_EQ(model.totalCount(), 3);

    m_state->recordActivity(QStringLiteral("AUTH"), QStringLiteral("COMPLETE"),
                            QStringLiteral("OK"));
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(model.shownRecords().size(), 2);
}

class OverviewModelTest : public dashboardtest::DashboardFixture {};

TEST_F(OverviewModelTest, LastLoginIsTheNewestRecordOfEitherType)
{
    OverviewModel model(*m_state);
    EXPECT_EQ(OverviewModel::securityScore(), "98%");
    EXPECT_EQ(model.certificates(), "0");
    EXPECT_EQ(model.lastLogin(), "—");
    EXPECT_TRUE(model.activity().isEmpty());
    signInWith({});
    EXPECT_EQ(model.lastLogin(), "—");
    EXPECT_EQ(model.certificates(), "1");

    signInWith({{"SIGN", "OK", "2026-02-01T08:30:45Z"},
                {"AUTH", "OK", kTime},
                {"AUTH", "USER_REFUSED", "2025-12-31T23:59:59Z"}});
    EXPECT_EQ(model.lastLogin(), "2026-02-01T08:30");
    EXPECT_EQ(model.totalLogins(), "2");
    EXPECT_EQ(model.greetingName(), "Батын Болд");

    m_state->signOut();
    EXPECT_EQ(model.lastLogin(), "—");
    EXPECT_EQ(model.totalLogins(), "0");
}

TEST_F(OverviewModelTest, RefreshShowsTheIndicatorForAMomentAndChangesNoData)
{
    OverviewModel model(*m_state);
    signInWith({{"AUTH", "OK", kTime}});
    const auto before = m_state->dashboardData();
    int dataChanges = 0;
    QList<bool> indicator;
    QObject::connect(&model, &OverviewModel::dataChanged, &model, [&] { ++dataChanges; });
    QObject::connect(&model, &OverviewModel::refreshingChanged, &model,
                     [&](bool on) { indicator << on; });

    QElapsedTimer clock;
    clock.start();
    model.refresh();
    EXPECT_TRUE(model.isRefreshing());
    // The timer cannot fire before its interval; well short of it the indicator still shows.
    dashboardtest::runEventLoopFor(300);
    EXPECT_TRUE(model.isRefreshing());
    ASSERT_TRUE(waitUntil([&] { return !model.isRefreshing(); }));
    EXPECT_GE(clock.elapsed(), OverviewModel::refreshIndicatorMs - 10);
    EXPECT_EQ(indicator, (QList<bool>{true, false}));
    EXPECT_EQ(dataChanges, 0);
    EXPECT_EQ(m_state->dashboardData(), before);
}

} // namespace
