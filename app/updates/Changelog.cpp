#include "updates/Changelog.h"

namespace orvela::updates {

QList<ChangelogEntry> releaseHistory()
{
    const QString added = QStringLiteral("plus.circle.fill");
    const auto line = [&added](const char* key) {
        return ChangelogItem{added, QString::fromLatin1(key), ItemType::feature};
    };
    return {
        {QStringLiteral("1.0.0"),
         QDate(2026, 4, 16),
         {
             line("WhatsNew_1_0_0_SignIn"),
             line("WhatsNew_1_0_0_Dashboard"),
             line("WhatsNew_1_0_0_Organisations"),
             line("WhatsNew_1_0_0_CloudSign"),
             line("WhatsNew_1_0_0_Token"),
             line("WhatsNew_1_0_0_Photo"),
             line("WhatsNew_1_0_0_Updates"),
             {QStringLiteral("shield.checkered"), QStringLiteral("WhatsNew_1_0_0_SecureMessaging"),
              ItemType::security},
         }},
    };
}

} // namespace orvela::updates
