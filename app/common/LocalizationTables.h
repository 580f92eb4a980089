#pragma once

#include "common/AppLanguage.h"

#include <QHash>
#include <QString>

namespace orvela::common {

/// An immutable key-to-text map of one language.
using StringTable = QHash<QString, QString>;

/// The four tables behind text lookup: one main and one extra table per language. The built-in
/// set is what the program ships; tests hand in their own to exercise the fallbacks.
class LocalizationTables {
public:
    virtual ~LocalizationTables() = default;

    virtual const StringTable& mainTable(AppLanguage language) const = 0;
    virtual const StringTable& extraTable(AppLanguage language) const = 0;

    /// The tables compiled into the program. Each one is built the first time a lookup needs
    /// it, at most once, and is safe against concurrent first use.
    static const LocalizationTables& builtIn();
};

/// The built-in text of `key` in `language`, looked up as LocalizationService::localized does
/// (main table, then extra table); for code that words a message in a language it is handed
/// rather than in the interface's current one. An unknown key comes back as is.
QString builtInText(const QString& key, AppLanguage language);

} // namespace orvela::common
