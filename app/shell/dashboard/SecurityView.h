#pragma once

#include "shell/dashboard/AccountPage.h"

namespace orvela::shell {

/// The "security" page: assurance level, certificate and device counts, the devices, and where
/// the PIN and biometrics are changed.
class SecurityView : public AccountPage {
    Q_OBJECT

public:
    SecurityView(state::AppState& appState, common::LocalizationService& localization,
                 QWidget* parent = nullptr);

protected:
    void build(QVBoxLayout& layout) override;
};

} // namespace orvela::shell
