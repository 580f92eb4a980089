#include "shell/dashboard/ChildrenView.h"

#include "components/Card.h"

#include <QLabel>
#include <QVBoxLayout>

namespace orvela::shell {

ChildrenView::ChildrenView(state::AppState& appState, common::LocalizationService& localization,
                           QWidget* parent)
    : AccountPage(appState, localization, parent)
{
    setObjectName(QStringLiteral("childrenPage"));
    rebuild();
}

void ChildrenView::build(QVBoxLayout& layout)
{
    addHeader(layout, state::DashboardTab::children,
              pick(QStringLiteral("Manage your children. Register them from the mobile app."),
                   QStringLiteral("Хүүхдийн бүртгэл удирдах. Мобайл апп-аас хүүхдээ бүртгэнэ.")));
    auto* card = new components::Card(
        pick(QStringLiteral("Children registry"), QStringLiteral("Хүүхдийн бүртгэл")));
    auto* body = new QLabel(
        pick(QStringLiteral("Children are registered in the Nuvia mobile app, under Settings → "
                            "Children. Each registered child is issued a certificate of their own "
                            "there, and appears in your account afterwards."),
             QStringLiteral("Хүүхдээ Nuvia мобайл аппын Тохиргоо → Хүүхдүүд хэсгээс бүртгэнэ. "
                            "Бүртгэгдсэн хүүхэд бүрт тэнд өөрийн гэрчилгээ олгогдож, дараа нь таны "
                            "бүртгэлд харагдана.")));
    body->setWordWrap(true);
    card->contentLayout()->addWidget(body);
    layout.addWidget(card);
}

} // namespace orvela::shell
