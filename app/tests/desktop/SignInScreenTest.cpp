// The sign-in screen inside the assembled application, driven as a person would: typing the
// register number, pressing the button, and ending on the dashboard; against the simulator.
// Its languages, themes and pictures are the screen walk's.

#include "DesktopFixture.h"
#include "common/LocalizationService.h"
#include "components/VerificationCodeView.h"
#include "shell/ContentView.h"
#include "shell/dashboard/DashboardView.h"
#include "state/AppState.h"
#include "state/LoginController.h"
#include "state/QrCode.h"
#include "state/views/LoginView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace orvela;
using namespace orvela::desktoptest;
using common::AppLanguage;
using state::LoginView;

namespace {

class SignInScreenTest : public DesktopFixture {
protected:
    LoginView* loginView() { return qobject_cast<LoginView*>(desktop().content().currentScreen()); }

    template <class T> T* child(const char* name)
    {
        LoginView* view = loginView();
        return view ? view->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    }

    bool showsText(const QString& text)
    {
        for (QLabel* label : loginView()->findChildren<QLabel*>()) {
            if (label->text() == text) {
                return true;
            }
        }
        for (QPushButton* button : loginView()->findChildren<QPushButton*>()) {
            if (button->text() == text) {
                return true;
            }
        }
        return false;
    }
};

TEST_F(SignInScreenTest, NationalIdSignInThroughTheScreenReachesTheDashboard)
{
    launch();
    ASSERT_NE(loginView(), nullptr);

    QTest::keyClicks(child<QLineEdit>("nationalIdField"), QStringLiteral("  ub99112233 "));
    QTest::mouseClick(child<QPushButton>("signInButton"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return loginView()->currentPage() == QStringLiteral("waiting"); }));
    const QString code = loginView()->controller().verificationCode();
    ASSERT_FALSE(code.isEmpty());
    EXPECT_EQ(child<components::VerificationCodeView>("waitingCode")->code(), code);
    EXPECT_EQ(child<QLabel>("waitingCountdown")->text(), QStringLiteral("5:00"));

    ASSERT_TRUE(waitUntil([&] { return loginView()->currentPage() == QStringLiteral("success"); }));
    EXPECT_EQ(child<QLabel>("resultName")->text(), QStringLiteral("Батын Болд"));

    ASSERT_TRUE(
        waitUntil([&] { return desktop().appState().screen() == state::AppScreen::dashboard; }));
    ASSERT_NE(desktop().content().transition(), nullptr); // the change cross-fades
    // The dashboard is built on the turn after the sign-in screen was put away.
    ASSERT_TRUE(waitUntil([&] {
        return qobject_cast<shell::DashboardView*>(desktop().content().currentScreen()) != nullptr;
    }));
    ASSERT_TRUE(waitUntil([&] { return desktop().content().transition() == nullptr; }));
    EXPECT_EQ(desktop().appState().fullName(), QStringLiteral("Батын Болд"));

    // Signing out comes back to a fresh form.
    desktop().appState().signOut();
    ASSERT_TRUE(waitUntil([&] { return loginView() != nullptr; }));
    EXPECT_EQ(loginView()->currentPage(), QStringLiteral("form"));
    EXPECT_TRUE(child<QLineEdit>("nationalIdField")->text().isEmpty());
}

TEST_F(SignInScreenTest, ARefusalShowsItsMessageOnTheForm)
{
    backendsim::SimOutcome refused;
    refused.endResult = QStringLiteral("USER_REFUSED");
    sim->scriptNextOutcome(refused);
    launch();
    QTest::keyClicks(child<QLineEdit>("nationalIdField"), QStringLiteral("AA00000000"));
    QTest::keyClick(child<QLineEdit>("nationalIdField"), Qt::Key_Return);
    ASSERT_TRUE(
        waitUntil([&] { return loginView()->controller().phase() == state::AuthPhase::failed; }));
    EXPECT_EQ(loginView()->currentPage(), QStringLiteral("form"));
    auto* banner = loginView()->findChild<QWidget*>(QStringLiteral("errorBanner"));
    ASSERT_NE(banner, nullptr);
    EXPECT_TRUE(banner->isVisible());
    EXPECT_TRUE(showsText(QStringLiteral("Хэрэглэгч татгалзсан байна.")));
    EXPECT_EQ(desktop().appState().screen(), state::AppScreen::login);
}

TEST_F(SignInScreenTest, TheNumberFieldHasTheKeysAndABlankSubmitSaysWhatIsMissing)
{
    launch();
    desktop().localization().setLanguage(AppLanguage::en);
    auto* field = child<QLineEdit>("nationalIdField");
    EXPECT_EQ(field->window()->focusWidget(), field);
    auto* banner = loginView()->findChild<QWidget*>(QStringLiteral("errorBanner"));
    EXPECT_FALSE(banner->isVisible());
    QTest::keyClicks(field, QStringLiteral(" \t "));
    QTest::mouseClick(child<QPushButton>("signInButton"), Qt::LeftButton);
    EXPECT_TRUE(banner->isVisible());
    EXPECT_TRUE(showsText(QStringLiteral("Enter your national ID.")));
    EXPECT_TRUE(sim->requestsTo(QStringLiteral("/api/login-notify")).isEmpty());

    // Tab runs top to bottom: the two sign-in tabs, the field, the button, the footer links.
    QWidget* window = field->window();
    child<QPushButton>("tabNationalId")->setFocus(Qt::TabFocusReason);
    QStringList order{window->focusWidget()->objectName()};
    for (int step = 0; step < 5; ++step) {
        QTest::keyClick(window->focusWidget(), Qt::Key_Tab);
        order << window->focusWidget()->objectName();
    }
    EXPECT_EQ(order.join(' ').toStdString(),
              "tabNationalId tabQr nationalIdField signInButton footerNewAccount footerHelp");
    // Choosing the tab already chosen keeps it chosen.
    child<QPushButton>("tabNationalId")->click();
    EXPECT_TRUE(child<QPushButton>("tabNationalId")->isChecked());
    EXPECT_FALSE(child<QPushButton>("tabQr")->isChecked());
}

TEST_F(SignInScreenTest, CancelOnTheWaitingViewReturnsToTheForm)
{
    sim->setApproveAfterMs(60'000);
    launch();
    QTest::keyClicks(child<QLineEdit>("nationalIdField"), QStringLiteral("AA00000000"));
    QTest::mouseClick(child<QPushButton>("signInButton"), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return loginView()->currentPage() == QStringLiteral("waiting"); }));
    QTest::mouseClick(child<QPushButton>("cancelButton"), Qt::LeftButton);
    EXPECT_EQ(loginView()->currentPage(), QStringLiteral("form"));
    EXPECT_FALSE(loginView()->findChild<QWidget*>(QStringLiteral("errorBanner"))->isVisible());
}

TEST(LoginViewQr, TheCodeIsScaledByAWholeFactorWithoutSmoothing)
{
    const auto code = state::QrCode::encode(QStringLiteral("nuvia://login?session=1234"));
    ASSERT_TRUE(code.has_value());
    const QImage source = code->image();
    const QImage shown = LoginView::displayedQr(source);
    ASSERT_FALSE(shown.isNull());
    EXPECT_LE(shown.width(), LoginView::qrDisplaySize);
    // Every module gets the same whole number of pixels.
    const int modules = source.width() / state::QrCode::scale;
    EXPECT_EQ(shown.width() % modules, 0);
    EXPECT_GE(shown.width(), LoginView::qrDisplaySize - modules);
    // Smoothing would leave grey pixels at module edges; a sharp code has none.
    const QImage pixels = shown.convertToFormat(QImage::Format_RGB32);
    int grey = 0;
    for (int y = 0; y < pixels.height(); ++y) {
        for (int x = 0; x < pixels.width(); ++x) {
            const QRgb rgb = pixels.pixel(x, y);
            if (rgb != qRgb(0, 0, 0) && rgb != qRgb(255, 255, 255)) {
                ++grey;
            }
        }
    }
    EXPECT_EQ(grey, 0);
    // A small code grows by a whole factor, so every module keeps the same size.
    const QImage small =
        source.scaled(source.size() / 10, Qt::KeepAspectRatio, Qt::FastTransformation);
    const QImage grown = LoginView::displayedQr(small);
    EXPECT_EQ(grown.width() % small.width(), 0);
    EXPECT_GT(grown.width(), small.width());
    EXPECT_TRUE(LoginView::displayedQr(QImage()).isNull());
}

} // namespace
