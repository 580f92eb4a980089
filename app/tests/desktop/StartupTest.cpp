// Start-up in windowed and menu-bar mode, the theme at launch and the release notes.

#include "DesktopFixture.h"
#include "common/SettingsKeys.h"
#include "shell/Appearance.h"
#include "shell/MainWindow.h"
#include "shell/MenuBarController.h"
#include "shell/SettingsController.h"
#include "shell/TrayMenuView.h"
#include "state/AppState.h"

#include <QApplication>
#include <QSignalSpy>
#include <QStyle>
#include <QSystemTrayIcon>

using namespace orvela;
using namespace orvela::desktoptest;
using shell::MenuEntryId;

namespace {

class StartupTest : public DesktopFixture {};

TEST_F(StartupTest, WindowedModeShowsTheMainWindowAndRestoresOnce)
{
    build();
    QSignalSpy restored(&desktop().appState(), &state::AppState::restoreFinished);
    desktop().start();
    shell::MainWindow& window = desktop().mainWindow();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.objectName(), QStringLiteral("main"));
    EXPECT_EQ(window.minimumSize(), QSize(560, 520));
    EXPECT_EQ(window.size(), QSize(860, 620));
    // The restore and the tray item wait for the window's first frame, so as not to delay it.
    QSystemTrayIcon* trayIcon = desktop().trayMenu()->icon();
    EXPECT_EQ(restored.size(), 0);
    EXPECT_FALSE(trayIcon->isVisible());
    ASSERT_TRUE(waitUntil([&] { return restored.size() == 1; }));
    EXPECT_TRUE(trayIcon->isVisible());
    EXPECT_FALSE(trayIcon->icon().isNull());
    // Nothing stored: the sign-in screen stays, and closing the window leaves the tray.
    EXPECT_EQ(desktop().appState().screen(), state::AppScreen::login);
    EXPECT_TRUE(desktop().trayShown());
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
}

TEST_F(StartupTest, MenuBarModeClosesTheWindowAfterStartAndTheMenuOpensItAgain)
{
    settings().setValue(settings::uiBackgroundMode.toString(), true);
    build();
    QSignalSpy restored(&desktop().appState(), &state::AppState::restoreFinished);
    desktop().start();
    ASSERT_TRUE(waitUntil([&] { return !desktop().mainWindow().isVisible(); }));
    // The window was shown once before closing, so the session was restored at launch.
    ASSERT_TRUE(waitUntil([&] { return restored.size() == 1; }));
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());

    desktop().menuBar().trigger(MenuEntryId::open);
    EXPECT_TRUE(desktop().mainWindow().isVisible());
    // Opening a closed window runs the restore again.
    EXPECT_TRUE(waitUntil([&] { return restored.size() == 2; }));
}

TEST_F(StartupTest, WithoutATrayMenuBarModeKeepsTheWindowAndClosingQuits)
{
    trayAvailable = false;
    settings().setValue(settings::uiBackgroundMode.toString(), true);
    launch();
    runEventLoopFor(150);
    EXPECT_TRUE(desktop().mainWindow().isVisible());
    EXPECT_FALSE(desktop().trayShown());
    EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
}

TEST_F(StartupTest, TheStoredThemeHoldsFromLaunchAndFollowsChanges)
{
    settings().setValue(settings::uiTheme.toString(), QStringLiteral("dark"));
    build();
    EXPECT_LT(QApplication::palette().color(QPalette::Window).lightness(), 80);
    EXPECT_EQ(QApplication::style()->name().toLower(), QStringLiteral("fusion"));
    desktop().settings().setTheme(shell::ThemeMode::light);
    EXPECT_GT(QApplication::palette().color(QPalette::Window).lightness(), 200);
    shell::Appearance::apply(shell::ThemeMode::system);
}

TEST_F(StartupTest, ReleaseNotesOpenAtTheFirstStartOfAVersionOnly)
{
    QApplication::setApplicationVersion(QStringLiteral("2.0.0"));
    launch();
    ASSERT_NE(desktop().releaseNotes(), nullptr);
    EXPECT_TRUE(desktop().releaseNotes()->isVisible());
    EXPECT_EQ(settings().value(settings::whatsNewLastSeenVersion.toString()).toString(),
              QStringLiteral("2.0.0"));

    // Reopening the window in the same run does not ask again.
    desktop().releaseNotes()->close();
    desktop().mainWindow().close();
    desktop().openMainWindow();
    runEventLoopFor(50);
    EXPECT_EQ(desktop().releaseNotes(), nullptr);
}

} // namespace
