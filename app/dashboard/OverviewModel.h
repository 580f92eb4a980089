#pragma once

#include "session/DashboardData.h"

#include <QObject>
#include <QString>
#include <QTimer>

namespace orvela::session {
class AppState;
}

namespace orvela::dashboard {

/// What the overview page shows: the greeting's name, the four statistic cards, the devices and
/// the recent activity, all read from the application state's dashboard data. Refreshing only
/// spins the indicator for a moment: the data is local and already current.
class OverviewModel : public QObject {
    Q_OBJECT

public:
    /// How long the refresh indicator stays on.
    static constexpr int refreshIndicatorMs = 800;

    explicit OverviewModel(session::AppState& appState, QObject* parent = nullptr);

    QString greetingName() const;
    /// Fixed: there is no score to compute locally.
    static QString securityScore() { return QStringLiteral("98%"); }
    QString certificates() const;
    QString totalLogins() const;
    /// The newest record's time as kept ("2026-01-05T10:11:12Z"), empty without records.
    QString lastLoginAt() const;
    QList<session::DashboardDevice> devices() const;
    QList<session::DashboardSession> activity() const;

    bool isRefreshing() const { return m_refreshing; }
    /// Shows the indicator; it clears itself after `refreshIndicatorMs`.
    void refresh();

signals:
    void dataChanged();
    void refreshingChanged(bool refreshing);

private:
    void setRefreshing(bool refreshing);

    session::AppState& m_appState;
    QTimer m_refreshTimer;
    bool m_refreshing = false;
};

} // namespace orvela::dashboard
