// Automatic update checks of the assembled program: once after start, then daily, or never in a
// distribution build.

#include "shell/UpdateSchedule.h"

#include "DesktopFixture.h"
#include "FeedServer.h"
#include "common/SettingsKeys.h"
#include "shell/MainWindow.h"
#include "shell/SettingsController.h"
#include "shell/UpdateViewModel.h"

#include <QApplication>
#include <QLabel>
#include <QSignalSpy>

using namespace orvela;
using namespace orvela::desktoptest;

namespace {

class UpdateScheduleTest : public DesktopFixture {
protected:
    void SetUp() override
    {
        DesktopFixture::SetUp();
        feed.body = shell::testing::appcastWithEnclosure("1.0.0", "https://dl.example/1.0");
        settings().setValue(QStringLiteral("update.feedURL"), feed.url().toString());
    }

    /// Starts the program and waits for its window's first frame.
    void startAndWaitForTheWindow()
    {
        QSignalSpy appeared(&desktop().mainWindow(), &shell::MainWindow::contentShown);
        desktop().start();
        ASSERT_TRUE(waitUntil([&] { return !appeared.isEmpty(); }));
    }

    shell::testing::FeedServer feed;
};

TEST_F(UpdateScheduleTest, TheProgramChecksOnceAfterItsWindowAppearedThenDaily)
{
    automaticUpdateChecks = true;
    build();
    startAndWaitForTheWindow();
    // The window did not wait for the feed: the check is only due.
    const shell::UpdateSchedule& schedule = desktop().updateSchedule();
    EXPECT_EQ(feed.requests, 0);
    EXPECT_TRUE(schedule.firstCheckTimer().isActive());

    desktop().updateSchedule().setFirstCheckDelay(0);
    ASSERT_TRUE(waitUntil([&] { return !desktop().updates().lastCheckDate().isEmpty(); }));
    runEventLoopFor(300);
    EXPECT_EQ(feed.requests, 1);
    EXPECT_TRUE(schedule.dailyTimer().isActive());
    EXPECT_EQ(schedule.dailyTimer().interval(), 24 * 60 * 60 * 1000);
    EXPECT_FALSE(schedule.dailyTimer().isSingleShot());
}

TEST_F(UpdateScheduleTest, ADistributionBuildFetchesNothingAndSaysWhereUpdatesComeFrom)
{
    automaticUpdateChecks = false;
    build();
    desktop().updateSchedule().setFirstCheckDelay(0);
    startAndWaitForTheWindow();
    runEventLoopFor(500);
    EXPECT_EQ(feed.requests, 0);
    EXPECT_FALSE(desktop().updateSchedule().dailyTimer().isActive());
    EXPECT_TRUE(settings().value(settings::lastUpdateCheck.toString()).isNull());

    desktop().showSettingsWindow();
    QWidget* settingsWindow = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QStringLiteral("settingsWindow")) {
            settingsWindow = widget;
        }
    }
    ASSERT_NE(settingsWindow, nullptr);
    const auto* note = settingsWindow->findChild<QLabel*>(QStringLiteral("updatesNote"));
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->text(),
              QStringLiteral("Шинэчлэлтийг таны дистрибутивын багц удирдагчаас авна."));
    settingsWindow->close();
}

} // namespace
