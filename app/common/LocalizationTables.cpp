#include "common/LocalizationTables.h"

#include "common/l10n/StringRows.h"

#include <span>

namespace orvela::common {
namespace {

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

StringTable buildTable(std::span<const l10n::StringRow> rows, AppLanguage language)
{
    StringTable table;
    table.reserve(static_cast<qsizetype>(rows.size()));
    for (const l10n::StringRow& row : rows) {
        const std::string_view text = language == AppLanguage::en ? row.english : row.mongolian;
        table.insert(fromUtf8(row.key), fromUtf8(text));
    }
    return table;
}

// Function-local statics give each table its own lazy, thread-safe, one-time construction.
class BuiltInTables final : public LocalizationTables {
public:
    const StringTable& mainTable(AppLanguage language) const override
    {
        if (language == AppLanguage::en) {
            static const StringTable english = buildTable(l10n::mainStringRows(), language);
            return english;
        }
        static const StringTable mongolian = buildTable(l10n::mainStringRows(), language);
        return mongolian;
    }

    const StringTable& extraTable(AppLanguage language) const override
    {
        if (language == AppLanguage::en) {
            static const StringTable english = buildTable(l10n::extraStringRows(), language);
            return english;
        }
        static const StringTable mongolian = buildTable(l10n::extraStringRows(), language);
        return mongolian;
    }
};

} // namespace

const LocalizationTables& LocalizationTables::builtIn()
{
    static const BuiltInTables tables;
    return tables;
}

QString builtInText(const QString& key, AppLanguage language)
{
    const LocalizationTables& tables = LocalizationTables::builtIn();
    if (const auto main = tables.mainTable(language).constFind(key);
        main != tables.mainTable(language).cend()) {
        return *main;
    }
    return tables.extraTable(language).value(key, key);
}

} // namespace orvela::common
