#include "dashboard/views/MyIdView.h"

#include "common/AssuranceLevel.h"
#include "components/Card.h"
#include "dashboard/IdentityLabels.h"
#include "dashboard/views/FieldRow.h"
#include "session/AppState.h"

#include <QVBoxLayout>

namespace orvela::dashboard::views {

MyIdView::MyIdView(session::AppState& appState, common::LocalizationService& localization,
                   QWidget* parent)
    : AccountPage(appState, localization, parent)
{
    setObjectName(QStringLiteral("myIdPage"));
    connect(&appState, &session::AppState::civilIdChanged, this, &MyIdView::rebuild);
    rebuild();
}

void MyIdView::build(QVBoxLayout& layout)
{
    addHeader(layout, session::DashboardTab::id,
              text(QStringLiteral("Page_MyId_YourUnifiedIdentityProfile")));
    const auto& board = appState().dashboardData();
    const session::DashboardUser user = board ? board->user : session::DashboardUser{};
    const QString missing = QStringLiteral("—");
    const auto orMissing = [&missing](const QString& value) {
        return value.isEmpty() ? missing : value;
    };

    auto* card = new components::Card;
    auto* rows = card->contentLayout();
    rows->addWidget(
        new FieldRow(text(QStringLiteral("Page_MyId_FullName")), orMissing(user.fullName)));
    rows->addWidget(new FieldRow(text(QStringLiteral("Page_MyId_RegistrationNumber")),
                                 orMissing(user.nationalId)));
    rows->addWidget(new FieldRow(text(QStringLiteral("Page_MyId_CivilID")),
                                 orMissing(user.civilId.value_or(appState().civilId()))));
    rows->addWidget(new FieldRow(text(QStringLiteral("Page_MyId_Status")),
                                 board ? accountStatusLabel(user.status, language()) : missing));
    rows->addWidget(new FieldRow(text(QStringLiteral("Page_MyId_RegisteredOn")),
                                 m_dates.date(user.createdAt, language())));
    rows->addWidget(new FieldRow(text(QStringLiteral("Page_MyId_KYCLevel")),
                                 common::assuranceLevelLabel(user.kycLevel, language())));
    rows->addWidget(new FieldRow(text(QStringLiteral("Page_MyId_VerificationMethod")),
                                 verificationMethodLabel(user.kycLevel, language())));
    rows->addWidget(new FieldRow(text(QStringLiteral("Page_MyId_Devices")),
                                 QString::number(board ? board->devices.size() : 0)));
    rows->addWidget(new FieldRow(text(QStringLiteral("Page_MyId_Certificates")),
                                 QString::number(board ? board->certificates : 0)));
    layout.addWidget(card);
}

} // namespace orvela::dashboard::views
