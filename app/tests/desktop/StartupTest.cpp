// The assembled program's life: start-up in windowed and menu-bar mode, the tray menu, a second
// launch, the theme at launch, the release notes and the automatic update checks.

#include "DesktopFixture.h"
#include "FeedServer.h"
#include "Screenshot.h"
#include "certificates/VerifyController.h"
#include "common/LocalizationService.h"
#include "common/SettingsKeys.h"
#include "platform/SingleInstance.h"
#include "session/AppState.h"
#include "session/DashboardTab.h"
#include "shell/SettingsController.h"
#include "shell/TrayMenuController.h"
#include "shell/views/Appearance.h"
#include "shell/views/AppearanceStyle.h"
#include "shell/views/ContentView.h"
#include "shell/views/MainWindow.h"
#include "shell/views/TrayMenuView.h"
#include "updates/UpdateSchedule.h"
#include "updates/UpdateViewModel.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QStyle>
#include <QSystemTrayIcon>

using namespace orvela;
using namespace orvela::desktoptest;
using shell::MenuEntryId;

namespace {

class StartupTest : public DesktopFixture {
protected:
    void SetUp() override
    {
        DesktopFixture::SetUp();
        feed.body = shell::testing::appcastWithEnclosure("1.0.0", "https://127.0.0.1/1.0");
        settings().setValue(QStringLiteral("update.feedURL"), feed.url().toString());
    }

    QMenu* trayMenu() { return desktop().trayMenu()->menu(); }
    QAction* trayAction(const QString& text)
    {
        for (QAction* candidate : trayMenu()->actions()) {
            if (candidate->text() == text) {
                return candidate;
            }
        }
        return nullptr;
    }

    shell::testing::FeedServer feed;
};

// The window's first frame comes before the restore, the tray item and the update check; the
// tray menu then follows the session.
TEST_F(StartupTest, WindowedModeShowsTheWindowFirstThenTheTrayAndTheChecks)
{
    automaticUpdateChecks = true;
    build();
    QSignalSpy restored(&desktop().appState(), &session::AppState::restoreFinished);
    desktop().start();
    shell::views::MainWindow& window = desktop().mainWindow();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.objectName(), QStringLiteral("main"));
    EXPECT_EQ(window.minimumSize(), QSize(560, 520));
    EXPECT_EQ(window.size(), QSize(860, 620));
    QSystemTrayIcon* trayIcon = desktop().trayMenu()->icon();
    EXPECT_EQ(restored.size(), 0);
    EXPECT_FALSE(trayIcon->isVisible());
    ASSERT_TRUE(waitUntil([&] { return restored.size() == 1; }));
    // The window did not wait for the feed either: the check is only due.
    const updates::UpdateSchedule& schedule = desktop().updateSchedule();
    EXPECT_EQ(feed.requests, 0);
    EXPECT_TRUE(schedule.firstCheckTimer().isActive());
    EXPECT_TRUE(trayIcon->isVisible());
    EXPECT_FALSE(trayIcon->icon().isNull());
    // Nothing stored: the sign-in screen stays, and closing the window leaves the tray.
    EXPECT_EQ(desktop().appState().screen(), session::AppScreen::login);
    EXPECT_TRUE(desktop().trayShown());
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());

    desktop().updateSchedule().setFirstCheckDelay(0);
    ASSERT_TRUE(waitUntil([&] { return !desktop().updates().lastCheckDate().isEmpty(); }));
    runEventLoopFor(300);
    EXPECT_EQ(feed.requests, 1);
    EXPECT_TRUE(schedule.dailyTimer().isActive());
    EXPECT_EQ(schedule.dailyTimer().interval(), 24 * 60 * 60 * 1000);
    EXPECT_FALSE(schedule.dailyTimer().isSingleShot());

    desktop().localization().setLanguage(common::AppLanguage::en);
    session::StoredIdentity person;
    person.fullName = QStringLiteral("Bat Dorj");
    desktop().appState().signIn(person);
    ASSERT_TRUE(waitUntil([&] { return trayAction(QStringLiteral("Log out")) != nullptr; }));
    auto* status = trayMenu()->findChild<QAction*>(QStringLiteral("trayStatus"));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->text(), QStringLiteral("Bat Dorj"));
    window.close();
    // The menu opens the window and asks over it before the log is cleared.
    trayAction(QStringLiteral("Log out"))->trigger();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(desktop().appState().screen(), session::AppScreen::dashboard);
    QMessageBox* question = nullptr;
    ASSERT_TRUE(
        waitUntil([&] { return (question = window.findChild<QMessageBox*>()) != nullptr; }));
    EXPECT_TRUE(question->text().endsWith("The activity log on this computer is cleared."));
    for (QAbstractButton* button : question->buttons()) {
        if (question->buttonRole(button) == QMessageBox::DestructiveRole) {
            button->click();
        }
    }
    EXPECT_EQ(desktop().appState().screen(), session::AppScreen::login);
    ASSERT_TRUE(waitUntil([&] { return trayAction(QStringLiteral("Log out")) == nullptr; }));
    window.close();
    trayAction(QStringLiteral("Open window"))->trigger();
    EXPECT_TRUE(window.isVisible());
}

// The window closes after its first frame; the menu or a second launch of the program opens it
// again, and each opening of a closed window runs the restore again. The program starts over the
// socket file a killed instance left, with nobody behind it.
TEST_F(StartupTest, MenuBarModeClosesTheWindowAfterStartAndTheMenuOrASecondLaunchOpensIt)
{
    QFile stale(QDir::tempPath() + QLatin1Char('/') + instanceName);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    EXPECT_FALSE(platform::SingleInstance(instanceName).handOver()); // nobody to hand over to
    settings().setValue(settings::uiBackgroundMode.toString(), true);
    build();
    QSignalSpy restored(&desktop().appState(), &session::AppState::restoreFinished);
    desktop().start();
    ASSERT_TRUE(waitUntil([&] { return !desktop().mainWindow().isVisible(); }));
    ASSERT_TRUE(waitUntil([&] { return restored.size() == 1; }));
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());

    desktop().menuBar().trigger(MenuEntryId::open);
    EXPECT_TRUE(desktop().mainWindow().isVisible());
    EXPECT_TRUE(waitUntil([&] { return restored.size() == 2; }));

    desktop().mainWindow().close();
    ASSERT_TRUE(platform::SingleInstance(instanceName).handOver());
    EXPECT_TRUE(waitUntil([&] { return desktop().mainWindow().isVisible(); }, 3000));
}

// A PDF handed over by a later start (the file manager's "open with") reaches the verification
// page of the running program: kept while nobody is signed in, shown once the dashboard is
// there, and at once after that. Any path survives the trip, a line break in it included; a
// relative one, which would be read from the wrong folder, is not taken.
TEST_F(StartupTest, ADocumentHandedOverOpensOnTheVerificationPage)
{
    launch();
    const QString first = dir.filePath(QStringLiteral("signed\ncontract.pdf"));
    const QString second = dir.filePath(QStringLiteral("second.pdf"));
    desktop().mainWindow().close();
    ASSERT_TRUE(platform::SingleInstance(instanceName).handOver(first));
    EXPECT_TRUE(waitUntil([&] { return desktop().mainWindow().isVisible(); }, 3000));

    session::StoredIdentity person;
    person.fullName = QStringLiteral("Bat Dorj");
    desktop().appState().signIn(person);
    const auto inspector = [&]() -> certificates::VerifyController* {
        QWidget* screen = desktop().content().currentScreen();
        return screen ? screen->findChild<certificates::VerifyController*>() : nullptr;
    };
    ASSERT_TRUE(waitUntil([&] { return inspector() && inspector()->pdfPath() == first; }));
    EXPECT_EQ(desktop().appState().selectedTab(), session::DashboardTab::verify);

    desktop().appState().setSelectedTab(session::DashboardTab::home);
    QStringList shown;
    QObject::connect(inspector(), &certificates::VerifyController::changed, inspector(),
                     [&] { shown << inspector()->pdfPath(); });
    ASSERT_TRUE(platform::SingleInstance(instanceName).handOver(QStringLiteral("relative.pdf")));
    ASSERT_TRUE(platform::SingleInstance(instanceName).handOver(second));
    ASSERT_TRUE(waitUntil([&] { return inspector()->pdfPath() == second; }, 3000));
    EXPECT_EQ(desktop().appState().selectedTab(), session::DashboardTab::verify);
    EXPECT_EQ(inspector()->sourcePath(), second);
    EXPECT_FALSE(shown.contains(QStringLiteral("relative.pdf"))) << shown.join(u' ').toStdString();
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

TEST_F(StartupTest, ADistributionBuildFetchesNothingAndSaysWhereUpdatesComeFrom)
{
    automaticUpdateChecks = false;
    build();
    desktop().updateSchedule().setFirstCheckDelay(0);
    start();
    runEventLoopFor(500);
    EXPECT_EQ(feed.requests, 0);
    EXPECT_FALSE(desktop().updateSchedule().dailyTimer().isActive());
    EXPECT_TRUE(settings().value(settings::lastUpdateCheck.toString()).isNull());

    desktop().showSettingsWindow();
    QLabel* note = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        note = note != nullptr ? note : window->findChild<QLabel*>(QStringLiteral("updatesNote"));
    }
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->text(),
              QStringLiteral("Шинэчлэлтийг таны дистрибутивын багц удирдагчаас авна."));
    note->window()->close();
}

TEST_F(StartupTest, TheStoredThemeHoldsFromLaunchAndFollowsChanges)
{
    settings().setValue(settings::uiTheme.toString(), QStringLiteral("dark"));
    build();
    EXPECT_LT(QApplication::palette().color(QPalette::Window).lightness(), 80);
    EXPECT_NE(qobject_cast<shell::views::AppearanceStyle*>(QApplication::style()), nullptr);
    desktop().settings().setTheme(shell::ThemeMode::light);
    EXPECT_GT(QApplication::palette().color(QPalette::Window).lightness(), 200);
    shell::views::Appearance::apply(shell::ThemeMode::system);
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
