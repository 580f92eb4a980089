#include "TokenHarness.h"
#include "orvela/tokenkit/TokenError.h"

#include <gtest/gtest.h>
#include <random>

using namespace orvela::sim;
using namespace orvela::sim::test;
using orvela::tokenkit::hexToBytes;
using orvela::tokenkit::TokenError;

namespace {

Reply selectApplet(VirtualToken& token)
{
    return send(token, "00A404000E 656E746572736166652D66697073");
}

Bytes pattern(std::size_t n)
{
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = static_cast<std::uint8_t>(i % 251 + 1);
    }
    return out;
}

} // namespace

TEST(PlainCommands, LabelReadAfterAppletSelect)
{
    VirtualToken::Options options;
    options.label = "My Token";
    VirtualToken token(options);
    EXPECT_EQ(selectApplet(token).sw, 0x9000);
    const Reply label = send(token, "00B0000028");
    ASSERT_EQ(label.sw, 0x9000);
    ASSERT_EQ(label.data.size(), 0x28u);
    EXPECT_EQ(std::string(label.data.begin(), label.data.begin() + 8), "My Token");
    EXPECT_TRUE(std::all_of(label.data.begin() + 8, label.data.end(),
                            [](std::uint8_t b) { return b == 0xFF; }));

    options.label.clear();
    VirtualToken unlabelled(options);
    EXPECT_EQ(selectApplet(unlabelled).sw, 0x9000);
    const Reply none = send(unlabelled, "00B0000028");
    ASSERT_EQ(none.sw, 0x9000);
    ASSERT_FALSE(none.data.empty());
    EXPECT_EQ(none.data[0], 0x00);
}

TEST(PlainCommands, AppletSelectByNameAndChallenge)
{
    VirtualToken token(VirtualToken::Options{});
    EXPECT_EQ(send(token, "00A4040005 656E746572").sw, 0x6A82);
    EXPECT_EQ(selectApplet(token).sw, 0x9000);

    const Reply first = send(token, "0084000008");
    const Reply second = send(token, "0084000008");
    ASSERT_EQ(first.sw, 0x9000);
    ASSERT_EQ(first.data.size(), 8u);
    ASSERT_EQ(second.data.size(), 8u);
    EXPECT_NE(first.data, second.data);
}

TEST(PlainCommands, ModeProbeAnswersPerMode)
{
    for (const auto mode :
         {VirtualToken::Mode::des, VirtualToken::Mode::aes, VirtualToken::Mode::aesFips}) {
        VirtualToken::Options options;
        options.mode = mode;
        VirtualToken token(options);
        const Reply probe = send(token, "00CA018600");
        ASSERT_EQ(probe.sw, 0x9000);
        ASSERT_GE(probe.data.size(), 35u);
        const bool fipsShaped = probe.data[0] == 0x80 && probe.data[1] == 0x01 &&
                                probe.data[2] == 0x01 && probe.data[32] == 0x87 &&
                                probe.data[33] == 0x01 && probe.data[34] == 0x01;
        EXPECT_EQ(fipsShaped, mode == VirtualToken::Mode::aesFips);
        EXPECT_EQ(probe.data[2] == 0x01, mode != VirtualToken::Mode::des);
    }
}

TEST(PlainCommands, MalformedAndUnknownCommands)
{
    VirtualToken token(VirtualToken::Options{});
    EXPECT_EQ(send(token, "00A4").sw, 0x6700);
    EXPECT_EQ(send(token, "00A4000005 3F00").sw, 0x6700); // Lc says more than was sent
    EXPECT_EQ(send(token, "00FF0000").sw, 0x6D00);
    EXPECT_EQ(send(token, "000E000000").sw, 0x6E00); // ERASE CARD needs the proprietary class
}

TEST(Provisioning, BuildsTheFileSystemFromTheHostsFcps)
{
    // The test's FCP builder must produce the host's exact bytes.
    ASSERT_EQ(efFcp(0x5032, 128, 0x01),
              hexToBytes("62 19 80 02 00 80 82 02 01 00 83 02 50 32 8A 01 01 8C 08 FF FF 00 00 "
                         "00 00 00 00"));
    VirtualToken token(VirtualToken::Options{});
    HostChannel channel(token, defaultKey());
    ASSERT_EQ(provision(channel, defaultKey(), "1234", "87654321"), 0x9000);
    EXPECT_EQ(token.pinTriesLeft(1), 10);
    EXPECT_EQ(token.pinTriesLeft(2), 10);

    for (const char* fid : {"3F00", "2F00", "5015", "9F00", "5031", "5032", "5033", "4401", "4402",
                            "4403", "4404", "4405"}) {
        EXPECT_EQ(channel.call(0x00, 0xA4, 0x00, 0x00, hexToBytes(fid)).sw, 0x9000) << fid;
    }
    EXPECT_EQ(channel.call(0x00, 0xA4, 0x00, 0x00, hexToBytes("5300")).sw, 0x6A82);

    // Sizes follow the FCP: 5032 holds 128 bytes.
    ASSERT_EQ(send(token, "00A4000002 5032").sw, 0x9000);
    EXPECT_EQ(send(token, "00B00000FE").data.size(), 128u);
    EXPECT_EQ(send(token, "00B0008001").sw, 0x6B00);

    // A file cannot be created twice, nor from a broken FCP.
    EXPECT_EQ(channel.call(0x80, 0xE0, 0x00, 0x00, efFcp(0x4401, 256, 0x01)).sw, 0x6A89);
    Bytes broken = efFcp(0x4406, 256, 0x01);
    broken[1] = 0x30;
    EXPECT_EQ(channel.call(0x80, 0xE0, 0x00, 0x00, broken).sw, 0x6A80);
}

TEST(Provisioning, InstalledTransportKeysOpenTheNextChannel)
{
    VirtualToken token(VirtualToken::Options{});
    const Bytes ownKey = hexToBytes("A0A1A2A3A4A5A6A7A8A9AAABACADAEAF");
    {
        HostChannel channel(token, defaultKey());
        ASSERT_EQ(provision(channel, ownKey, "1234", "87654321"), 0x9000);
        // The open channel keeps its session keys after the installation.
        EXPECT_EQ(channel.call(0x00, 0xA4, 0x00, 0x00, hexToBytes("3F00")).sw, 0x9000);
    }
    token.reset();
    EXPECT_THROW(HostChannel(token, defaultKey()), TokenError);
    HostChannel channel(token, ownKey);
    EXPECT_TRUE(channel.sm().isEstablished());
}

TEST(Provisioning, EraseReturnsToBlankWithTheDefaultTransportKey)
{
    VirtualToken token(VirtualToken::Options{});
    const Bytes ownKey = hexToBytes("A0A1A2A3A4A5A6A7A8A9AAABACADAEAF");
    {
        HostChannel channel(token, defaultKey());
        ASSERT_EQ(provision(channel, ownKey, "1234", "87654321"), 0x9000);
        ASSERT_EQ(generateKey(channel, "1234", 1), 0x9000);
    }
    token.reset();
    {
        HostChannel channel(token, ownKey);
        EXPECT_EQ(channel.call(0x80, 0x0E, 0x00, 0x00, Bytes{}).sw, 0x9000);
        EXPECT_EQ(channel.call(0x00, 0xA4, 0x00, 0x00, hexToBytes("5015")).sw, 0x6A82);
        EXPECT_EQ(channel.call(0x00, 0xA4, 0x00, 0x00, hexToBytes("3F00")).sw, 0x9000);
    }
    EXPECT_FALSE(token.pinTriesLeft(1));
    EXPECT_FALSE(token.pinTriesLeft(2));
    EXPECT_FALSE(token.publicKey(1));
    EXPECT_EQ(send(token, "002A9E9A20 " + std::string(64, '1')).sw, 0x6A88);
    token.reset();
    HostChannel channel(token, defaultKey());
    EXPECT_TRUE(channel.sm().isEstablished());
}

TEST(Certificates, WriteOverChannelReadPlainRoundTrip)
{
    VirtualToken token(VirtualToken::Options{});
    const Bytes certificate = pattern(500);
    {
        HostChannel channel(token, defaultKey());
        ASSERT_EQ(provision(channel, defaultKey(), "1234", "87654321"), 0x9000);
        ASSERT_EQ(channel.call(0x00, 0xA4, 0x00, 0x00, hexToBytes("4404")).sw, 0x9000);
        // The largest chunk the host can wrap; 240-byte chunks do not fit a protected command.
        const std::size_t chunkSize =
            SecureMessaging::maxWrappedDataLength(channel.sm().keyType(), false);
        for (std::size_t offset = 0; offset < certificate.size(); offset += chunkSize) {
            const std::size_t n = std::min<std::size_t>(chunkSize, certificate.size() - offset);
            const Bytes chunk(certificate.begin() + offset, certificate.begin() + offset + n);
            ASSERT_EQ(channel
                          .call(0x00, 0xD6, static_cast<std::uint8_t>(offset >> 8),
                                static_cast<std::uint8_t>(offset), chunk)
                          .sw,
                      0x9000);
        }
        // Past the file's 512 bytes.
        EXPECT_EQ(channel.call(0x00, 0xD6, 0x01, 0xF0, pattern(17)).sw, 0x6B00);
    }
    token.reset();

    ASSERT_EQ(send(token, "00A4000002 4404").sw, 0x9000);
    Bytes read;
    for (int i = 0; i < 4; ++i) {
        const auto offset = static_cast<std::uint16_t>(read.size());
        char hex[16];
        std::snprintf(hex, sizeof hex, "00B0%04XFE", offset);
        const Reply chunk = send(token, hex);
        if (chunk.data.empty()) {
            EXPECT_EQ(chunk.sw, 0x6B00);
            break;
        }
        read.insert(read.end(), chunk.data.begin(), chunk.data.end());
    }
    ASSERT_EQ(read.size(), 512u);
    EXPECT_TRUE(std::equal(certificate.begin(), certificate.end(), read.begin()));
    EXPECT_TRUE(std::all_of(read.begin() + 500, read.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(AccessRules, AdministrativeCommandsNeedTheChannel)
{
    VirtualToken token(VirtualToken::Options{});
    {
        HostChannel channel(token, defaultKey());
        ASSERT_EQ(provision(channel, defaultKey(), "1234", "87654321"), 0x9000);
    }
    token.reset();
    EXPECT_EQ(send(token, "800E000000").sw, 0x6982);
    EXPECT_EQ(send(token, "80E000001B" + orvela::tokenkit::bytesToHex(efFcp(0x4406, 16, 1))).sw,
              0x6982);
    EXPECT_EQ(send(token, "80E300001A 0100909000000000FF00 000102030405060708090A0B0C0D0E0F").sw,
              0x6982);
    EXPECT_EQ(send(token, "00A4000002 4401").sw, 0x9000);
    EXPECT_EQ(send(token, "00D6000002 AABB").sw, 0x6982);
    EXPECT_EQ(send(token, "004600000B 3008040101800113810120").sw, 0x6982);
    // Nothing of the refused commands took effect.
    EXPECT_EQ(send(token, "00B0000002").data, hexToBytes("0000"));
    EXPECT_EQ(send(token, "00A4000002 4406").sw, 0x6A82);
    EXPECT_FALSE(token.publicKey(1));
    HostChannel channel(token, defaultKey());
    EXPECT_TRUE(channel.sm().isEstablished());
}

TEST(FileSystemStatus, RefusesWhatHasNoTarget)
{
    VirtualToken token(VirtualToken::Options{});
    HostChannel channel(token, defaultKey());
    ASSERT_EQ(provision(channel, defaultKey(), "1234", "87654321"), 0x9000);

    // With the applet or a DF selected there is no current EF to read or write.
    EXPECT_EQ(channel.call(0x00, 0xA4, 0x04, 0x00, hexToBytes("656E746572736166652D66697073")).sw,
              0x9000);
    EXPECT_EQ(channel.call(0x00, 0xD6, 0x00, 0x00, hexToBytes("01")).sw, 0x6986);
    EXPECT_EQ(channel.call(0x00, 0xA4, 0x00, 0x00, hexToBytes("5015")).sw, 0x9000);
    EXPECT_EQ(channel.call(0x00, 0xB0, 0x00, 0x00, std::nullopt, 0x10).sw, 0x6986);

    EXPECT_EQ(channel.call(0x00, 0xA4, 0x08, 0x00, hexToBytes("5015")).sw, 0x6A86);
    EXPECT_EQ(channel.call(0x00, 0xA4, 0x00, 0x00, hexToBytes("501544")).sw, 0x6700);
    EXPECT_EQ(channel.call(0x00, 0xCA, 0x01, 0x87, std::nullopt, 0x00).sw, 0x6A88);

    // The card's memory is finite: a file of 65535 bytes does not fit beside the others.
    EXPECT_EQ(channel.call(0x80, 0xE0, 0x00, 0x00, efFcp(0x4410, 0xFFFF, 0x01)).sw, 0x6A84);
    EXPECT_EQ(channel.call(0x00, 0xA4, 0x00, 0x00, hexToBytes("4410")).sw, 0x6A82);
    // A file made inside 5015 after re-selecting it is found by its FID.
    EXPECT_EQ(channel.call(0x80, 0xE0, 0x00, 0x00, efFcp(0x4410, 0x0040, 0x01)).sw, 0x9000);
    EXPECT_EQ(channel.call(0x00, 0xA4, 0x00, 0x00, hexToBytes("4410")).sw, 0x9000);
    EXPECT_EQ(channel.call(0x00, 0xB0, 0x00, 0x00, std::nullopt, 0x00).data.size(), 0x40u);
}

TEST(PlainCommands, ChallengeLengthOtherThanEightIsRefused)
{
    VirtualToken token(VirtualToken::Options{});
    EXPECT_EQ(send(token, "0084000004").sw, 0x6700);
    EXPECT_EQ(send(token, "0084000000").data.size(), 8u);
}

TEST(Robustness, RandomCommandsAlwaysGetAStatus)
{
    VirtualToken token(VirtualToken::Options{});
    {
        HostChannel channel(token, defaultKey());
        ASSERT_EQ(provision(channel, defaultKey(), "1234", "87654321"), 0x9000);
    }
    std::mt19937 random(20261206);
    const std::uint8_t classes[] = {0x00, 0x80, 0x84, 0x0C, 0x8C};
    const std::uint8_t instructions[] = {0xA4, 0xB0, 0xD6, 0xCA, 0x84, 0x50, 0x82,
                                         0x20, 0x0E, 0xE3, 0xE0, 0x46, 0x2A, 0x00};
    for (int i = 0; i < 3000; ++i) {
        if (i % 500 == 0) {
            token.reset();
            HostChannel channel(token, defaultKey()); // leaves a channel open for some rounds
        }
        Bytes apdu{classes[random() % std::size(classes)],
                   instructions[random() % std::size(instructions)],
                   static_cast<std::uint8_t>(random() % 3 == 0 ? random() : 0),
                   static_cast<std::uint8_t>(random() % 3 == 0 ? random() : 0)};
        const std::size_t extra = random() % 40;
        for (std::size_t n = 0; n < extra; ++n) {
            apdu.push_back(static_cast<std::uint8_t>(random()));
        }
        if (extra > 1 && random() % 2 == 0) {
            apdu[4] = static_cast<std::uint8_t>(extra - 1); // a consistent Lc half the time
        }
        const Bytes reply = token.process(apdu);
        ASSERT_GE(reply.size(), 2u) << orvela::tokenkit::bytesToHex(apdu);
        ASSERT_LE(reply.size(), 258u) << orvela::tokenkit::bytesToHex(apdu);
    }
    // The PINs were never erased by chance: plain ERASE is refused and random MACs fail.
    EXPECT_TRUE(token.pinTriesLeft(1));
}
