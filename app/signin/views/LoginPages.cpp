#include "signin/views/LoginPages.h"

#include "common/AssuranceLevel.h"
#include "common/LocalizationService.h"
#include "components/AccentBadge.h"
#include "components/Accessibility.h"
#include "components/ActionButton.h"
#include "components/Labels.h"
#include "components/Style.h"
#include "components/VerificationCodeView.h"
#include "signin/LoginController.h"
#include "signin/views/QrImageView.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace orvela::signin::views {

namespace style = components::style;
using components::busyBar;
using components::wrappedLabel;

namespace {

constexpr int brandPanelWidth = 300;
// In the smallest window the panel gives up width so that the form keeps room for its code boxes.
constexpr int brandPanelMinimumWidth = 200;

/// The publisher line under the brand panel; a name, not a text to translate.
const QString publisherLine = QStringLiteral("© Orvela Systems LLC");

QString css(const QColor& color)
{
    return style::cssColor(color);
}

QString text(const common::LocalizationService& localization, const char* key)
{
    return localization.localized(QString::fromLatin1(key));
}

/// The clock symbol and the time left, centred on one row.
QHBoxLayout* countdownRow(QLabel* countdown)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(components::themedSymbolLabel(QStringLiteral("clock"), 16));
    row->addWidget(countdown);
    row->addStretch();
    return row;
}

QLabel* captionLabel()
{
    auto* label = new QLabel;
    label->setFont(style::captionFont());
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QLabel* pageTitle()
{
    auto* title = new QLabel;
    title->setFont(style::titleFont());
    components::markAsHeading(title);
    title->setAlignment(Qt::AlignCenter);
    return title;
}

} // namespace

LoginBrandPanel::LoginBrandPanel(common::LocalizationService& localization, QWidget* parent)
    : QFrame(parent), m_localization(localization)
{
    setObjectName(QStringLiteral("brandPanel"));
    setMinimumWidth(brandPanelMinimumWidth);
    setMaximumWidth(brandPanelWidth);
    setStyleSheet(
        QStringLiteral("#brandPanel { background: qlineargradient(x1:0, y1:0, x2:1, y2:1, "
                       "stop:0 %1, stop:0.55 %2, stop:1 %3); }"
                       "#brandPanel QLabel { background: transparent; }")
            .arg(css(style::brandNavy), css(style::brandDeepBlue), css(style::brandBlue)));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(style::spacingXl, style::spacingXl * 2, style::spacingXl,
                               style::spacingXl);
    layout->setSpacing(style::spacingM);

    layout->addWidget(
        components::symbolLabel(QStringLiteral("checkmark.shield.fill"), style::accentSky, 64), 0,
        Qt::AlignLeft);
    auto* wordmark = new QLabel(QStringLiteral("Nuvia"));
    QFont wordmarkFont = style::titleFont();
    wordmarkFont.setPointSizeF(wordmarkFont.pointSizeF() * 1.6);
    wordmark->setFont(wordmarkFont);
    wordmark->setStyleSheet(QStringLiteral("color: white;"));
    layout->addWidget(wordmark);

    m_subtitle = wrappedLabel();
    m_subtitle->setFont(style::headlineFont());
    m_subtitle->setStyleSheet(QStringLiteral("color: %1;").arg(css(style::accentSky)));
    layout->addWidget(m_subtitle);
    m_description = wrappedLabel();
    m_description->setStyleSheet(QStringLiteral("color: %1;").arg(css(style::accentSteel)));
    layout->addWidget(m_description);

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

    connect(&m_localization, &common::LocalizationService::languageChanged, this,
            &LoginBrandPanel::retranslate);
    retranslate();
}

void LoginBrandPanel::retranslate()
{
    m_subtitle->setText(text(m_localization, "Login_Left_Subtitle"));
    m_description->setText(text(m_localization, "Login_Left_Description"));
    m_badgeSafe->setText(text(m_localization, "Login_Left_Safe"));
    m_badgeReliable->setText(text(m_localization, "Login_Left_Reliable"));
}

LoginQrTab::LoginQrTab(signin::LoginController& controller,
                       common::LocalizationService& localization, QWidget* parent)
    : QWidget(parent), m_controller(controller), m_localization(localization)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, style::spacingM, 0, 0);
    m_image = new QrImageView;
    m_image->setObjectName(QStringLiteral("qrImage"));
    layout->addWidget(m_image);
    m_progress = busyBar();
    layout->addWidget(m_progress);
    m_hint = wrappedLabel();
    m_hint->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_hint);
    m_codeCaption = captionLabel();
    layout->addWidget(m_codeCaption);
    m_code = new components::VerificationCodeView;
    layout->addWidget(m_code, 0, Qt::AlignHCenter);
    m_countdown = new QLabel;
    m_countdown->setObjectName(QStringLiteral("qrCountdown"));
    layout->addLayout(countdownRow(m_countdown));

    connect(&m_controller, &signin::LoginController::verificationCodeChanged, this,
            &LoginQrTab::showCode);
    connect(&m_controller, &signin::LoginController::countdownChanged, this,
            [this] { m_countdown->setText(m_controller.countdownText()); });
    connect(&m_controller, &signin::LoginController::qrImageChanged, this, &LoginQrTab::showQr);
    connect(&m_controller, &signin::LoginController::failureChanged, this, &LoginQrTab::showQr);
    connect(&m_localization, &common::LocalizationService::languageChanged, this,
            &LoginQrTab::retranslate);
    retranslate();
    showCode();
    m_countdown->setText(m_controller.countdownText());
    showQr();
}

void LoginQrTab::retranslate()
{
    m_hint->setText(text(m_localization, "Login_Qr_Hint"));
    m_codeCaption->setText(text(m_localization, "Login_VerificationCode"));
}

void LoginQrTab::showCode()
{
    m_code->setCode(m_controller.verificationCode());
    m_codeCaption->setVisible(!m_controller.verificationCode().isEmpty());
}

void LoginQrTab::showQr()
{
    const QImage code = m_controller.qrImage();
    m_image->setCode(code);
    m_image->setVisible(!code.isNull());
    m_progress->setVisible(code.isNull() && !m_controller.failure());
}

LoginInitiatingPage::LoginInitiatingPage(common::LocalizationService& localization, QWidget* parent)
    : QWidget(parent), m_localization(localization)
{
    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(busyBar());
    m_text = new QLabel;
    m_text->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_text);
    layout->addStretch();
    connect(&m_localization, &common::LocalizationService::languageChanged, this,
            &LoginInitiatingPage::retranslate);
    retranslate();
}

void LoginInitiatingPage::retranslate()
{
    m_text->setText(text(m_localization, "Login_Initiate_Loading"));
}

LoginWaitingPage::LoginWaitingPage(signin::LoginController& controller,
                                   common::LocalizationService& localization, QWidget* parent)
    : QWidget(parent), m_controller(controller), m_localization(localization)
{
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(style::spacingM);
    layout->addStretch();
    layout->addWidget(
        components::toneSymbolLabel(QStringLiteral("iphone"), components::Tone::info));
    m_title = pageTitle();
    m_title->setWordWrap(true);
    layout->addWidget(m_title);
    m_subtitle = wrappedLabel();
    m_subtitle->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_subtitle);
    m_codeCaption = captionLabel();
    layout->addWidget(m_codeCaption);
    m_code = new components::VerificationCodeView;
    m_code->setObjectName(QStringLiteral("waitingCode"));
    layout->addWidget(m_code, 0, Qt::AlignHCenter);
    m_countdown = new QLabel;
    m_countdown->setObjectName(QStringLiteral("waitingCountdown"));
    layout->addLayout(countdownRow(m_countdown));
    layout->addWidget(busyBar());
    m_progressText = new QLabel;
    m_progressText->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_progressText);
    m_cancel = new components::ActionButton(QString(), components::ActionButton::Role::secondary);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    connect(m_cancel, &QPushButton::clicked, &m_controller, &signin::LoginController::resetFlow);
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    layout->addStretch();

    const auto showCode = [this] { m_code->setCode(m_controller.verificationCode()); };
    const auto showCountdown = [this] { m_countdown->setText(m_controller.countdownText()); };
    connect(&m_controller, &signin::LoginController::verificationCodeChanged, this, showCode);
    connect(&m_controller, &signin::LoginController::countdownChanged, this, showCountdown);
    connect(&m_localization, &common::LocalizationService::languageChanged, this,
            &LoginWaitingPage::retranslate);
    retranslate();
    showCode();
    showCountdown();
}

void LoginWaitingPage::retranslate()
{
    m_title->setText(text(m_localization, "Login_Waiting_Title"));
    m_subtitle->setText(text(m_localization, "Login_Waiting_Subtitle"));
    m_codeCaption->setText(text(m_localization, "Login_VerificationCode"));
    m_progressText->setText(text(m_localization, "Login_Waiting_Progress"));
    m_cancel->setText(text(m_localization, "Login_Cancel"));
}

LoginSuccessPage::LoginSuccessPage(signin::LoginController& controller,
                                   common::LocalizationService& localization, QWidget* parent)
    : QWidget(parent), m_controller(controller), m_localization(localization)
{
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(style::spacingM);
    layout->addStretch();
    layout->addWidget(components::toneSymbolLabel(QStringLiteral("checkmark.circle.fill"),
                                                  components::Tone::success));
    m_title = pageTitle();
    layout->addWidget(m_title);
    m_subtitle = new QLabel;
    m_subtitle->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_subtitle);
    m_name = new QLabel;
    m_name->setObjectName(QStringLiteral("resultName"));
    m_name->setFont(style::headlineFont());
    m_name->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_name);
    auto* rows = new QGridLayout;
    m_nationalIdLabel = new QLabel;
    m_nationalId = new QLabel;
    m_nationalId->setObjectName(QStringLiteral("resultNationalId"));
    m_kycLabel = new QLabel;
    m_kyc = new QLabel;
    m_kyc->setObjectName(QStringLiteral("resultKycLevel"));
    // The identity comes from the backend: shown as it is, never as markup.
    for (QLabel* value : {m_name, m_nationalId, m_kyc}) {
        value->setTextFormat(Qt::PlainText);
    }
    rows->addWidget(m_nationalIdLabel, 0, 0);
    rows->addWidget(m_nationalId, 0, 1, Qt::AlignRight);
    rows->addWidget(m_kycLabel, 1, 0);
    rows->addWidget(m_kyc, 1, 1, Qt::AlignRight);
    layout->addLayout(rows);
    layout->addStretch();

    connect(&m_controller, &signin::LoginController::resultChanged, this,
            &LoginSuccessPage::showResult);
    connect(&m_localization, &common::LocalizationService::languageChanged, this,
            &LoginSuccessPage::retranslate);
    retranslate();
}

void LoginSuccessPage::retranslate()
{
    m_title->setText(text(m_localization, "Login_Success_Title"));
    m_subtitle->setText(text(m_localization, "Login_Success_Subtitle"));
    m_nationalIdLabel->setText(text(m_localization, "Login_Result_NationalId"));
    m_kycLabel->setText(text(m_localization, "Login_Result_KycLabel"));
    showResult(); // the assurance level is worded in the language too
}

void LoginSuccessPage::showResult()
{
    m_name->setText(m_controller.resultName());
    m_nationalId->setText(m_controller.resultNationalId());
    m_kyc->setText(
        common::assuranceLevelLabel(m_controller.resultKycLevel(), m_localization.language()));
}

} // namespace orvela::signin::views
