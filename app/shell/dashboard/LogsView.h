#pragma once

#include "common/DateFormatter.h"
#include "shell/dashboard/AccountPage.h"

namespace orvela::state {
struct DashboardSession;
}

namespace orvela::shell {

class LogsModel;

/// The "logs" page: statistics of the activity log, a type filter and one row per record.
class LogsView : public AccountPage {
    Q_OBJECT

public:
    LogsView(LogsModel& model, state::AppState& appState, common::LocalizationService& localization,
             QWidget* parent = nullptr);

protected:
    void build(QVBoxLayout& layout) override;

private:
    QWidget* buildStatistics();
    QWidget* buildFilter();
    QWidget* buildRow(const state::DashboardSession& record);

    LogsModel& m_model;
    common::DateFormatter m_dates;
};

} // namespace orvela::shell
