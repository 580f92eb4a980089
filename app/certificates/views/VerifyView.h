#pragma once

#include "components/Prompts.h"

#include <QWidget>
#include <memory>

class QLabel;
class QPlainTextEdit;

namespace orvela::common {
class LocalizationService;
}
namespace orvela::components {
class ActionButton;
class InlineBanner;
} // namespace orvela::components

namespace orvela::certificates {
class VerifyController;
}

namespace orvela::certificates::views {

class DropZone;
class PdfReportPanel;
class ReportPanel;

/// The "verify" page: drop, choose or paste a certificate and read its report, or drop or
/// choose a signed PDF and see its first page and its signatures' verdicts.
class VerifyView : public QWidget {
    Q_OBJECT
public:
    VerifyView(VerifyController& controller, common::LocalizationService& localization,
               std::unique_ptr<components::Prompts> prompts = nullptr, QWidget* parent = nullptr);
    ~VerifyView() override;

    /// Runs the file chooser and loads what the user picked.
    void chooseFile();

private:
    void retranslate();
    void refresh();

    VerifyController& m_controller;
    common::LocalizationService& m_localization;
    std::unique_ptr<components::Prompts> m_prompts;
    QLabel* m_title;
    QLabel* m_subtitle;
    DropZone* m_dropZone;
    components::ActionButton* m_pick;
    components::ActionButton* m_clear;
    QLabel* m_pasteHint;
    QPlainTextEdit* m_paste;
    components::ActionButton* m_parse;
    components::InlineBanner* m_error;
    ReportPanel* m_report;
    PdfReportPanel* m_pdfReport;
};

} // namespace orvela::certificates::views
