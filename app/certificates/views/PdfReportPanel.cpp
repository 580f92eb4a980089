#include "certificates/views/PdfReportPanel.h"

#include "common/DateFormatter.h"
#include "common/LocalizationService.h"
#include "components/Accessibility.h"
#include "components/Card.h"
#include "components/InlineBanner.h"
#include "components/PdfPagePreview.h"
#include "components/StatusPill.h"
#include "components/Style.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace orvela::certificates::views {

namespace style = components::style;
using components::Tone;

namespace {

constexpr int kLabelColumnWidth = 150;

using Banner = components::InlineBanner;

struct Wording {
    const char* key;
    Tone tone;
};

struct OverallWording {
    const char* key;
    Banner::Kind kind;
};

OverallWording wordingOf(DocumentVerdict verdict)
{
    switch (verdict) {
    case DocumentVerdict::valid:
        return {"Verify_Pdf_Overall_Valid", Banner::Kind::success};
    case DocumentVerdict::validSignerUntrusted:
        return {"Verify_Pdf_Overall_Untrusted", Banner::Kind::warning};
    case DocumentVerdict::changedAfterSigning:
        return {"Verify_Pdf_Overall_Changed", Banner::Kind::warning};
    case DocumentVerdict::invalid:
        return {"Verify_Pdf_Overall_Invalid", Banner::Kind::error};
    case DocumentVerdict::noSignatures:
        return {"Verify_Pdf_Overall_Unsigned", Banner::Kind::info};
    case DocumentVerdict::couldNotCheck:
        break;
    }
    return {"Verify_Pdf_Overall_Unchecked", Banner::Kind::info};
}

Wording wordingOf(SignatureVerdict verdict)
{
    switch (verdict) {
    case SignatureVerdict::valid:
        return {"Verify_Pdf_Verdict_Valid", Tone::success};
    case SignatureVerdict::validSignerUntrusted:
        return {"Verify_Pdf_Verdict_Untrusted", Tone::warning};
    case SignatureVerdict::changedAfterSigning:
        return {"Verify_Pdf_Verdict_Changed", Tone::warning};
    case SignatureVerdict::invalid:
        break;
    }
    return {"Verify_Pdf_Verdict_Invalid", Tone::danger};
}

const char* reasonKey(InvalidReason reason)
{
    switch (reason) {
    case InvalidReason::contentAltered:
        return "Verify_Pdf_Reason_ContentAltered";
    case InvalidReason::signatureMismatch:
        return "Verify_Pdf_Reason_SignatureMismatch";
    case InvalidReason::certificateNotValid:
        return "Verify_Pdf_Reason_CertificateNotValid";
    case InvalidReason::unsupported:
        return "Verify_Pdf_Reason_Unsupported";
    case InvalidReason::none:
    case InvalidReason::malformed:
        break;
    }
    return "Verify_Pdf_Reason_Malformed";
}

QLabel* valueLabel(const QString& text, QWidget* parent)
{
    auto* value = new QLabel(text, parent);
    // Names come from the signer's certificate: "<b>" in one is text, not markup.
    value->setTextFormat(Qt::PlainText);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    value->setWordWrap(true);
    value->setObjectName(QStringLiteral("signatureValue"));
    return value;
}

} // namespace

PdfReportPanel::PdfReportPanel(const common::LocalizationService& localization, QWidget* parent)
    : QWidget(parent), m_localization(localization),
      m_overall(new Banner(Banner::Kind::info, QString(), this)),
      m_preview(new components::PdfPagePreview(localization, this)), m_heading(new QLabel(this)),
      m_signatures(new QVBoxLayout)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(style::spacingM);
    m_overall->setObjectName(QStringLiteral("documentVerdict"));
    layout->addWidget(m_overall);
    m_preview->setObjectName(QStringLiteral("pdfPreview"));
    m_preview->setFixedSize(m_preview->sizeHint());
    layout->addWidget(m_preview, 0, Qt::AlignHCenter);
    m_heading->setFont(style::headlineFont());
    components::markAsHeading(m_heading);
    layout->addWidget(m_heading);
    m_signatures->setSpacing(style::spacingM);
    layout->addLayout(m_signatures);
}

void PdfReportPanel::show(const QString& path, const std::optional<PdfVerification>& result,
                          bool checking)
{
    if (m_preview->document() != path) {
        m_preview->setDocument(path);
    }
    clearSignatures();
    const auto text = [this](const char* key) {
        return m_localization.localized(QLatin1String(key));
    };
    if (checking) {
        m_overall->setText(text("Verify_Pdf_Checking"));
        m_overall->setKind(Banner::Kind::info);
        m_heading->setVisible(false);
        return;
    }
    // No result after the check: the file was refused before any verifier saw it.
    const PdfVerification checked = result.value_or(PdfVerification{});
    const OverallWording overall = wordingOf(shownVerdict(checked));
    m_overall->setText(text(overall.key));
    m_overall->setKind(overall.kind);
    m_heading->setText(text("Verify_Pdf_Section_Signatures"));
    m_heading->setVisible(!checked.rows.isEmpty());
    for (int index = 0; index < checked.rows.size(); ++index) {
        m_signatures->addWidget(signatureCard(index + 1, checked.rows.at(index)));
    }
}

QWidget* PdfReportPanel::signatureCard(int number, const SignatureRow& row)
{
    const auto text = [this](const char* key) {
        return m_localization.localized(QLatin1String(key));
    };
    const common::AppLanguage language = m_localization.language();
    const common::DateFormatter dates;
    const auto time = [&](const std::optional<QDateTime>& when, const char* missing) {
        return when ? dates.dateTime(*when, language) : text(missing);
    };
    const QString none = QStringLiteral("—");
    auto* card = new components::Card(text("Verify_Pdf_Signature_Number").arg(number), this);
    card->setObjectName(QStringLiteral("signatureCard"));
    const Wording verdict = wordingOf(row.verdict);
    QString verdictText = text(verdict.key);
    if (row.verdict == SignatureVerdict::invalid) {
        verdictText = verdictText.arg(text(reasonKey(row.reason)));
    }
    auto* pill = new components::StatusPill(verdictText, verdict.tone, card);
    pill->setObjectName(QStringLiteral("signatureVerdict"));
    // Across the card, as tall as its wrapped lines: a wrapped label left to its own width folds
    // even a short verdict, and a pill's fixed height would cut the lines off.
    pill->setWordWrap(true);
    pill->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    card->contentLayout()->addWidget(pill);

    const std::pair<const char*, QString> fields[] = {
        {"Verify_Pdf_Field_Signer", row.signerName.isEmpty() ? none : row.signerName},
        {"Verify_Pdf_Field_Identifier",
         row.signerIdentifier.isEmpty() ? none : row.signerIdentifier},
        {"Verify_Pdf_Field_ClaimedTime", time(row.claimedTime, "Verify_Pdf_NoTime")},
        {"Verify_Pdf_Field_ProvedTime", time(row.provedTime, "Verify_Pdf_NoTimestamp")},
        {"Verify_Pdf_Field_Coverage", text(row.coverage == SignatureCoverage::wholeDocument
                                               ? "Verify_Pdf_Coverage_Whole"
                                               : "Verify_Pdf_Coverage_ChangedAfter")},
    };
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(style::spacingM);
    grid->setVerticalSpacing(style::spacingS);
    grid->setColumnMinimumWidth(0, kLabelColumnWidth);
    grid->setColumnStretch(1, 1);
    int line = 0;
    for (const auto& [key, value] : fields) {
        auto* label = new QLabel(text(key) + u':', card);
        label->setFixedWidth(kLabelColumnWidth);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        QLabel* shown = valueLabel(value, card);
        label->setBuddy(shown);
        grid->addWidget(label, line, 0);
        grid->addWidget(shown, line, 1);
        ++line;
    }
    card->contentLayout()->addLayout(grid);
    return card;
}

void PdfReportPanel::clearSignatures()
{
    // Nothing in a signature card handles input, so its widgets can go at once.
    while (QLayoutItem* item = m_signatures->takeAt(0)) {
        delete item->widget();
        delete item;
    }
}

} // namespace orvela::certificates::views
