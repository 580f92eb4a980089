#pragma once

#include "session/DashboardSession.h"
#include "session/DashboardUser.h"

#include <QJsonObject>
#include <QList>

namespace orvela::session {

/// Everything the dashboard shows, built locally from the identity and the activity log.
struct DashboardData {
    DashboardUser user;
    QList<DashboardDevice> devices;
    int certificates = 0;
    QList<DashboardSession> sessions; ///< newest first
    int totalLogins = 0;              ///< "AUTH" records only

    QJsonObject toJson() const;

    bool operator==(const DashboardData&) const = default;
};

} // namespace orvela::session
