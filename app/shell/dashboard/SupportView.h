#pragma once

#include "shell/dashboard/AccountPage.h"

namespace orvela::shell {

/// The "support" page: common questions with their answers and the support address.
class SupportView : public AccountPage {
    Q_OBJECT

public:
    SupportView(state::AppState& appState, common::LocalizationService& localization,
                QWidget* parent = nullptr);

    /// Where people write to; a deployment setting.
    static QString supportAddress();

protected:
    void build(QVBoxLayout& layout) override;
};

} // namespace orvela::shell
