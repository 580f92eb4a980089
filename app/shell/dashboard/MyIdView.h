#pragma once

#include "common/DateFormatter.h"
#include "shell/dashboard/AccountPage.h"

namespace orvela::shell {

/// The "id" page: the signed-in person's identity fields, one row each.
class MyIdView : public AccountPage {
    Q_OBJECT

public:
    MyIdView(state::AppState& appState, common::LocalizationService& localization,
             QWidget* parent = nullptr);

protected:
    void build(QVBoxLayout& layout) override;

private:
    common::DateFormatter m_dates;
};

} // namespace orvela::shell
