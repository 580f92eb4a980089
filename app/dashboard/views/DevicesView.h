#pragma once

#include "common/DateFormatter.h"
#include "dashboard/views/AccountPage.h"

namespace orvela::session {
struct DashboardDevice;
}

namespace orvela::dashboard::views {

/// The "devices" page: every device linked to the account, or the empty state.
class DevicesView : public AccountPage {
    Q_OBJECT

public:
    DevicesView(session::AppState& appState, common::LocalizationService& localization,
                QWidget* parent = nullptr);

protected:
    void build(QVBoxLayout& layout) override;

private:
    QWidget* buildDevice(const session::DashboardDevice& device);

    common::DateFormatter m_dates;
};

} // namespace orvela::dashboard::views
