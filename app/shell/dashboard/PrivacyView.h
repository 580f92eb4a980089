#pragma once

#include "shell/dashboard/AccountPage.h"

namespace orvela::shell {

/// The "privacy" page: what is collected, what is never stored, how it is used and deleted.
class PrivacyView : public AccountPage {
    Q_OBJECT

public:
    PrivacyView(state::AppState& appState, common::LocalizationService& localization,
                QWidget* parent = nullptr);

protected:
    void build(QVBoxLayout& layout) override;
};

} // namespace orvela::shell
