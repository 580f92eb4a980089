// The update check from the feed's bytes to what the menus, the version line, the outcome
// window and the release notes show.

#include "FeedServer.h"
#include "QtPrinters.h"
#include "Screenshot.h"
#include "ShellFixture.h"
#include "api/APIClient.h"
#include "common/SettingsKeys.h"
#include "shell/TrayMenuController.h"
#include "updates/Changelog.h"
#include "updates/ReleaseNotesGate.h"
#include "updates/UpdateChecker.h"
#include "updates/UpdateFeed.h"
#include "updates/UpdateOutcome.h"
#include "updates/UpdateSchedule.h"
#include "updates/UpdateViewModel.h"
#include "updates/views/UpdateInfoView.h"
#include "updates/views/UpdateMenuActions.h"
#include "updates/views/UpdateOutcomeView.h"
#include "updates/views/WhatsNewView.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace orvela::shell;
using namespace orvela::updates;
using namespace orvela::updates::views;
using orvela::common::AppLanguage;
using orvela::shell::testing::appcast;
using orvela::shell::testing::appcastWithEnclosure;
using orvela::shell::testing::FeedServer;
using orvela::shell::testing::ShellFixture;
using Status = UpdateCheckResult::Status;
using Failure = UpdateCheckResult::Failure;
using Wait = orvela::api::TransportError::Wait;
using Mode = FeedServer::Mode;

namespace {

constexpr qint64 kMiB = 1024 * 1024;

QByteArray oversized()
{
    QByteArray body = appcastWithEnclosure("9.0", "https://127.0.0.1/x");
    body.insert(body.indexOf("<channel>"), QByteArray(5 * kMiB, ' '));
    return body;
}

QByteArray item(const QByteArray& version, const QByteArray& link)
{
    return "<item><sparkle:version>" + version + "</sparkle:version><link>" + link +
           "</link></item>";
}

// The process's peak resident size in KiB since the last reset, or -1 where /proc has none.
qint64 peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').first().toLongLong();
        }
    }
    return -1;
}

// Brings the peak back down to the present size, so a check's own growth can be read.
bool resetPeakResident()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

bool hasCyrillic(const QString& text)
{
    return text.contains(QRegularExpression(QStringLiteral("[\\x{0400}-\\x{04FF}]")));
}

class UpdateTest : public ShellFixture {
protected:
    UpdateCheckResult runCheck(UpdateChecker& checker)
    {
        QSignalSpy finished(&checker, &UpdateChecker::checkFinished);
        EXPECT_TRUE(checker.checkForUpdates());
        EXPECT_TRUE(finished.wait(20000));
        EXPECT_TRUE(checker.canCheckForUpdates());
        return finished.isEmpty() ? UpdateCheckResult{}
                                  : finished.first().first().value<UpdateCheckResult>();
    }

    orvela::api::APIClientOptions clientOptions()
    {
        orvela::api::APIClientOptions options;
        options.settings = &store();
        return options;
    }

    orvela::api::APIClient client{clientOptions()};
    FeedServer server;
};

// A failed row names its reason as a person reads it. Every row also checks that the check
// holds the process within a few MiB of the feed's cap, by its peak resident size, and what the
// server managed to send before it was cut off.
TEST_F(UpdateTest, TheFeedDecidesTheOutcomeAndAHostileOneIsRefused)
{
    const QString link = QStringLiteral("https://127.0.0.1/dl/1.2");
    const char* noRelease =
        "The update feed lists no release with a valid version and a safe download link.";
    const char* notAFeed = "The update address did not return an update feed.";
    const char* tooLarge = "The update feed is larger than 4 MiB, so it was refused.";
    const struct {
        const char* name;
        const char* current;
        int status;
        QByteArray body;
        Status expected;
        const char* download;
        Failure failure = Failure::none;
        const char* reason = "";
        Mode mode = Mode::whole;
        int dripMs = 100;
    } cases[] = {
        {"newer, versions on the enclosure", "1.0.0", 200, appcastWithEnclosure("1.2.0", link),
         Status::updateAvailable, "https://127.0.0.1/dl/1.2"},
        {"newer, versions as elements, link in <link>", "1.0.0", 200,
         appcast("<item><sparkle:version>9</sparkle:version>"
                 "<sparkle:shortVersionString>1.1</sparkle:shortVersionString>"
                 "<link>https://127.0.0.1:8443/c</link></item>"),
         Status::updateAvailable, "https://127.0.0.1:8443/c"},
        {"dotted parts compare as numbers", "1.9", 200,
         appcastWithEnclosure("1.10", "https://127.0.0.1/10"), Status::updateAvailable,
         "https://127.0.0.1/10"},
        {"the newest item wins", "1.0", 200,
         appcast(item("1.3", "https://127.0.0.1/3") + item("1.4", "https://127.0.0.1/4") +
                 item("1.2", "https://127.0.0.1/2")),
         Status::updateAvailable, "https://127.0.0.1/4"},
        {"same version written shorter", "1.0.0", 200, appcastWithEnclosure("1.0", link),
         Status::upToDate, ""},
        {"older", "1.0.0", 200, appcastWithEnclosure("0.9.9", link), Status::upToDate, ""},
        {"items without a version or a safe link are skipped", "1.0", 200,
         appcast("<item><enclosure url=\"https://127.0.0.1/a\"/></item>" + item("9", "") +
                 item("9", "file:///etc/passwd") + item("0.5", "https://127.0.0.1/ok")),
         Status::upToDate, ""},
        {"a version with a line break", "1.0", 200,
         appcast(item("9.0&#10;Install now", "https://127.0.0.1/x")), Status::failed, "",
         Failure::noRelease, noRelease},
        {"a version with letters", "1.0", 200, appcast(item("9.0-beta", "https://127.0.0.1/x")),
         Status::failed, "", Failure::noRelease, noRelease},
        {"a plain http link", "1.0", 200, appcastWithEnclosure("9.0", "http://127.0.0.1/x"),
         Status::failed, "", Failure::noRelease, noRelease},
        {"a link to another host", "1.0", 200,
         appcastWithEnclosure("9.0", "https://evil.example/x"), Status::failed, "",
         Failure::noRelease, noRelease},
        {"a link with a user name", "1.0", 200,
         appcastWithEnclosure("9.0", "https://evil.example@127.0.0.1/x"), Status::failed, "",
         Failure::noRelease, noRelease},
        {"an error status with an update in its body", "1.0.0", 404,
         appcastWithEnclosure("9.0", link), Status::failed, "", Failure::transfer,
         "The update server answered with an error (HTTP 404)."},
        {"a captive portal", "1.0.0", 200, "<html><body>portal</body></html>", Status::failed, "",
         Failure::notAFeed, notAFeed},
        {"cut short", "1.0.0", 200, appcast("<item><title>cut"), Status::failed, "",
         Failure::notAFeed, notAFeed},
        {"more than any feed carries", "1.0.0", 200, oversized(), Status::failed, "",
         Failure::transfer, tooLarge},
        {"an endless chunked feed",
         "1.0.0",
         200,
         {},
         Status::failed,
         "",
         Failure::transfer,
         tooLarge,
         Mode::endlessChunked},
        {"a feed dripped past the overall limit", "1.0.0", 200, appcastWithEnclosure("9.0", link),
         Status::failed, "", Failure::transfer,
         "Timed out: the exchange with the server took longer than 4 s.", Mode::drip},
        {"headers, then silence", "1.0.0", 200, appcastWithEnclosure("9.0", link), Status::failed,
         "", Failure::transfer, "Timed out: the server sent nothing for 2 s.", Mode::drip, 10000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // A server of its own for each row, so that no connection of an earlier row still
        // pouring or dripping counts for this one.
        FeedServer feed;
        feed.status = c.status;
        feed.body = c.body;
        feed.mode = c.mode;
        feed.dripIntervalMs = c.dripMs;
        UpdateChecker checker(client, feed.url(), c.current);
        checker.setTimeLimits(2000, 4000);
        const bool measured = resetPeakResident();
        const qint64 before = peakResidentKiB();
        const UpdateCheckResult result = runCheck(checker);
        EXPECT_EQ(result.status, c.expected);
        EXPECT_EQ(result.downloadUrl, QUrl(c.download));
        EXPECT_EQ(result.failure, c.failure);
        EXPECT_EQ(result.status == Status::failed, !result.feedRead());
        if (!result.feedRead()) {
            EXPECT_EQ(failureReason(result, AppLanguage::en), c.reason);
        }
        EXPECT_LT(feed.bytesSent, 32 * kMiB);
        if (measured) {
            EXPECT_LT(peakResidentKiB() - before, 48 * 1024);
        }
        EXPECT_TRUE(feed.lastRequest.startsWith("GET /appcast.xml HTTP/1.1\r\n"));
    }
}

TEST_F(UpdateTest, OnlyAnHttpAddressGivesAFeed)
{
    for (const QUrl& url :
         {QUrl(), QUrl("file:///tmp/appcast.xml"), QUrl("ftp://h/a"), QUrl("https://")}) {
        UpdateChecker none(client, url, "1.0.0");
        EXPECT_FALSE(none.canCheckForUpdates()) << url.toString().toStdString();
        EXPECT_FALSE(none.checkForUpdates());
    }
    // Built without a feed address, as the tests are: only the setting gives one.
    EXPECT_TRUE(configuredFeedUrl(store()).isEmpty());
    store().setValue(updateFeedUrl.toString(), " https://updates.example/appcast.xml ");
    EXPECT_EQ(configuredFeedUrl(store()), QUrl("https://updates.example/appcast.xml"));
}

// The window menu's item and the tray's line are there without a feed address, disabled and
// saying why; with one, a check runs at a time, and the time is recorded only after a check that
// read the feed, and outlives a restart.
TEST_F(UpdateTest, TheMenusOfferTheCheckAlwaysAndSayWhyItIsOff)
{
    QApplication::setApplicationVersion("1.0.0");
    const QDateTime now(QDate(2026, 3, 7), QTime(9, 5), Qt::LocalTime);
    const QString lastCheck = orvela::settings::lastUpdateCheck.toString();
    UpdateChecker checker(client, QUrl(), "1.0.0");
    UpdateViewModel model(&store(), &checker);
    model.setClock([&] { return now; });
    UpdateMenuActions actions(model, localization);
    TrayMenuController trayMenu(controller.get());
    trayMenu.setCheckForUpdates(actions.checkForUpdatesAction());
    QAction* check = actions.checkForUpdatesAction();
    const auto trayLine = [&trayMenu] {
        for (const MenuEntry& entry : trayMenu.entries()) {
            if (entry.id == MenuEntryId::checkForUpdates) {
                return entry;
            }
        }
        return MenuEntry{};
    };
    for (const auto& [language, why] :
         {std::pair{AppLanguage::mn, "Шинэчлэлтийн эх сурвалж тохируулаагүй байна."},
          std::pair{AppLanguage::en, "No update feed is set."}}) {
        localization.setLanguage(language);
        EXPECT_TRUE(check->isVisible());
        EXPECT_FALSE(check->isEnabled());
        EXPECT_EQ(check->toolTip(), QString::fromUtf8(why));
        EXPECT_EQ(trayLine().text, check->text());
        EXPECT_FALSE(trayLine().enabled);
        EXPECT_EQ(trayLine().toolTip, QString::fromUtf8(why));
    }
    QUrl closed;
    {
        FeedServer gone; // its port, free again: nobody listens there
        closed = gone.url();
    }
    checker.setFeedUrl(closed);
    EXPECT_TRUE(trayLine().enabled);
    UpdateInfoView view(model, localization);
    view.show();
    auto* button = view.findChild<QToolButton*>("versionButton");
    auto* lastChecked = view.findChild<QLabel*>("lastChecked");

    QSignalSpy outcomes(&model, &UpdateViewModel::outcomeReady);
    trayMenu.trigger(MenuEntryId::checkForUpdates);
    ASSERT_TRUE(outcomes.wait(10000));
    const auto refused = outcomes.takeFirst().first().value<UpdateCheckResult>();
    EXPECT_EQ(refused.failure, Failure::transfer);
    EXPECT_EQ(failureReason(refused, AppLanguage::en), "The update server could not be reached.");
    EXPECT_FALSE(store().contains(lastCheck));
    EXPECT_FALSE(model.updateAvailable());

    checker.setFeedUrl(server.url());
    server.body = appcastWithEnclosure("2.0.0", "https://127.0.0.1/2");
    button->click();
    EXPECT_FALSE(button->isEnabled());
    EXPECT_FALSE(check->isEnabled());
    EXPECT_EQ(check->toolTip(), "Checking…");
    EXPECT_FALSE(model.checkNow());
    EXPECT_FALSE(lastChecked->isVisible());
    ASSERT_TRUE(outcomes.wait(10000));
    EXPECT_EQ(server.requests, 1);
    EXPECT_TRUE(button->isEnabled());
    EXPECT_TRUE(check->isEnabled());
    EXPECT_TRUE(lastChecked->isVisible());
    const auto* available = view.findChild<QLabel*>("updateAvailable");
    EXPECT_TRUE(available->text().contains("https://127.0.0.1/2"));
    // Tab reaches the download link, as it does every other link.
    EXPECT_TRUE(available->textInteractionFlags().testFlag(Qt::LinksAccessibleByKeyboard));
    EXPECT_EQ(lastChecked->text(), "Checked Mar 7, 2026, 9:05 AM");
    ASSERT_FALSE(orvela::testing::saveScreenshot(view, "update-info-en").isEmpty());
    localization.setLanguage(AppLanguage::mn);
    EXPECT_EQ(lastChecked->text(), "Шалгасан 2026.03.07 09:05");
    ASSERT_FALSE(orvela::testing::saveScreenshot(view, "update-info-mn").isEmpty());
    QSettings reopened(store().fileName(), QSettings::IniFormat);
    EXPECT_EQ(UpdateViewModel(&reopened, &checker).lastCheckDate(),
              now.toUTC().toString(Qt::ISODate));

    QSignalSpy notes(&actions, &UpdateMenuActions::releaseNotesRequested);
    actions.releaseHistoryAction()->trigger();
    EXPECT_EQ(notes.size(), 1);
    QApplication::setApplicationVersion(QString());
}

// A person's check always answers; the schedule's own check speaks only of a new version, and
// records the time of every read of the feed either way. The three answers are drawn in both
// languages.
TEST_F(UpdateTest, APersonHearsEveryOutcomeTheScheduleOnlyNews)
{
    const struct {
        const char* name;
        QByteArray body;
        const char* english;
        const char* mongolian;
    } outcomes[] = {
        {"uptodate", appcastWithEnclosure("1.0.0", "https://127.0.0.1/1"),
         "Version 1.0.0 is the newest release.", "1.0.0 хувилбар хамгийн сүүлийнх нь байна."},
        {"available",
         appcast("<item><sparkle:version>1.2.0</sparkle:version>"
                 "<description>&lt;p&gt;Signing is faster.&lt;/p&gt;&lt;p&gt;Tokens "
                 "&amp;amp; readers are found sooner.&lt;/p&gt;</description>"
                 "<link>https://127.0.0.1/dl/orvela-1.2.0.deb</link></item>"),
         "Version 1.2.0 is available; you have version 1.0.0.",
         "1.2.0 хувилбар гарсан байна; таных 1.0.0 хувилбар."},
        {"failed", "<html>portal</html>", "The update address did not return an update feed.",
         "Шинэчлэлтийн хаягаас шинэчлэлтийн мэдээлэл ирсэнгүй."},
    };
    const QString lastCheck = orvela::settings::lastUpdateCheck.toString();
    UpdateChecker checker(client, server.url(), "1.0.0");
    UpdateViewModel model(&store(), &checker);
    UpdateSchedule schedule(&model, true);
    schedule.setFirstCheckDelay(0);
    QSignalSpy finished(&checker, &UpdateChecker::checkFinished);
    QSignalSpy heard(&model, &UpdateViewModel::outcomeReady);
    UpdateOutcomeView view(localization);
    for (const auto& o : outcomes) {
        SCOPED_TRACE(o.name);
        server.body = o.body;
        store().remove(lastCheck);
        // The schedule's check first (its first one, then as its daily timer would ask): quiet
        // unless there is news.
        if (&o == &outcomes[0]) {
            schedule.start();
        } else {
            EXPECT_TRUE(model.checkNow(CheckOrigin::automatic));
        }
        ASSERT_TRUE(finished.wait(10000));
        finished.clear();
        const bool news = QByteArray(o.name) == "available";
        EXPECT_EQ(heard.size(), news ? 1 : 0);
        EXPECT_EQ(store().contains(lastCheck), QByteArray(o.name) != "failed");
        heard.clear();

        EXPECT_TRUE(model.checkNow());
        ASSERT_TRUE(heard.wait(10000));
        finished.clear();
        const auto result = heard.takeFirst().first().value<UpdateCheckResult>();
        view.setResult(result, "1.0.0");
        for (const auto& [language, message, suffix] :
             {std::tuple{AppLanguage::en, o.english, "en"},
              std::tuple{AppLanguage::mn, o.mongolian, "mn"}}) {
            localization.setLanguage(language);
            EXPECT_EQ(view.findChild<QLabel*>("updateOutcomeMessage")->text(),
                      QString::fromUtf8(message));
            EXPECT_EQ(hasCyrillic(view.windowTitle()), language == AppLanguage::mn);
            EXPECT_EQ(view.findChild<QPushButton*>("updateOutcomeDownload")->isVisibleTo(&view),
                      news);
            ASSERT_FALSE(orvela::testing::saveScreenshot(
                             view, QStringLiteral("update-%1-%2").arg(o.name, suffix))
                             .isEmpty());
        }
        if (news) {
            EXPECT_EQ(view.findChild<QPlainTextEdit*>("updateOutcomeNotes")->toPlainText(),
                      "Signing is faster.\nTokens & readers are found sooner.");
            EXPECT_EQ(view.findChild<QLabel*>("updateOutcomeLink")->text(),
                      "https://127.0.0.1/dl/orvela-1.2.0.deb");
        }
    }
    // Without a feed address a person's check cannot start, and hears why at once.
    checker.setFeedUrl(QUrl());
    EXPECT_FALSE(model.checkNow());
    ASSERT_EQ(heard.size(), 1);
    EXPECT_EQ(failureReason(heard.first().first().value<UpdateCheckResult>(), AppLanguage::en),
              "No update feed is set.");
    EXPECT_FALSE(model.checkNow(CheckOrigin::automatic));
    EXPECT_EQ(heard.size(), 1);
}

// How each failed transfer reads, in both languages: a time-out names its wait and its length.
TEST(UpdateFailureWords, EveryTransferFailureIsWordedInTheInterfaceLanguage)
{
    using orvela::api::APIError;
    using orvela::api::TransportError;
    TransportError idle{QNetworkReply::TimeoutError, "Operation canceled"};
    idle.timedOut = Wait::idle;
    idle.limitMs = 300;
    TransportError whole{QNetworkReply::TimeoutError, "Operation canceled"};
    whole.timedOut = Wait::exchange;
    whole.limitMs = 60000;
    const struct {
        orvela::api::CallError error;
        const char* english;
        const char* mongolian;
    } rows[] = {
        {idle, "Timed out: the server sent nothing for 1 s.",
         "Хугацаа хэтэрлээ: сервер 1 секундийн турш юу ч илгээсэнгүй."},
        {whole, "Timed out: the exchange with the server took longer than 60 s.",
         "Хугацаа хэтэрлээ: сервертэй харилцах нь 60 секундээс удаан үргэлжиллээ."},
        {TransportError{QNetworkReply::HostNotFoundError, "Host x not found"},
         "The update server's address was not found.", "Шинэчлэлтийн серверийн хаяг олдсонгүй."},
        {TransportError{QNetworkReply::ConnectionRefusedError, "Connection refused"},
         "The update server could not be reached.", "Шинэчлэлтийн сервертэй холбогдож чадсангүй."},
        {APIError::server(503, "<html>busy</html>"),
         "The update server answered with an error (HTTP 503).",
         "Шинэчлэлтийн сервер алдаатай хариу өглөө (HTTP 503)."},
        {APIError::replyTooLarge(), "The update feed is larger than 4 MiB, so it was refused.",
         "Шинэчлэлтийн мэдээлэл 4 MiB-ээс их тул татгалзлаа."},
    };
    for (const auto& row : rows) {
        const auto result = UpdateCheckResult::failed(Failure::transfer, row.error);
        EXPECT_EQ(failureReason(result, AppLanguage::en), row.english);
        EXPECT_EQ(failureReason(result, AppLanguage::mn), QString::fromUtf8(row.mongolian));
    }
}

// The sheet names the program and its version; each language shows its own texts only. A
// version of blanks counts as none.
TEST_F(UpdateTest, TheReleaseNotesOfAVersionInBothLanguages)
{
    EXPECT_FALSE(ReleaseNotesGate(&store(), "   ").takeStartupDecision());
    EXPECT_FALSE(store().contains(orvela::settings::whatsNewLastSeenVersion.toString()));

    WhatsNewView view(releaseHistory(), "1.0.0", localization);
    view.show();
    EXPECT_EQ(view.findChild<QLabel*>("whatsNewVersion")->text(), "Orvela Desktop v1.0.0");
    for (const auto& [language, title, released, suffix] :
         {std::tuple{AppLanguage::en, "What's New", "Apr 16, 2026", "en"},
          std::tuple{AppLanguage::mn, "Шинэчлэлт", "2026.04.16", "mn"}}) {
        localization.setLanguage(language);
        EXPECT_EQ(view.windowTitle(), QString::fromUtf8(title));
        QStringList shown;
        for (const QLabel* label : view.findChildren<QLabel*>()) {
            shown << label->text();
            if (language == AppLanguage::en) {
                EXPECT_FALSE(hasCyrillic(label->text())) << label->text().toStdString();
            }
        }
        EXPECT_TRUE(shown.contains(released)) << shown.join('|').toStdString();
        ASSERT_FALSE(
            orvela::testing::saveScreenshot(view, QStringLiteral("whats-new-%1").arg(suffix))
                .isEmpty());
    }
    EXPECT_EQ(view.findChild<QPushButton*>("whatsNewDone")->text(), "Ойлголоо");
    view.findChild<QPushButton*>("whatsNewDone")->click();
    EXPECT_FALSE(view.isVisible());
    EXPECT_EQ(view.result(), QDialog::Accepted);
}

} // namespace
