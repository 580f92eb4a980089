#include "dashboard/IdentityLabels.h"

#include "common/AssuranceLevel.h"
#include "common/LocalizationTables.h"

namespace orvela::dashboard {

QString verificationMethodLabel(const QString& kycLevel, common::AppLanguage language)
{
    const QString level = kycLevel.toLower();
    if (level == u"dan") {
        return common::builtInText(QStringLiteral("Page_IdentityLabels_DANGateway"), language);
    }
    if (level == u"corvane") {
        return common::builtInText(QStringLiteral("Page_IdentityLabels_CorvaneGateway"), language);
    }
    if (level == u"manual") {
        return common::builtInText(QStringLiteral("Page_IdentityLabels_ManualKYC"), language);
    }
    if (level.isEmpty()) {
        return common::builtInText(QStringLiteral("Page_IdentityLabels_Unknown"), language);
    }
    // The backend also reports an assurance level here; one it names is worded, an unknown one
    // is shown as sent.
    return common::assuranceLevelLabel(kycLevel, language);
}

QString accountStatusLabel(const QString& status, common::AppLanguage language)
{
    if (status == u"ACTIVE") {
        return common::builtInText(QStringLiteral("Page_IdentityLabels_Active"), language);
    }
    return status;
}

} // namespace orvela::dashboard
