#pragma once

#include <span>
#include <string_view>

namespace orvela::common::l10n {

/// One interface text in both languages. Keeping the two languages on one row means the English
/// and Mongolian tables can never drift apart in keys or order. Texts are UTF-8.
struct StringRow {
    std::string_view key;
    std::string_view english;
    std::string_view mongolian;
};

/// The main table's rows, in their fixed order.
std::span<const StringRow> mainStringRows();

/// The extra table's rows, in their fixed order. "Common_Loading" and "Common_Cancel" also
/// appear in the main table, which takes precedence for them.
std::span<const StringRow> extraStringRows();

/// Our Mongolian texts for Qt's own dialogs, keyed "context|source text"; Qt has no Mongolian
/// catalogue of its own.
std::span<const StringRow> qtDialogStringRows();

/// True when no row has an empty key or text; the tables assert it at compile time.
constexpr bool allRowsFilled(std::span<const StringRow> rows)
{
    for (const StringRow& row : rows) {
        if (row.key.empty() || row.english.empty() || row.mongolian.empty()) {
            return false;
        }
    }
    return true;
}

} // namespace orvela::common::l10n
