// Every screen of the assembled program, in both languages, both themes and at the smallest and
// the default window: one language at a time, every control named for a screen reader, nothing
// past the edge of what shows it, and a picture of each. The walk goes as a person would: keys
// and clicks on the sign-in form (a blank number, a refusal, a cancelled wait, a sign-in) through
// to the dashboard's pages, against the simulator.

#include "../certificates/TestCertificates.h"
#include "DesktopFixture.h"
#include "InterfaceLanguage.h"
#include "Screenshot.h"
#include "components/ActionButton.h"
#include "components/InlineBanner.h"
#include "components/VerificationCodeView.h"
#include "orvela/tokenkit/ReaderBackend.h"
#include "orvela/tokenkit/TokenManager.h"
#include "shell/Appearance.h"
#include "shell/ContentView.h"
#include "shell/DemoMode.h"
#include "shell/MainWindow.h"
#include "shell/SettingsSheetView.h"
#include "shell/dashboard/DashboardView.h"
#include "state/AppState.h"
#include "state/DashboardTab.h"
#include "state/LoginController.h"
#include "state/QrCode.h"
#include "state/SigningController.h"
#include "state/views/LoginView.h"
#include "tokens/views/TokenDetailView.h"
#include "tokens/views/TokensView.h"

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
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSysInfo>
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
    static const QStringList kept{QSysInfo::prettyProductName(),
                                  "Батын Болд",
                                  "УБ99112233",
                                  "AA00000000",
                                  "Demo Token",
                                  "Orvela Systems LLC",
                                  "ecdsa-with-SHA256",
                                  "support@nuvia.example",
                                  "mailto",
                                  "href",
                                  "GMT",
                                  "Downloads",
                                  "contract.pdf"};
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
        shell::Appearance::apply(ThemeMode::system);
        DesktopFixture::TearDown();
        tokenkit::TokenManager::shared().setBackend(tokenkit::makePcscBackend());
    }

    QWidget& window() { return desktop().mainWindow(); }
    QWidget* screen() { return desktop().content().currentScreen(); }
    state::LoginView* login() { return qobject_cast<state::LoginView*>(screen()); }
    bool waitForPage(const char* page)
    {
        return waitUntil([&] { return login()->currentPage() == QLatin1String(page); });
    }

    template <class T> T* find(const char* name)
    {
        T* found = screen()->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    void openTab(state::DashboardTab tab)
    {
        desktop().appState().setSelectedTab(tab);
        EXPECT_TRUE(waitUntil([&] { return desktop().content().transition() == nullptr; }));
    }

    /// Checks `root` in both themes, at both sizes and in both languages, and saves pictures:
    /// light in both languages, dark and smallest in English.
    void check(const QString& name, QWidget& root)
    {
        for (ThemeMode theme : {ThemeMode::light, ThemeMode::dark}) {
            shell::Appearance::apply(theme);
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
                        EXPECT_FALSE(orvela::testing::saveScreenshot(root, picture).isEmpty());
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
    shell::DemoMode demo(dir.filePath(QStringLiteral("demo")),
                         QStringLiteral(ORVELA_DEMO_PLUGIN_PATH));
    QString error;
    ASSERT_TRUE(demo.prepare(&error)) << error.toStdString();
    sim->setApproveAfterMs(600'000);
    launch();
    auto* field = find<QLineEdit>("nationalIdField");
    auto* banner = find<components::InlineBanner>("errorBanner");
    auto* signIn = find<QPushButton>("signInButton");
    EXPECT_EQ(window().focusWidget(), field);
    EXPECT_FALSE(banner->isVisible());
    check("login-form", window()); // leaves the window in English
    // Tab runs top to bottom: the two sign-in tabs, the field, the button, the footer links.
    find<QPushButton>("tabNationalId")->setFocus(Qt::TabFocusReason);
    QStringList order{window().focusWidget()->objectName()};
    for (int step = 0; step < 5; ++step) {
        QTest::keyClick(window().focusWidget(), Qt::Key_Tab);
        order << window().focusWidget()->objectName();
    }
    EXPECT_EQ(order.join(' ').toStdString(),
              "tabNationalId tabQr nationalIdField signInButton footerNewAccount footerHelp");

    QTest::keyClicks(field, QStringLiteral(" \t "));
    QTest::mouseClick(signIn, Qt::LeftButton);
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->text(), "Enter your national ID.");
    EXPECT_TRUE(sim->requestsTo(QStringLiteral("/api/login-notify")).isEmpty());
    check("login-blank-submit", window());
    // The message outlives the language switches of the walk, in the language shown last.
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->text(), "Enter your national ID.");
    find<QPushButton>("tabQr")->click();
    EXPECT_TRUE(waitUntil([&] { return find<QLabel>("qrImage")->isVisible(); }));
    EXPECT_FALSE(find<QLabel>("qrImage")->pixmap().isNull());
    EXPECT_FALSE(banner->isVisible());
    EXPECT_EQ(find<QLabel>("qrCountdown")->text(), "5:00");
    check("login-qr", window());
    find<QPushButton>("tabNationalId")->click();
    // Choosing the tab already chosen keeps it chosen.
    find<QPushButton>("tabNationalId")->click();
    EXPECT_TRUE(find<QPushButton>("tabNationalId")->isChecked());
    EXPECT_FALSE(find<QPushButton>("tabQr")->isChecked());

    backendsim::SimOutcome refused;
    refused.endResult = QStringLiteral("USER_REFUSED");
    refused.approveAfterMs = 0;
    sim->scriptNextOutcome(refused);
    field->clear();
    QTest::keyClicks(field, QStringLiteral("AA00000000"));
    QTest::keyClick(field, Qt::Key_Return);
    ASSERT_TRUE(
        waitUntil([&] { return login()->controller().phase() == state::AuthPhase::failed; }));
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
        waitUntil([&] { return desktop().appState().screen() == state::AppScreen::dashboard; }));
    ASSERT_NE(desktop().content().transition(), nullptr); // the change cross-fades
    // The dashboard is built on the turn after the sign-in screen was put away.
    ASSERT_TRUE(
        waitUntil([&] { return qobject_cast<shell::DashboardView*>(screen()) != nullptr; }));
    EXPECT_EQ(desktop().appState().fullName(), "Батын Болд");
    for (state::DashboardTab tab : state::allDashboardTabs) {
        openTab(tab);
        check("dashboard-" + state::rawValue(tab), window());
    }
    openTab(state::DashboardTab::sign);
    QFile pdf(dir.filePath(QStringLiteral("contract.pdf")));
    ASSERT_TRUE(pdf.open(QIODevice::WriteOnly));
    pdf.write("%PDF-1.4\n%%EOF\n");
    pdf.close();
    screen()->findChild<state::SigningController*>()->signFile(pdf.fileName());
    EXPECT_TRUE(waitUntil([&] { return find<QLabel>("signCountdown")->isVisible(); }));
    check("signing-wait", window());

    openTab(state::DashboardTab::tokens);
    auto* tokens = screen()->findChild<tokens::views::TokensView*>();
    tokens->showDetail();
    // The plugin made the reader; this program's token manager holds it.
    EXPECT_TRUE(tokens->detail().isConnected());
    check("tokens-detail", window());

    openTab(state::DashboardTab::verify);
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
    const auto sheets = screen()->findChildren<shell::SettingsSheetView*>();
    ASSERT_EQ(sheets.size(), 1);
    check("settings-sheet", *sheets.first());

    // Signing out comes back to a fresh form.
    desktop().appState().signOut();
    ASSERT_TRUE(waitUntil([&] { return login() != nullptr; }));
    EXPECT_EQ(login()->currentPage(), "form");
    EXPECT_TRUE(find<QLineEdit>("nationalIdField")->text().isEmpty());
}

TEST(LoginViewQr, TheCodeIsScaledByAWholeFactorWithoutSmoothing)
{
    const auto code = state::QrCode::encode(QStringLiteral("nuvia://login?session=1234"));
    ASSERT_TRUE(code.has_value());
    const QImage source = code->image();
    const QImage shown = state::LoginView::displayedQr(source);
    ASSERT_FALSE(shown.isNull());
    EXPECT_LE(shown.width(), state::LoginView::qrDisplaySize);
    // Every module gets the same whole number of pixels.
    const int modules = source.width() / state::QrCode::scale;
    EXPECT_EQ(shown.width() % modules, 0);
    EXPECT_GE(shown.width(), state::LoginView::qrDisplaySize - modules);
    // Smoothing would leave grey pixels at module edges; a sharp code has none.
    const QImage pixels = shown.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < pixels.height(); ++y) {
        for (int x = 0; x < pixels.width(); ++x) {
            const QRgb rgb = pixels.pixel(x, y);
            ASSERT_TRUE(rgb == qRgb(0, 0, 0) || rgb == qRgb(255, 255, 255)) << x << "," << y;
        }
    }
    // A small code grows by a whole factor, so every module keeps the same size.
    const QImage small =
        source.scaled(source.size() / 10, Qt::KeepAspectRatio, Qt::FastTransformation);
    const QImage grown = state::LoginView::displayedQr(small);
    EXPECT_EQ(grown.width() % small.width(), 0);
    EXPECT_GT(grown.width(), small.width());
    EXPECT_TRUE(state::LoginView::displayedQr(QImage()).isNull());
}

} // namespace
