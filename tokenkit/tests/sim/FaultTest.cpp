#include "TokenHarness.h"
#include "orvela/tokenkit/TokenError.h"

#include <gtest/gtest.h>

using namespace orvela::sim;
using namespace orvela::sim::test;
using orvela::tokenkit::hexToBytes;
using orvela::tokenkit::TokenError;
using Fault = VirtualToken::Fault;

TEST(Faults, StatusWordReplacesOneCommandWithoutRunningIt)
{
    VirtualToken token{VirtualToken::Options{}};
    {
        HostChannel channel(token, defaultKey());
        ASSERT_EQ(provision(channel, defaultKey(), "1234", "87654321"), 0x9000);
    }
    token.armFault(Fault::statusWord, 0x6581);
    EXPECT_EQ(token.process(hexToBytes("0020000210 30303030000000000000000000000000")),
              hexToBytes("6581"));
    EXPECT_EQ(token.pinTriesLeft(1), 10); // the wrong PIN never reached the counter

    const Reply next = send(token, "0084000008");
    EXPECT_EQ(next.sw, 0x9000);
    EXPECT_EQ(next.data.size(), 8u);
}

TEST(Faults, StatusWordDuringChannelSetUpFailsTheHost)
{
    VirtualToken token{VirtualToken::Options{}};
    token.armFault(Fault::statusWord, 0x6A88);
    // The probe is answered with the fault; the host then falls back to Triple-DES and the
    // AES card's cryptogram cannot match.
    EXPECT_THROW(HostChannel(token, defaultKey()), TokenError);
    HostChannel channel(token, defaultKey());
    EXPECT_TRUE(channel.sm().isEstablished());
}

TEST(Faults, ShortReplyIsOneByte)
{
    VirtualToken token{VirtualToken::Options{}};
    token.armFault(Fault::shortReply);
    EXPECT_EQ(token.process(hexToBytes("0084000008")).size(), 1u);
    EXPECT_EQ(token.process(hexToBytes("0084000008")).size(), 10u);
}

TEST(Faults, CorruptedMacSpoilsOnlyOneAnswerMac)
{
    VirtualToken::Options options;
    options.mode = VirtualToken::Mode::aes;
    VirtualToken token(options);
    HostChannel channel(token, defaultKey());

    auto readLabel = [&](bool corrupt) {
        if (corrupt) {
            token.armFault(Fault::corruptedMac);
        }
        const Bytes raw =
            channel.callRaw(channel.sm().wrapAPDU(0x00, 0xB0, 0x00, 0x00, std::nullopt, 0x10));
        const std::size_t macStart = raw.size() - 10;
        const Bytes mac(raw.begin() + macStart, raw.begin() + macStart + 8);
        const bool macOk = mac == answerMac(channel.sm(), ByteView(raw).first(macStart - 2));
        EXPECT_EQ(channel.sm().unwrapResponse(raw).data.size(), 0x10u);
        return macOk;
    };
    EXPECT_TRUE(readLabel(false));
    EXPECT_FALSE(readLabel(true));
    EXPECT_TRUE(readLabel(false));
}

TEST(Faults, PresenceIsOnlyReported)
{
    VirtualToken token{VirtualToken::Options{}};
    EXPECT_TRUE(token.isPresent());
    token.setPresent(false);
    EXPECT_FALSE(token.isPresent());
    token.setPresent(true);
    EXPECT_TRUE(token.isPresent());
}
