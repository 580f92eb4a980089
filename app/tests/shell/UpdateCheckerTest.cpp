#include "shell/UpdateChecker.h"

#include "FeedServer.h"
#include "QtPrinters.h"
#include "common/LocalizationService.h"
#include "shell/UpdateFeed.h"
#include "shell/UpdateMenuActions.h"

#include <QAction>
#include <QNetworkAccessManager>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace orvela::shell;
using orvela::shell::testing::FeedServer;

namespace {

using Status = UpdateCheckResult::Status;

class UpdateCheckerTest : public ::testing::Test {
protected:
    // Runs one check to its end and returns what it reported.
    UpdateCheckResult runCheck(UpdateChecker& checker)
    {
        QSignalSpy finished(&checker, &UpdateChecker::checkFinished);
        EXPECT_TRUE(checker.checkForUpdates());
        EXPECT_TRUE(finished.wait(10000));
        return finished.isEmpty() ? UpdateCheckResult{}
                                  : finished.first().first().value<UpdateCheckResult>();
    }

    QNetworkAccessManager network;
    FeedServer server;
};

TEST_F(UpdateCheckerTest, OnlyANewerReleaseIsReportedWithItsDownloadLink)
{
    for (const char* version : {"1.2.0", "1.0", "1.0.0", "0.9.9"}) {
        SCOPED_TRACE(version);
        const bool newer = QByteArray(version) == "1.2.0";
        server.body = orvela::shell::testing::appcastWithEnclosure(version, "https://dl.example/1.2");
        UpdateChecker checker(&network, server.url(), "1.0.0");
        const UpdateCheckResult result = runCheck(checker);
        EXPECT_EQ(result.status, newer ? Status::updateAvailable : Status::upToDate);
        EXPECT_EQ(result.downloadUrl, newer ? QUrl("https://dl.example/1.2") : QUrl());
        EXPECT_TRUE(result.feedRead());
        EXPECT_EQ(checker.lastResult().status, result.status);
    }
    EXPECT_TRUE(server.lastRequest.startsWith("GET /appcast.xml HTTP/1.1\r\n"));
}

TEST_F(UpdateCheckerTest, FailuresAreReportedAsFailures)
{
    // An error status with a body that would otherwise announce an update.
    server.status = 404;
    server.body = orvela::shell::testing::appcastWithEnclosure("9.0", "https://dl/x");
    UpdateChecker checker(&network, server.url(), "1.0.0");
    UpdateCheckResult result = runCheck(checker);
    EXPECT_EQ(result.status, Status::failed);
    EXPECT_FALSE(result.error.isEmpty());

    // A page that is not a feed.
    server.status = 200;
    server.body = "<html><body>captive portal</body></html>";
    result = runCheck(checker);
    EXPECT_EQ(result.status, Status::failed);

    // Nobody listening: a port freed just before the check.
    quint16 freePort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        freePort = probe.serverPort();
    }
    checker.setFeedUrl(QUrl(QStringLiteral("http://127.0.0.1:%1/appcast.xml").arg(freePort)));
    result = runCheck(checker);
    EXPECT_EQ(result.status, Status::failed);
    EXPECT_FALSE(result.feedRead());
    EXPECT_TRUE(checker.canCheckForUpdates());
}

TEST_F(UpdateCheckerTest, AnOversizedFeedIsRefused)
{
    // A valid feed announcing an update, buried in more padding than any feed carries.
    QByteArray body = orvela::shell::testing::appcastWithEnclosure("9.0", "https://dl/x");
    body.insert(body.indexOf("<channel>"), QByteArray(5 * 1024 * 1024, ' '));
    server.body = body;
    UpdateChecker checker(&network, server.url(), "1.0.0");
    const UpdateCheckResult result = runCheck(checker);
    EXPECT_EQ(result.status, Status::failed);
    EXPECT_EQ(result.error, "feed too large");
    EXPECT_TRUE(checker.canCheckForUpdates());
}

TEST_F(UpdateCheckerTest, NoSecondCheckWhileOneRuns)
{
    server.hold = true;
    server.body = orvela::shell::testing::appcastWithEnclosure("1.0.0", "https://dl/x");
    UpdateChecker checker(&network, server.url(), "1.0.0");
    QSignalSpy canCheck(&checker, &UpdateChecker::canCheckForUpdatesChanged);
    QSignalSpy finished(&checker, &UpdateChecker::checkFinished);
    ASSERT_TRUE(checker.checkForUpdates());
    EXPECT_FALSE(checker.canCheckForUpdates());
    EXPECT_FALSE(checker.checkForUpdates());
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests == 1; }, 10000));
    server.release();
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_TRUE(checker.canCheckForUpdates());
    EXPECT_EQ(server.requests, 1);
    ASSERT_EQ(canCheck.size(), 2);
    EXPECT_FALSE(canCheck.at(0).at(0).toBool());
    EXPECT_TRUE(canCheck.at(1).at(0).toBool());
}

TEST_F(UpdateCheckerTest, WithoutAUsableFeedNothingIsChecked)
{
    for (const QUrl& url :
         {QUrl(), QUrl("file:///tmp/appcast.xml"), QUrl("ftp://h/a"), QUrl("https://")}) {
        SCOPED_TRACE(url.toString().toStdString());
        UpdateChecker checker(&network, url, "1.0.0");
        EXPECT_FALSE(checker.canCheckForUpdates());
        EXPECT_FALSE(checker.checkForUpdates());
    }
}

TEST_F(UpdateCheckerTest, TheMenuItemFollowsTheCheckerAndStartsACheck)
{
    server.hold = true;
    server.body = orvela::shell::testing::appcastWithEnclosure("1.0.0", "https://dl/x");
    UpdateChecker checker(&network, QUrl(), "1.0.0");
    QTemporaryDir dir;
    QSettings store(dir.filePath("settings.ini"), QSettings::IniFormat);
    orvela::common::LocalizationService localization(&store);
    UpdateMenuActions actions(&checker, localization);
    localization.setLanguage(orvela::common::AppLanguage::en);
    EXPECT_EQ(actions.checkForUpdatesAction()->text(), "Check for Updates...");
    EXPECT_FALSE(actions.checkForUpdatesAction()->isEnabled());
    // Nothing to check without a feed address, so the item is not offered.
    EXPECT_FALSE(actions.checkForUpdatesAction()->isVisible());

    checker.setFeedUrl(server.url());
    EXPECT_TRUE(actions.checkForUpdatesAction()->isEnabled());
    EXPECT_TRUE(actions.checkForUpdatesAction()->isVisible());
    QSignalSpy finished(&checker, &UpdateChecker::checkFinished);
    actions.checkForUpdatesAction()->trigger();
    EXPECT_FALSE(actions.checkForUpdatesAction()->isEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests == 1; }, 10000));
    server.release();
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_TRUE(actions.checkForUpdatesAction()->isEnabled());

    QSignalSpy notes(&actions, &UpdateMenuActions::releaseNotesRequested);
    actions.releaseHistoryAction()->trigger();
    EXPECT_EQ(notes.size(), 1);
}

TEST(UpdateFeed, TheSettingWinsOverTheBuiltInAddress)
{
    QTemporaryDir dir;
    QSettings store(dir.filePath("s.ini"), QSettings::IniFormat);
    // Built without a feed address, as the tests are.
    EXPECT_TRUE(configuredFeedUrl(store).isEmpty());
    store.setValue(updateFeedUrl.toString(), " https://updates.example/appcast.xml ");
    EXPECT_EQ(configuredFeedUrl(store), QUrl("https://updates.example/appcast.xml"));
}

} // namespace
