#include "shell/dashboard/SecurityView.h"

#include "components/Card.h"
#include "components/InlineBanner.h"
#include "components/Style.h"
#include "shell/dashboard/FieldRow.h"
#include "shell/dashboard/IdentityLabels.h"
#include "shell/dashboard/StatCard.h"
#include "state/AppState.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace orvela::shell {

SecurityView::SecurityView(state::AppState& appState, common::LocalizationService& localization,
                           QWidget* parent)
    : AccountPage(appState, localization, parent)
{
    setObjectName(QStringLiteral("securityPage"));
    rebuild();
}

void SecurityView::build(QVBoxLayout& layout)
{
    addHeader(layout, state::DashboardTab::security,
              pick(QStringLiteral("Security overview"), QStringLiteral("Аюулгүй байдлын тойм")));
    const auto& board = appState().dashboardData();
    const QString level = board ? board->user.kycLevel : QString();

    auto* cards = new QHBoxLayout;
    cards->setSpacing(components::style::spacingM);
    cards->addWidget(new StatCard(
        pick(QStringLiteral("Assurance level"), QStringLiteral("Баталгаажилтын түвшин")),
        level.isEmpty() ? QStringLiteral("—") : level));
    cards->addWidget(new StatCard(
        pick(QStringLiteral("Active certificates"), QStringLiteral("Идэвхтэй сертификат")),
        QString::number(board ? board->certificates : 0)));
    cards->addWidget(new StatCard(
        pick(QStringLiteral("Registered devices"), QStringLiteral("Бүртгэлтэй төхөөрөмж")),
        QString::number(board ? board->devices.size() : 0)));
    layout.addLayout(cards);

    auto* devices =
        new components::Card(pick(QStringLiteral("Devices"), QStringLiteral("Төхөөрөмжүүд")));
    if (!board || board->devices.isEmpty()) {
        devices->contentLayout()->addWidget(new QLabel(pick(
            QStringLiteral("No registered devices"), QStringLiteral("Бүртгэлтэй төхөөрөмж алга"))));
    } else {
        for (const auto& device : board->devices) {
            devices->contentLayout()->addWidget(
                new FieldRow(device.platform == u"ANDROID" ? QStringLiteral("Samsung Galaxy")
                                                           : QStringLiteral("iPhone"),
                             device.status == u"ACTIVE"
                                 ? pick(QStringLiteral("Active now"), QStringLiteral("Идэвхтэй"))
                                 : pick(QStringLiteral("Inactive"), QStringLiteral("Идэвхгүй"))));
        }
    }
    layout.addWidget(devices);
    layout.addWidget(new components::InlineBanner(
        components::InlineBanner::Kind::info,
        pick(QStringLiteral("Change your PIN and biometrics from the Nuvia mobile app."),
             QStringLiteral("PIN код солих болон биометр тохиргоог Nuvia мобайл апп дотроос "
                            "хийнэ."))));
}

} // namespace orvela::shell
