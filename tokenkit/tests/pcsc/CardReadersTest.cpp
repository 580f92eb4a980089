// The token manager over the in-process virtual reader, whose sessions behave like PC/SC ones,
// then through the real stack (the desktop's token tests watch insertion and removal through
// the same stack): pcscd with the vpcd reader driver, and a virtual token bridged into reader
// "Virtual PCD 00 01" from this process. scripts/test starts pcscd and sets ORVELA_VPCD=1,
// which turns a missing daemon into a failure instead of a skip.

#include "orvela/tokenkit/CardReaders.h"

#include "PcscCheck.h"
#include "VpcdReader.h"
#include "orvela/sim/VirtualReaderBackend.h"
#include "orvela/sim/VpcdBridge.h"
#include "orvela/tokenkit/APDUResponse.h"
#include "orvela/tokenkit/PcscError.h"
#include "orvela/tokenkit/TokenError.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <thread>
#include <tuple>

namespace orvela::tokenkit::test {
namespace {

using sim::VirtualReaderBackend;
using sim::VirtualToken;
using sim::VpcdBridge;

/// A card service whose listing or connecting fails with the error it was given.
struct FailingBackend final : ReaderBackend {
    FailingBackend(std::exception_ptr list, std::exception_ptr connect)
        : listError(std::move(list)), connectError(std::move(connect))
    {}
    std::vector<std::string> listReaders() override
    {
        return listError ? (std::rethrow_exception(listError), std::vector<std::string>{})
                         : std::vector<std::string>{"Reader"};
    }
    std::unique_ptr<CardSession> connect(const std::string&) override
    {
        std::rethrow_exception(connectError);
    }
    std::unique_ptr<CardEventWaiter> makeEventWaiter() override { return nullptr; }
    std::exception_ptr listError;
    std::exception_ptr connectError;
};

class CardReadersTest : public ::testing::Test {
protected:
    CardReadersTest() { backend->setToken(1, token); }

    std::shared_ptr<VirtualToken> token = std::make_shared<VirtualToken>(VirtualToken::Options{});
    std::shared_ptr<VirtualReaderBackend> backend = std::make_shared<VirtualReaderBackend>(2);
    CardReaders manager{backend};
};

TEST_F(CardReadersTest, OpeningFailsWithItsCauseAndTheWorkNeverRuns)
{
    const auto takenOut = std::make_shared<VirtualReaderBackend>(2);
    takenOut->setToken(1, token);
    takenOut->setPresent(1, false);
    using Code = TokenError::Code;
    const auto failing = [](std::exception_ptr listError, std::exception_ptr connectError) {
        return std::make_shared<FailingBackend>(listError, connectError);
    };
    const auto noService = failing(std::make_exception_ptr(TokenError::readerNotConnected()), {});
    const std::vector<std::tuple<int, Code, std::shared_ptr<ReaderBackend>>> cases{
        {-1, Code::readerNotConnected, backend},
        {2, Code::readerNotConnected, backend}, // one past the list
        {0, Code::cardNotFound, backend},       // a reader without a card
        {1, Code::cardNotFound, takenOut},      // a card taken out
        {0, Code::readerNotConnected, std::make_shared<VirtualReaderBackend>(0)},
        {0, Code::readerNotConnected, noService},
        // The card went between the listing and the connection.
        {0, Code::cardNotFound, failing({}, std::make_exception_ptr(TokenError::cardNotFound()))},
    };
    for (const auto& [at, code, readers] : cases) {
        const int index = at; // a structured binding cannot be captured under clang's C++20
        manager.setBackend(readers);
        bool ran = false;
        EXPECT_EQ(errorCodeOf<TokenError>(
                      [&] { manager.withSession(index, [&](SmartCard&) { ran = true; }); }),
                  code)
            << index;
        EXPECT_EQ(errorCodeOf<TokenError>([&] { manager.getATR(index); }), code) << index;
        EXPECT_FALSE(ran);
    }
    // Without a card service, or with one that fails to list, there are simply no readers.
    const auto failingList =
        failing(std::make_exception_ptr(PcscError(0x80100006, "SCardListReaders")), {});
    for (const auto& readers : {noService, failingList}) {
        manager.setBackend(readers);
        EXPECT_TRUE(manager.getReaderNames().empty());
        EXPECT_FALSE(manager.hasReader());
    }
}

TEST_F(CardReadersTest, TheSessionIsExclusiveAndClosedBeforeAWorkErrorArrives)
{
    struct WorkFailure : std::runtime_error {
        using std::runtime_error::runtime_error;
    };
    try {
        manager.withSession(1, [&](SmartCard&) {
            EXPECT_EQ(errorCodeOf<PcscError>([&] { manager.getATR(1); }),
                      PcscError::sharingViolation);
            throw WorkFailure("work broke");
        });
        FAIL() << "no error";
    } catch (const WorkFailure& error) {
        EXPECT_STREQ(error.what(), "work broke");
        EXPECT_EQ(manager.getATR(1), token->atr()) << "session still open when the error arrived";
    }
    // A TokenError from the work is not remapped either.
    EXPECT_EQ(errorCodeOf<TokenError>([&] {
                  manager.withSession(1, [](SmartCard&) { throw TokenError::pinBlocked(); });
              }),
              TokenError::Code::pinBlocked);
}

// The live tests show a missing daemon, an empty reader and a removal mid-session; these are
// the causes pcscd cannot be made to give on demand.
TEST(PcscCheck, AMissingServiceOrCardBecomesItsCauseOnlyWhereThatIsTheCause)
{
    using Code = TokenError::Code;
    const std::vector<std::tuple<LONG, pcsc::Step, Code>> cases{
        {SCARD_E_SERVICE_STOPPED, pcsc::Step::inSession, Code::readerNotConnected},
        {SCARD_F_COMM_ERROR, pcsc::Step::inSession, Code::readerNotConnected},
        {SCARD_E_UNKNOWN_READER, pcsc::Step::opening, Code::cardNotFound},
        {SCARD_E_READER_UNAVAILABLE, pcsc::Step::opening, Code::cardNotFound},
        {SCARD_W_REMOVED_CARD, pcsc::Step::opening, Code::cardNotFound},
    };
    for (const auto& [rv, step, code] : cases) {
        const auto call = [rv = rv, step = step] { pcsc::check(rv, "SCardX", step); };
        EXPECT_EQ(errorCodeOf<TokenError>(call), code) << std::hex << rv;
    }
    // Anything else reaches the caller as the service reported it.
    try {
        pcsc::check(SCARD_E_UNKNOWN_READER, "SCardX", pcsc::Step::inSession);
        ADD_FAILURE() << "passed";
    } catch (const PcscError& error) {
        EXPECT_EQ(error.code(), static_cast<std::uint32_t>(SCARD_E_UNKNOWN_READER));
        EXPECT_EQ(error.call(), "SCardX");
    }
}

constexpr const char* kReader = kBridgeReader;
const Bytes kGetChallenge{0x00, 0x84, 0x00, 0x00, 0x08};

class PcscLiveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto names = manager.getReaderNames();
        const auto found = std::find(names.begin(), names.end(), kReader);
        if (found == names.end()) {
            ASSERT_FALSE(vpcdRequired())
                << "ORVELA_VPCD=1 but pcscd shows no reader \"" << kReader << '"';
            GTEST_SKIP() << "pcscd with the vsmartcard-vpcd driver is not running "
                            "(start it as scripts/test does, or see README)";
        }
        readerIndex = static_cast<int>(found - names.begin());
        // The previous test's card must be seen gone first, or its state is mistaken for ours.
        ASSERT_TRUE(waitForCard(false)) << "reader \"" << kReader << "\" still holds a card";
        bridgeThread = std::thread([this] { bridge.run(); });
        ASSERT_TRUE(waitForCard(true)) << "vpcd did not see the virtual card";
    }

    void TearDown() override
    {
        bridge.stop();
        if (bridgeThread.joinable()) {
            bridgeThread.join();
            EXPECT_TRUE(waitForCard(false));
        }
    }

    CardReaders manager{makePcscBackend()};
    VirtualToken token{VirtualToken::Options{}};
    /// What the card does with GET CHALLENGE.
    std::atomic<VpcdBridge::Misbehaviour> onChallenge{VpcdBridge::Misbehaviour::answer};
    VpcdBridge bridge{token,
                      {"127.0.0.1",
                       bridgePort(),
                       {},
                       [this](ByteView command) {
                           return command.size() > 1 && command[1] == kGetChallenge[1]
                                      ? onChallenge.load()
                                      : VpcdBridge::Misbehaviour::answer;
                       },
                       {}}};
    std::thread bridgeThread;
    int readerIndex = -1;
};

TEST_F(PcscLiveTest, AnExclusiveSessionReachesTheTokenUntilTheCardIsPulled)
{
    EXPECT_EQ(manager.getATR(readerIndex), token.atr());
    const auto [first, second] = manager.withSession(readerIndex, [&](SmartCard& card) {
        EXPECT_EQ(errorCodeOf<PcscError>([&] { manager.getATR(readerIndex); }),
                  PcscError::sharingViolation);
        return std::pair(APDUResponse::fromFullData(card.transmit(kGetChallenge)),
                         APDUResponse::fromFullData(card.transmit(kGetChallenge)));
    });
    ASSERT_TRUE(first.isSuccess()) << first.hexStatus();
    ASSERT_TRUE(first.data() && second.data());
    EXPECT_EQ(first.data()->size(), 8u);
    EXPECT_NE(*first.data(), *second.data()) << "two challenges alike: replies not from the card";
    EXPECT_EQ(manager.getATR(readerIndex), token.atr()) << "the exclusive session was not released";

    manager.withSession(readerIndex, [&](SmartCard& card) {
        bridge.setPresent(false);
        ASSERT_TRUE(waitForCard(false));
        EXPECT_EQ(errorCodeOf<PcscError>([&] { card.transmit(kGetChallenge); }),
                  PcscError::removedCard);
    });
    EXPECT_EQ(errorCodeOf<TokenError>([&] { manager.getATR(readerIndex); }),
              TokenError::Code::cardNotFound);
}

// A card that leaves while it works on a command is reported as removed, not as an empty
// reply; one that never answers fails the exchange in time, and its session ends as soon as the
// reader lets go of it, so the next program finds the card free.
TEST_F(PcscLiveTest, ACardThatVanishesOrHangsMidCommandFailsAsSuchAndIsLetGo)
{
    using namespace std::chrono_literals;
    using Misbehaviour = VpcdBridge::Misbehaviour;
    onChallenge = Misbehaviour::vanish;
    manager.withSession(readerIndex, [&](SmartCard& card) {
        EXPECT_EQ(errorCodeOf<PcscError>([&] { card.transmit(kGetChallenge); }),
                  PcscError::removedCard);
    });
    onChallenge = Misbehaviour::stall;
    ASSERT_TRUE(waitForCard(false));
    std::this_thread::sleep_for(1s); // vpcd takes a moment before it takes a card again
    bridge.setPresent(true);
    ASSERT_TRUE(waitForCard(true));

    CardReaders impatient{makePcscBackend(300ms)};
    std::promise<std::uint32_t> failure;
    std::thread caller([&] {
        std::uint32_t code = 0;
        try {
            impatient.withSession(readerIndex,
                                  [&](SmartCard& card) { card.transmit(kGetChallenge); });
        } catch (const PcscError& error) {
            code = error.code();
        } catch (...) {
        }
        failure.set_value(code);
    });
    auto failed = failure.get_future();
    const bool inTime = failed.wait_for(5s) == std::future_status::ready;
    bridge.setPresent(false); // frees the reader driver's wait in any case
    caller.join();
    EXPECT_TRUE(inTime) << "the exchange waited for the card without a limit";
    EXPECT_EQ(failed.get(), PcscError::timeout);
    ASSERT_TRUE(waitForCard(false));
    onChallenge = Misbehaviour::answer;
    std::this_thread::sleep_for(1s); // vpcd takes a moment before it takes a card again
    bridge.setPresent(true);
    ASSERT_TRUE(waitForCard(true));
    EXPECT_EQ(manager.getATR(readerIndex), token.atr()) << "the given-up session was kept";
}

TEST(PcscNoService, MissingDaemonReadsAsNoReadersAndReaderNotConnected)
{
    // A child process pointed at a socket where no daemon listens.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("PCSCLITE_CSOCK_NAME", "/nonexistent/orvela-no-pcscd.comm", 1);
            CardReaders manager(makePcscBackend());
            const bool noReaders = manager.getReaderNames().empty() && !manager.hasReader();
            try {
                manager.withSession(0, [](SmartCard&) { std::_Exit(3); });
            } catch (const TokenError& error) {
                const bool mapped = error.code() == TokenError::Code::readerNotConnected;
                std::_Exit(noReaders && mapped ? 0 : 1);
            } catch (...) {
                std::_Exit(4);
            }
            std::_Exit(2);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace orvela::tokenkit::test
