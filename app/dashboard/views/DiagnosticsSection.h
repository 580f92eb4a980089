#pragma once

#include "components/Card.h"

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace orvela::common {
class LocalizationService;
}
namespace orvela::diagnostics {
class DiagnosticsController;
}
namespace orvela::components {
class Prompts;
}

namespace orvela::dashboard::views {

/// The support page's "Diagnostics" card: every check with its verdict, summary, advice and
/// facts, filled in as the checks finish, with "Check again", "Copy" and "Save…".
class DiagnosticsSection : public components::Card {
    Q_OBJECT
public:
    /// The controller and the prompts must outlive the section.
    DiagnosticsSection(diagnostics::DiagnosticsController& controller, components::Prompts& prompts,
                       common::LocalizationService& localization, QWidget* parent = nullptr);

    /// Copies the report to the clipboard.
    void copyReport();
    /// Asks where to save the report, then saves it there.
    void chooseSaveTarget();

private:
    /// Buttons and the status line.
    void refresh();
    /// Every check's row afresh (a run started, or the section was built).
    void rebuildRows();
    /// One check's row, replaced in place: a finished check redraws only itself.
    void replaceRow(int index);
    QWidget* checkRow(int index) const;

    diagnostics::DiagnosticsController& m_controller;
    components::Prompts& m_prompts;
    common::LocalizationService& m_localization;
    QVBoxLayout* m_rows;
    QPushButton* m_run;
    QPushButton* m_copy;
    QPushButton* m_save;
    QLabel* m_status;
};

} // namespace orvela::dashboard::views
