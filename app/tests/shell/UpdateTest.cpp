// The update check from the feed's bytes to what the menu and the version line show.

#include "FeedServer.h"
#include "QtPrinters.h"
#include "Screenshot.h"
#include "common/LocalizationService.h"
#include "common/SettingsKeys.h"
#include "shell/UpdateChecker.h"
#include "shell/UpdateFeed.h"
#include "shell/UpdateInfoView.h"
#include "shell/UpdateMenuActions.h"
#include "shell/UpdateViewModel.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace orvela::shell;
using orvela::shell::testing::appcast;
using orvela::shell::testing::appcastWithEnclosure;
using orvela::shell::testing::FeedServer;
using Status = UpdateCheckResult::Status;

namespace {

QByteArray oversized()
{
    QByteArray body = appcastWithEnclosure("9.0", "https://dl/x");
    body.insert(body.indexOf("<channel>"), QByteArray(5 * 1024 * 1024, ' '));
    return body;
}

class UpdateTest : public ::testing::Test {
protected:
    UpdateCheckResult runCheck(UpdateChecker& checker)
    {
        QSignalSpy finished(&checker, &UpdateChecker::checkFinished);
        EXPECT_TRUE(checker.checkForUpdates());
        EXPECT_TRUE(finished.wait(10000));
        EXPECT_TRUE(checker.canCheckForUpdates());
        return finished.isEmpty() ? UpdateCheckResult{}
                                  : finished.first().first().value<UpdateCheckResult>();
    }

    QTemporaryDir dir;
    QSettings store{dir.filePath("s.ini"), QSettings::IniFormat};
    orvela::common::LocalizationService localization{&store};
    QNetworkAccessManager network;
    FeedServer server;
};

TEST_F(UpdateTest, TheFeedDecidesTheOutcome)
{
    const struct {
        const char* name;
        const char* current;
        int status;
        QByteArray body;
        Status expected;
        const char* download;
    } cases[] = {
        {"newer, versions on the enclosure", "1.0.0", 200,
         appcastWithEnclosure("1.2.0", "https://dl.example/1.2"), Status::updateAvailable,
         "https://dl.example/1.2"},
        {"newer, versions as elements, link in <link>", "1.0.0", 200,
         appcast("<item><sparkle:version>9</sparkle:version>"
                 "<sparkle:shortVersionString>1.1</sparkle:shortVersionString>"
                 "<link>https://orvela.example/c</link></item>"),
         Status::updateAvailable, "https://orvela.example/c"},
        {"dotted parts compare as numbers", "1.9", 200,
         appcastWithEnclosure("1.10", "https://dl/10"), Status::updateAvailable, "https://dl/10"},
        {"the newest item wins", "1.0", 200,
         appcast("<item><sparkle:version>1.3</sparkle:version><link>http://x/3</link></item>"
                 "<item><sparkle:version>1.4</sparkle:version><link>http://x/4</link></item>"
                 "<item><sparkle:version>1.2</sparkle:version><link>http://x/2</link></item>"),
         Status::updateAvailable, "http://x/4"},
        {"same version written shorter", "1.0.0", 200, appcastWithEnclosure("1.0", "https://dl/x"),
         Status::upToDate, ""},
        {"older", "1.0.0", 200, appcastWithEnclosure("0.9.9", "https://dl/x"), Status::upToDate,
         ""},
        {"items without a version or a safe link are skipped", "1.0", 200,
         appcast("<item><enclosure url=\"https://x/a\"/></item>"
                 "<item><sparkle:version>9</sparkle:version></item>"
                 "<item><sparkle:version>9</sparkle:version>"
                 "<enclosure url=\"file:///etc/passwd\"/></item>"
                 "<item><sparkle:version>0.5</sparkle:version><link>http://x/ok</link></item>"),
         Status::upToDate, ""},
        {"an error status with an update in its body", "1.0.0", 404,
         appcastWithEnclosure("9.0", "https://dl/x"), Status::failed, ""},
        {"a captive portal", "1.0.0", 200, "<html><body>portal</body></html>", Status::failed, ""},
        {"cut short", "1.0.0", 200, appcast("<item><title>cut"), Status::failed, ""},
        {"more than any feed carries", "1.0.0", 200, oversized(), Status::failed, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        server.status = c.status;
        server.body = c.body;
        UpdateChecker checker(&network, server.url(), c.current);
        const UpdateCheckResult result = runCheck(checker);
        EXPECT_EQ(result.status, c.expected);
        EXPECT_EQ(result.downloadUrl, QUrl(c.download));
        EXPECT_EQ(result.status == Status::failed, !result.feedRead());
    }
    EXPECT_TRUE(server.lastRequest.contains("GET /appcast.xml HTTP/1.1\r\n"));
}

TEST_F(UpdateTest, OnlyAnHttpAddressGivesAFeed)
{
    for (const QUrl& url :
         {QUrl(), QUrl("file:///tmp/appcast.xml"), QUrl("ftp://h/a"), QUrl("https://")}) {
        UpdateChecker none(&network, url, "1.0.0");
        EXPECT_FALSE(none.canCheckForUpdates()) << url.toString().toStdString();
        EXPECT_FALSE(none.checkForUpdates());
    }
    // Built without a feed address, as the tests are: only the setting gives one.
    EXPECT_TRUE(configuredFeedUrl(store).isEmpty());
    store.setValue(updateFeedUrl.toString(), " https://updates.example/appcast.xml ");
    EXPECT_EQ(configuredFeedUrl(store), QUrl("https://updates.example/appcast.xml"));
}

// The menu item and the version line start one check at a time and wait for it; the time is
// recorded only after a check that read the feed, and outlives a restart.
TEST_F(UpdateTest, OneCheckAtATimeAndTheTimeOfTheLastGoodOne)
{
    QApplication::setApplicationVersion("1.0.0");
    const QDateTime now(QDate(2026, 3, 7), QTime(9, 5), Qt::LocalTime);
    const QString lastCheck = orvela::settings::lastUpdateCheck.toString();
    UpdateChecker checker(&network, QUrl(), "1.0.0");
    UpdateMenuActions actions(&checker, localization);
    QAction* check = actions.checkForUpdatesAction();
    EXPECT_FALSE(check->isVisible()); // nothing to check without a feed address
    QUrl closed;
    {
        FeedServer gone; // its port, free again: nobody listens there
        closed = gone.url();
    }
    checker.setFeedUrl(closed);
    EXPECT_TRUE(check->isVisible());
    UpdateViewModel model(&store, &checker);
    model.setClock([&] { return now; });
    UpdateInfoView view(model, localization);
    view.show();
    auto* button = view.findChild<QToolButton*>("versionButton");
    auto* lastChecked = view.findChild<QLabel*>("lastChecked");

    QSignalSpy finished(&checker, &UpdateChecker::checkFinished);
    check->trigger();
    ASSERT_TRUE(finished.wait(10000));
    const auto refused = finished.takeFirst().first().value<UpdateCheckResult>();
    EXPECT_EQ(refused.status, Status::failed);
    EXPECT_FALSE(refused.error.isEmpty());
    EXPECT_FALSE(store.contains(lastCheck));
    EXPECT_FALSE(model.updateAvailable());

    checker.setFeedUrl(server.url());
    server.body = appcastWithEnclosure("2.0.0", "https://dl/2");
    button->click();
    EXPECT_FALSE(button->isEnabled());
    EXPECT_FALSE(check->isEnabled());
    EXPECT_FALSE(checker.checkForUpdates());
    EXPECT_FALSE(store.contains(lastCheck));
    EXPECT_FALSE(lastChecked->isVisible());
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(server.requests, 1);
    EXPECT_TRUE(button->isEnabled());
    EXPECT_TRUE(check->isEnabled());
    EXPECT_TRUE(lastChecked->isVisible());
    EXPECT_TRUE(view.findChild<QLabel*>("updateAvailable")->text().contains("https://dl/2"));
    ASSERT_FALSE(orvela::testing::saveScreenshot(view, "update-info-mn").isEmpty());
    localization.setLanguage(orvela::common::AppLanguage::en);
    EXPECT_EQ(lastChecked->text(), "Checked 03/07 09:05");
    ASSERT_FALSE(orvela::testing::saveScreenshot(view, "update-info-en").isEmpty());
    QSettings reopened(store.fileName(), QSettings::IniFormat);
    EXPECT_EQ(UpdateViewModel(&reopened, &checker).lastCheckDate(), "03/07 09:05");

    QSignalSpy notes(&actions, &UpdateMenuActions::releaseNotesRequested);
    actions.releaseHistoryAction()->trigger();
    EXPECT_EQ(notes.size(), 1);
    QApplication::setApplicationVersion(QString());
}

} // namespace
