#pragma once

#include "certificates/PdfVerification.h"

#include <QWidget>
#include <optional>

class QLabel;
class QVBoxLayout;

namespace orvela::common {
class LocalizationService;
}
namespace orvela::components {
class InlineBanner;
class PdfPagePreview;
} // namespace orvela::components

namespace orvela::certificates::views {

/// A checked PDF on the verification page: the document's verdict, its first page, and one card
/// per signature with its verdict, signer, times and coverage, worded in the interface language.
class PdfReportPanel : public QWidget {
    Q_OBJECT
public:
    /// `localization` must outlive the panel.
    explicit PdfReportPanel(const common::LocalizationService& localization,
                            QWidget* parent = nullptr);

    /// Shows the PDF at `path` and its check: `checking` while it runs, `result` once it ended
    /// (none: the file was refused, so nothing was checked).
    void show(const QString& path, const std::optional<PdfVerification>& result, bool checking);

    components::PdfPagePreview* preview() const { return m_preview; }

private:
    void clearSignatures();
    QWidget* signatureCard(int number, const SignatureRow& row);

    const common::LocalizationService& m_localization;
    components::InlineBanner* m_overall;
    components::PdfPagePreview* m_preview;
    QLabel* m_heading;
    QVBoxLayout* m_signatures;
};

} // namespace orvela::certificates::views
