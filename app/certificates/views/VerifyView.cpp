#include "certificates/views/VerifyView.h"

#include "certificates/VerifyController.h"
#include "certificates/views/DropZone.h"
#include "certificates/views/PdfReportPanel.h"
#include "certificates/views/ReportPanel.h"
#include "common/LocalizationService.h"
#include "components/Accessibility.h"
#include "components/ActionButton.h"
#include "components/DialogPrompts.h"
#include "components/InlineBanner.h"
#include "components/Style.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace orvela::certificates::views {

namespace style = components::style;
using components::ActionButton;

VerifyView::VerifyView(VerifyController& controller, common::LocalizationService& localization,
                       std::unique_ptr<components::Prompts> prompts, QWidget* parent)
    : QWidget(parent), m_controller(controller), m_localization(localization),
      m_prompts(prompts ? std::move(prompts) : std::make_unique<components::DialogPrompts>())
{
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    auto* content = new QWidget(scroll);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(style::spacingXl, style::spacingXl, style::spacingXl,
                               style::spacingXl);
    layout->setSpacing(style::spacingM);
    scroll->setWidget(content);

    m_title = new QLabel(content);
    m_title->setFont(style::titleFont());
    components::markAsHeading(m_title);
    m_subtitle = new QLabel(content);
    m_subtitle->setWordWrap(true);
    m_dropZone = new DropZone(controller, content);
    m_pick = new ActionButton(QString(), ActionButton::Role::primary, m_dropZone);
    m_clear = new ActionButton(QString(), ActionButton::Role::secondary, m_dropZone);
    m_dropZone->buttonRow()->addWidget(m_pick);
    m_dropZone->buttonRow()->addWidget(m_clear);
    static_cast<QHBoxLayout*>(m_dropZone->buttonRow())->addStretch();
    m_pasteHint = new QLabel(content);
    m_paste = new QPlainTextEdit(content);
    m_paste->setObjectName(QStringLiteral("pasteBox"));
    m_pasteHint->setBuddy(m_paste);
    m_paste->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_paste->setMinimumHeight(120);
    // PEM has no tabs to type: Tab moves on to the parse button rather than trap the keyboard.
    m_paste->setTabChangesFocus(true);
    m_parse = new ActionButton(QString(), ActionButton::Role::secondary, content);
    m_parse->setObjectName(QStringLiteral("parseButton"));
    m_error =
        new components::InlineBanner(components::InlineBanner::Kind::error, QString(), content);
    m_report = new ReportPanel(content);
    m_report->setObjectName(QStringLiteral("certificateReport"));
    m_pdfReport = new PdfReportPanel(localization, content);
    m_pdfReport->setObjectName(QStringLiteral("pdfReport"));

    auto* parseRow = new QHBoxLayout;
    parseRow->addWidget(m_parse);
    parseRow->addStretch();
    for (QWidget* w : {static_cast<QWidget*>(m_title), static_cast<QWidget*>(m_subtitle),
                       static_cast<QWidget*>(m_dropZone), static_cast<QWidget*>(m_pasteHint),
                       static_cast<QWidget*>(m_paste)}) {
        layout->addWidget(w);
    }
    layout->addLayout(parseRow);
    layout->addWidget(m_error);
    layout->addWidget(m_report);
    layout->addWidget(m_pdfReport);
    layout->addStretch();

    connect(m_pick, &QPushButton::clicked, this, &VerifyView::chooseFile);
    connect(m_clear, &QPushButton::clicked, &m_controller, &VerifyController::clear);
    connect(m_parse, &QPushButton::clicked, &m_controller, &VerifyController::parse);
    connect(m_paste, &QPlainTextEdit::textChanged, this,
            [this] { m_controller.setPemText(m_paste->toPlainText()); });
    connect(&m_controller, &VerifyController::changed, this, &VerifyView::refresh);
    connect(&m_localization, &common::LocalizationService::languageChanged, this,
            &VerifyView::retranslate);
    retranslate();
}

VerifyView::~VerifyView() = default;

void VerifyView::chooseFile()
{
    // Certificate kinds first, then signed PDFs; the answer comes from the event loop.
    m_prompts->chooseFileToOpen(
        this, m_localization.localized(QStringLiteral("Verify_ChooserTitle")),
        {QStringLiteral("PEM (*.pem)"), QStringLiteral("X.509 (*.crt *.cer *.der)"),
         QStringLiteral("PDF (*.pdf)"), QStringLiteral("* (*)")},
        this, [this](const QString& path) { m_controller.loadFile(path); });
}

void VerifyView::retranslate()
{
    const auto text = [this](const char* key) {
        return m_localization.localized(QLatin1String(key));
    };
    m_title->setText(text("Verify_Title"));
    m_subtitle->setText(text("Verify_Subtitle"));
    m_dropZone->setHint(text("Verify_DropZone_Hint") + u'\n' + text("Verify_Pdf_Hint"));
    m_pick->setText(text("Verify_PickFile"));
    m_clear->setText(text("Verify_Clear"));
    m_pasteHint->setText(text("Verify_Paste_Hint"));
    m_parse->setText(text("Verify_Parse"));
    refresh();
}

void VerifyView::refresh()
{
    if (m_paste->toPlainText() != m_controller.pemText()) {
        // The controller filled the paste area (a loaded file); keep the echo out of the model.
        const QSignalBlocker blocker(m_paste);
        m_paste->setPlainText(m_controller.pemText());
    }
    m_parse->setEnabled(m_controller.canParse());
    m_dropZone->setSourcePath(m_controller.sourcePath());
    m_error->setText(m_controller.errorMessage());
    m_error->setVisible(!m_controller.errorMessage().isEmpty());
    m_report->setVisible(m_controller.info().has_value());
    if (m_controller.info()) {
        m_report->show(
            buildReport(*m_controller.info(), m_localization, QDateTime::currentDateTimeUtc()));
    }
    const bool pdf = !m_controller.pdfPath().isEmpty();
    m_pdfReport->setVisible(pdf);
    // A PDF has nothing to paste; its report takes the paste area's place, and Clear brings it
    // back.
    for (QWidget* paste : {static_cast<QWidget*>(m_pasteHint), static_cast<QWidget*>(m_paste),
                           static_cast<QWidget*>(m_parse)}) {
        paste->setVisible(!pdf);
    }
    m_pdfReport->show(m_controller.pdfPath(), m_controller.pdfVerification(),
                      m_controller.isLoading());
}

} // namespace orvela::certificates::views
