#include "dashboard/views/SecurityView.h"

#include "common/AssuranceLevel.h"
#include "components/Card.h"
#include "components/InlineBanner.h"
#include "components/Style.h"
#include "dashboard/IdentityLabels.h"
#include "dashboard/views/FieldRow.h"
#include "dashboard/views/StatCard.h"
#include "session/AppState.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace orvela::dashboard::views {

SecurityView::SecurityView(session::AppState& appState, common::LocalizationService& localization,
                           QWidget* parent)
    : AccountPage(appState, localization, parent)
{
    setObjectName(QStringLiteral("securityPage"));
    rebuild();
}

void SecurityView::build(QVBoxLayout& layout)
{
    addHeader(layout, session::DashboardTab::security,
              text(QStringLiteral("Page_Security_SecurityOverview")));
    const auto& board = appState().dashboardData();
    const QString level = board ? board->user.kycLevel : QString();

    auto* cards = new QHBoxLayout;
    cards->setSpacing(components::style::spacingM);
    cards->addWidget(new StatCard(text(QStringLiteral("Page_Security_AssuranceLevel")),
                                  common::assuranceLevelLabel(level, language())));
    cards->addWidget(new StatCard(text(QStringLiteral("Page_Security_ActiveCertificates")),
                                  QString::number(board ? board->certificates : 0)));
    cards->addWidget(new StatCard(text(QStringLiteral("Page_Security_RegisteredDevices")),
                                  QString::number(board ? board->devices.size() : 0)));
    layout.addLayout(cards);

    auto* devices = new components::Card(text(QStringLiteral("Page_Security_Devices")));
    if (!board || board->devices.isEmpty()) {
        devices->contentLayout()->addWidget(
            new QLabel(text(QStringLiteral("Page_Security_NoRegisteredDevices"))));
    } else {
        for (const auto& device : board->devices) {
            devices->contentLayout()->addWidget(new FieldRow(
                device.platform == u"ANDROID" ? QStringLiteral("Samsung Galaxy")
                                              : QStringLiteral("iPhone"),
                device.status == u"ACTIVE" ? text(QStringLiteral("Page_Security_ActiveNow"))
                                           : text(QStringLiteral("Page_Security_Inactive"))));
        }
    }
    layout.addWidget(devices);
    layout.addWidget(
        new components::InlineBanner(components::InlineBanner::Kind::info,
                                     text(QStringLiteral("Page_Security_ChangeYourPINAnd"))));
}

} // namespace orvela::dashboard::views
