#pragma once

#include "dashboard/views/AccountPage.h"

namespace orvela::dashboard::views {

class HomeController;

/// The "home" page: what the service does and whether its backend answers. The check runs when
/// the page shows and on refresh; hiding the page cancels it.
class HomeView : public AccountPage {
    Q_OBJECT

public:
    HomeView(HomeController& controller, session::AppState& appState,
             common::LocalizationService& localization, QWidget* parent = nullptr);

protected:
    void build(QVBoxLayout& layout) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    HomeController& m_controller;
};

} // namespace orvela::dashboard::views
