#include "common/LocalizationTables.h"

#include "common/l10n/SigningStrings.h"
#include "common/l10n/DocumentStrings.h"
#include "common/l10n/DiagnosticsStrings.h"
#include "common/l10n/StringRows.h"
#include "common/l10n/TokenStrings.h"

#include <span>

namespace orvela::common {
namespace {

QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

StringTable buildTable(std::initializer_list<std::span<const l10n::StringRow>> parts,
                       AppLanguage language)
{
    StringTable table;
    for (const auto rows : parts) {
        for (const l10n::StringRow& row : rows) {
            const std::string_view text = language == AppLanguage::en ? row.english : row.mongolian;
            table.insert(fromUtf8(row.key), fromUtf8(text));
        }
    }
    return table;
}

// The token screen's, the signature report's and the documents' texts are kept in files of their
// own and looked up with the extra table.
StringTable buildExtraTable(AppLanguage language)
{
    return buildTable({l10n::extraStringRows(), l10n::tokenStringRows(), l10n::signingStringRows(),
                       l10n::documentStringRows(), l10n::diagnosticsStringRows()},
                      language);
}

// Function-local statics give each table its own lazy, thread-safe, one-time construction.
class BuiltInTables final : public LocalizationTables {
public:
    const StringTable& mainTable(AppLanguage language) const override
    {
        if (language == AppLanguage::en) {
            static const StringTable english = buildTable({l10n::mainStringRows()}, language);
            return english;
        }
        static const StringTable mongolian = buildTable({l10n::mainStringRows()}, language);
        return mongolian;
    }

    const StringTable& extraTable(AppLanguage language) const override
    {
        if (language == AppLanguage::en) {
            static const StringTable english = buildExtraTable(language);
            return english;
        }
        static const StringTable mongolian = buildExtraTable(language);
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
