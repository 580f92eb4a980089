// The application's token manager on the real stack: pcscd with the vpcd reader driver, and a
// virtual token bridged into vpcd's second reader from this process.

#include "../support/EventLoop.h"
#include "SignatureCheck.h"
#include "VpcdReader.h"
#include "orvela/sim/VpcdBridge.h"
#include "orvela/tokenkit/CardReaders.h"
#include "tokens/TokenFailureText.h"
#include "tokens/TokenManager.h"
#include "tokens/TokenProvisioner.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace orvela::tokens {
namespace {

using orvela::testing::waitUntil;
using sim::VirtualToken;
using sim::VpcdBridge;
using tokenkit::Bytes;
namespace vpcd = tokenkit::test;

const Bytes kUserPin{'1', '2', '3', '4', '5', '6'};
const Bytes kSoPin{'8', '7', '6', '5', '4', '3', '2', '1'};

/// Starts card work with a completion and runs the event loop until it lands.
template <class T, class Start> TokenOutcome<T> await(Start start)
{
    std::optional<TokenOutcome<T>> result;
    start([&](TokenOutcome<T> outcome) { result = std::move(outcome); });
    EXPECT_TRUE(waitUntil([&] { return result.has_value(); })) << "the card work never ended";
    return result.value_or(TokenOutcome<T>{});
}

class TokenManagerPcscTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto names = readers->getReaderNames();
        const auto found = std::find(names.begin(), names.end(), vpcd::kBridgeReader);
        if (found == names.end()) {
            ASSERT_FALSE(vpcd::vpcdRequired())
                << "ORVELA_VPCD=1 but pcscd shows no reader " << vpcd::kBridgeReader;
            GTEST_SKIP() << "pcscd with the vsmartcard-vpcd driver is not running";
        }
        readerIndex = static_cast<int>(found - names.begin());
        // orvela-vcard's card in the first reader comes up on its own time; its insertion would
        // refresh the manager and hide whether our own card's removal was noticed.
        if (vpcd::vpcdRequired()) {
            ASSERT_TRUE(vpcd::waitForCard(true, "Virtual PCD 00 00"));
        }
        // The previous test's card must be seen gone first, or its state is mistaken for ours.
        ASSERT_TRUE(vpcd::waitForCard(false)) << "the bridge reader still holds a card";
    }

    void TearDown() override { pullOut(); }

    void plugIn()
    {
        bridgeThread = std::thread([this] { bridge.run(); });
    }

    /// Ends the bridge, so the token may be read from this thread.
    void pullOut()
    {
        bridge.stop();
        if (bridgeThread.joinable()) {
            bridgeThread.join();
        }
    }

    /// A manager whose constructor refresh has landed, so later changes come from the watcher.
    std::unique_ptr<TokenManager> settledManager()
    {
        auto manager = std::make_unique<TokenManager>(readers, nullptr, true, readerIndex);
        EXPECT_TRUE(waitUntil([&] { return manager->isTokenPresent(); }));
        return manager;
    }

    bool connects(TokenManager& manager)
    {
        std::optional<bool> answered;
        QObject context;
        manager.testConnection(&context, [&](const std::optional<TokenFailure>& failure) {
            answered = !failure.has_value();
        });
        EXPECT_TRUE(waitUntil([&] { return answered.has_value(); }));
        return answered.value_or(false);
    }

    VirtualToken token{VirtualToken::Options{}};
    std::atomic<bool> removeAfterNextCommand{false};
    /// The card leaves while it works on the next signature command, before it answers.
    std::atomic<bool> vanishWhileSigning{false};
    VpcdBridge bridge{token,
                      {"127.0.0.1",
                       vpcd::bridgePort(),
                       [this](VirtualToken&) {
                           if (removeAfterNextCommand.exchange(false)) {
                               bridge.setPresent(false);
                           }
                       },
                       [this](tokenkit::ByteView command) {
                           const bool signing = command.size() > 1 && command[1] == 0x2A;
                           return signing && vanishWhileSigning.exchange(false)
                                      ? VpcdBridge::Misbehaviour::vanish
                                      : VpcdBridge::Misbehaviour::answer;
                       },
                       {}}};
    std::thread bridgeThread;
    /// The test's own readers over pcscd, which the manager and the card work are given.
    std::shared_ptr<tokenkit::CardReaders> readers =
        std::make_shared<tokenkit::CardReaders>(tokenkit::makePcscBackend());
    int readerIndex = -1;
};

TEST_F(TokenManagerPcscTest, CardsComingAndGoingAreSeenWithoutARefreshAndARemovalFailsASigning)
{
    const auto manager = settledManager();
    ASSERT_FALSE(manager->isCardPresent());

    plugIn();
    ASSERT_TRUE(waitUntil([&] { return manager->tokenInfo().has_value(); })) << "not seen";
    EXPECT_EQ(manager->tokenInfo()->atr, token.atr());
    EXPECT_TRUE(manager->isCardPresent());
    EXPECT_TRUE(connects(*manager));
    QObject screen;
    const auto provisioned = await<std::monostate>([&](auto done) {
        runCardWork(
            &screen, readers,
            [provisioner = TokenProvisioner({readerIndex, std::nullopt, readers})]() mutable {
                provisioner.initializeApdu(kUserPin, kSoPin);
                provisioner.generateApduKey(kUserPin);
            },
            done);
    });
    ASSERT_TRUE(provisioned.ok()) << provisioned.failure.detail;
    const Bytes hash(32, 0x5a);
    const auto signature = await<Bytes>([&](auto done) { manager->sign(hash, &screen, done); });
    ASSERT_TRUE(signature.ok()) << signature.failure.detail;

    bridge.setPresent(false);
    ASSERT_TRUE(waitUntil([&] { return !manager->isCardPresent(); })) << "removal not seen";
    EXPECT_TRUE(manager->isTokenPresent()) << "the reader stays when only the card goes";
    EXPECT_FALSE(connects(*manager));
    // The real service's answer for an empty reader, in the words the screens show.
    ASSERT_TRUE(manager->failure().has_value());
    EXPECT_EQ(manager->failure()->kind, TokenFailureKind::noCard);
    EXPECT_EQ(tokenFailureText(*manager->failure(), common::AppLanguage::en),
              "No token found. Plug in the token, or put the card in the reader, and try again.");
    EXPECT_TRUE(manager->tokenInfo().has_value()) << "a failed read must keep the last info";

    bridge.setPresent(true);
    ASSERT_TRUE(waitUntil([&] { return manager->isCardPresent(); })) << "reinsertion not seen";
    EXPECT_TRUE(waitUntil([&] { return !manager->failure().has_value(); }))
        << "the error of the pulled card outlived its return";

    // The applet answers its selection, then the card leaves before the signature command.
    removeAfterNextCommand = true;
    const auto interrupted = await<Bytes>([&](auto done) { manager->sign(hash, &screen, done); });
    EXPECT_FALSE(interrupted.ok());
    EXPECT_TRUE(interrupted.failure.cardGone) << interrupted.failure.detail;
    EXPECT_TRUE(waitUntil([&] { return !manager->isCardPresent(); }));

    // The card leaves in the middle of the signature command: removed, not a status word.
    std::this_thread::sleep_for(std::chrono::seconds(1)); // vpcd takes a moment to take it back
    bridge.setPresent(true);
    ASSERT_TRUE(waitUntil([&] { return manager->isCardPresent(); })) << "reinsertion not seen";
    vanishWhileSigning = true;
    const auto pulled = await<Bytes>([&](auto done) { manager->sign(hash, &screen, done); });
    EXPECT_FALSE(pulled.ok());
    EXPECT_TRUE(pulled.failure.cardGone) << pulled.failure.detail;
    EXPECT_EQ(pulled.failure.kind, TokenFailureKind::cardRemoved);
    EXPECT_TRUE(waitUntil([&] { return !manager->isCardPresent(); }));

    pullOut();
    const auto point = token.publicKey(kSigningKeyID);
    ASSERT_TRUE(point.has_value());
    EXPECT_TRUE(sim::test::verifies(sim::test::keyFromPoint(*point), hash, *signature.value));
}

} // namespace
} // namespace orvela::tokens
