#pragma once

#include <QWidget>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTabBar;

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
class QrImageView;

/// The sign-in screen over a LoginController: the brand panel, the national-ID and QR tabs, the
/// waiting view with the verification code and countdown, and the success view. It only shows
/// the controller's properties and passes the user's actions on; every text comes by its key
/// and is redrawn when the language changes.
class LoginView : public QWidget {
    Q_OBJECT

public:
    /// Both must outlive the view.
    LoginView(LoginController& controller, common::LocalizationService& localization,
              QWidget* parent = nullptr);
    ~LoginView() override;

    LoginController& controller() const { return m_controller; }

    /// The page shown now: "form", "initiating", "waiting" or "success".
    QString currentPage() const;

protected:
    void showEvent(QShowEvent* event) override;

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
    void showPage(int page);
    void refreshAll();
    void showPhase();
    void showTab();
    void showCode();
    void showCountdown();
    void showQr();
    void submitNationalId();
    void showError();
    void showMessage();
    void showResult();
    QString text(const char* key) const;

    LoginController& m_controller;
    common::LocalizationService& m_localization;

    QLabel* m_brandSubtitle = nullptr;
    QLabel* m_brandDescription = nullptr;
    QLabel* m_badgeSafe = nullptr;
    QLabel* m_badgeReliable = nullptr;

    QStackedWidget* m_pages = nullptr;
    /// The pages by their place in the flow; null until first shown.
    std::array<QWidget*, 4> m_pageWidgets;
    QLabel* m_title = nullptr;
    QLabel* m_subtitle = nullptr;
    QTabBar* m_tabs = nullptr;
    QStackedWidget* m_tabPages = nullptr;
    QWidget* m_nationalIdTab = nullptr;
    QWidget* m_qrTab = nullptr;
    components::InlineBanner* m_error = nullptr;
    QLabel* m_pushHint = nullptr;
    QLabel* m_nationalIdLabel = nullptr;
    QLineEdit* m_nationalId = nullptr;
    components::ActionButton* m_signIn = nullptr;
    QrImageView* m_qrImage = nullptr;
    QWidget* m_qrProgress = nullptr;
    QLabel* m_qrHint = nullptr;
    QLabel* m_qrCodeCaption = nullptr;
    components::VerificationCodeView* m_qrCode = nullptr;
    QLabel* m_qrCountdown = nullptr;
    QLabel* m_footerNewAccount = nullptr;
    QLabel* m_footerHelp = nullptr;

    QLabel* m_initiatingText = nullptr;

    QLabel* m_waitingTitle = nullptr;
    QLabel* m_waitingSubtitle = nullptr;
    QLabel* m_waitingCodeCaption = nullptr;
    components::VerificationCodeView* m_waitingCode = nullptr;
    QLabel* m_waitingCountdown = nullptr;
    QLabel* m_waitingProgressText = nullptr;
    components::ActionButton* m_cancel = nullptr;

    QLabel* m_successTitle = nullptr;
    QLabel* m_successSubtitle = nullptr;
    QLabel* m_resultName = nullptr;
    QLabel* m_resultNationalIdLabel = nullptr;
    QLabel* m_resultNationalId = nullptr;
    QLabel* m_resultKycLabel = nullptr;
    QLabel* m_resultKyc = nullptr;
    // A blank number is refused here, before the controller, so its message is the view's own.
    bool m_numberMissing = false;
};

} // namespace orvela::state
