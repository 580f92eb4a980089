#pragma once

#include "dashboard/views/AccountPage.h"

namespace orvela::dashboard::views {

/// The "privacy" page: what is collected, what is never stored, how it is used and deleted.
class PrivacyView : public AccountPage {
    Q_OBJECT

public:
    PrivacyView(session::AppState& appState, common::LocalizationService& localization,
                QWidget* parent = nullptr);

protected:
    void build(QVBoxLayout& layout) override;
};

} // namespace orvela::dashboard::views
