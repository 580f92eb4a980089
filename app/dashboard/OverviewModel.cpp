#include "dashboard/OverviewModel.h"

#include "session/AppState.h"

namespace orvela::dashboard {

OverviewModel::OverviewModel(session::AppState& appState, QObject* parent)
    : QObject(parent), m_appState(appState)
{
    m_refreshTimer.setSingleShot(true);
    // A coarse timer may fire up to 5 % early; the indicator is meant to show the full 0.8 s.
    m_refreshTimer.setTimerType(Qt::PreciseTimer);
    m_refreshTimer.setInterval(refreshIndicatorMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, [this] { setRefreshing(false); });
    connect(&m_appState, &session::AppState::dashboardDataChanged, this,
            &OverviewModel::dataChanged);
    connect(&m_appState, &session::AppState::fullNameChanged, this, &OverviewModel::dataChanged);
}

QString OverviewModel::greetingName() const
{
    const auto& data = m_appState.dashboardData();
    return data ? data->user.fullName : m_appState.fullName();
}

QString OverviewModel::certificates() const
{
    const auto& data = m_appState.dashboardData();
    return QString::number(data ? data->certificates : 0);
}

QString OverviewModel::totalLogins() const
{
    const auto& data = m_appState.dashboardData();
    return QString::number(data ? data->totalLogins : 0);
}

QString OverviewModel::lastLoginAt() const
{
    const auto& data = m_appState.dashboardData();
    if (!data || data->sessions.isEmpty()) {
        return QString();
    }
    return data->sessions.first().createdAt;
}

QList<session::DashboardDevice> OverviewModel::devices() const
{
    const auto& data = m_appState.dashboardData();
    return data ? data->devices : QList<session::DashboardDevice>{};
}

QList<session::DashboardSession> OverviewModel::activity() const
{
    const auto& data = m_appState.dashboardData();
    return data ? data->sessions : QList<session::DashboardSession>{};
}

void OverviewModel::refresh()
{
    setRefreshing(true);
    m_refreshTimer.start();
}

void OverviewModel::setRefreshing(bool refreshing)
{
    if (m_refreshing == refreshing) {
        return;
    }
    m_refreshing = refreshing;
    emit refreshingChanged(refreshing);
}

} // namespace orvela::dashboard
