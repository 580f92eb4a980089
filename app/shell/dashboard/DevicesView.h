#pragma once

#include "common/DateFormatter.h"
#include "shell/dashboard/AccountPage.h"

namespace orvela::state {
struct DashboardDevice;
}

namespace orvela::shell {

/// The "devices" page: every device linked to the account, or the empty state.
class DevicesView : public AccountPage {
    Q_OBJECT

public:
    DevicesView(state::AppState& appState, common::LocalizationService& localization,
                QWidget* parent = nullptr);

protected:
    void build(QVBoxLayout& layout) override;

private:
    QWidget* buildDevice(const state::DashboardDevice& device);

    common::DateFormatter m_dates;
};

} // namespace orvela::shell
