#include "common/AppLanguage.h"

#include <gtest/gtest.h>

using orvela::common::AppLanguage;
using orvela::common::appLanguageFromRaw;
using orvela::common::kAllAppLanguages;
using orvela::common::rawValue;

TEST(AppLanguageTest, MongolianIsListedFirstThenEnglish)
{
    ASSERT_EQ(kAllAppLanguages.size(), 2u);
    EXPECT_EQ(kAllAppLanguages[0], AppLanguage::mn);
    EXPECT_EQ(kAllAppLanguages[1], AppLanguage::en);
}

TEST(AppLanguageTest, RawValuesRoundTrip)
{
    EXPECT_EQ(rawValue(AppLanguage::mn), QStringLiteral("mn"));
    EXPECT_EQ(rawValue(AppLanguage::en), QStringLiteral("en"));
    for (AppLanguage language : kAllAppLanguages) {
        EXPECT_EQ(appLanguageFromRaw(rawValue(language)), language);
    }
}

TEST(AppLanguageTest, OnlyExactRawValuesAreAccepted)
{
    for (const char* raw : {"", "EN", "Mn", " mn", "en ", "eng", "mongolian", "ru"}) {
        EXPECT_FALSE(appLanguageFromRaw(QString::fromUtf8(raw)).has_value()) << raw;
    }
}
