#include "shell/dashboard/SupportView.h"

#include "components/Card.h"
#include "components/Style.h"

#include <QLabel>
#include <QVBoxLayout>

namespace orvela::shell {

namespace {

struct Question {
    const char* questionEn;
    const char* questionMn;
    const char* answerEn;
    const char* answerMn;
};

// clang-format off
const Question kQuestions[] = {
    {"How do I sign in?", "Хэрхэн нэвтрэх вэ?",
     "Type your registration number or scan the QR code with the Nuvia mobile app, then confirm "
     "on your phone. The code on your phone must match the one on this screen.",
     "Регистрийн дугаараа оруулах эсвэл QR кодыг Nuvia мобайл аппаар уншуулаад утсан дээрээ "
     "баталгаажуулна. Утсан дээрх код энэ дэлгэц дээрх кодтой таарах ёстой."},
    {"Where do signed documents go?", "Гарын үсэг зурсан баримт хаана хадгалагдах вэ?",
     "A signed PDF is saved in your Downloads folder under a new name; the original stays as it "
     "was.",
     "Гарын үсэг зурсан PDF таны Downloads хавтаст шинэ нэрээр хадгалагдана; эх файл өөрчлөгдөхгүй."},
    {"My token is locked. What now?", "Токен түгжигдсэн бол яах вэ?",
     "Use the unlock step on the Tokens page with the security officer PIN to set a new PIN.",
     "Токенууд хуудсын түгжээ тайлах хэсэгт SO PIN кодоор шинэ PIN код тохируулна."},
    {"Why does the activity log start empty?", "Үйл ажиллагааны түүх яагаад хоосон эхэлдэг вэ?",
     "The log is kept on this computer only and is cleared when you sign out or lock the account.",
     "Түүх зөвхөн энэ компьютер дээр хадгалагдах бөгөөд гарах эсвэл түгжих үед устгагдана."},
};
// clang-format on

} // namespace

SupportView::SupportView(state::AppState& appState, common::LocalizationService& localization,
                         QWidget* parent)
    : AccountPage(appState, localization, parent)
{
    setObjectName(QStringLiteral("supportPage"));
    rebuild();
}

QString SupportView::supportAddress()
{
    return QStringLiteral(ORVELA_SUPPORT_EMAIL);
}

void SupportView::build(QVBoxLayout& layout)
{
    addHeader(layout, state::DashboardTab::support,
              pick(QStringLiteral("FAQs and contact"),
                   QStringLiteral("Түгээмэл асуултууд ба холбоо барих")));
    for (const Question& item : kQuestions) {
        auto* card = new components::Card(
            pick(QString::fromUtf8(item.questionEn), QString::fromUtf8(item.questionMn)));
        auto* answer =
            new QLabel(pick(QString::fromUtf8(item.answerEn), QString::fromUtf8(item.answerMn)));
        answer->setWordWrap(true);
        card->contentLayout()->addWidget(answer);
        layout.addWidget(card);
    }
    auto* contact = new components::Card(
        pick(QStringLiteral("Other questions?"), QStringLiteral("Бусад асуулт байна уу?")));
    auto* link = new QLabel(QStringLiteral("<a href=\"mailto:%1\">%1</a>").arg(supportAddress()));
    link->setObjectName(QStringLiteral("supportLink"));
    link->setTextFormat(Qt::RichText);
    link->setOpenExternalLinks(true);
    contact->contentLayout()->addWidget(link);
    layout.addWidget(contact);
}

} // namespace orvela::shell
