#pragma once

#include <QWidget>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QStackedWidget;
class QTabBar;

namespace orvela::common {
class LocalizationService;
}
namespace orvela::components {
class ActionButton;
class InlineBanner;
} // namespace orvela::components
namespace orvela::signin {
class LoginController;
}

namespace orvela::signin::views {

/// The sign-in screen over a LoginController: the brand panel beside the form (the
/// national-ID and QR tabs) and the pages that follow it (LoginPages.h). It only shows the
/// controller's properties and passes the person's actions on; every text comes by its key
/// and is redrawn when the language changes.
class LoginView : public QWidget {
    Q_OBJECT

public:
    /// Both must outlive the view.
    LoginView(signin::LoginController& controller, common::LocalizationService& localization,
              QWidget* parent = nullptr);
    ~LoginView() override;

    signin::LoginController& controller() const { return m_controller; }

    /// The page shown now: "form", "initiating", "waiting" or "success".
    QString currentPage() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildForm();
    QWidget* buildNationalIdTab();
    QHBoxLayout* buildFooter();
    void connectController();
    void retranslate();
    void showPhase();
    void showTab();
    void submitNationalId();
    void showMessage();
    QString text(const char* key) const;

    signin::LoginController& m_controller;
    common::LocalizationService& m_localization;

    QStackedWidget* m_pages = nullptr;
    QWidget* m_form = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_subtitle = nullptr;
    QTabBar* m_tabs = nullptr;
    QStackedWidget* m_tabPages = nullptr;
    QWidget* m_nationalIdTab = nullptr;
    /// Built when first opened.
    QWidget* m_qrTab = nullptr;
    components::InlineBanner* m_error = nullptr;
    QLabel* m_pushHint = nullptr;
    QLabel* m_nationalIdLabel = nullptr;
    QLineEdit* m_nationalId = nullptr;
    components::ActionButton* m_signIn = nullptr;
    QLabel* m_footerNewAccount = nullptr;
    QLabel* m_footerHelp = nullptr;
};

} // namespace orvela::signin::views
