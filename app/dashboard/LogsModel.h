#pragma once

#include "dashboard/LogFilter.h"
#include "session/DashboardSession.h"

#include <QList>
#include <QObject>

namespace orvela::session {
class AppState;
}

namespace orvela::dashboard {

/// The log page's statistics and filtered rows over the application state's activity log. The
/// filter is the only state of its own.
class LogsModel : public QObject {
    Q_OBJECT

public:
    explicit LogsModel(session::AppState& appState, QObject* parent = nullptr);

    /// Every record, newest first.
    QList<session::DashboardSession> records() const;

    int totalCount() const { return static_cast<int>(records().size()); }
    /// Records whose result is exactly "OK", as a rounded percentage ("67%"); "—" when there
    /// are none.
    QString successRate() const;
    /// "<signatures> / <sign-ins>", each record counted as the kind it is shown as.
    QString signLoginRatio() const;

    LogFilter filter() const { return m_filter; }
    void setFilter(LogFilter filter);
    /// The records the filter lets through, newest first.
    QList<session::DashboardSession> shownRecords() const;

signals:
    /// New records or a new filter.
    void changed();

private:
    session::AppState& m_appState;
    LogFilter m_filter = LogFilter::all;
};

} // namespace orvela::dashboard
