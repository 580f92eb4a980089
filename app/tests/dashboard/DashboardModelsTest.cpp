// The dashboard's logic without widgets: outcome labels and identity labels. The log's
// statistics and the overview's figures are read off their pages.

#include "../support/QtPrinters.h"
#include "dashboard/IdentityLabels.h"
#include "dashboard/views/ActivityOutcome.h"

#include <gtest/gtest.h>

using namespace orvela;
using namespace orvela::dashboard;
using namespace orvela::dashboard::views;
using common::AppLanguage;

namespace {

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
