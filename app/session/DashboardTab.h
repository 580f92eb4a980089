#pragma once

#include "session/StateEnums.h"

#include <QString>
#include <array>
#include <optional>

namespace orvela::session {

/// Every tab in order.
inline constexpr std::array<DashboardTab, 13> allDashboardTabs{
    DashboardTab::dashboard, DashboardTab::id,       DashboardTab::logs, DashboardTab::devices,
    DashboardTab::security,  DashboardTab::children, DashboardTab::sign, DashboardTab::tokens,
    DashboardTab::support,   DashboardTab::privacy,  DashboardTab::lock, DashboardTab::home,
    DashboardTab::verify};

/// The tab's raw value, e.g. "tokens".
QString rawValue(DashboardTab tab);
/// The tab with this raw value; nothing for any other text.
std::optional<DashboardTab> dashboardTabFromRaw(const QString& raw);

} // namespace orvela::session
