#include "shell/dashboard/PrivacyView.h"

#include "components/Card.h"
#include "components/Style.h"
#include "shell/dashboard/SupportView.h"

#include <QLabel>
#include <QVBoxLayout>

namespace orvela::shell {

namespace style = components::style;

PrivacyView::PrivacyView(state::AppState& appState, common::LocalizationService& localization,
                         QWidget* parent)
    : AccountPage(appState, localization, parent)
{
    setObjectName(QStringLiteral("privacyPage"));
    rebuild();
}

void PrivacyView::build(QVBoxLayout& layout)
{
    addHeader(layout, state::DashboardTab::privacy,
              pick(QStringLiteral("How your data is handled"),
                   QStringLiteral("Таны мэдээллийг хэрхэн ашигладаг")));
    const QString address = SupportView::supportAddress();
    const std::pair<QString, QString> sections[] = {
        {pick(QStringLiteral("Data we collect"), QStringLiteral("Цуглуулдаг мэдээлэл")),
         pick(QStringLiteral("Your name, registration number, civil ID, assurance level and the "
                             "times of your sign-ins and signatures."),
              QStringLiteral("Таны нэр, регистрийн дугаар, иргэний бүртгэлийн дугаар, "
                             "баталгаажилтын түвшин, нэвтрэлт болон гарын үсгийн цаг."))},
        {pick(QStringLiteral("What we never store"), QStringLiteral("Хадгалдаггүй мэдээлэл")),
         pick(QStringLiteral("Your PINs, private keys, biometrics and the content of the "
                             "documents you sign."),
              QStringLiteral("Таны PIN код, хувийн түлхүүр, биометр болон гарын үсэг зурсан "
                             "баримтын агуулга."))},
        {pick(QStringLiteral("Usage"), QStringLiteral("Ашиглалт")),
         pick(QStringLiteral("Collected data serves only to verify your identity and keep your "
                             "account secure."),
              QStringLiteral("Цуглуулсан мэдээллийг зөвхөн таны хувийн мэдээллийг баталгаажуулах "
                             "болон бүртгэлийг хамгаалахад ашиглана."))},
        {pick(QStringLiteral("Deletion"), QStringLiteral("Устгах")),
         pick(
             QStringLiteral("To delete your account, write to %1.").arg(address),
             QStringLiteral("Бүртгэлээ устгуулах бол %1 хаягаар хүсэлт илгээнэ үү.").arg(address))},
    };
    for (const auto& [heading, body] : sections) {
        auto* card = new components::Card(heading);
        auto* label = new QLabel(body);
        label->setWordWrap(true);
        card->contentLayout()->addWidget(label);
        layout.addWidget(card);
    }
    auto* updated = new QLabel(
        pick(QStringLiteral("Last updated: 2026.01"), QStringLiteral("Сүүлд шинэчилсэн: 2026.01")));
    updated->setObjectName(QStringLiteral("privacyUpdated"));
    style::showAsSecondaryText(updated);
    layout.addWidget(updated);
}

} // namespace orvela::shell
