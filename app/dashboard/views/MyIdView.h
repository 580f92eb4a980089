#pragma once

#include "common/DateFormatter.h"
#include "dashboard/views/AccountPage.h"

namespace orvela::dashboard::views {

/// The "id" page: the signed-in person's identity fields, one row each.
class MyIdView : public AccountPage {
    Q_OBJECT

public:
    MyIdView(session::AppState& appState, common::LocalizationService& localization,
             QWidget* parent = nullptr);

protected:
    void build(QVBoxLayout& layout) override;

private:
    common::DateFormatter m_dates;
};

} // namespace orvela::dashboard::views
