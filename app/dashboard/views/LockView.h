#pragma once

#include "dashboard/views/AccountPage.h"

namespace orvela::dashboard::views {

class LockController;

/// The "lock" page: one destructive button that, once confirmed, signs out.
class LockView : public AccountPage {
    Q_OBJECT

public:
    LockView(LockController& controller, session::AppState& appState,
             common::LocalizationService& localization, QWidget* parent = nullptr);

protected:
    void build(QVBoxLayout& layout) override;

private:
    LockController& m_controller;
};

} // namespace orvela::dashboard::views
