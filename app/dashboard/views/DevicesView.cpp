#include "dashboard/views/DevicesView.h"

#include "components/AccentBadge.h"
#include "components/Card.h"
#include "components/StatusPill.h"
#include "dashboard/views/EmptyState.h"
#include "dashboard/views/FieldRow.h"
#include "session/AppState.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace orvela::dashboard::views {

DevicesView::DevicesView(session::AppState& appState, common::LocalizationService& localization,
                         QWidget* parent)
    : AccountPage(appState, localization, parent)
{
    setObjectName(QStringLiteral("devicesPage"));
    rebuild();
}

void DevicesView::build(QVBoxLayout& layout)
{
    addHeader(layout, session::DashboardTab::devices,
              text(QStringLiteral("Page_Devices_DevicesLinkedToYour")));
    const auto& board = appState().dashboardData();
    if (!board || board->devices.isEmpty()) {
        layout.addWidget(new EmptyState(QStringLiteral("iphone.slash"),
                                        text(QStringLiteral("Page_Devices_NoRegisteredDevices"))));
        return;
    }
    for (const auto& device : board->devices) {
        layout.addWidget(buildDevice(device));
    }
}

QWidget* DevicesView::buildDevice(const session::DashboardDevice& device)
{
    const bool android = device.platform == u"ANDROID";
    auto* card =
        new components::Card(android ? QStringLiteral("Samsung Galaxy") : QStringLiteral("iPhone"));
    auto* markers = new QHBoxLayout;
    markers->addWidget(new components::AccentBadge(text(QStringLiteral("Page_Devices_Current"))));
    const bool active = device.status == u"ACTIVE";
    markers->addWidget(
        new components::StatusPill(active ? text(QStringLiteral("Page_Devices_ActiveNow"))
                                          : text(QStringLiteral("Page_Devices_Inactive")),
                                   active ? components::Tone::success : components::Tone::neutral));
    markers->addStretch(1);
    card->contentLayout()->addLayout(markers);
    auto* rows = card->contentLayout();
    rows->addWidget(new FieldRow(text(QStringLiteral("Page_Devices_Timezone")),
                                 QStringLiteral("Asia/Ulaanbaatar")));
    rows->addWidget(new FieldRow(text(QStringLiteral("Page_Devices_Platform")), device.platform));
    rows->addWidget(new FieldRow(text(QStringLiteral("Page_Devices_RegisteredOn")),
                                 m_dates.date(device.createdAt, language())));
    rows->addWidget(
        new FieldRow(text(QStringLiteral("Page_Devices_LastActive")),
                     m_dates.dateTime(device.lastUsedAt.value_or(QString()), language())));
    auto* badges = new QHBoxLayout;
    badges->addWidget(new components::StatusPill(text(QStringLiteral("Page_Devices_PKIValid")),
                                                 components::Tone::info));
    badges->addWidget(new components::StatusPill(
        text(QStringLiteral("Page_Devices_BiometricsActive")), components::Tone::info));
    badges->addWidget(new components::StatusPill(text(QStringLiteral("Page_Devices_HardwareKey")),
                                                 components::Tone::info));
    badges->addStretch(1);
    rows->addLayout(badges);
    return card;
}

} // namespace orvela::dashboard::views
