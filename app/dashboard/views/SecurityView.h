#pragma once

#include "dashboard/views/AccountPage.h"

namespace orvela::dashboard::views {

/// The "security" page: assurance level, certificate and device counts, the devices, and where
/// the PIN and biometrics are changed.
class SecurityView : public AccountPage {
    Q_OBJECT

public:
    SecurityView(session::AppState& appState, common::LocalizationService& localization,
                 QWidget* parent = nullptr);

protected:
    void build(QVBoxLayout& layout) override;
};

} // namespace orvela::dashboard::views
