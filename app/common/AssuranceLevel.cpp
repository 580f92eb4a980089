#include "common/AssuranceLevel.h"

#include "common/LocalizationTables.h"

#include <utility>

namespace orvela::common {

QString assuranceLevelLabel(const QString& level, AppLanguage language)
{
    static const std::pair<const char*, const char*> known[] = {
        {"QUALIFIED", "Identity_Level_Qualified"},
    };
    if (level.isEmpty()) {
        return QStringLiteral("—");
    }
    for (const auto& [raw, key] : known) {
        if (level.compare(QLatin1String(raw), Qt::CaseInsensitive) == 0) {
            return builtInText(QLatin1String(key), language);
        }
    }
    return level;
}

} // namespace orvela::common
