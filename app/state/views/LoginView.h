#pragma once

#include <QWidget>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

namespace orvela::common {
class LocalizationService;
}

namespace orvela::components {
class ActionButton;
class InlineBanner;
class VerificationCodeView;
} // namespace orvela::components

namespace orvela::state {

class LoginController;

/// The sign-in screen over a LoginController: the brand panel, the national-ID and QR tabs, the
/// waiting view with the verification code and countdown, and the success view. It only shows
/// the controller's properties and passes the user's actions on; every text comes by its key
/// and is redrawn when the language changes.
class LoginView : public QWidget {
    Q_OBJECT

public:
    /// The QR code's largest side on screen, in pixels.
    static constexpr int qrDisplaySize = 240;

    /// Both must outlive the view.
    LoginView(LoginController& controller, common::LocalizationService& localization,
              QWidget* parent = nullptr);
    ~LoginView() override;

    LoginController& controller() const { return m_controller; }

    /// The page shown now: "form", "initiating", "waiting" or "success".
    QString currentPage() const;

    /// The QR image as drawn: the controller's code scaled by a whole factor without smoothing.
    static QImage displayedQr(const QImage& code, int maxSide = qrDisplaySize);

private:
    QWidget* buildBrandPanel();
    QWidget* buildForm();
    QWidget* buildNationalIdTab();
    QWidget* buildQrTab();
    QWidget* buildInitiating();
    QWidget* buildWaiting();
    QWidget* buildSuccess();
    void connectController();
    void retranslate();
    void showPhase();
    void showTab();
    void showCode();
    void showCountdown();
    void showQr();
    void showError();
    void showResult();
    QString text(const char* key) const;

    LoginController& m_controller;
    common::LocalizationService& m_localization;

    QLabel* m_brandSubtitle;
    QLabel* m_brandDescription;
    QLabel* m_badgeSafe;
    QLabel* m_badgeReliable;

    QStackedWidget* m_pages;
    QLabel* m_title;
    QLabel* m_subtitle;
    QButtonGroup* m_tabs;
    QPushButton* m_tabNationalId;
    QPushButton* m_tabQr;
    QStackedWidget* m_tabPages;
    components::InlineBanner* m_error;
    QLabel* m_pushHint;
    QLabel* m_nationalIdLabel;
    QLineEdit* m_nationalId;
    components::ActionButton* m_signIn;
    QLabel* m_qrImage;
    QWidget* m_qrProgress;
    QLabel* m_qrHint;
    QLabel* m_qrCodeCaption;
    components::VerificationCodeView* m_qrCode;
    QLabel* m_qrCountdown;
    QLabel* m_footerNewAccount;
    QLabel* m_footerHelp;

    QLabel* m_initiatingText;

    QLabel* m_waitingTitle;
    QLabel* m_waitingSubtitle;
    QLabel* m_waitingCodeCaption;
    components::VerificationCodeView* m_waitingCode;
    QLabel* m_waitingCountdown;
    QLabel* m_waitingProgressText;
    components::ActionButton* m_cancel;

    QLabel* m_successTitle;
    QLabel* m_successSubtitle;
    QLabel* m_resultName;
    QLabel* m_resultNationalIdLabel;
    QLabel* m_resultNationalId;
    QLabel* m_resultKycLabel;
    QLabel* m_resultKyc;
};

} // namespace orvela::state
