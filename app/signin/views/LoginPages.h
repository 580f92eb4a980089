#pragma once

#include <QFrame>
#include <QWidget>

class QLabel;
class QProgressBar;

namespace orvela::common {
class LocalizationService;
}
namespace orvela::components {
class AccentBadge;
class ActionButton;
class VerificationCodeView;
} // namespace orvela::components
namespace orvela::signin {
class LoginController;
}

namespace orvela::signin::views {

class QrImageView;

/// The sign-in screen's left side: the service's name, what it offers, the publisher.
class LoginBrandPanel : public QFrame {
    Q_OBJECT

public:
    explicit LoginBrandPanel(common::LocalizationService& localization, QWidget* parent = nullptr);

private:
    void retranslate();

    common::LocalizationService& m_localization;
    QLabel* m_subtitle;
    QLabel* m_description;
    components::AccentBadge* m_badgeSafe;
    components::AccentBadge* m_badgeReliable;
};

/// The QR tab: the code to scan, then the verification code and the time left. Built when the
/// tab is first opened; it follows the controller from then on.
class LoginQrTab : public QWidget {
    Q_OBJECT

public:
    LoginQrTab(signin::LoginController& controller, common::LocalizationService& localization,
               QWidget* parent = nullptr);

private:
    void retranslate();
    void showCode();
    void showQr();

    signin::LoginController& m_controller;
    common::LocalizationService& m_localization;
    QrImageView* m_image;
    QProgressBar* m_progress;
    QLabel* m_hint;
    QLabel* m_codeCaption;
    components::VerificationCodeView* m_code;
    QLabel* m_countdown;
};

/// While the first request is out.
class LoginInitiatingPage : public QWidget {
    Q_OBJECT

public:
    explicit LoginInitiatingPage(common::LocalizationService& localization,
                                 QWidget* parent = nullptr);

private:
    void retranslate();

    common::LocalizationService& m_localization;
    QLabel* m_text;
};

/// While the phone is asked: the verification code to compare, the time left and a way out.
class LoginWaitingPage : public QWidget {
    Q_OBJECT

public:
    LoginWaitingPage(signin::LoginController& controller, common::LocalizationService& localization,
                     QWidget* parent = nullptr);

private:
    void retranslate();

    signin::LoginController& m_controller;
    common::LocalizationService& m_localization;
    QLabel* m_title;
    QLabel* m_subtitle;
    QLabel* m_codeCaption;
    components::VerificationCodeView* m_code;
    QLabel* m_countdown;
    QLabel* m_progressText;
    components::ActionButton* m_cancel;
};

/// Signed in: who, by which register number, at which assurance level.
class LoginSuccessPage : public QWidget {
    Q_OBJECT

public:
    LoginSuccessPage(signin::LoginController& controller, common::LocalizationService& localization,
                     QWidget* parent = nullptr);

private:
    void retranslate();
    void showResult();

    signin::LoginController& m_controller;
    common::LocalizationService& m_localization;
    QLabel* m_title;
    QLabel* m_subtitle;
    QLabel* m_name;
    QLabel* m_nationalIdLabel;
    QLabel* m_nationalId;
    QLabel* m_kycLabel;
    QLabel* m_kyc;
};

} // namespace orvela::signin::views
