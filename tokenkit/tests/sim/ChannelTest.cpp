#include "TokenHarness.h"
#include "orvela/tokenkit/TokenError.h"

#include <gtest/gtest.h>

using namespace orvela::sim;
using namespace orvela::sim::test;
using orvela::tokenkit::hexToBytes;
using orvela::tokenkit::TokenError;

namespace {

using Mode = VirtualToken::Mode;
using KeyEncType = SecureMessaging::KeyEncType;

VirtualToken makeToken(Mode mode)
{
    VirtualToken::Options options;
    options.mode = mode;
    return VirtualToken(std::move(options));
}

struct ModeCase {
    Mode mode;
    bool fips;
    KeyEncType keyType;
    std::size_t initializeUpdateLength;
    std::size_t largestProtectedRead;
};

class ChannelInEachMode : public ::testing::TestWithParam<ModeCase> {};

} // namespace

TEST_P(ChannelInEachMode, HostOpensChannelAndProtectedCommandsFlow)
{
    const ModeCase param = GetParam();
    VirtualToken token = makeToken(param.mode);

    const Bytes atr = token.atr();
    ASSERT_GE(atr.size(), 20u);
    EXPECT_EQ(atr[19] == 0x03, param.fips);

    HostChannel channel(token, defaultKey());
    EXPECT_TRUE(channel.sm().isEstablished());
    EXPECT_EQ(channel.sm().isFIPS(), param.fips);
    EXPECT_EQ(channel.sm().keyType(), param.keyType);

    // Several commands in a row: the card must follow the host's MAC counter each time.
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(channel.call(0x00, 0xA4, 0x00, 0x00, hexToBytes("3F00")).sw, 0x9000) << i;
    }
}

TEST_P(ChannelInEachMode, InitializeUpdateAnswerHasTheModesLength)
{
    const ModeCase param = GetParam();
    VirtualToken token = makeToken(param.mode);
    const Reply reply = send(token, "8050000008 0102030405060708 1C");
    EXPECT_EQ(reply.sw, 0x9000);
    EXPECT_EQ(reply.data.size(), param.initializeUpdateLength);
}

TEST_P(ChannelInEachMode, ProtectedReadReturnsTheLargestChunkThatFits)
{
    const ModeCase param = GetParam();
    VirtualToken token = makeToken(param.mode);
    HostChannel channel(token, defaultKey());
    ASSERT_EQ(provision(channel, defaultKey(), "1234", "87654321"), 0x9000);

    Bytes content(512);
    for (std::size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    ASSERT_EQ(channel.call(0x00, 0xA4, 0x00, 0x00, hexToBytes("4404")).sw, 0x9000);
    // The largest chunk the host can wrap; 240-byte chunks do not fit a protected command.
    const std::size_t chunkSize =
        SecureMessaging::maxWrappedDataLength(channel.sm().keyType(), false);
    for (std::size_t offset = 0; offset < content.size(); offset += chunkSize) {
        const std::size_t n = std::min<std::size_t>(chunkSize, content.size() - offset);
        const Bytes chunk(content.begin() + offset, content.begin() + offset + n);
        ASSERT_EQ(channel
                      .call(0x00, 0xD6, static_cast<std::uint8_t>(offset >> 8),
                            static_cast<std::uint8_t>(offset), chunk)
                      .sw,
                  0x9000);
    }

    const Bytes wrapped = channel.sm().wrapAPDU(0x00, 0xB0, 0x00, 0x00, std::nullopt, 0xFE);
    const Bytes raw = channel.callRaw(wrapped);
    EXPECT_LE(raw.size(), 258u);
    const auto opened = channel.sm().unwrapResponse(raw);
    ASSERT_EQ(opened.sw1, 0x90);
    ASSERT_EQ(opened.data.size(), param.largestProtectedRead);
    EXPECT_TRUE(std::equal(opened.data.begin(), opened.data.end(), content.begin()));

    // The next read continues where the short chunk ended.
    const auto next = static_cast<std::uint16_t>(param.largestProtectedRead);
    const Reply rest = channel.call(0x00, 0xB0, static_cast<std::uint8_t>(next >> 8),
                                    static_cast<std::uint8_t>(next), std::nullopt, 0x10);
    ASSERT_EQ(rest.sw, 0x9000);
    EXPECT_TRUE(std::equal(rest.data.begin(), rest.data.end(), content.begin() + next));
    EXPECT_EQ(rest.data.size(), 0x10u);
}

INSTANTIATE_TEST_SUITE_P(Modes, ChannelInEachMode,
                         ::testing::Values(ModeCase{Mode::des, false, KeyEncType::des, 28, 231},
                                           ModeCase{Mode::aes, false, KeyEncType::aes, 28, 223},
                                           ModeCase{Mode::aesFips, true, KeyEncType::aes, 29,
                                                    223}));

TEST(SecureChannel, BadCommandMacIsRefusedAndDropsTheChannel)
{
    VirtualToken token = makeToken(Mode::aes);
    HostChannel channel(token, defaultKey());
    Bytes wrapped = channel.sm().wrapAPDU(0x00, 0xA4, 0x00, 0x00, hexToBytes("3F00"), {});
    wrapped[wrapped.size() - 2] ^= 0x40; // last MAC byte, before the trailing Le
    EXPECT_EQ(split(channel.callRaw(wrapped)).sw, 0x6988);

    // Even a correctly wrapped command now finds no channel.
    EXPECT_EQ(channel.call(0x00, 0xA4, 0x00, 0x00, hexToBytes("3F00")).sw, 0x6882);

    HostChannel again(token, defaultKey());
    EXPECT_EQ(again.call(0x00, 0xA4, 0x00, 0x00, hexToBytes("3F00")).sw, 0x9000);
}

TEST(SecureChannel, ReplayedCommandIsRefused)
{
    VirtualToken token = makeToken(Mode::des);
    HostChannel channel(token, defaultKey());
    const Bytes wrapped = channel.sm().wrapAPDU(0x00, 0xA4, 0x00, 0x00, hexToBytes("3F00"), {});
    EXPECT_EQ(split(channel.callRaw(wrapped)).sw, 0x9000);
    EXPECT_EQ(split(channel.callRaw(wrapped)).sw, 0x6988);
}

TEST(SecureChannel, WrongHostCryptogramOrMacOpensNoChannel)
{
    VirtualToken token = makeToken(Mode::aes);
    EXPECT_EQ(send(token, "8482030010 00000000000000000000000000000000").sw, 0x6985);

    ASSERT_EQ(send(token, "8050000008 1122334455667788 1C").sw, 0x9000);
    EXPECT_EQ(send(token, "8482030010 00000000000000000000000000000000").sw, 0x6982);
    // A failed attempt leaves nothing to retry against.
    EXPECT_EQ(send(token, "8482030010 00000000000000000000000000000000").sw, 0x6985);
    // A protected command without a channel is refused.
    EXPECT_EQ(send(token, "0CA4000000").sw, 0x6882);
}

TEST(SecureChannel, HostWithAnotherKeyRejectsTheCardCryptogram)
{
    VirtualToken token = makeToken(Mode::aesFips);
    const Bytes otherKey = hexToBytes("00112233445566778899AABBCCDDEEFF");
    try {
        HostChannel channel(token, otherKey);
        FAIL() << "channel opened with a key the card does not hold";
    } catch (const TokenError& e) {
        EXPECT_EQ(e.code(), TokenError::Code::authFailed);
    }
}

TEST(SecureChannel, OptionsTransportKeyReplacesTheDefault)
{
    VirtualToken::Options options;
    options.transportKey = hexToBytes("0F0E0D0C0B0A09080706050403020100");
    VirtualToken token(options);
    EXPECT_THROW(HostChannel(token, defaultKey()), TokenError);
    HostChannel channel(token, options.transportKey);
    EXPECT_TRUE(channel.sm().isEstablished());

    options.transportKey = hexToBytes("0102");
    EXPECT_THROW(VirtualToken{options}, std::invalid_argument);
}

TEST(SecureChannel, AnswerIsProtectedWithDataStatusAndMac)
{
    VirtualToken::Options options;
    options.label = "Signing token";
    VirtualToken token(options);
    HostChannel channel(token, defaultKey());

    const Bytes wrapped = channel.sm().wrapAPDU(0x00, 0xB0, 0x00, 0x00, std::nullopt, 0x28);
    const Bytes raw = channel.callRaw(wrapped);
    // 87 L 01 + 48-byte cryptogram, 99 02 90 00, 8E 08 + MAC, 90 00.
    ASSERT_EQ(raw.size(), 3u + 48 + 4 + 10 + 2);
    EXPECT_EQ(raw[0], 0x87);
    EXPECT_EQ(raw[1], 49);
    EXPECT_EQ(raw[2], 0x01);
    const std::size_t status = 3 + 48;
    EXPECT_EQ(Bytes(raw.begin() + status, raw.begin() + status + 4), hexToBytes("99029000"));
    EXPECT_EQ(raw[status + 4], 0x8E);
    const Bytes mac(raw.begin() + status + 6, raw.begin() + status + 14);
    const Bytes expected = answerMac(channel.sm(), ByteView(raw).first(status + 4));
    EXPECT_EQ(mac, expected);

    const auto opened = channel.sm().unwrapResponse(raw);
    ASSERT_EQ(opened.data.size(), 0x28u);
    EXPECT_EQ(std::string(opened.data.begin(), opened.data.begin() + 13), "Signing token");

    // A failure goes back as a bare status word.
    EXPECT_EQ(
        channel.callRaw(channel.sm().wrapAPDU(0x00, 0xA4, 0x00, 0x00, hexToBytes("7777"), {})),
        hexToBytes("6A82"));
}

TEST(SecureChannel, MalformedObjectsUnderAValidMacAreRefused)
{
    VirtualToken token(VirtualToken::Options{});
    const Bytes header = hexToBytes("0CA40000");
    {
        HostChannel channel(token, defaultKey());
        // A hand-built command with sound objects gets through the MAC check to the command.
        EXPECT_EQ(
            split(channel.callRaw(handWrapped(channel.sm(), header, hexToBytes("970100")))).sw,
            0x6700);
    }
    const std::string badIndicator = "871102" + std::string(32, '0');
    const std::string partialBlock = "870801" + std::string(14, '0');
    for (const std::string& objects : {badIndicator, partialBlock, std::string("9702FE00")}) {
        token.reset();
        HostChannel channel(token, defaultKey());
        const Bytes apdu = handWrapped(channel.sm(), header, hexToBytes(objects));
        EXPECT_EQ(split(channel.callRaw(apdu)).sw, 0x6988) << objects;
        EXPECT_EQ(channel.call(0x00, 0xA4, 0x00, 0x00, hexToBytes("3F00")).sw, 0x6882) << objects;
    }
}
