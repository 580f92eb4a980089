// The PC/SC backend against the real stack (the desktop's token tests watch insertion and
// removal through the same stack): pcscd with the vpcd reader driver, and a virtual
// token bridged into reader "Virtual PCD 00 01" from this process. scripts/test starts pcscd
// and sets ORVELA_VPCD=1, which turns a missing daemon into a failure instead of a skip.

#include "VpcdReader.h"
#include "orvela/sim/VpcdBridge.h"
#include "orvela/tokenkit/APDUResponse.h"
#include "orvela/tokenkit/PcscError.h"
#include "orvela/tokenkit/TokenError.h"
#include "orvela/tokenkit/TokenManager.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>

namespace orvela::tokenkit {
namespace {

using sim::VirtualToken;
using sim::VpcdBridge;

using test::bridgePort;
using test::errorCodeOf;
using test::vpcdRequired;
using test::waitForCard;

constexpr const char* kReader = test::kBridgeReader;
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
        atr = token.atr();
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

    TokenManager manager{makePcscBackend()};
    VirtualToken token{VirtualToken::Options{}};
    VpcdBridge bridge{token, {"127.0.0.1", bridgePort(), {}}};
    std::thread bridgeThread;
    int readerIndex = -1;
    Bytes atr;
};

TEST_F(PcscLiveTest, AnExclusiveSessionReachesTheTokenUntilTheCardIsPulled)
{
    EXPECT_EQ(manager.getATR(readerIndex), atr);
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
    EXPECT_EQ(manager.getATR(readerIndex), atr) << "the exclusive session was not released";

    manager.withSession(readerIndex, [&](SmartCard& card) {
        bridge.setPresent(false);
        ASSERT_TRUE(waitForCard(false));
        EXPECT_EQ(errorCodeOf<PcscError>([&] { card.transmit(kGetChallenge); }),
                  PcscError::removedCard);
    });
    EXPECT_EQ(errorCodeOf<TokenError>([&] { manager.getATR(readerIndex); }),
              TokenError::Code::cardNotFound);
}

TEST(PcscNoService, MissingDaemonReadsAsNoReadersAndReaderNotConnected)
{
    // A child process pointed at a socket where no daemon listens.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("PCSCLITE_CSOCK_NAME", "/nonexistent/orvela-no-pcscd.comm", 1);
            TokenManager manager(makePcscBackend());
            const bool noReaders = manager.getReaderNames().empty() && !manager.hasToken();
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
} // namespace orvela::tokenkit
