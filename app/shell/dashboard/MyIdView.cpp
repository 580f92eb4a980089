#include "shell/dashboard/MyIdView.h"

#include "components/Card.h"
#include "shell/dashboard/FieldRow.h"
#include "shell/dashboard/IdentityLabels.h"
#include "state/AppState.h"

#include <QVBoxLayout>

namespace orvela::shell {

MyIdView::MyIdView(state::AppState& appState, common::LocalizationService& localization,
                   QWidget* parent)
    : AccountPage(appState, localization, parent)
{
    setObjectName(QStringLiteral("myIdPage"));
    connect(&appState, &state::AppState::civilIDChanged, this, &MyIdView::rebuild);
    rebuild();
}

void MyIdView::build(QVBoxLayout& layout)
{
    addHeader(layout, state::DashboardTab::id,
              pick(QStringLiteral("Your unified identity profile"),
                   QStringLiteral("Таны нэгдсэн иргэний үнэмлэхийн мэдээлэл")));
    const auto& board = appState().dashboardData();
    const state::DashboardUser user = board ? board->user : state::DashboardUser{};
    const QString missing = QStringLiteral("—");
    const auto orMissing = [&missing](const QString& value) {
        return value.isEmpty() ? missing : value;
    };

    auto* card = new components::Card;
    auto* rows = card->contentLayout();
    rows->addWidget(new FieldRow(pick(QStringLiteral("Full name"), QStringLiteral("Бүтэн нэр")),
                                 orMissing(user.fullName)));
    rows->addWidget(new FieldRow(
        pick(QStringLiteral("Registration number"), QStringLiteral("Регистрийн дугаар")),
        orMissing(user.nationalId)));
    rows->addWidget(
        new FieldRow(pick(QStringLiteral("Civil ID"), QStringLiteral("Иргэний бүртгэлийн дугаар")),
                     orMissing(user.civilId.value_or(appState().civilID()))));
    rows->addWidget(new FieldRow(pick(QStringLiteral("Status"), QStringLiteral("Төлөв")),
                                 board ? accountStatusLabel(user.status, language()) : missing));
    rows->addWidget(
        new FieldRow(pick(QStringLiteral("Registered on"), QStringLiteral("Бүртгүүлсэн огноо")),
                     m_dates.date(user.createdAt, language())));
    rows->addWidget(new FieldRow(pick(QStringLiteral("KYC level"), QStringLiteral("KYC түвшин")),
                                 orMissing(user.kycLevel)));
    rows->addWidget(new FieldRow(
        pick(QStringLiteral("Verification method"), QStringLiteral("Баталгаажуулалтын арга")),
        verificationMethodLabel(user.kycLevel, language())));
    rows->addWidget(new FieldRow(pick(QStringLiteral("Devices"), QStringLiteral("Төхөөрөмж")),
                                 QString::number(board ? board->devices.size() : 0)));
    rows->addWidget(new FieldRow(pick(QStringLiteral("Certificates"), QStringLiteral("Сертификат")),
                                 QString::number(board ? board->certificates : 0)));
    layout.addWidget(card);
}

} // namespace orvela::shell
