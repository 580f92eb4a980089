#include "session/DashboardData.h"

#include <QJsonArray>

namespace orvela::session {

QJsonObject DashboardData::toJson() const
{
    QJsonArray deviceArray;
    for (const auto& device : devices) {
        deviceArray.append(device.toJson());
    }
    QJsonArray sessionArray;
    for (const auto& session : sessions) {
        sessionArray.append(session.toJson());
    }
    return QJsonObject{{QStringLiteral("user"), user.toJson()},
                       {QStringLiteral("devices"), deviceArray},
                       {QStringLiteral("certificates"), certificates},
                       {QStringLiteral("sessions"), sessionArray},
                       {QStringLiteral("totalLogins"), totalLogins}};
}

} // namespace orvela::session
