// The update check from the feed's bytes to its outcome, and how a failed transfer reads.

#include "updates/UpdateFeed.h"

#include "QtPrinters.h"
#include "UpdateFixture.h"
#include "common/SettingsKeys.h"
#include "updates/UpdateOutcome.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace orvela::shell;
using namespace orvela::updates;
using orvela::common::AppLanguage;
using orvela::shell::testing::appcast;
using orvela::shell::testing::appcastWithEnclosure;
using orvela::shell::testing::FeedServer;
using orvela::shell::testing::hasCyrillic;
using orvela::shell::testing::UpdateTest;
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

// How each failed transfer reads, in both languages: a time-out names its wait and its length.
TEST(UpdateFailureWords, EveryTransferFailureIsWordedInTheInterfaceLanguage)
{
    using orvela::api::ApiError;
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
        {ApiError::server(503, "<html>busy</html>"),
         "The update server answered with an error (HTTP 503).",
         "Шинэчлэлтийн сервер алдаатай хариу өглөө (HTTP 503)."},
        {ApiError::replyTooLarge(), "The update feed is larger than 4 MiB, so it was refused.",
         "Шинэчлэлтийн мэдээлэл 4 MiB-ээс их тул татгалзлаа."},
    };
    for (const auto& row : rows) {
        const auto result = UpdateCheckResult::failed(Failure::transfer, row.error);
        EXPECT_EQ(failureReason(result, AppLanguage::en), row.english);
        EXPECT_EQ(failureReason(result, AppLanguage::mn), QString::fromUtf8(row.mongolian));
    }
}

} // namespace
