// The dashboard's logic without widgets: outcome labels, dates and identity labels. The log's
// statistics and the overview's figures are read off their pages.

#include "../support/QtPrinters.h"
#include "shell/dashboard/ActivityOutcome.h"
#include "shell/dashboard/DashboardDateFormatter.h"
#include "shell/dashboard/IdentityLabels.h"

#include <ctime>
#include <gtest/gtest.h>

using namespace orvela;
using namespace orvela::shell;
using common::AppLanguage;

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

// Fractional seconds and explicit offsets are the same instant; crossing midnight moves the
// date; anything but an internet date-time is a dash. The long date follows each language's
// locale, and without a zone given the device's counts.
TEST(DashboardDateFormatterTest, RendersInTheGivenOrTheDeviceZoneOrADash)
{
    const DashboardDateFormatter utcPlus8(QTimeZone(8 * 3600));
    const std::pair<const char*, const char*> cases[] = {
        {"2026-01-05T10:11:12Z", "2026.01.05  18:11"},
        {"2026-01-05T10:11:12.345Z", "2026.01.05  18:11"},
        {"2026-01-05T18:11:59+08:00", "2026.01.05  18:11"},
        {"2026-01-05T20:30:00Z", "2026.01.06  04:30"},
        {"", "—"},
        {"yesterday", "—"},
        {"2026-01-05", "—"},
        {"2026-01-05T10:11:12", "—"},
        {"2026-01-05 10:11:12Z", "—"},
        {"2026-13-05T10:11:12Z", "—"},
        {"2026-01-05T25:11:12Z", "—"},
        {"2026-01-05T10:11Z", "—"}};
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(utcPlus8.dateTime(QString::fromLatin1(text), AppLanguage::mn),
                  QString::fromUtf8(shown))
            << text;
    }
    EXPECT_EQ(utcPlus8.date(QStringLiteral("2026-01-05"), AppLanguage::mn), "—");
    EXPECT_EQ(utcPlus8.date(kTime, AppLanguage::en), "Monday, January 5, 2026");
    EXPECT_NE(utcPlus8.date(kTime, AppLanguage::mn), utcPlus8.date(kTime, AppLanguage::en));

    const QByteArray previous = qgetenv("TZ");
    qputenv("TZ", "Asia/Shanghai"); // UTC+8 all year
    tzset();
    const QString shown = DashboardDateFormatter().dateTime(kTime, AppLanguage::en);
    if (previous.isNull()) {
        qunsetenv("TZ");
    } else {
        qputenv("TZ", previous);
    }
    tzset();
    EXPECT_EQ(shown, "2026.01.05  18:11");
}

TEST(IdentityLabelsTest, VerificationMethodFromTheLevelInAnyCase)
{
    const struct {
        const char* level;
        AppLanguage language;
        const char* label;
    } cases[] = {{"dan", AppLanguage::mn, "Дижитал Архив Үндэсний (DAN)"},
                 {"CORVANE", AppLanguage::en, "Corvane gateway"},
                 {"", AppLanguage::en, "Unknown"},
                 {"Qualified", AppLanguage::en, "Qualified"},
                 // An assurance level the backend names is worded; an unknown one stays as sent.
                 {"QUALIFIED", AppLanguage::mn, "Баталгаажсан"},
                 {"SUBSTANTIAL", AppLanguage::mn, "SUBSTANTIAL"}};
    for (const auto& c : cases) {
        EXPECT_EQ(verificationMethodLabel(QString::fromUtf8(c.level), c.language),
                  QString::fromUtf8(c.label))
            << c.level;
    }
}

} // namespace
