// Every screen of the assembled program, in both languages, both themes and at the smallest and
// the default window: one language at a time, every control named for a screen reader, nothing
// past the edge of what shows it, and a picture of each. The walk goes as a person would: keys
// and clicks on the sign-in form (a blank number, a refusal, a cancelled wait, a sign-in) through
// to the dashboard's pages, against the simulator.

#include "../certificates/TestCertificates.h"
#include "DesktopFixture.h"
#include "InterfaceLanguage.h"
#include "SamplePdf.h"
#include "Screenshot.h"
#include "certificates/VerifyController.h"
#include "components/ActionButton.h"
#include "components/InlineBanner.h"
#include "components/PdfPagePreview.h"
#include "components/VerificationCodeView.h"
#include "dashboard/views/DashboardView.h"
#include "desktop/DemoMode.h"
#include "session/AppState.h"
#include "session/DashboardTab.h"
#include "shell/views/Appearance.h"
#include "shell/views/ContentView.h"
#include "shell/views/MainWindow.h"
#include "shell/views/SettingsSheetView.h"
#include "shell/views/SettingsView.h"
#include "signin/LoginController.h"
#include "signin/QrCode.h"
#include "signin/views/LoginView.h"
#include "signin/views/QrImageView.h"
#include "signing/SigningController.h"
#include "tokens/views/TokenDetailView.h"
#include "tokens/views/TokensView.h"
#include "updates/views/WhatsNewView.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDebug>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSysInfo>
#include <QTabBar>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <functional>

using namespace orvela;
using namespace orvela::desktoptest;
using common::AppLanguage;
using shell::ThemeMode;

namespace {

// What may show in the other script besides the technical names: the person's data and the
// names the walk's own data carries.
const QStringList& keptTexts()
{
    static const QStringList kept{QSysInfo::prettyProductName(), "Батын Болд", "УБ99112233",
                                  "AA00000000", "Demo Token", "Orvela Systems LLC",
                                  "ecdsa-with-SHA256", "support@nuvia.example", "mailto", "href",
                                  "GMT", "Downloads", "contract.pdf",
                                  // The demo's two tokens and its reader, which the token
                                  // sections name.
                                  "Orvela Demo Token", "Orvela Demo", "Orvela Virtual Reader 0"};
    return kept;
}

double luminance(const QColor& c)
{
    const auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// What is wrong with one visible widget, if anything.
QString faultOf(QWidget* widget, AppLanguage language)
{
    auto* label = qobject_cast<QLabel*>(widget);
    auto* button = qobject_cast<QAbstractButton*>(widget);
    const QString text = label ? label->text() : button ? button->text() : QString();
    const QString shown = orvela::testing::shownText(*widget);
    if (!shown.isEmpty() && orvela::testing::isForeign(shown, language, keptTexts())) {
        return QStringLiteral("foreign: ") + shown;
    }
    if (button || qobject_cast<QLineEdit*>(widget) || qobject_cast<QComboBox*>(widget) ||
        qobject_cast<QPlainTextEdit*>(widget)) {
        QAccessibleInterface* node = QAccessible::queryAccessibleInterface(widget);
        if (node->text(QAccessible::Name).trimmed().isEmpty()) {
            return QStringLiteral("unnamed");
        }
        if (text.isEmpty() && button && node->text(QAccessible::Description).isEmpty()) {
            return QStringLiteral("icon without a description");
        }
    }
    // Outlined buttons draw their text straight on the page: after a theme switch it must still
    // stand out (3:1, as for control boundaries), not keep the old theme's colour.
    auto* action = qobject_cast<components::ActionButton*>(widget);
    if (action && action->isEnabled() &&
        action->role() != components::ActionButton::Role::primary &&
        contrast(action->palette().color(QPalette::ButtonText),
                 QApplication::palette().color(QPalette::Window)) < 3.0) {
        return QStringLiteral("unreadable: ") + text;
    }
    if (label && !label->wordWrap() && label->width() + 1 < label->minimumSizeHint().width()) {
        return QStringLiteral("cut: ") + text;
    }
    if (label && label->wordWrap() && label->height() + 1 < label->heightForWidth(label->width())) {
        return QStringLiteral("lines cut off: ") + text;
    }
    // A wrapped label still cuts off a word longer than its width.
    if (label && label->wordWrap() && label->textFormat() == Qt::PlainText) {
        for (const QString& word : text.split(QRegularExpression(QStringLiteral("\\s+")))) {
            if (label->fontMetrics().horizontalAdvance(word) > label->contentsRect().width() + 1) {
                return QStringLiteral("cut word: ") + word;
            }
        }
    }
    // Past its parent, which clips it; a scroll area's content may be taller than its viewport,
    // never wider: nobody reads a page by scrolling sideways.
    QWidget* parent = widget->parentWidget();
    auto* area = qobject_cast<QAbstractScrollArea*>(parent->parentWidget());
    const bool scrolled = area != nullptr && area->viewport() == parent;
    if (scrolled && widget->geometry().right() > parent->width()) {
        return QStringLiteral("wider than its viewport: %1 in %2")
            .arg(widget->width())
            .arg(parent->width());
    }
    if (!scrolled && !parent->rect().adjusted(-1, -1, 1, 1).contains(widget->geometry())) {
        QString where;
        QDebug(&where).nospace() << "past its parent: " << widget->geometry() << " in "
                                 << parent->size();
        return where;
    }
    return {};
}

QStringList faultsOf(QWidget& root, AppLanguage language)
{
    QStringList faults;
    for (auto* widget : root.findChildren<QWidget*>()) {
        if (widget->isVisibleTo(&root) && !widget->isWindow()) {
            const QString fault = faultOf(widget, language);
            if (!fault.isEmpty()) {
                faults << QString::fromLatin1(widget->metaObject()->className()) + '#' +
                              widget->objectName() + ": " + fault;
            }
        }
    }
    return faults;
}

class ScreenTest : public DesktopFixture {
protected:
    void TearDown() override
    {
        shell::views::Appearance::apply(ThemeMode::system);
        DesktopFixture::TearDown();
    }

    QWidget& window() { return desktop().mainWindow(); }
    QWidget* screen() { return desktop().content().currentScreen(); }
    signin::views::LoginView* login() { return qobject_cast<signin::views::LoginView*>(screen()); }
    bool waitForPage(const char* page)
    {
        return waitUntil([&] { return login()->currentPage() == QLatin1String(page); });
    }

    /// Pictures saved by check(), by name.
    QHash<QString, QString> saved;

    template <class T> T* find(const char* name)
    {
        T* found = screen()->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    void openTab(session::DashboardTab tab)
    {
        desktop().appState().setSelectedTab(tab);
        EXPECT_TRUE(waitUntil([&] { return desktop().content().transition() == nullptr; }));
    }

    /// Checks `root` in both themes, at both sizes and in both languages, and saves pictures:
    /// light in both languages, dark and smallest in English.
    void check(const QString& name, QWidget& root)
    {
        for (ThemeMode theme : {ThemeMode::light, ThemeMode::dark}) {
            shell::views::Appearance::apply(theme);
            // Qt hands a new application palette to the widgets once its event loop has run;
            // the program's has, a test's has not.
            for (QWidget* widget : QApplication::allWidgets()) {
                QEvent change(QEvent::ApplicationPaletteChange);
                QApplication::sendEvent(widget, &change);
            }
            for (const QSize size : {QSize(860, 620), QSize(560, 520)}) {
                window().resize(size);
                for (AppLanguage language : {AppLanguage::mn, AppLanguage::en}) {
                    desktop().localization().setLanguage(language);
                    const bool dark = theme == ThemeMode::dark;
                    const bool small = size.width() == 560;
                    const QString picture = "screen-" + name + (dark ? "-dark" : "") +
                                            (small ? "-min" : "") + "-" +
                                            common::rawValue(language);
                    if (language == AppLanguage::en ? !(dark && small) : !(dark || small)) {
                        const QString path = orvela::testing::saveScreenshot(root, picture);
                        EXPECT_FALSE(path.isEmpty());
                        saved.insert(picture, path);
                    } else {
                        for (int round = 0; round < 3; ++round) {
                            QCoreApplication::processEvents();
                        }
                        root.grab(); // lays the screen out as a picture would
                    }
                    const QStringList faults = faultsOf(root, language);
                    EXPECT_TRUE(faults.isEmpty())
                        << picture.toStdString() << ":\n  " << faults.join("\n  ").toStdString();
                }
            }
        }
    }
};

TEST_F(ScreenTest, EveryScreenReachedByHandInBothLanguagesThemesAndSizes)
{
    // The demo plugin's virtual token, so that the token pages show a token.
    desktop::DemoMode demo(dir.filePath(QStringLiteral("demo")),
                           QStringLiteral(ORVELA_DEMO_PLUGIN_PATH));
    QString error;
    ASSERT_TRUE(demo.prepare(&error)) << error.toStdString();
    readerBackend = demo.takeProfile().readerBackend;
    sim->setApproveAfterMs(600'000);
    launch();
    auto* field = find<QLineEdit>("nationalIdField");
    auto* banner = find<components::InlineBanner>("errorBanner");
    auto* signIn = find<QPushButton>("signInButton");
    EXPECT_EQ(window().focusWidget(), field);
    EXPECT_FALSE(banner->isVisible());
    check("login-form", window()); // leaves the window in English
    // Tab runs top to bottom: the sign-in tabs (one stop, the arrow keys go between them), the
    // field, the button, the footer links.
    auto* tabs = find<QTabBar>("signInTabs");
    tabs->setFocus(Qt::TabFocusReason);
    QStringList order{window().focusWidget()->objectName()};
    for (int step = 0; step < 4; ++step) {
        QTest::keyClick(window().focusWidget(), Qt::Key_Tab);
        order << window().focusWidget()->objectName();
    }
    EXPECT_EQ(order.join(' ').toStdString(),
              "signInTabs nationalIdField signInButton footerNewAccount footerHelp");
    // The link that has the keys shows a ring.
    EXPECT_FALSE(orvela::testing::saveScreenshot(window(), "screen-login-link-focus-en").isEmpty());
    const auto clickTab = [tabs](int index) {
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
    };

    QTest::keyClicks(field, QStringLiteral(" \t "));
    QTest::mouseClick(signIn, Qt::LeftButton);
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->text(), "Enter your national ID.");
    EXPECT_TRUE(sim->requestsTo(QStringLiteral("/api/login-notify")).isEmpty());
    check("login-blank-submit", window());
    // The message outlives the language switches of the walk, in the language shown last.
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->text(), "Enter your national ID.");
    tabs->setFocus(Qt::TabFocusReason);
    QTest::keyClick(tabs, Qt::Key_Right);
    EXPECT_EQ(login()->controller().tab(), session::LoginTab::qrScan);
    auto* qr = find<signin::views::QrImageView>("qrImage");
    EXPECT_TRUE(waitUntil([&] { return qr->isVisible(); }));
    EXPECT_FALSE(qr->code().isNull());
    EXPECT_FALSE(banner->isVisible());
    EXPECT_EQ(find<QLabel>("qrCountdown")->text(), "5:00");
    check("login-qr", window());
    // Every picture of the code, the smallest window's among them, is whole and reads back as
    // what the phone must open.
    for (const char* picture : {"screen-login-qr-min-en", "screen-login-qr-en",
                                "screen-login-qr-dark-en", "screen-login-qr-mn"}) {
        QProcess zbar;
        zbar.start(QStringLiteral("zbarimg"), {"--raw", "-q", saved.value(QLatin1String(picture))});
        ASSERT_TRUE(zbar.waitForFinished(20'000)) << "zbarimg (zbar-tools) is needed";
        EXPECT_EQ(QString::fromUtf8(zbar.readAllStandardOutput()).trimmed(),
                  login()->controller().qrText())
            << picture;
    }
    clickTab(0);
    // Choosing the tab already chosen keeps it chosen.
    clickTab(0);
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(login()->controller().tab(), session::LoginTab::nationalIdPush);

    backendsim::SimOutcome refused;
    refused.endResult = QStringLiteral("USER_REFUSED");
    refused.approveAfterMs = 0;
    sim->scriptNextOutcome(refused);
    field->clear();
    QTest::keyClicks(field, QStringLiteral("AA00000000"));
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_TRUE(
        waitUntil([&] { return login()->controller().phase() == session::AuthPhase::failed; }));
    EXPECT_EQ(login()->currentPage(), "form");
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->text(), "The request was declined.");
    QTest::mouseClick(signIn, Qt::LeftButton);
    ASSERT_TRUE(waitForPage("waiting"));
    const QString code = login()->controller().verificationCode();
    ASSERT_FALSE(code.isEmpty());
    EXPECT_EQ(find<components::VerificationCodeView>("waitingCode")->code(), code);
    EXPECT_EQ(find<QLabel>("waitingCountdown")->text(), "5:00");
    check("login-waiting", window());
    QTest::mouseClick(find<QPushButton>("cancelButton"), Qt::LeftButton);
    EXPECT_EQ(login()->currentPage(), "form");
    EXPECT_FALSE(banner->isVisible());

    // Typed as a person might; the phone approves at once.
    backendsim::SimOutcome approved;
    approved.approveAfterMs = 300;
    sim->scriptNextOutcome(approved);
    field->clear();
    QTest::keyClicks(field, QStringLiteral("  ub99112233 "));
    QTest::mouseClick(signIn, Qt::LeftButton);
    ASSERT_TRUE(waitForPage("success"));
    EXPECT_EQ(find<QLabel>("resultName")->text(), "Батын Болд");
    ASSERT_TRUE(
        waitUntil([&] { return desktop().appState().screen() == session::AppScreen::dashboard; }));
    ASSERT_NE(desktop().content().transition(), nullptr); // the change cross-fades
    // The dashboard is built on the turn after the sign-in screen was put away.
    ASSERT_TRUE(waitUntil(
        [&] { return qobject_cast<dashboard::views::DashboardView*>(screen()) != nullptr; }));
    EXPECT_EQ(desktop().appState().fullName(), "Батын Болд");
    // The sidebar is a handful of Tab stops, its pages one of them; Tab then goes through the
    // page and comes round, and every stop on the way is shown and has a name.
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
    for (session::DashboardTab tab : session::allDashboardTabs) {
        openTab(tab);
        check("dashboard-" + session::rawValue(tab), window());
    }
    openTab(session::DashboardTab::sign);
    QFile pdf(dir.filePath(QStringLiteral("contract.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::WriteOnly));
    pdf.write("%PDF-1.4\n%%EOF\n");
    pdf.close();
    screen()->findChild<signing::SigningController*>()->signFile(pdf.fileName());
    EXPECT_TRUE(waitUntil([&] { return find<QLabel>("signCountdown")->isVisible(); }));
    check("signing-wait", window());

    // A PDF on the verification page, as the program has it until a verifier is supplied.
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

    openTab(session::DashboardTab::tokens);
    auto* tokens = screen()->findChild<tokens::views::TokensView*>();
    // Return presses a focused button; the keys go on to the details, then back to the button.
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

    openTab(session::DashboardTab::verify);
    orvela::testing::CertificateSpec spec;
    spec.subject = QStringLiteral("/CN=AB12345678");
    find<QPlainTextEdit>("pasteBox")
        ->setPlainText(QString::fromLatin1(orvela::testing::makeCertificate(spec).toBase64()));
    find<QPushButton>("parseButton")->click();
    EXPECT_TRUE(waitUntil([&] { return find<QWidget>("certificateReport")->isVisible(); }));
    check("verify-report", window());

    // A second press while the sheet is open opens no second one.
    find<QAbstractButton>("settingsButton")->click();
    find<QAbstractButton>("settingsButton")->click();
    const auto sheets = screen()->findChildren<shell::views::SettingsSheetView*>();
    ASSERT_EQ(sheets.size(), 1);
    check("settings-sheet", *sheets.first());

    // Every dialog and window closes with Esc (a window with Ctrl+W too) and shows a button
    // that closes it; the main window goes with Ctrl+W, as with its title bar's button.
    struct Closing {
        const char* window;
        const char* button;
        QKeySequence keys;
        std::function<void()> open;
    };
    const auto openSheet = [&] { find<QAbstractButton>("settingsButton")->click(); };
    const auto openWindow = [&] { desktop().showSettingsWindow(); };
    const Closing closings[] = {
        {"settingsSheet", "closeButton", QKeySequence(Qt::Key_Escape), openSheet},
        {"settingsWindow", "closeButton", QKeySequence(Qt::Key_Escape), openWindow},
        {"settingsWindow", "closeButton", QKeySequence(Qt::CTRL | Qt::Key_W), openWindow},
        {"whatsNew", "whatsNewDone", QKeySequence(Qt::Key_Escape),
         [&] { desktop().showReleaseNotes(); }},
    };
    for (const Closing& row : closings) {
        row.open();
        QPointer<QWidget> shown;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() == QLatin1String(row.window) && top->isVisible()) {
                shown = top;
            }
        }
        ASSERT_FALSE(shown.isNull()) << row.window;
        auto* close = shown->findChild<QAbstractButton*>(QLatin1String(row.button));
        EXPECT_TRUE(close && close->isVisible()) << row.window;
        QApplication::setActiveWindow(shown);
        QTest::keySequence(shown, row.keys);
        EXPECT_TRUE(shown.isNull() || !shown->isVisible())
            << row.window << " " << row.keys.toString().toStdString();
        // Closed windows go away for good before the next one opens.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    desktop().showSettingsWindow();
    QWidget* settingsWindow = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        settingsWindow =
            top->objectName() == "settingsWindow" && top->isVisible() ? top : settingsWindow;
    }
    ASSERT_NE(settingsWindow, nullptr);
    check("settings-window", *settingsWindow);
    QPointer<QWidget> closing = settingsWindow;
    settingsWindow->findChild<QAbstractButton*>("closeButton")->click();
    EXPECT_TRUE(closing.isNull() || !closing->isVisible());

    // Signing out comes back to a fresh form.
    desktop().appState().signOut();
    ASSERT_TRUE(waitUntil([&] { return login() != nullptr; }));
    EXPECT_EQ(login()->currentPage(), "form");
    EXPECT_TRUE(find<QLineEdit>("nationalIdField")->text().isEmpty());
    QApplication::setActiveWindow(&window());
    QTest::keySequence(&window(), QKeySequence(Qt::CTRL | Qt::Key_W));
    EXPECT_FALSE(window().isVisible());
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
