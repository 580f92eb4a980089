#pragma once

#include "dashboard/views/AccountPage.h"

namespace orvela::dashboard::views {

/// The "children" page: explains that children are registered in the mobile application.
class ChildrenView : public AccountPage {
    Q_OBJECT

public:
    ChildrenView(session::AppState& appState, common::LocalizationService& localization,
                 QWidget* parent = nullptr);

protected:
    void build(QVBoxLayout& layout) override;
};

} // namespace orvela::dashboard::views
