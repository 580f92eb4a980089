#pragma once

#include "shell/dashboard/AccountPage.h"

namespace orvela::shell {

/// The "children" page: explains that children are registered in the mobile application.
class ChildrenView : public AccountPage {
    Q_OBJECT

public:
    ChildrenView(state::AppState& appState, common::LocalizationService& localization,
                 QWidget* parent = nullptr);

protected:
    void build(QVBoxLayout& layout) override;
};

} // namespace orvela::shell
