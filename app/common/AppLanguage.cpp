#include "common/AppLanguage.h"

namespace orvela::common {

QString rawValue(AppLanguage language)
{
    switch (language) {
    case AppLanguage::mn:
        return QStringLiteral("mn");
    case AppLanguage::en:
        return QStringLiteral("en");
    }
    return QStringLiteral("mn");
}

std::optional<AppLanguage> appLanguageFromRaw(QStringView raw)
{
    for (AppLanguage language : kAllAppLanguages) {
        if (raw == rawValue(language)) {
            return language;
        }
    }
    return std::nullopt;
}

} // namespace orvela::common
