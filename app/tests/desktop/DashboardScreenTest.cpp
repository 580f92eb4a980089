// The dashboard reached by signing in through the form: its key order, every page, and the
// pages that start work (signing, a PDF and a certificate to verify, a token's details), each
// checked and drawn by ScreenTest::check.

#include "../certificates/TestCertificates.h"
#include "SamplePdf.h"
#include "ScreenFixture.h"
#include "certificates/VerifyController.h"
#include "components/PdfPagePreview.h"
#include "diagnostics/DiagnosticsController.h"
#include "session/AppState.h"
#include "signing/SigningController.h"
#include "tokens/views/TokenDetailView.h"
#include "tokens/views/TokensView.h"

#include <QAccessible>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace orvela;
using namespace orvela::desktoptest;

namespace {

// Typed as a person might; the phone approves at once, and the change cross-fades.
TEST_F(ScreenTest, SigningInByHandReachesTheDashboard)
{
    launchWithDemoToken();
    submitApproved(QStringLiteral("  ub99112233 "));
    ASSERT_TRUE(waitForPage("success"));
    EXPECT_EQ(find<QLabel>("resultName")->text(), "Батын Болд");
    ASSERT_TRUE(
        waitUntil([&] { return desktop().appState().screen() == session::AppScreen::dashboard; }));
    ASSERT_NE(desktop().content().transition(), nullptr);
    // The dashboard is built on the turn after the sign-in screen was put away.
    ASSERT_TRUE(waitForDashboard());
    EXPECT_EQ(desktop().appState().fullName(), "Батын Болд");
}

// The sidebar is a handful of Tab stops, its pages one of them; Tab then goes through the page
// and comes round, and every stop on the way is shown and has a name.
TEST_F(ScreenTest, TabGoesThroughTheSidebarAndThePageAndComesRound)
{
    launchWithDemoToken();
    ASSERT_TRUE(signInByHand());
    auto* pageList = find<QWidget>("pageList");
    auto* pageStack = find<QWidget>("dashboardPages");
    pageList->setFocus(Qt::TabFocusReason);
    QStringList stops;
    int sidebarStops = -1; // after the page list, before the page
    for (QWidget* at = pageList; stops.size() < 40;) {
        QTest::keyClick(at, Qt::Key_Tab);
        at = window().focusWidget();
        if (at == pageList) {
            break;
        }
        const QString name = QAccessible::queryAccessibleInterface(at)->text(QAccessible::Name);
        stops << QString::fromLatin1(at->metaObject()->className()) + '#' + at->objectName();
        EXPECT_TRUE(at->isVisible() && !name.trimmed().isEmpty()) << stops.last().toStdString();
        if (sidebarStops < 0 && pageStack->isAncestorOf(at)) {
            sidebarStops = static_cast<int>(stops.size()) - 1;
        }
    }
    EXPECT_LT(stops.size(), 40) << "Tab never came back to the page list";
    EXPECT_LE(sidebarStops, 3) << stops.join(' ').toStdString();
}

// The support page's credential check reads the store this session keeps its identity in (each
// test has a store of its own, as demo mode does), not the product's default one.
TEST_F(ScreenTest, TheSupportPageChecksTheSessionsOwnCredentialStore)
{
    launchWithDemoToken();
    ASSERT_TRUE(signInByHand());
    openTab(session::DashboardTab::support);
    auto* checks = window().findChild<diagnostics::DiagnosticsController*>();
    ASSERT_NE(checks, nullptr);
    checks->start(common::AppLanguage::en);
    ASSERT_TRUE(waitUntil([&] { return checks->hasRun() && !checks->isRunning(); }, 60'000));
    const QString report = checks->reportText(common::AppLanguage::en);
    EXPECT_TRUE(report.contains(QStringLiteral("Signed in"))) << report.toStdString();
    EXPECT_FALSE(report.contains(QStringLiteral("nobody"))) << report.toStdString();
}

TEST_F(ScreenTest, EveryDashboardPageInBothLanguagesThemesAndSizes)
{
    launchWithDemoToken();
    ASSERT_TRUE(signInByHand());
    for (session::DashboardTab tab : session::allDashboardTabs) {
        openTab(tab);
        check("dashboard-" + session::rawValue(tab), window());
    }
}

// A document sent for signing waits for the phone with a countdown.
TEST_F(ScreenTest, ADocumentSentForSigningWaitsForThePhone)
{
    launchWithDemoToken();
    ASSERT_TRUE(signInByHand());
    openTab(session::DashboardTab::sign);
    QFile pdf(dir.filePath(QStringLiteral("contract.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::WriteOnly));
    pdf.write("%PDF-1.4\n%%EOF\n");
    pdf.close();
    screen()->findChild<signing::SigningController*>()->signFile(pdf.fileName());
    EXPECT_TRUE(waitUntil([&] { return find<QLabel>("signCountdown")->isVisible(); }));
    check("signing-wait", window());
}

// A PDF on the verification page, as the program has it until a verifier is supplied.
TEST_F(ScreenTest, TheVerificationPageShowsAPdf)
{
    launchWithDemoToken();
    ASSERT_TRUE(signInByHand());
    openTab(session::DashboardTab::verify);
    QFile signedPdf(dir.filePath(QStringLiteral("contract.pdf")));
    ASSERT_TRUE(signedPdf.open(QIODevice::WriteOnly));
    signedPdf.write(orvela::testing::samplePdf(QStringLiteral("Contract")));
    signedPdf.close();
    auto* inspector = screen()->findChild<certificates::VerifyController*>();
    inspector->loadFile(signedPdf.fileName());
    auto* preview = find<components::PdfPagePreview>("pdfPreview");
    EXPECT_TRUE(waitUntil([&] {
        return !inspector->isLoading() &&
               preview->state() == components::PdfPagePreview::State::shown;
    }));
    check("verify-pdf", window());
}

// Return presses a focused button; the keys go on to the details, then back to the button.
TEST_F(ScreenTest, TheKeysOpenAndCloseATokensDetails)
{
    launchWithDemoToken();
    ASSERT_TRUE(signInByHand());
    openTab(session::DashboardTab::tokens);
    auto* tokens = screen()->findChild<tokens::views::TokensView*>();
    auto* details = find<QPushButton>("detailsButton");
    details->setFocus(Qt::TabFocusReason);
    QTest::keyClick(details, Qt::Key_Return);
    EXPECT_TRUE(tokens->isShowingDetail());
    EXPECT_EQ(window().focusWidget(), find<QWidget>("backButton"))
        << window().focusWidget()->metaObject()->className() << " "
        << window().focusWidget()->objectName().toStdString();
    QTest::keyClick(find<QWidget>("backButton"), Qt::Key_Space);
    EXPECT_FALSE(tokens->isShowingDetail());
    EXPECT_EQ(window().focusWidget(), details);
    QTest::keyClick(details, Qt::Key_Enter, Qt::KeypadModifier);
    // The plugin made the reader; this program's token manager holds it.
    EXPECT_TRUE(tokens->detail().isConnected());
    check("tokens-detail", window());
}

TEST_F(ScreenTest, TheVerificationPageReportsAPastedCertificate)
{
    launchWithDemoToken();
    ASSERT_TRUE(signInByHand());
    openTab(session::DashboardTab::verify);
    orvela::testing::CertificateSpec spec;
    spec.subject = QStringLiteral("/CN=AB12345678");
    find<QPlainTextEdit>("pasteBox")
        ->setPlainText(QString::fromLatin1(orvela::testing::makeCertificate(spec).toBase64()));
    find<QPushButton>("parseButton")->click();
    EXPECT_TRUE(waitUntil([&] { return find<QWidget>("certificateReport")->isVisible(); }));
    check("verify-report", window());
}

} // namespace
