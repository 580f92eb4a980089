#include "shell/dashboard/DevicesView.h"

#include "components/AccentBadge.h"
#include "components/Card.h"
#include "components/StatusPill.h"
#include "shell/dashboard/EmptyState.h"
#include "shell/dashboard/FieldRow.h"
#include "state/AppState.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace orvela::shell {

DevicesView::DevicesView(state::AppState& appState, common::LocalizationService& localization,
                         QWidget* parent)
    : AccountPage(appState, localization, parent)
{
    setObjectName(QStringLiteral("devicesPage"));
    rebuild();
}

void DevicesView::build(QVBoxLayout& layout)
{
    addHeader(layout, state::DashboardTab::devices,
              pick(QStringLiteral("Devices linked to your account"),
                   QStringLiteral("Таны бүртгэлд холбогдсон төхөөрөмжүүд")));
    const auto& board = appState().dashboardData();
    if (!board || board->devices.isEmpty()) {
        layout.addWidget(new EmptyState(QStringLiteral("iphone.slash"),
                                        pick(QStringLiteral("No registered devices"),
                                             QStringLiteral("Бүртгэлтэй төхөөрөмж алга"))));
        return;
    }
    for (const auto& device : board->devices) {
        layout.addWidget(buildDevice(device));
    }
}

QWidget* DevicesView::buildDevice(const state::DashboardDevice& device)
{
    const bool android = device.platform == u"ANDROID";
    auto* card =
        new components::Card(android ? QStringLiteral("Samsung Galaxy") : QStringLiteral("iPhone"));
    auto* markers = new QHBoxLayout;
    markers->addWidget(
        new components::AccentBadge(pick(QStringLiteral("Current"), QStringLiteral("Одоогийн"))));
    const bool active = device.status == u"ACTIVE";
    markers->addWidget(new components::StatusPill(
        active ? pick(QStringLiteral("Active now"), QStringLiteral("Идэвхтэй"))
               : pick(QStringLiteral("Inactive"), QStringLiteral("Идэвхгүй")),
        active ? components::Tone::success : components::Tone::neutral));
    markers->addStretch(1);
    card->contentLayout()->addLayout(markers);
    auto* rows = card->contentLayout();
    rows->addWidget(new FieldRow(pick(QStringLiteral("Timezone"), QStringLiteral("Цагийн бүс")),
                                 QStringLiteral("Asia/Ulaanbaatar")));
    rows->addWidget(new FieldRow(pick(QStringLiteral("Platform"), QStringLiteral("Платформ")),
                                 device.platform));
    rows->addWidget(
        new FieldRow(pick(QStringLiteral("Registered on"), QStringLiteral("Бүртгүүлсэн огноо")),
                     m_dates.date(device.createdAt, language())));
    rows->addWidget(
        new FieldRow(pick(QStringLiteral("Last active"), QStringLiteral("Сүүлд идэвхтэй")),
                     m_dates.dateTime(device.lastUsedAt.value_or(QString()), language())));
    auto* badges = new QHBoxLayout;
    badges->addWidget(new components::StatusPill(
        pick(QStringLiteral("PKI valid"), QStringLiteral("PKI хүчинтэй")), components::Tone::info));
    badges->addWidget(new components::StatusPill(
        pick(QStringLiteral("Biometrics active"), QStringLiteral("Биометр идэвхтэй")),
        components::Tone::info));
    badges->addWidget(new components::StatusPill(
        pick(QStringLiteral("Hardware key"), QStringLiteral("Хардвер түлхүүр")),
        components::Tone::info));
    badges->addStretch(1);
    rows->addLayout(badges);
    return card;
}

} // namespace orvela::shell
