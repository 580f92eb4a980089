#include "shell/dashboard/IdentityLabels.h"

#include "shell/dashboard/PageText.h"

namespace orvela::shell {

QString verificationMethodLabel(const QString& kycLevel, common::AppLanguage language)
{
    const QString level = kycLevel.toLower();
    if (level == u"dan") {
        return pickText(language, QStringLiteral("DAN gateway"),
                        QStringLiteral("Дижитал Архив Үндэсний (DAN)"));
    }
    if (level == u"corvane") {
        return pickText(language, QStringLiteral("Corvane gateway"),
                        QStringLiteral("Corvane баталгаажуулалт"));
    }
    if (level == u"manual") {
        return pickText(language, QStringLiteral("Manual KYC"),
                        QStringLiteral("Гарын баталгаажуулалт"));
    }
    if (level.isEmpty()) {
        return pickText(language, QStringLiteral("Unknown"), QStringLiteral("Тодорхойгүй"));
    }
    return kycLevel;
}

QString accountStatusLabel(const QString& status, common::AppLanguage language)
{
    if (status == u"ACTIVE") {
        return pickText(language, QStringLiteral("Active"), QStringLiteral("Идэвхтэй"));
    }
    return status;
}

} // namespace orvela::shell
