#pragma once

#include "common/DateFormatter.h"
#include "dashboard/views/AccountPage.h"

namespace orvela::session {
struct DashboardSession;
}
namespace orvela::dashboard {
class LogsModel;
}

namespace orvela::dashboard::views {

/// The "logs" page: statistics of the activity log, a type filter and one row per record.
class LogsView : public AccountPage {
    Q_OBJECT

public:
    LogsView(LogsModel& model, session::AppState& appState,
             common::LocalizationService& localization, QWidget* parent = nullptr);

protected:
    void build(QVBoxLayout& layout) override;

private:
    QWidget* buildStatistics();
    QWidget* buildFilter();
    QWidget* buildRow(const session::DashboardSession& record);

    LogsModel& m_model;
    common::DateFormatter m_dates;
};

} // namespace orvela::dashboard::views
