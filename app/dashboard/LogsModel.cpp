#include "dashboard/LogsModel.h"

#include "session/AppState.h"

#include <algorithm>

namespace orvela::dashboard {

QString rawValue(LogFilter filter)
{
    switch (filter) {
    case LogFilter::all:
        return QStringLiteral("all");
    case LogFilter::auth:
        return QStringLiteral("AUTH");
    case LogFilter::sign:
        return QStringLiteral("SIGN");
    }
    return {};
}

namespace {

int countWhere(const QList<session::DashboardSession>& records,
               bool (*keep)(const session::DashboardSession&))
{
    return static_cast<int>(std::count_if(records.cbegin(), records.cend(), keep));
}

} // namespace

LogsModel::LogsModel(session::AppState& appState, QObject* parent)
    : QObject(parent), m_appState(appState)
{
    connect(&m_appState, &session::AppState::dashboardDataChanged, this, &LogsModel::changed);
}

QList<session::DashboardSession> LogsModel::records() const
{
    const auto& data = m_appState.dashboardData();
    return data ? data->sessions : QList<session::DashboardSession>{};
}

QString LogsModel::successRate() const
{
    const auto all = records();
    if (all.isEmpty()) {
        return QStringLiteral("—");
    }
    const int ok =
        countWhere(all, [](const session::DashboardSession& r) { return r.result == u"OK"; });
    const double percent = 100.0 * ok / static_cast<double>(all.size());
    return QString::number(qRound(percent)) + QLatin1Char('%');
}

QString LogsModel::signLoginRatio() const
{
    const auto all = records();
    const int signatures = countWhere(all, [](const session::DashboardSession& r) {
        return logKindOf(r.sessionType) == LogFilter::sign;
    });
    const int logins = static_cast<int>(all.size()) - signatures;
    return QString::number(signatures) + QStringLiteral(" / ") + QString::number(logins);
}

void LogsModel::setFilter(LogFilter filter)
{
    if (m_filter == filter) {
        return;
    }
    m_filter = filter;
    emit changed();
}

QList<session::DashboardSession> LogsModel::shownRecords() const
{
    auto shown = records();
    if (m_filter == LogFilter::all) {
        return shown;
    }
    shown.removeIf([this](const session::DashboardSession& r) {
        return logKindOf(r.sessionType) != m_filter;
    });
    return shown;
}

} // namespace orvela::dashboard
