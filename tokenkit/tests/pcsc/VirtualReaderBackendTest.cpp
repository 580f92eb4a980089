#include "orvela/sim/VirtualReaderBackend.h"

#include "orvela/tokenkit/APDUResponse.h"
#include "orvela/tokenkit/PcscError.h"
#include "orvela/tokenkit/TokenError.h"
#include "orvela/tokenkit/TokenManager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvela::sim {
namespace {

using tokenkit::APDUResponse;
using tokenkit::PcscError;
using tokenkit::SmartCard;
using tokenkit::TokenError;
using tokenkit::TokenManager;

const Bytes kGetChallenge{0x00, 0x84, 0x00, 0x00, 0x08};

std::uint32_t pcscCodeOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const PcscError& error) {
        return error.code();
    }
    ADD_FAILURE() << "no PcscError thrown";
    return 0;
}

class VirtualReaderBackendTest : public ::testing::Test {
protected:
    std::shared_ptr<VirtualToken> token = std::make_shared<VirtualToken>(VirtualToken::Options{});
    std::shared_ptr<VirtualReaderBackend> backend = std::make_shared<VirtualReaderBackend>(2);
    TokenManager manager{backend};
};

TEST_F(VirtualReaderBackendTest, ReadersAreNumberedAndEmptyOnesHaveNoCard)
{
    EXPECT_THAT(manager.getReaderNames(),
                ::testing::ElementsAre("Orvela Virtual Reader 0", "Orvela Virtual Reader 1"));
    EXPECT_TRUE(manager.hasToken());
    try {
        manager.getATR(0);
        FAIL() << "empty reader gave an ATR";
    } catch (const TokenError& error) {
        EXPECT_EQ(error.code(), TokenError::Code::cardNotFound);
    }
    EXPECT_THROW(backend->connect("No Such Reader"), TokenError);
}

TEST_F(VirtualReaderBackendTest, SessionReachesTheTokenInItsReader)
{
    backend->setToken(1, token);
    EXPECT_EQ(manager.getATR(1), token->atr());
    const auto reply = manager.withSession(1, [](SmartCard& card) {
        return APDUResponse::fromFullData(card.transmit(kGetChallenge));
    });
    EXPECT_TRUE(reply.isSuccess());
    ASSERT_TRUE(reply.data().has_value());
    EXPECT_EQ(reply.data()->size(), 8u);
}

TEST_F(VirtualReaderBackendTest, SessionIsExclusiveUntilItEnds)
{
    backend->setToken(0, token);
    manager.withSession(0, [&](SmartCard&) {
        EXPECT_EQ(pcscCodeOf([&] { manager.getATR(0); }), PcscError::sharingViolation);
    });
    EXPECT_EQ(manager.getATR(0), token->atr()) << "the first session was not released";
}

TEST_F(VirtualReaderBackendTest, RemovedCardFailsTransmitLikePcscAndOpeningWithCardNotFound)
{
    backend->setToken(0, token);
    manager.withSession(0, [&](SmartCard& card) {
        token->setPresent(false);
        EXPECT_EQ(pcscCodeOf([&] { card.transmit(kGetChallenge); }), PcscError::removedCard);
        token->setPresent(true);
        // Back in, but the session it belonged to is over.
        EXPECT_EQ(pcscCodeOf([&] { card.transmit(kGetChallenge); }), PcscError::resetCard);
    });
    backend->setPresent(0, false);
    try {
        manager.withSession(0, [](SmartCard&) {});
        FAIL() << "opened a session on a removed card";
    } catch (const TokenError& error) {
        EXPECT_EQ(error.code(), TokenError::Code::cardNotFound);
    }
    backend->setPresent(0, true);
    EXPECT_EQ(manager.getATR(0), token->atr());
}

TEST_F(VirtualReaderBackendTest, SwappedTokenIsNotReachedThroughTheOldSession)
{
    backend->setToken(0, token);
    auto other = std::make_shared<VirtualToken>(VirtualToken::Options{});
    manager.withSession(0, [&](SmartCard& card) {
        backend->setToken(0, other);
        EXPECT_EQ(pcscCodeOf([&] { card.transmit(kGetChallenge); }), PcscError::removedCard);
    });
}

} // namespace
} // namespace orvela::sim
