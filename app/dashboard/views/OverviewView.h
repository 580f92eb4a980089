#pragma once

#include "common/DateFormatter.h"
#include "dashboard/views/AccountPage.h"

namespace orvela::dashboard {
class OverviewModel;
}

namespace orvela::dashboard::views {

/// The "dashboard" page: greeting, refresh, the four statistic cards, devices and the audit
/// log.
class OverviewView : public AccountPage {
    Q_OBJECT

public:
    OverviewView(OverviewModel& model, session::AppState& appState,
                 common::LocalizationService& localization, QWidget* parent = nullptr);

protected:
    void build(QVBoxLayout& layout) override;

private:
    QWidget* buildGreeting();
    QWidget* buildStatistics();
    QWidget* buildDevices();
    QWidget* buildActivity();

    OverviewModel& m_model;
    common::DateFormatter m_dates;
};

} // namespace orvela::dashboard::views
