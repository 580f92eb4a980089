#include "state/views/LoginView.h"

#include "common/AssuranceLevel.h"
#include "common/LocalizationService.h"
#include "common/TextRules.h"
#include "components/AccentBadge.h"
#include "components/Accessibility.h"
#include "components/ActionButton.h"
#include "components/IconLibrary.h"
#include "components/InlineBanner.h"
#include "components/Style.h"
#include "components/VerificationCodeView.h"
#include "state/LoginController.h"
#include "state/views/QrImageView.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

namespace orvela::state {

namespace style = components::style;

namespace {

constexpr int brandPanelWidth = 300;
// In the smallest window the panel gives up width so that the form keeps room for its code boxes.
constexpr int brandPanelMinimumWidth = 200;
constexpr int symbolSize = 48;

/// The publisher line under the brand panel; a name, not a text to translate.
const QString publisherLine = QStringLiteral("© Orvela Systems LLC");

enum Page { formPage, initiatingPage, waitingPage, successPage };

constexpr int qrTabIndex = 1;

QLabel* symbolLabel(const QString& symbol, const QColor& color, int size = symbolSize)
{
    auto* label = new QLabel;
    label->setPixmap(components::IconLibrary::tinted(symbol, color, size));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

// An icon in a tone's colour, redrawn when the theme changes.
QLabel* toneSymbolLabel(const QString& symbol, components::Tone tone)
{
    auto* label = new QLabel;
    components::IconLibrary::showThemed(label, symbol, symbolSize, tone);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

// A small icon in the theme's icon colour, redrawn when the theme changes.
QLabel* themedSymbolLabel(const QString& symbol, int size)
{
    auto* label = new QLabel;
    components::IconLibrary::showThemed(label, symbol, size);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QLabel* wrappedLabel(QWidget* parent = nullptr)
{
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    return label;
}

QProgressBar* busyBar()
{
    auto* bar = new QProgressBar;
    bar->setRange(0, 0);
    bar->setTextVisible(false);
    bar->setMaximumHeight(6);
    return bar;
}

QString css(const QColor& color)
{
    return style::cssColor(color);
}

} // namespace

LoginView::LoginView(LoginController& controller, common::LocalizationService& localization,
                     QWidget* parent)
    : QWidget(parent), m_controller(controller), m_localization(localization)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildBrandPanel());

    // Only the form is built now; the other pages and the QR tab when first shown, so the
    // first frame of the program waits for no more than it shows.
    m_pages = new QStackedWidget;
    m_pageWidgets.fill(nullptr);
    m_pageWidgets[formPage] = buildForm();
    m_pages->addWidget(m_pageWidgets[formPage]);
    auto* right = new QVBoxLayout;
    right->setContentsMargins(style::spacingXl * 2, style::spacingXl, style::spacingXl * 2,
                              style::spacingXl);
    right->addWidget(m_pages);
    layout->addLayout(right, 1);

    connectController();
    retranslate();
    showTab();
    showPhase();
    showCode();
    showCountdown();
    showQr();
    showError();
    showResult();
}

void LoginView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A person coming to the sign-in starts by typing the number: the field takes the keys
    // unless something on this screen already has them.
    if (m_pages->currentWidget() == m_pageWidgets[formPage] &&
        m_tabPages->currentWidget() == m_nationalIdTab && !isAncestorOf(window()->focusWidget())) {
        m_nationalId->setFocus(Qt::OtherFocusReason);
    }
}

// The controller may outlive this view by a moment (it can be the view's child); nothing it
// announces while it winds down may reach widgets that are going away.
LoginView::~LoginView()
{
    m_controller.disconnect(this);
}

QString LoginView::text(const char* key) const
{
    return m_localization.localized(QString::fromLatin1(key));
}

QString LoginView::currentPage() const
{
    QWidget* shown = m_pages->currentWidget();
    if (shown == m_pageWidgets[initiatingPage]) {
        return QStringLiteral("initiating");
    }
    if (shown == m_pageWidgets[waitingPage]) {
        return QStringLiteral("waiting");
    }
    if (shown == m_pageWidgets[successPage]) {
        return QStringLiteral("success");
    }
    return QStringLiteral("form");
}

QWidget* LoginView::buildBrandPanel()
{
    auto* panel = new QFrame;
    panel->setObjectName(QStringLiteral("brandPanel"));
    panel->setMinimumWidth(brandPanelMinimumWidth);
    panel->setMaximumWidth(brandPanelWidth);
    panel->setStyleSheet(
        QStringLiteral("#brandPanel { background: qlineargradient(x1:0, y1:0, x2:1, y2:1, "
                       "stop:0 %1, stop:0.55 %2, stop:1 %3); }"
                       "#brandPanel QLabel { background: transparent; }")
            .arg(css(style::brandNavy), css(style::brandDeepBlue), css(style::brandBlue)));
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(style::spacingXl, style::spacingXl * 2, style::spacingXl,
                               style::spacingXl);
    layout->setSpacing(style::spacingM);

    layout->addWidget(symbolLabel(QStringLiteral("checkmark.shield.fill"), style::accentSky, 64), 0,
                      Qt::AlignLeft);
    auto* wordmark = new QLabel(QStringLiteral("Nuvia"));
    QFont wordmarkFont = style::titleFont();
    wordmarkFont.setPointSizeF(wordmarkFont.pointSizeF() * 1.6);
    wordmark->setFont(wordmarkFont);
    wordmark->setStyleSheet(QStringLiteral("color: white;"));
    layout->addWidget(wordmark);

    m_brandSubtitle = wrappedLabel();
    m_brandSubtitle->setFont(style::headlineFont());
    m_brandSubtitle->setStyleSheet(QStringLiteral("color: %1;").arg(css(style::accentSky)));
    layout->addWidget(m_brandSubtitle);
    m_brandDescription = wrappedLabel();
    m_brandDescription->setStyleSheet(QStringLiteral("color: %1;").arg(css(style::accentSteel)));
    layout->addWidget(m_brandDescription);

    auto* badges = new QHBoxLayout;
    m_badgeSafe = new components::AccentBadge;
    m_badgeReliable = new components::AccentBadge;
    for (QLabel* badge : {m_badgeSafe, m_badgeReliable}) {
        badge->setStyleSheet(
            QStringLiteral(
                "color: %1; border: 1px solid %1; border-radius: %2px; padding: 2px 8px;")
                .arg(css(style::accentIndigo))
                .arg(style::radiusS));
        badges->addWidget(badge);
    }
    badges->addStretch();
    layout->addLayout(badges);
    layout->addStretch();

    auto* footer = new QLabel(publisherLine);
    footer->setFont(style::captionFont());
    footer->setStyleSheet(QStringLiteral("color: %1;").arg(css(style::accentSteel)));
    layout->addWidget(footer);
    return panel;
}

QWidget* LoginView::buildForm()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(style::spacingM);
    layout->addStretch();

    m_title = new QLabel;
    m_title->setFont(style::titleFont());
    components::markAsHeading(m_title);
    layout->addWidget(m_title);
    m_subtitle = wrappedLabel();
    style::showAsSecondaryText(m_subtitle);
    layout->addWidget(m_subtitle);

    // A tab bar, not two buttons: one Tab stop with the arrow keys between the tabs, and a
    // screen reader announces tabs rather than check boxes.
    m_tabs = new QTabBar;
    m_tabs->setObjectName(QStringLiteral("signInTabs"));
    m_tabs->addTab(QString());
    m_tabs->addTab(QString());
    m_tabs->setExpanding(true);
    m_tabs->setDrawBase(false);
    m_tabs->setUsesScrollButtons(false);
    m_tabs->setElideMode(Qt::ElideNone);
    m_tabs->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    style::showSelectionControls(m_tabs);
    layout->addWidget(m_tabs);

    m_tabPages = new QStackedWidget;
    m_nationalIdTab = buildNationalIdTab();
    m_tabPages->addWidget(m_nationalIdTab);
    layout->addWidget(m_tabPages);

    m_error = new components::InlineBanner(components::InlineBanner::Kind::error);
    m_error->setObjectName(QStringLiteral("errorBanner"));
    layout->addWidget(m_error);

    auto* footer = new QHBoxLayout;
    m_footerNewAccount = new QLabel;
    m_footerHelp = new QLabel;
    for (QLabel* link : {m_footerNewAccount, m_footerHelp}) {
        link->setFont(style::captionFont());
        // The palette's link colour, followed when the theme changes: navy on the light
        // window, a light blue on the dark one.
        link->setForegroundRole(QPalette::Link);
        // Wrapped rather than cut off beside the brand panel in the smallest window.
        link->setWordWrap(true);
        // Reached by Tab after the sign-in button, so that a screen reader reads them too.
        components::showAsKeyboardLink(link);
    }
    m_footerNewAccount->setObjectName(QStringLiteral("footerNewAccount"));
    m_footerHelp->setObjectName(QStringLiteral("footerHelp"));
    footer->addWidget(m_footerNewAccount);
    footer->addStretch();
    footer->addWidget(m_footerHelp);
    layout->addLayout(footer);
    layout->addStretch();
    return page;
}

QWidget* LoginView::buildNationalIdTab()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, style::spacingM, 0, 0);
    m_pushHint = wrappedLabel();
    layout->addWidget(m_pushHint);
    m_nationalIdLabel = new QLabel;
    m_nationalIdLabel->setFont(style::captionFont());
    layout->addWidget(m_nationalIdLabel);
    m_nationalId = new QLineEdit;
    m_nationalId->setObjectName(QStringLiteral("nationalIdField"));
    m_nationalId->setMinimumHeight(34);
    m_nationalIdLabel->setBuddy(m_nationalId);
    layout->addWidget(m_nationalId);
    m_signIn = new components::ActionButton;
    m_signIn->setObjectName(QStringLiteral("signInButton"));
    m_signIn->setMinimumHeight(36);
    layout->addWidget(m_signIn);
    layout->addStretch();
    return page;
}

QWidget* LoginView::buildQrTab()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, style::spacingM, 0, 0);
    m_qrImage = new QrImageView;
    m_qrImage->setObjectName(QStringLiteral("qrImage"));
    layout->addWidget(m_qrImage);
    m_qrProgress = busyBar();
    layout->addWidget(m_qrProgress);
    m_qrHint = wrappedLabel();
    m_qrHint->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_qrHint);
    m_qrCodeCaption = new QLabel;
    m_qrCodeCaption->setFont(style::captionFont());
    m_qrCodeCaption->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_qrCodeCaption);
    m_qrCode = new components::VerificationCodeView;
    layout->addWidget(m_qrCode, 0, Qt::AlignHCenter);
    auto* countdownRow = new QHBoxLayout;
    countdownRow->addStretch();
    countdownRow->addWidget(themedSymbolLabel(QStringLiteral("clock"), 16));
    m_qrCountdown = new QLabel;
    m_qrCountdown->setObjectName(QStringLiteral("qrCountdown"));
    countdownRow->addWidget(m_qrCountdown);
    countdownRow->addStretch();
    layout->addLayout(countdownRow);
    return page;
}

QWidget* LoginView::buildInitiating()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addStretch();
    layout->addWidget(busyBar());
    m_initiatingText = new QLabel;
    m_initiatingText->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_initiatingText);
    layout->addStretch();
    return page;
}

QWidget* LoginView::buildWaiting()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(style::spacingM);
    layout->addStretch();
    layout->addWidget(toneSymbolLabel(QStringLiteral("iphone"), components::Tone::info));
    m_waitingTitle = new QLabel;
    m_waitingTitle->setFont(style::titleFont());
    components::markAsHeading(m_waitingTitle);
    m_waitingTitle->setAlignment(Qt::AlignCenter);
    m_waitingTitle->setWordWrap(true);
    layout->addWidget(m_waitingTitle);
    m_waitingSubtitle = wrappedLabel();
    m_waitingSubtitle->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_waitingSubtitle);
    m_waitingCodeCaption = new QLabel;
    m_waitingCodeCaption->setFont(style::captionFont());
    m_waitingCodeCaption->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_waitingCodeCaption);
    m_waitingCode = new components::VerificationCodeView;
    m_waitingCode->setObjectName(QStringLiteral("waitingCode"));
    layout->addWidget(m_waitingCode, 0, Qt::AlignHCenter);
    auto* countdownRow = new QHBoxLayout;
    countdownRow->addStretch();
    countdownRow->addWidget(themedSymbolLabel(QStringLiteral("clock"), 16));
    m_waitingCountdown = new QLabel;
    m_waitingCountdown->setObjectName(QStringLiteral("waitingCountdown"));
    countdownRow->addWidget(m_waitingCountdown);
    countdownRow->addStretch();
    layout->addLayout(countdownRow);
    layout->addWidget(busyBar());
    m_waitingProgressText = new QLabel(text("Login_Waiting_Progress"));
    m_waitingProgressText->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_waitingProgressText);
    m_cancel = new components::ActionButton(QString(), components::ActionButton::Role::secondary);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(m_cancel, &QPushButton::clicked, &m_controller, &LoginController::resetFlow);
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    layout->addStretch();
    return page;
}

QWidget* LoginView::buildSuccess()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setSpacing(style::spacingM);
    layout->addStretch();
    layout->addWidget(
        toneSymbolLabel(QStringLiteral("checkmark.circle.fill"), components::Tone::success));
    m_successTitle = new QLabel;
    m_successTitle->setFont(style::titleFont());
    components::markAsHeading(m_successTitle);
    m_successTitle->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_successTitle);
    m_successSubtitle = new QLabel;
    m_successSubtitle->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_successSubtitle);
    m_resultName = new QLabel;
    m_resultName->setObjectName(QStringLiteral("resultName"));
    m_resultName->setFont(style::headlineFont());
    m_resultName->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_resultName);
    auto* rows = new QGridLayout;
    m_resultNationalIdLabel = new QLabel;
    m_resultNationalId = new QLabel;
    m_resultNationalId->setObjectName(QStringLiteral("resultNationalId"));
    m_resultKycLabel = new QLabel;
    m_resultKyc = new QLabel;
    m_resultKyc->setObjectName(QStringLiteral("resultKycLevel"));
    // The identity comes from the backend: shown as it is, never as markup.
    for (QLabel* value : {m_resultName, m_resultNationalId, m_resultKyc}) {
        value->setTextFormat(Qt::PlainText);
    }
    rows->addWidget(m_resultNationalIdLabel, 0, 0);
    rows->addWidget(m_resultNationalId, 0, 1, Qt::AlignRight);
    rows->addWidget(m_resultKycLabel, 1, 0);
    rows->addWidget(m_resultKyc, 1, 1, Qt::AlignRight);
    layout->addLayout(rows);
    layout->addStretch();
    return page;
}

void LoginView::connectController()
{
    connect(m_tabs, &QTabBar::currentChanged, this, [this](int index) {
        m_controller.selectTab(index == qrTabIndex ? LoginTab::qrScan : LoginTab::nationalIdPush);
        showTab();
    });
    connect(m_nationalId, &QLineEdit::textEdited, &m_controller,
            &LoginController::setNationalIdInput);
    connect(m_nationalId, &QLineEdit::returnPressed, this, &LoginView::submitNationalId);
    connect(m_signIn, &QPushButton::clicked, this, &LoginView::submitNationalId);

    connect(&m_controller, &LoginController::tabChanged, this, &LoginView::showTab);
    connect(&m_controller, &LoginController::phaseChanged, this, &LoginView::showPhase);
    connect(&m_controller, &LoginController::nationalIdInputChanged, this,
            [this](const QString& input) {
                if (m_nationalId->text() != input) {
                    m_nationalId->setText(input);
                }
            });
    connect(&m_controller, &LoginController::verificationCodeChanged, this, &LoginView::showCode);
    connect(&m_controller, &LoginController::countdownChanged, this, &LoginView::showCountdown);
    connect(&m_controller, &LoginController::qrImageChanged, this, &LoginView::showQr);
    connect(&m_controller, &LoginController::errorMessageChanged, this, &LoginView::showError);
    connect(&m_controller, &LoginController::resultChanged, this, &LoginView::showResult);
    connect(&m_localization, &common::LocalizationService::languageChanged, this,
            &LoginView::retranslate);
    connect(&m_localization, &common::LocalizationService::languageChanged, this,
            &LoginView::showMessage);
}

void LoginView::retranslate()
{
    m_brandSubtitle->setText(text("Login_Left_Subtitle"));
    m_brandDescription->setText(text("Login_Left_Description"));
    m_badgeSafe->setText(text("Login_Left_Safe"));
    m_badgeReliable->setText(text("Login_Left_Reliable"));
    m_title->setText(text("Login_Title"));
    m_subtitle->setText(text("Login_Subtitle"));
    m_tabs->setTabText(0, text("Login_Tab_NationalId"));
    m_tabs->setTabText(qrTabIndex, text("Login_Tab_Qr"));
    m_pushHint->setText(text("Login_NationalId_PushHint"));
    m_nationalIdLabel->setText(text("Login_NationalId"));
    m_nationalId->setPlaceholderText(text("Login_NationalId_Placeholder"));
    m_signIn->setText(text("Login_Initiate"));
    m_footerNewAccount->setText(text("Login_Footer_NewAccount"));
    m_footerHelp->setText(text("Login_Footer_Help"));
    if (m_qrTab) {
        m_qrHint->setText(text("Login_Qr_Hint"));
        m_qrCodeCaption->setText(text("Login_VerificationCode"));
    }
    if (m_pageWidgets[initiatingPage]) {
        m_initiatingText->setText(text("Login_Initiate_Loading"));
    }
    if (m_pageWidgets[waitingPage]) {
        m_waitingTitle->setText(text("Login_Waiting_Title"));
        m_waitingSubtitle->setText(text("Login_Waiting_Subtitle"));
        m_waitingCodeCaption->setText(text("Login_VerificationCode"));
        m_waitingProgressText->setText(text("Login_Waiting_Progress"));
        m_cancel->setText(text("Login_Cancel"));
    }
    if (m_pageWidgets[successPage]) {
        m_successTitle->setText(text("Login_Success_Title"));
        m_successSubtitle->setText(text("Login_Success_Subtitle"));
        m_resultNationalIdLabel->setText(text("Login_Result_NationalId"));
        m_resultKycLabel->setText(text("Login_Result_KycLabel"));
    }
}

void LoginView::showPage(int page)
{
    if (!m_pageWidgets[page]) {
        switch (page) {
        case initiatingPage:
            m_pageWidgets[page] = buildInitiating();
            break;
        case waitingPage:
            m_pageWidgets[page] = buildWaiting();
            break;
        default:
            m_pageWidgets[page] = buildSuccess();
            break;
        }
        m_pages->addWidget(m_pageWidgets[page]);
        refreshAll();
    }
    m_pages->setCurrentWidget(m_pageWidgets[page]);
}

void LoginView::refreshAll()
{
    retranslate();
    showCode();
    showCountdown();
    showQr();
    showResult();
}

void LoginView::showPhase()
{
    switch (m_controller.phase()) {
    case AuthPhase::initiating:
        showPage(initiatingPage);
        break;
    case AuthPhase::waiting:
        showPage(waitingPage);
        break;
    case AuthPhase::success:
        showPage(successPage);
        break;
    case AuthPhase::idle:
    case AuthPhase::failed:
        m_pages->setCurrentWidget(m_pageWidgets[formPage]);
        break;
    }
}

void LoginView::showTab()
{
    const bool qr = m_controller.tab() == LoginTab::qrScan;
    {
        const QSignalBlocker quiet(m_tabs);
        m_tabs->setCurrentIndex(qr ? qrTabIndex : 0);
    }
    if (qr && !m_qrTab) {
        m_qrTab = buildQrTab();
        m_tabPages->addWidget(m_qrTab);
        refreshAll();
    }
    m_tabPages->setCurrentWidget(qr ? m_qrTab : m_nationalIdTab);
    if (qr && m_numberMissing) {
        showError(); // the missing number was the other tab's
    }
}

void LoginView::showCode()
{
    if (m_qrTab) {
        m_qrCode->setCode(m_controller.verificationCode());
        m_qrCodeCaption->setVisible(!m_controller.verificationCode().isEmpty());
    }
    if (m_pageWidgets[waitingPage]) {
        m_waitingCode->setCode(m_controller.verificationCode());
    }
}

void LoginView::showCountdown()
{
    const QString countdown = m_controller.countdownText();
    if (m_qrTab) {
        m_qrCountdown->setText(countdown);
    }
    if (m_pageWidgets[waitingPage]) {
        m_waitingCountdown->setText(countdown);
    }
}

void LoginView::showQr()
{
    if (!m_qrTab) {
        return;
    }
    const QImage code = m_controller.qrImage();
    m_qrImage->setCode(code);
    m_qrImage->setVisible(!code.isNull());
    m_qrProgress->setVisible(code.isNull() && m_controller.errorMessage().isEmpty());
}

void LoginView::submitNationalId()
{
    // The controller starts nothing for a blank number; say what is missing rather than stay
    // silent.
    m_numberMissing = common::trimBlanks(m_controller.nationalIdInput()).isEmpty();
    showMessage();
    if (m_numberMissing) {
        m_nationalId->setFocus();
        return;
    }
    m_controller.startNationalIdFlow();
}

void LoginView::showError()
{
    m_numberMissing = false;
    showMessage();
}

// The controller's failure, else the missing number; either is said again in a new language.
void LoginView::showMessage()
{
    const bool failed = !m_controller.errorMessage().isEmpty();
    m_error->setText(failed || !m_numberMissing
                         ? m_controller.errorText().in(m_localization.language())
                         : text("Login_Error_NationalIdRequired"));
    m_error->setVisible(failed || m_numberMissing);
    showQr();
}

void LoginView::showResult()
{
    if (!m_pageWidgets[successPage]) {
        return;
    }
    m_resultName->setText(m_controller.resultName());
    m_resultNationalId->setText(m_controller.resultNationalId());
    m_resultKyc->setText(
        common::assuranceLevelLabel(m_controller.resultKycLevel(), m_localization.language()));
}

} // namespace orvela::state
