#pragma once

#include "dashboard/views/AccountPage.h"

#include <memory>

namespace orvela::diagnostics {
class DiagnosticsController;
}
namespace orvela::components {
class Prompts;
}

namespace orvela::dashboard::views {

/// The "support" page: common questions with their answers, the support address and the
/// diagnostics report.
class SupportView : public AccountPage {
    Q_OBJECT

public:
    /// `diagnostics` must outlive the page; the page keeps `prompts` (its save dialog).
    SupportView(session::AppState& appState, common::LocalizationService& localization,
                diagnostics::DiagnosticsController& diagnostics,
                std::unique_ptr<components::Prompts> prompts, QWidget* parent = nullptr);
    ~SupportView() override;

    /// Where people write to; a deployment setting.
    static QString supportAddress();

protected:
    void build(QVBoxLayout& layout) override;

private:
    diagnostics::DiagnosticsController& m_diagnostics;
    std::unique_ptr<components::Prompts> m_prompts;
};

} // namespace orvela::dashboard::views
