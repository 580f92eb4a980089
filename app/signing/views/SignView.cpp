#include "signing/views/SignView.h"

#include "common/LocalizationService.h"
#include "common/TextRules.h"
#include "components/Accessibility.h"
#include "components/ActionButton.h"
#include "components/Card.h"
#include "components/DialogPrompts.h"
#include "components/InlineBanner.h"
#include "components/Labels.h"
#include "components/PdfPagePreview.h"
#include "components/Style.h"
#include "components/VerificationCodeView.h"
#include "platform/FileRevealerFreedesktop.h"
#include "signing/views/SignCards.h"

#include <QApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace orvela::signing::views {

namespace {

using components::ActionButton;
using components::Card;
using components::InlineBanner;
using components::Tone;
namespace style = components::style;
using namespace signcards;

} // namespace

SignView::SignView(signing::SigningController& controller,
                   common::LocalizationService& localization,
                   std::unique_ptr<components::Prompts> prompts, QWidget* parent)
    : QWidget(parent), m_controller(controller), m_localization(localization),
      m_prompts(prompts ? std::move(prompts) : std::make_unique<components::DialogPrompts>()),
      m_ownRevealer(std::make_unique<platform::FileRevealerFreedesktop>()),
      m_revealer(m_ownRevealer.get())
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(style::spacingXl, style::spacingXl, style::spacingXl,
                               style::spacingXl);
    layout->setSpacing(style::spacingL);
    m_title = wrappedLabel(this, style::titleFont(), Qt::AlignLeft);
    components::markAsHeading(m_title);
    m_subtitle = wrappedLabel(this, font(), Qt::AlignLeft);
    m_subtitle->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(m_title);
    layout->addWidget(m_subtitle);

    m_pages = new QStackedWidget(this);
    m_pages->addWidget(buildIdleCard());
    m_pages->addWidget(buildUploadingCard());
    // With the document's first page beside the code, the waiting card is taller than the
    // smallest window: it scrolls, downwards only, rather than squeeze the page; the other
    // cards are short and never do.
    auto* waiting = new QScrollArea(this);
    waiting->setWidgetResizable(true);
    waiting->setFrameShape(QFrame::NoFrame);
    waiting->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    waiting->setWidget(buildWaitingCard());
    m_pages->addWidget(waiting);
    m_pages->addWidget(buildDoneCard());
    m_pages->addWidget(buildFailedCard());
    layout->addWidget(m_pages, 1);

    connect(&m_controller, &SigningController::phaseChanged, this, &SignView::showPhase);
    connect(&m_controller, &SigningController::signerChanged, this, &SignView::showPhase);
    connect(&m_localization, &common::LocalizationService::languageChanged, this,
            &SignView::retranslate);
    retranslate();
}

SignView::~SignView() = default;

void SignView::setFileRevealer(platform::FileRevealer* revealer)
{
    m_revealer = revealer;
}

QWidget* SignView::buildIdleCard()
{
    Card* card = phaseCard(this);
    auto* content = card->contentLayout();
    m_idleIcon = components::toneSymbolLabel(QStringLiteral("arrow.up.doc.fill"), Tone::accent,
                                             components::pageSymbolSize, card);
    m_idleHeadline = wrappedLabel(card, style::headlineFont());
    m_idleCaption = wrappedLabel(card, style::captionFont());
    m_selectButton = new ActionButton(QString(), ActionButton::Role::primary, card);
    m_selectButton->setObjectName(QStringLiteral("selectFileButton"));
    m_selectButton->setSymbol(QStringLiteral("signature"));
    m_signedOutBanner = new InlineBanner(InlineBanner::Kind::warning, QString(), card);
    content->addWidget(m_idleIcon);
    content->addWidget(m_idleHeadline);
    content->addWidget(m_idleCaption);
    content->addWidget(m_selectButton, 0, Qt::AlignHCenter);
    content->addWidget(m_signedOutBanner);
    connect(m_selectButton, &QPushButton::clicked, this, &SignView::chooseDocument);
    return centred(card);
}

QWidget* SignView::buildUploadingCard()
{
    Card* card = phaseCard(this);
    card->contentLayout()->addWidget(components::busyBar(card));
    m_uploadingLabel = wrappedLabel(card, font());
    card->contentLayout()->addWidget(m_uploadingLabel);
    return centred(card);
}

QWidget* SignView::buildWaitingCard()
{
    Card* card = phaseCard(this);
    auto* content = card->contentLayout();
    m_codeCaption = wrappedLabel(card, style::captionFont());
    m_code = new components::VerificationCodeView(card);
    m_codeHint = wrappedLabel(card, font());
    content->addWidget(m_codeCaption);
    content->addWidget(m_code, 0, Qt::AlignHCenter);
    content->addWidget(m_codeHint);

    // The first page of the very bytes being signed, beside their name and digest: the person
    // sees what they approve on the phone.
    auto* document = new QHBoxLayout;
    document->setSpacing(style::spacingM);
    auto* previewColumn = new QVBoxLayout;
    m_previewCaption = wrappedLabel(card, style::captionFont());
    m_preview = new components::PdfPagePreview(m_localization, card);
    m_preview->setObjectName(QStringLiteral("signPreview"));
    m_preview->setFixedSize(150, 212);
    previewColumn->addWidget(m_preview);
    previewColumn->addWidget(m_previewCaption);
    previewColumn->addStretch();
    m_previewCaption->setMaximumWidth(150);
    auto* details = new QGridLayout;
    details->setHorizontalSpacing(style::spacingM);
    details->setColumnStretch(1, 1);
    m_fileCaption = wrappedLabel(card, style::captionFont(), Qt::AlignLeft | Qt::AlignTop);
    m_fileName = wrappedLabel(card, font(), Qt::AlignLeft | Qt::AlignTop);
    m_hashCaption = wrappedLabel(card, style::captionFont(), Qt::AlignLeft | Qt::AlignTop);
    // The digest in the caption size: the code's large digits would not fit its 64 characters.
    QFont digestFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    digestFont.setPointSizeF(style::captionFont().pointSizeF());
    m_hash = wrappingCodeLabel(card);
    m_hash->setTextFormat(Qt::PlainText);
    m_hash->setFont(digestFont);
    m_hash->setObjectName(QStringLiteral("hashLabel"));
    details->addWidget(m_fileCaption, 0, 0);
    details->addWidget(m_fileName, 0, 1);
    details->addWidget(m_hashCaption, 1, 0);
    details->addWidget(m_hash, 1, 1);
    details->setRowStretch(2, 1);
    document->addLayout(previewColumn);
    document->addLayout(details, 1);
    content->addLayout(document);

    content->addWidget(components::busyBar(card));
    m_waitingLabel = wrappedLabel(card, style::captionFont());
    content->addWidget(m_waitingLabel);
    auto* countdownRow = new QHBoxLayout;
    countdownRow->addStretch();
    countdownRow->addWidget(components::symbolLabel(
        QStringLiteral("clock"), style::iconColor(QApplication::palette()), 16, card));
    m_countdown = new QLabel(card);
    m_countdown->setObjectName(QStringLiteral("signCountdown"));
    countdownRow->addWidget(m_countdown);
    countdownRow->addStretch();
    content->addLayout(countdownRow);
    connect(&m_controller, &SigningController::countdownChanged, this,
            [this] { m_countdown->setText(m_controller.countdownText()); });
    auto* row = buttonRow();
    m_cancelButton = new ActionButton(QString(), ActionButton::Role::secondary, card);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    row->addWidget(m_cancelButton);
    row->addStretch();
    content->addLayout(row);
    connect(m_cancelButton, &QPushButton::clicked, &m_controller, &SigningController::resetPage);
    return centred(card);
}

QWidget* SignView::buildDoneCard()
{
    Card* card = phaseCard(this);
    auto* content = card->contentLayout();
    // The copy is saved either way; only one that passed its check is called signed.
    m_verifiedIcon = components::toneSymbolLabel(QStringLiteral("checkmark.seal.fill"),
                                                 Tone::success, components::pageSymbolSize, card);
    m_refusedIcon = components::toneSymbolLabel(QStringLiteral("exclamationmark.triangle.fill"),
                                                Tone::danger, components::pageSymbolSize, card);
    content->addWidget(m_verifiedIcon);
    content->addWidget(m_refusedIcon);
    m_doneHeadline = wrappedLabel(card, style::headlineFont());
    m_doneHeadline->setObjectName(QStringLiteral("doneHeadline"));
    m_refusedReason = wrappedLabel(card, font());
    m_refusedReason->setObjectName(QStringLiteral("refusedReasonLabel"));
    m_savedName = wrappedLabel(card, font());
    m_savedName->setObjectName(QStringLiteral("savedNameLabel"));
    m_savedHint = wrappedLabel(card, style::captionFont());
    content->addWidget(m_doneHeadline);
    content->addWidget(m_refusedReason);
    content->addWidget(m_savedName);
    content->addWidget(m_savedHint);
    auto* row = buttonRow();
    m_newFileButton = new ActionButton(QString(), ActionButton::Role::secondary, card);
    m_newFileButton->setObjectName(QStringLiteral("newFileButton"));
    m_revealButton = new ActionButton(QString(), ActionButton::Role::primary, card);
    m_revealButton->setObjectName(QStringLiteral("revealButton"));
    m_revealButton->setSymbol(QStringLiteral("folder"));
    row->addWidget(m_newFileButton);
    row->addWidget(m_revealButton);
    row->addStretch();
    content->addLayout(row);
    connect(m_newFileButton, &QPushButton::clicked, &m_controller, &SigningController::resetPage);
    connect(m_revealButton, &QPushButton::clicked, this, [this] {
        if (m_revealer != nullptr && !m_controller.savedPath().isEmpty()) {
            m_revealer->reveal(m_controller.savedPath());
        }
    });
    return centred(card);
}

QWidget* SignView::buildFailedCard()
{
    Card* card = phaseCard(this);
    auto* content = card->contentLayout();
    content->addWidget(components::toneSymbolLabel(QStringLiteral("xmark.circle.fill"),
                                                   Tone::danger, components::pageSymbolSize, card));
    m_failedMessage = wrappedLabel(card, font());
    m_failedMessage->setObjectName(QStringLiteral("failureLabel"));
    content->addWidget(m_failedMessage);
    auto* row = buttonRow();
    m_tryAgainButton = new ActionButton(QString(), ActionButton::Role::primary, card);
    m_tryAgainButton->setObjectName(QStringLiteral("tryAgainButton"));
    row->addWidget(m_tryAgainButton);
    row->addStretch();
    content->addLayout(row);
    connect(m_tryAgainButton, &QPushButton::clicked, &m_controller, &SigningController::resetPage);
    return centred(card);
}

void SignView::chooseDocument()
{
    if (m_controller.signerIdentifier().isEmpty()) {
        return;
    }
    m_prompts->chooseFileToOpen(this, text("SignPage_ChooserTitle"),
                                {QStringLiteral("PDF (*.pdf)")}, this,
                                [this](const QString& path) { m_controller.signFile(path); });
}

void SignView::hideEvent(QHideEvent* event)
{
    // Minimising, hiding to the tray or another workspace hide the whole window, and the page
    // with it, while the phone may still be asked: only a page hidden within its window (another
    // page shown, or the view itself hidden) has been left.
    if (!isVisibleTo(window())) {
        m_controller.cancel();
    }
    QWidget::hideEvent(event);
}

QString SignView::text(const char* key) const
{
    return m_localization.localized(QString::fromLatin1(key));
}

void SignView::retranslate()
{
    m_title->setText(m_localization.localized(QStringLiteral("Nav_Sign")));
    m_subtitle->setText(text("SignPage_Subtitle"));
    m_idleHeadline->setText(text("SignPage_ChooseHeadline"));
    m_idleCaption->setText(text("SignPage_ChooseCaption"));
    m_selectButton->setText(text("SignPage_Select"));
    m_signedOutBanner->setText(text("SignPage_SignedOut"));
    m_uploadingLabel->setText(text("SignPage_Uploading"));
    m_codeCaption->setText(text("SignPage_CodeCaption"));
    m_codeHint->setText(text("SignPage_CodeHint"));
    m_fileCaption->setText(m_localization.localized(QStringLiteral("Sign_Field_File")));
    m_previewCaption->setText(m_localization.localized(QStringLiteral("Sign_Preview_Caption")));
    m_hashCaption->setText(QStringLiteral("SHA-256"));
    m_waitingLabel->setText(text("SignPage_Waiting"));
    m_cancelButton->setText(m_localization.localized(QStringLiteral("Common_Cancel")));
    m_newFileButton->setText(text("SignPage_NewFile"));
    m_revealButton->setText(text("SignPage_Reveal"));
    m_tryAgainButton->setText(text("SignPage_TryAgain"));
    showPhase();
}

void SignView::showCopyCheck()
{
    const signing::CopyCheck& check = m_controller.copyCheck();
    const bool passed = check.passed();
    m_verifiedIcon->setVisible(passed);
    m_refusedIcon->setVisible(!passed);
    m_doneHeadline->setText(m_localization.localized(passed ? QStringLiteral("SignCopy_Verified")
                                                            : QStringLiteral("SignCopy_Refused")));
    m_refusedReason->setVisible(!passed);
    m_refusedReason->setText(signing::copyCheckText(check, m_localization.language()));
    m_savedHint->setText(passed
                             ? text("SignPage_Saved")
                             : m_localization.localized(QStringLiteral("SignCopy_KeptUnverified")));
}

void SignView::showPhase()
{
    using Phase = SigningController::Phase;
    const Phase phase = m_controller.phase();
    m_pages->setCurrentIndex(static_cast<int>(phase));
    // Only the shown card counts for the scrolled height, not the tallest of them.
    for (int index = 0; index < m_pages->count(); ++index) {
        const bool shown = index == m_pages->currentIndex();
        m_pages->widget(index)->setSizePolicy(QSizePolicy::Preferred, shown ? QSizePolicy::Preferred
                                                                            : QSizePolicy::Ignored);
    }
    m_countdown->setText(m_controller.countdownText());
    const bool signedIn = !m_controller.signerIdentifier().isEmpty();
    m_selectButton->setEnabled(signedIn);
    m_signedOutBanner->setVisible(!signedIn);
    m_code->setCode(m_controller.verificationCode());
    m_fileName->setText(m_controller.fileName());
    m_hash->setText(m_controller.hash());
    m_preview->setDocumentData(phase == Phase::waitingApproval ? m_controller.documentBytes()
                                                               : QByteArray());
    m_savedName->setText(QFileInfo(m_controller.savedPath()).fileName());
    showCopyCheck();
    m_failedMessage->setText(signFailureText(m_controller.failure(), m_localization.language()));
}

} // namespace orvela::signing::views
