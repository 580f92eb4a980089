#include "CliLocalization.h"

namespace orvela::cli {

common::LocalizationService& cliLocalization(const CliContext& context, QString* error)
{
    auto& localization = common::LocalizationService::shared();
    if (!context.lang.isEmpty()) {
        if (const auto language = common::appLanguageFromRaw(context.lang)) {
            localization.overrideLanguage(*language);
        } else if (error != nullptr) {
            *error = QStringLiteral("orvela: --lang takes mn or en");
        }
    }
    return localization;
}

} // namespace orvela::cli
