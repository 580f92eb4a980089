#include "orvela/tokenkit/TokenManager.h"

#include "FakeReaderBackend.h"
#include "orvela/tokenkit/Log.h"
#include "orvela/tokenkit/PcscError.h"
#include "orvela/tokenkit/TokenError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace orvela::tokenkit::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TokenError::Code tokenErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const TokenError& error) {
        return error.code();
    }
    ADD_FAILURE() << "no TokenError thrown";
    return TokenError::Code::transmitFailed;
}

struct CapturingSink final : LogSink {
    struct Line {
        std::string category;
        LogLevel level;
        std::string message;
    };
    std::vector<Line> lines;
    void write(std::string_view, std::string_view category, LogLevel level,
               std::string_view message) override
    {
        lines.push_back({std::string(category), level, std::string(message)});
    }
};

class TokenManagerTest : public ::testing::Test {
protected:
    TokenManagerTest() { backend->readers = {"Reader A", "Reader B"}; }

    void insertCard(const std::string& reader) { backend->cards[reader] = {0x3B, 0x8F, 0x80}; }
    const FakeJournal& journal() const { return *backend->journal; }

    std::shared_ptr<FakeReaderBackend> backend = std::make_shared<FakeReaderBackend>();
    TokenManager manager{backend};
    bool workCalled = false;
    std::function<void(SmartCard&)> markingWork = [this](SmartCard&) { workCalled = true; };
};

TEST_F(TokenManagerTest, NoReadersMeansEmptyListNoTokenAndNoSession)
{
    backend->readers.clear();
    EXPECT_THAT(manager.getReaderNames(), IsEmpty());
    EXPECT_FALSE(manager.hasToken());
    EXPECT_EQ(tokenErrorOf([&] { manager.withSession(0, markingWork); }),
              TokenError::Code::readerNotConnected);
    EXPECT_FALSE(workCalled);
    EXPECT_EQ(journal().opened, 0);
}

TEST_F(TokenManagerTest, IndexOutsideTheListIsReaderNotConnected)
{
    insertCard("Reader A");
    insertCard("Reader B");
    for (const int index : {-1, 2, 1000}) {
        EXPECT_EQ(tokenErrorOf([&] { manager.withSession(index, markingWork); }),
                  TokenError::Code::readerNotConnected)
            << index;
        EXPECT_EQ(tokenErrorOf([&] { manager.getATR(index); }),
                  TokenError::Code::readerNotConnected)
            << index;
    }
    EXPECT_FALSE(workCalled);
    EXPECT_EQ(journal().opened, 0);
}

TEST_F(TokenManagerTest, NoCardServiceReadsAsNoReaders)
{
    backend->listError = std::make_exception_ptr(TokenError::readerNotConnected());
    EXPECT_THAT(manager.getReaderNames(), IsEmpty());
    EXPECT_FALSE(manager.hasToken());
    EXPECT_EQ(tokenErrorOf([&] { manager.withSession(0, markingWork); }),
              TokenError::Code::readerNotConnected);
    EXPECT_FALSE(workCalled);
}

TEST_F(TokenManagerTest, ReaderWithoutCardOrVanishedIsCardNotFound)
{
    insertCard("Reader A");
    EXPECT_EQ(tokenErrorOf([&] { manager.withSession(1, markingWork); }),
              TokenError::Code::cardNotFound);
    backend->connectError = std::make_exception_ptr(TokenError::cardNotFound());
    EXPECT_EQ(tokenErrorOf([&] { manager.getATR(0); }), TokenError::Code::cardNotFound);
    EXPECT_FALSE(workCalled);
}

TEST_F(TokenManagerTest, OtherCardServiceFailuresArriveUnchanged)
{
    insertCard("Reader A");
    backend->connectError =
        std::make_exception_ptr(PcscError(PcscError::sharingViolation, "SCardConnect"));
    try {
        manager.withSession(0, markingWork);
        FAIL() << "no error";
    } catch (const PcscError& error) {
        EXPECT_EQ(error.code(), PcscError::sharingViolation);
        EXPECT_EQ(error.call(), "SCardConnect");
    }
    EXPECT_FALSE(workCalled);
}

TEST_F(TokenManagerTest, WorkRunsOnTheNamedReadersCardAndItsValueComesBack)
{
    insertCard("Reader B");
    backend->reply = {0x01, 0x02, 0x90, 0x00};
    const Bytes reply = manager.withSession(1, [](SmartCard& card) {
        const Bytes command{0x00, 0x84, 0x00, 0x00, 0x08};
        return card.transmit(command);
    });
    EXPECT_EQ(reply, backend->reply);
    ASSERT_EQ(journal().transmitted.size(), 1u);
    EXPECT_EQ(journal().transmitted[0], (Bytes{0x00, 0x84, 0x00, 0x00, 0x08}));
    EXPECT_EQ(journal().opened, 1);
    EXPECT_EQ(journal().closed, 1);
}

TEST_F(TokenManagerTest, MoveOnlyAndVoidResultsPassThrough)
{
    insertCard("Reader A");
    auto owned = manager.withSession(0, [](SmartCard&) { return std::make_unique<int>(7); });
    ASSERT_NE(owned, nullptr);
    EXPECT_EQ(*owned, 7);
    manager.withSession(0, markingWork);
    EXPECT_TRUE(workCalled);
    EXPECT_EQ(journal().closed, 2);
}

TEST_F(TokenManagerTest, WorkErrorArrivesUnchangedAfterTheSessionIsClosed)
{
    insertCard("Reader A");
    struct WorkFailure : std::runtime_error {
        using std::runtime_error::runtime_error;
    };
    try {
        manager.withSession(0, [](SmartCard&) -> int { throw WorkFailure("work broke"); });
        FAIL() << "no error";
    } catch (const WorkFailure& error) {
        EXPECT_STREQ(error.what(), "work broke");
        EXPECT_EQ(journal().closed, 1) << "session still open when the error arrived";
    }
    // A TokenError from the work is not remapped either.
    EXPECT_EQ(tokenErrorOf([&] {
                  manager.withSession(0, [](SmartCard&) { throw TokenError::pinBlocked(); });
              }),
              TokenError::Code::pinBlocked);
    EXPECT_EQ(journal().opened, journal().closed);
}

TEST_F(TokenManagerTest, GetATRClosesItsSessionBeforeReturning)
{
    insertCard("Reader A");
    EXPECT_EQ(manager.getATR(0), (Bytes{0x3B, 0x8F, 0x80}));
    EXPECT_EQ(journal().opened, 1);
    EXPECT_EQ(journal().closed, 1);
}

TEST_F(TokenManagerTest, CardWithoutATRIsCardNotFoundAndTheSessionIsClosed)
{
    backend->cards["Reader A"] = {};
    EXPECT_EQ(tokenErrorOf([&] { manager.getATR(0); }), TokenError::Code::cardNotFound);
    EXPECT_EQ(journal().opened, 1);
    EXPECT_EQ(journal().closed, 1);
}

TEST_F(TokenManagerTest, ReaderListIsReadAgainOnEveryCall)
{
    insertCard("Reader A");
    insertCard("Reader B");
    EXPECT_THAT(manager.getReaderNames(), ElementsAre("Reader A", "Reader B"));
    backend->readers = {"Reader B"};
    EXPECT_EQ(tokenErrorOf([&] { manager.withSession(1, markingWork); }),
              TokenError::Code::readerNotConnected);
    manager.withSession(0, markingWork);
    EXPECT_TRUE(workCalled);
}

TEST_F(TokenManagerTest, OpeningLogsTheReaderNameAtInfo)
{
    insertCard("Reader B");
    auto sink = std::make_shared<CapturingSink>();
    setLogSink(sink);
    manager.withSession(1, markingWork);
    setLogSink(nullptr);
    ASSERT_EQ(sink->lines.size(), 1u);
    EXPECT_EQ(sink->lines[0].category, "TokenManager");
    EXPECT_EQ(sink->lines[0].level, LogLevel::info);
    EXPECT_EQ(sink->lines[0].message, "Session нээгдлээ: Reader B");
}

TEST_F(TokenManagerTest, ReaderListFailureOtherThanNoServiceIsLoggedAndReadsEmpty)
{
    backend->listError = std::make_exception_ptr(PcscError(0x80100006, "SCardListReaders"));
    auto sink = std::make_shared<CapturingSink>();
    setLogSink(sink);
    EXPECT_THAT(manager.getReaderNames(), IsEmpty());
    setLogSink(nullptr);
    ASSERT_EQ(sink->lines.size(), 1u);
    EXPECT_EQ(sink->lines[0].level, LogLevel::error);
}

TEST_F(TokenManagerTest, SetBackendSwitchesWhereSessionsOpen)
{
    auto other = std::make_shared<FakeReaderBackend>();
    other->readers = {"Other"};
    other->cards["Other"] = {0x3B, 0x00};
    manager.setBackend(other);
    EXPECT_THAT(manager.getReaderNames(), ElementsAre("Other"));
    EXPECT_EQ(manager.getATR(0), (Bytes{0x3B, 0x00}));
    EXPECT_EQ(journal().listed, 0);
}

TEST(TokenManagerShared, IsOneInstance)
{
    EXPECT_EQ(&TokenManager::shared(), &TokenManager::shared());
}

} // namespace
} // namespace orvela::tokenkit::test
