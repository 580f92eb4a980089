// The sign-in screen walked by keys and clicks: the form's key order, a blank number, the QR
// code, a refusal and a cancelled wait, each checked and drawn by ScreenTest::check.

#include "ScreenFixture.h"
#include "Screenshot.h"
#include "common/LocalizationService.h"
#include "components/InlineBanner.h"
#include "components/VerificationCodeView.h"
#include "signin/LoginController.h"
#include "signin/QrCode.h"
#include "signin/views/QrImageView.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

using namespace orvela;
using namespace orvela::desktoptest;

namespace {

// Tab runs top to bottom: the sign-in tabs (one stop, the arrow keys go between them), the
// field, the button, the footer links.
TEST_F(ScreenTest, TheSignInFormTakesTheKeysTopToBottom)
{
    launchWithDemoToken();
    auto* field = find<QLineEdit>("nationalIdField");
    EXPECT_EQ(window().focusWidget(), field);
    EXPECT_FALSE(find<components::InlineBanner>("errorBanner")->isVisible());
    check("login-form", window());
    auto* tabs = find<QTabBar>("signInTabs");
    tabs->setFocus(Qt::TabFocusReason);
    QStringList order{window().focusWidget()->objectName()};
    for (int step = 0; step < 4; ++step) {
        QTest::keyClick(window().focusWidget(), Qt::Key_Tab);
        order << window().focusWidget()->objectName();
    }
    EXPECT_EQ(order.join(' ').toStdString(),
              "signInTabs nationalIdField signInButton footerNewAccount footerHelp");
    // The link that has the keys shows a ring; check() left the window in English.
    EXPECT_FALSE(orvela::testing::saveScreenshot(window(), "screen-login-link-focus-en").isEmpty());
}

// The message outlives the language switches of the walk, in the language shown last, and goes
// when another way of signing in is chosen.
TEST_F(ScreenTest, ABlankNumberIsRefusedUntilAnotherTabIsChosen)
{
    launchWithDemoToken();
    desktop().localization().setLanguage(common::AppLanguage::en);
    auto* banner = find<components::InlineBanner>("errorBanner");
    QTest::keyClicks(find<QLineEdit>("nationalIdField"), QStringLiteral(" \t "));
    QTest::mouseClick(find<QPushButton>("signInButton"), Qt::LeftButton);
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->text(), "Enter your national ID.");
    EXPECT_TRUE(sim->requestsTo(QStringLiteral("/api/login-notify")).isEmpty());
    check("login-blank-submit", window());
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->text(), "Enter your national ID.");
    auto* tabs = find<QTabBar>("signInTabs");
    tabs->setFocus(Qt::TabFocusReason);
    QTest::keyClick(tabs, Qt::Key_Right);
    EXPECT_EQ(login()->controller().tab(), session::LoginTab::qrScan);
    EXPECT_FALSE(banner->isVisible());
}

// Every picture of the code, the smallest window's among them, is whole and reads back as what
// the phone must open; choosing the form's tab again, twice, keeps it chosen.
TEST_F(ScreenTest, TheQrCodeReadsBackFromEveryPicture)
{
    launchWithDemoToken();
    auto* tabs = find<QTabBar>("signInTabs");
    tabs->setFocus(Qt::TabFocusReason);
    QTest::keyClick(tabs, Qt::Key_Right);
    auto* qr = find<signin::views::QrImageView>("qrImage");
    EXPECT_TRUE(waitUntil([&] { return qr->isVisible(); }));
    EXPECT_FALSE(qr->code().isNull());
    EXPECT_EQ(find<QLabel>("qrCountdown")->text(), "5:00");
    check("login-qr", window());
    for (const char* picture : {"screen-login-qr-min-en", "screen-login-qr-en",
                                "screen-login-qr-dark-en", "screen-login-qr-mn"}) {
        QProcess zbar;
        zbar.start(QStringLiteral("zbarimg"), {"--raw", "-q", saved.value(QLatin1String(picture))});
        ASSERT_TRUE(zbar.waitForFinished(20'000)) << "zbarimg (zbar-tools) is needed";
        EXPECT_EQ(QString::fromUtf8(zbar.readAllStandardOutput()).trimmed(),
                  login()->controller().qrText())
            << picture;
    }
    for (int click = 0; click < 2; ++click) {
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    }
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(login()->controller().tab(), session::LoginTab::nationalIdPush);
}

// A refusal is said on the form; the next request waits for the phone with its code, and
// cancelling the wait comes back to a form without the message.
TEST_F(ScreenTest, ARefusalIsSaidAndTheWaitThatFollowsCanBeCancelled)
{
    launchWithDemoToken();
    desktop().localization().setLanguage(common::AppLanguage::en);
    auto* field = find<QLineEdit>("nationalIdField");
    auto* banner = find<components::InlineBanner>("errorBanner");
    backendsim::SimOutcome refused;
    refused.endResult = QStringLiteral("USER_REFUSED");
    refused.approveAfterMs = 0;
    sim->scriptNextOutcome(refused);
    QTest::keyClicks(field, QStringLiteral("AA00000000"));
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_TRUE(
        waitUntil([&] { return login()->controller().phase() == session::AuthPhase::failed; }));
    EXPECT_EQ(login()->currentPage(), "form");
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->text(), "The request was declined.");
    QTest::mouseClick(find<QPushButton>("signInButton"), Qt::LeftButton);
    ASSERT_TRUE(waitForPage("waiting"));
    const QString code = login()->controller().verificationCode();
    ASSERT_FALSE(code.isEmpty());
    EXPECT_EQ(find<components::VerificationCodeView>("waitingCode")->code(), code);
    EXPECT_EQ(find<QLabel>("waitingCountdown")->text(), "5:00");
    check("login-waiting", window());
    QTest::mouseClick(find<QPushButton>("cancelButton"), Qt::LeftButton);
    EXPECT_EQ(login()->currentPage(), "form");
    EXPECT_FALSE(banner->isVisible());
}

TEST(LoginViewQr, TheCodeIsScaledByAWholeFactorWithoutSmoothing)
{
    using signin::views::QrImageView;
    const auto code = signin::QrCode::encode(QStringLiteral("nuvia://login?session=1234"));
    ASSERT_TRUE(code.has_value());
    const QImage source = code->image();
    // The symbol's modules and the quiet zone as drawn.
    const int modules = source.width() / signin::QrCode::scale +
                        2 * (QrImageView::quietModules - signin::QrCode::quietZone);
    // As large as the window allows, and as small as the smallest window needs.
    for (int side : {QrImageView::preferredSide, QrImageView::minimumSide}) {
        const QImage shown = QrImageView::displayed(source, side);
        ASSERT_FALSE(shown.isNull());
        EXPECT_LE(shown.width(), side);
        // Every module gets the same whole number of pixels.
        EXPECT_EQ(shown.width() % modules, 0);
        EXPECT_GT(shown.width(), side - modules);
        // Smoothing would leave grey pixels at module edges; a sharp code has none.
        const QImage pixels = shown.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < pixels.height(); ++y) {
            for (int x = 0; x < pixels.width(); ++x) {
                const QRgb rgb = pixels.pixel(x, y);
                ASSERT_TRUE(rgb == qRgb(0, 0, 0) || rgb == qRgb(255, 255, 255)) << x << "," << y;
            }
        }
    }
    // A small code grows by a whole factor, so every module keeps the same size.
    const QImage small =
        source.scaled(source.size() / 10, Qt::KeepAspectRatio, Qt::FastTransformation);
    const QImage grown = QrImageView::displayed(small);
    EXPECT_EQ(grown.width() % modules, 0);
    EXPECT_GT(grown.width(), small.width());
    EXPECT_TRUE(QrImageView::displayed(QImage()).isNull());
}

} // namespace
