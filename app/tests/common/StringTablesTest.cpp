#include "InterfaceLanguage.h"
#include "QtPrinters.h"
#include "common/LocalizationTables.h"
#include "common/l10n/CliStrings.h"
#include "common/l10n/SigningStrings.h"
#include "common/l10n/DocumentStrings.h"
#include "common/l10n/DiagnosticsStrings.h"
#include "common/l10n/StringRows.h"
#include "common/l10n/TokenStrings.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <gtest/gtest.h>
#include <string_view>

using orvela::common::AppLanguage;
using orvela::common::LocalizationTables;
using orvela::common::StringTable;
using namespace orvela::common::l10n;

namespace {

QString qs(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool hasCyrillic(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.unicode() >= 0x0400 && c.unicode() <= 0x04FF; });
}

QSet<QString> placeholders(const QString& text)
{
    static const QRegularExpression marker(QStringLiteral(R"(%\d+)"));
    QSet<QString> found;
    for (const auto& match : marker.globalMatch(text)) {
        found.insert(match.captured());
    }
    return found;
}

struct RowSet {
    const char* name;
    std::span<const StringRow> rows;
    bool formatted; // filled in with arg() and joined as prefixes, not joined by the screens
    bool trimmed;   // no leading or trailing blank: the program puts the blanks where it joins
};

const RowSet kRowSets[] = {
    {"main", mainStringRows(), false, true},
    // The extra and token tables hold texts with a "%1" that a screen fills in when it words a
    // keyed text, the update outcomes, the time-outs and the token failures among them.
    {"extra", extraStringRows(), true, true},
    {"tokens", tokenStringRows(), true, true},
    {"signature report", signingStringRows(), true, true},
    {"documents", documentStringRows(), true, true},
    {"diagnostics", diagnosticsStringRows(), true, true},
    {"cli", cliStringRows(), true, false},
    {"qt dialogs", qtDialogStringRows(), true, false},
};

} // namespace

// Properties every row of every table keeps; a broken one shows on screen as a bare key, a
// missing or stray placeholder, a half-translated text or a text hidden under a repeated key.
// No text may name another desktop's parts (a Dock, a top menu bar, Touch ID): here they are the
// tray, the taskbar and the fingerprint reader.
TEST(StringTablesTest, EveryRowHoldsBothLanguagesConsistently)
{
    const QRegularExpression foreign(
        QStringLiteral(R"re(\bDock\b|Touch ID|Face ID|\bFinder\b|menu ?bar|менюбар|⌘)re"),
        QRegularExpression::CaseInsensitiveOption);
    // The token and document texts are looked up with the extra table: a key in both would hide one
    // text.
    QSet<QString> extraKeys;
    for (const RowSet& set : kRowSets) {
        QSet<QString> keys;
        const bool extra = set.rows.data() == extraStringRows().data() ||
                           set.rows.data() == tokenStringRows().data() ||
                           set.rows.data() == signingStringRows().data() ||
                           set.rows.data() == documentStringRows().data() ||
                           set.rows.data() == diagnosticsStringRows().data();
        for (const StringRow& row : set.rows) {
            const QString key = qs(row.key);
            const QString english = qs(row.english);
            const QString mongolian = qs(row.mongolian);
            SCOPED_TRACE(std::string(set.name) + " " + std::string(row.key));
            EXPECT_FALSE(keys.contains(key)) << "repeated key";
            keys.insert(key);
            if (extra) {
                EXPECT_FALSE(extraKeys.contains(key)) << "in the extra and the token table";
                extraKeys.insert(key);
            }
            EXPECT_FALSE(english.isEmpty() || mongolian.isEmpty());
            EXPECT_EQ(placeholders(english), placeholders(mongolian));
            if (set.trimmed) {
                EXPECT_TRUE(english == english.trimmed() && mongolian == mongolian.trimmed());
                // No text of the windows is a format of another kind; a marker would show as is.
                EXPECT_FALSE(english.contains(u'{') || mongolian.contains(u'{'));
            }
            if (!set.formatted) {
                // Screens join composite texts; a format marker would show as is.
                EXPECT_TRUE(placeholders(english).isEmpty());
            }
            EXPECT_FALSE(hasCyrillic(english));
            // Mongolian is written in Cyrillic unless deliberately kept as the English (SHA-256).
            EXPECT_TRUE(hasCyrillic(mongolian) || mongolian == english);
            EXPECT_FALSE(foreign.match(english).hasMatch() || foreign.match(mongolian).hasMatch());
        }
    }
}

TEST(StringTablesTest, EveryKeyTheProgramNamesIsInTheTables)
{
    // Keys are written as literals like "Login_Title" where the screens ask for their texts;
    // one missing from the tables would show up on screen as the bare key.
    const QRegularExpression keyLiteral(QStringLiteral(R"re("([A-Z][a-z]\w*_\w+)")re"));
    const QString appDir = QStringLiteral(ORVELA_SOURCE_DIR "/app");
    QSet<QString> named;
    QDirIterator files(appDir, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        const QString relative = path.mid(appDir.size() + 1);
        if (relative.startsWith(u"tests/") || relative.startsWith(u"bench/") ||
            relative.startsWith(u"common/l10n/")) {
            continue;
        }
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        for (const auto& match : keyLiteral.globalMatch(QString::fromUtf8(file.readAll()))) {
            named.insert(match.captured(1));
        }
    }
    // The screens name well over a hundred keys; far fewer means the scan missed the sources.
    EXPECT_GT(named.size(), 100);
    for (const QString& key : std::as_const(named)) {
        const LocalizationTables& tables = LocalizationTables::builtIn();
        EXPECT_TRUE(tables.mainTable(AppLanguage::en).contains(key) ||
                    tables.extraTable(AppLanguage::en).contains(key))
            << key.toStdString();
    }
}

// The screen check's own rule: data (Base64 with slashes, hex) and paths are no words, and a
// word in the other language is found even beside them.
TEST(InterfaceLanguageCheck, DataAndPathsAreNoWordsButTheOtherLanguageIs)
{
    using orvela::testing::isForeign;
    const struct {
        const char* text;
        AppLanguage language;
        bool foreign;
    } cases[] = {
        {"SPKI: loWa/xF7QV/w3J6CvPLr7Y9DRTVseNXZJzdbrIo6X3o=", AppLanguage::mn, false},
        {"Файл: /home/user/Documents/contract.pdf", AppLanguage::mn, false},
        {"14:BC:D0:90:BA:F3:1E:DB:A6:4E:9C:BD:8C:DF:C1:5F", AppLanguage::mn, false},
        {"loWa/xF7QV/w3J6CvPLr7Y9DRTVseNXZJzdbrIo6X3o= Select", AppLanguage::mn, true},
        {"Файл сонгох contract", AppLanguage::mn, true},
        {"Choose /usr/lib/softhsm/libsofthsm2.so", AppLanguage::en, false},
        {"Choose файл", AppLanguage::en, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isForeign(QString::fromUtf8(c.text), c.language, {}), c.foreign) << c.text;
    }
}
