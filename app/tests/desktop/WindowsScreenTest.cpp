// The windows and dialogs over the dashboard: the settings sheet and window, the release notes,
// how each closes, and signing out, each checked and drawn by ScreenTest::check.

#include "ScreenFixture.h"
#include "session/AppState.h"
#include "shell/views/SettingsSheetView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <functional>

using namespace orvela;
using namespace orvela::desktoptest;

namespace {

// A second press while the sheet is open opens no second one.
TEST_F(ScreenTest, ASecondPressOpensNoSecondSettingsSheet)
{
    launchWithDemoToken();
    ASSERT_TRUE(signInByHand());
    // The sheet takes its height from the window it opens over: here the smallest.
    window().resize(560, 520);
    find<QAbstractButton>("settingsButton")->click();
    find<QAbstractButton>("settingsButton")->click();
    const auto sheets = screen()->findChildren<shell::views::SettingsSheetView*>();
    ASSERT_EQ(sheets.size(), 1);
    check("settings-sheet", *sheets.first());
}

// Every dialog and window closes with Esc (a window with Ctrl+W too) and shows a button that
// closes it.
TEST_F(ScreenTest, EveryDialogAndWindowClosesWithItsKeys)
{
    launchWithDemoToken();
    ASSERT_TRUE(signInByHand());
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
        QPointer<QWidget> shown = shownWindow(row.window);
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
}

TEST_F(ScreenTest, TheSettingsWindowClosesWithItsButton)
{
    launchWithDemoToken();
    ASSERT_TRUE(signInByHand());
    desktop().showSettingsWindow();
    QWidget* settingsWindow = shownWindow("settingsWindow");
    ASSERT_NE(settingsWindow, nullptr);
    check("settings-window", *settingsWindow);
    QPointer<QWidget> closing = settingsWindow;
    settingsWindow->findChild<QAbstractButton*>("closeButton")->click();
    EXPECT_TRUE(closing.isNull() || !closing->isVisible());
}

// Signing out comes back to a fresh form; the main window goes with Ctrl+W, as with its title
// bar's button.
TEST_F(ScreenTest, SigningOutComesBackToAFreshFormAndCtrlWClosesTheWindow)
{
    launchWithDemoToken();
    ASSERT_TRUE(signInByHand());
    desktop().appState().signOut();
    ASSERT_TRUE(waitUntil([&] { return login() != nullptr; }));
    EXPECT_EQ(login()->currentPage(), "form");
    EXPECT_TRUE(find<QLineEdit>("nationalIdField")->text().isEmpty());
    QApplication::setActiveWindow(&window());
    QTest::keySequence(&window(), QKeySequence(Qt::CTRL | Qt::Key_W));
    EXPECT_FALSE(window().isVisible());
}

} // namespace
