#include "common/LocalizationService.h"

#include "QtPrinters.h"
#include "common/DateFormatter.h"

#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimeZone>
#include <ctime>
#include <gtest/gtest.h>

using orvela::common::AppLanguage;
using orvela::common::LocalizationService;
using orvela::common::LocalizationTables;
using orvela::common::StringTable;

namespace {

const QString kKey = QStringLiteral("app_language");

// Tables made up per test.
class FakeTables final : public LocalizationTables {
public:
    StringTable mainEn, mainMn, extraEn, extraMn;

    const StringTable& mainTable(AppLanguage language) const override
    {
        return language == AppLanguage::en ? mainEn : mainMn;
    }
    const StringTable& extraTable(AppLanguage language) const override
    {
        return language == AppLanguage::en ? extraEn : extraMn;
    }
};

class LocalizationServiceTest : public ::testing::Test {
protected:
    QString path() const { return m_dir.filePath(QStringLiteral("settings.ini")); }

    // A second handle on the same file. Handles within one process share a cache, so this
    // shows the stored value, not necessarily what reached the disk.
    QVariant storedValue() const
    {
        QSettings reader(path(), QSettings::IniFormat);
        return reader.value(kKey);
    }

    void storeRaw(const QString& raw)
    {
        m_store.setValue(kKey, raw);
        m_store.sync();
    }

    QTemporaryDir m_dir;
    QSettings m_store{path(), QSettings::IniFormat};
};

} // namespace

TEST_F(LocalizationServiceTest, StartsWithTheStoredLanguageOrMongolianAndRewritesNothing)
{
    EXPECT_EQ(LocalizationService(&m_store).language(), AppLanguage::mn);
    EXPECT_FALSE(storedValue().isValid());
    for (const char* raw : {"en", "EN", "", "fr", " en", "english"}) {
        storeRaw(raw);
        const AppLanguage expected = qstrcmp(raw, "en") == 0 ? AppLanguage::en : AppLanguage::mn;
        EXPECT_EQ(LocalizationService(&m_store).language(), expected) << raw;
        EXPECT_EQ(storedValue().toString(), raw);
    }
}

TEST_F(LocalizationServiceTest, AChangeIsStoredAtOnceAndAnnouncedOnceAnOverrideIsNotStored)
{
    LocalizationService service(&m_store);
    const QSignalSpy changes(&service, &LocalizationService::languageChanged);
    const auto announced = [&] { return changes.last().value(0).value<AppLanguage>(); };
    service.setLanguage(AppLanguage::mn); // the current one: nothing written or announced
    EXPECT_EQ(changes.size(), 0);
    EXPECT_FALSE(storedValue().isValid());

    service.setLanguage(AppLanguage::en);
    EXPECT_EQ(changes.size(), 1);
    EXPECT_EQ(announced(), AppLanguage::en);
    // Written through to the file at once, not at some later flush. Checked before any other
    // handle on the file exists, since closing one flushes the shared cache.
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("app_language=en"));
    EXPECT_EQ(LocalizationService(&m_store).language(), AppLanguage::en);

    storeRaw(QStringLiteral("marker")); // a second write of the same choice would overwrite it
    service.setLanguage(AppLanguage::en);
    EXPECT_EQ(changes.size(), 1);
    EXPECT_EQ(storedValue().toString(), QStringLiteral("marker"));

    service.overrideLanguage(AppLanguage::mn);
    EXPECT_EQ(service.language(), AppLanguage::mn);
    EXPECT_EQ(changes.size(), 2);
    EXPECT_EQ(announced(), AppLanguage::mn);
    EXPECT_EQ(storedValue().toString(), QStringLiteral("marker"));
}

TEST_F(LocalizationServiceTest, LookupFollowsTheFallbackChain)
{
    FakeTables fake;
    fake.mainEn = {{"OnlyMain", "main en"}, {"Both", "main en both"}};
    fake.extraEn = {{"OnlyExtra", "extra en"}, {"Both", "extra en both"}, {"Tie", "extra en tie"}};
    fake.mainMn = {{"OnlyMain", "main mn"},
                   {"MnMain", "main mn only"},
                   {"Tie", "main mn tie"},
                   {"MnBoth", "main mn both"}};
    fake.extraMn = {{"MnExtra", "extra mn only"}, {"MnBoth", "extra mn both"}};
    LocalizationService service(&m_store, fake);
    service.setLanguage(AppLanguage::en);

    EXPECT_EQ(service.localized("OnlyMain"), "main en");
    EXPECT_EQ(service.localized("OnlyExtra"), "extra en");
    EXPECT_EQ(service.localized("Both"), "main en both");
    // The current language's extra table comes before any Mongolian fallback.
    EXPECT_EQ(service.localized("Tie"), "extra en tie");
    // Missing in English: the Mongolian text, main before extra.
    EXPECT_EQ(service.localized("MnMain"), "main mn only");
    EXPECT_EQ(service.localized("MnExtra"), "extra mn only");
    EXPECT_EQ(service.localized("MnBoth"), "main mn both");
    EXPECT_EQ(service.localized("Nowhere_Key"), "Nowhere_Key");
    EXPECT_EQ(service.localized(QString()), QString());

    service.setLanguage(AppLanguage::mn);
    EXPECT_EQ(service.localized("OnlyMain"), "main mn");
    EXPECT_EQ(service.localized("OnlyExtra"), "OnlyExtra");
}

// One date and one date-and-time format per language, in the given zone: fractional seconds
// and explicit offsets are the same instant, crossing midnight moves the date, and anything but
// a whole internet date-time, or an invalid instant, is a dash.
TEST(DateFormatterTest, OneDateAndOneDateTimeFormatPerLanguage)
{
    const orvela::common::DateFormatter utcPlus8(QTimeZone(8 * 3600));
    struct Case {
        const char* text;
        const char* dateTimeEn;
        const char* dateTimeMn;
        const char* dateEn;
        const char* dateMn;
    };
    const Case cases[] = {
        {"2026-01-05T10:11:12Z", "Jan 5, 2026, 6:11 PM", "2026.01.05 18:11", "Jan 5, 2026",
         "2026.01.05"},
        {"2026-01-05T10:11:12.345Z", "Jan 5, 2026, 6:11 PM", "2026.01.05 18:11", "Jan 5, 2026",
         "2026.01.05"},
        {"2026-03-07T09:05:59+08:00", "Mar 7, 2026, 9:05 AM", "2026.03.07 09:05", "Mar 7, 2026",
         "2026.03.07"},
        {"2026-12-07T20:30:00Z", "Dec 8, 2026, 4:30 AM", "2026.12.08 04:30", "Dec 8, 2026",
         "2026.12.08"},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromLatin1(c.text);
        EXPECT_EQ((QStringList{utcPlus8.dateTime(text, AppLanguage::en),
                               utcPlus8.dateTime(text, AppLanguage::mn),
                               utcPlus8.date(text, AppLanguage::en),
                               utcPlus8.date(text, AppLanguage::mn)}),
                  (QStringList{c.dateTimeEn, c.dateTimeMn, c.dateEn, c.dateMn}))
            << c.text;
    }
    for (const char* text :
         {"", "yesterday", "2026-01-05", "2026-01-05T10:11:12", "2026-01-05 10:11:12Z",
          "2026-13-05T10:11:12Z", "2026-01-05T25:11:12Z", "2026-01-05T10:11Z"}) {
        for (AppLanguage language : {AppLanguage::en, AppLanguage::mn}) {
            EXPECT_EQ(utcPlus8.dateTime(QString::fromLatin1(text), language), "—") << text;
            EXPECT_EQ(utcPlus8.date(QString::fromLatin1(text), language), "—") << text;
        }
    }
    EXPECT_EQ(utcPlus8.dateTime(QDateTime(), AppLanguage::en), "—");

    // Without a zone given, the device's counts.
    const QByteArray previous = qgetenv("TZ");
    qputenv("TZ", "Asia/Shanghai"); // UTC+8 all year
    tzset();
    const QString shown = orvela::common::DateFormatter().dateTime(
        QStringLiteral("2026-01-05T10:11:12Z"), AppLanguage::mn);
    if (previous.isNull()) {
        qunsetenv("TZ");
    } else {
        qputenv("TZ", previous);
    }
    tzset();
    EXPECT_EQ(shown, "2026.01.05 18:11");
}
