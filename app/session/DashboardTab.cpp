#include "session/DashboardTab.h"

namespace orvela::session {

QString rawValue(DashboardTab tab)
{
    static const std::array<const char*, 13> raws{
        "dashboard", "id",      "logs",    "devices", "security", "children", "sign",
        "tokens",    "support", "privacy", "lock",    "home",     "verify"};
    return QString::fromLatin1(raws.at(static_cast<std::size_t>(tab)));
}

std::optional<DashboardTab> dashboardTabFromRaw(const QString& raw)
{
    for (const DashboardTab tab : allDashboardTabs) {
        if (rawValue(tab) == raw) {
            return tab;
        }
    }
    return std::nullopt;
}

} // namespace orvela::session
