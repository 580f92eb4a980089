// The token's answers to commands the driver never sends, or sends only in one shape: labels,
// malformed and unknown commands, file-system refusals, PIN and key rules.

#include "SignatureCheck.h"
#include "TokenHarness.h"
#include "VirtualCard.h"
#include "orvela/tokenkit/DriverCommands.h"

#include <gtest/gtest.h>
#include <random>

using namespace orvela::sim;
using namespace orvela::sim::test;
using orvela::tokenkit::bytesToHex;
using orvela::tokenkit::hexToBytes;
using orvela::tokenkit::test::tokenOptions;
namespace commands = orvela::tokenkit::DriverCommands;

namespace {

const char* kSelectApplet = "00A404000E 656E746572736166652D66697073";

Bytes efFcp(std::uint16_t fid, std::uint16_t size)
{
    return commands::buildEFFCP(fid, size, 0x01, hexToBytes("FFFF000000000000"));
}

std::uint16_t verify(VirtualToken& token, std::uint8_t reference, std::string_view pin)
{
    char header[16];
    std::snprintf(header, sizeof header, "002000%02X10", reference);
    return send(token, header + bytesToHex(pinBlock(pin))).sw;
}

} // namespace

TEST(PlainCommands, LabelChallengeAndMalformedCommands)
{
    VirtualToken::Options options;
    options.label = "My Token";
    VirtualToken token(options);
    EXPECT_EQ(send(token, "00A4040005 656E746572").sw, 0x6A82);
    EXPECT_EQ(send(token, kSelectApplet).sw, 0x9000);
    const Reply label = send(token, "00B0000028");
    ASSERT_EQ(label.data.size(), 0x28u);
    EXPECT_EQ(std::string(label.data.begin(), label.data.begin() + 8), "My Token");
    EXPECT_TRUE(std::all_of(label.data.begin() + 8, label.data.end(),
                            [](std::uint8_t b) { return b == 0xFF; }));
    options.label.clear();
    VirtualToken unlabelled(options);
    EXPECT_EQ(send(unlabelled, "00B0000028").data.at(0), 0x00);

    EXPECT_NE(send(token, "0084000008").data, send(token, "0084000008").data);
    EXPECT_EQ(send(token, "0084000000").data.size(), 8u);
    EXPECT_EQ(send(token, "0084000004").sw, 0x6700);
    // Malformed, unknown, or under another class than its own.
    const std::pair<const char*, std::uint16_t> malformed[] = {
        {"00A4", 0x6700}, {"00A4000005 3F00", 0x6700}, {"00FF0000", 0x6D00}, {"000E000000", 0x6E00}};
    for (const auto& [command, status] : malformed) {
        EXPECT_EQ(send(token, command).sw, status) << command;
    }
}

TEST(FileSystem, RefusesWhatHasNoTargetOrNoRoom)
{
    VirtualToken token(tokenOptions(VirtualToken::Mode::aes));
    provision(token);
    HostChannel channel(token, defaultKey());
    // With the applet or a DF selected there is no current EF to read or write.
    EXPECT_EQ(channel.call(0x00, 0xA4, 0x0400, hexToBytes("656E746572736166652D66697073")).sw,
              0x9000);
    EXPECT_EQ(channel.call(0x00, 0xD6, 0, hexToBytes("01")).sw, 0x6986);
    EXPECT_EQ(channel.call(0x00, 0xA4, 0, hexToBytes("5015")).sw, 0x9000);
    EXPECT_EQ(channel.call(0x00, 0xB0, 0, std::nullopt, 0x10).sw, 0x6986);

    EXPECT_EQ(channel.call(0x00, 0xA4, 0x0800, hexToBytes("5015")).sw, 0x6A86);
    EXPECT_EQ(channel.call(0x00, 0xA4, 0, hexToBytes("501544")).sw, 0x6700);
    EXPECT_EQ(channel.call(0x00, 0xCA, 0x0187, std::nullopt, 0x00).sw, 0x6A88);

    // A file cannot be made twice, nor from a broken FCP, nor beyond the card's memory.
    EXPECT_EQ(channel.call(0x80, 0xE0, 0, efFcp(0x4401, 256)).sw, 0x6A89);
    Bytes broken = efFcp(0x4406, 256);
    broken[1] = 0x30;
    EXPECT_EQ(channel.call(0x80, 0xE0, 0, broken).sw, 0x6A80);
    EXPECT_EQ(channel.call(0x80, 0xE0, 0, efFcp(0x4410, 0xFFFF)).sw, 0x6A84);
    EXPECT_EQ(channel.call(0x00, 0xA4, 0, hexToBytes("4410")).sw, 0x6A82);
    // A file made inside 5015 is found by its FID and sized by its FCP.
    EXPECT_EQ(channel.call(0x80, 0xE0, 0, efFcp(0x4410, 0x40)).sw, 0x9000);
    EXPECT_EQ(channel.call(0x00, 0xA4, 0, hexToBytes("4410")).sw, 0x9000);
    EXPECT_EQ(channel.call(0x00, 0xB0, 0, std::nullopt, 0x00).data.size(), 0x40u);
    EXPECT_EQ(channel.call(0x00, 0xB0, 0x0040, std::nullopt, 0x01).sw, 0x6B00);
    EXPECT_EQ(channel.call(0x00, 0xD6, 0x003F, hexToBytes("0102")).sw, 0x6B00);
}

TEST(Pins, ReferencesAndCounters)
{
    VirtualToken token(tokenOptions(VirtualToken::Mode::aes));
    EXPECT_EQ(verify(token, 2, "1234"), 0x6A88); // nothing installed yet
    provision(token);
    const std::tuple<std::uint8_t, const char*, std::uint16_t> steps[] = {
        {2, "4321", 0x63C9},  {2, "123", 0x63C8},  // a prefix is not the PIN
        {2, "12345", 0x63C7}, {2, "1234", 0x9000}, // nor a longer one; the right one restores
        {1, "87654321", 0x9000}, {1, "1234", 0x63C9}, // reference 1 is the SO PIN
        {3, "1234", 0x6A88},  {0x81, "1234", 0x6A88},
    };
    for (const auto& [reference, pin, status] : steps) {
        EXPECT_EQ(verify(token, reference, pin), status) << int(reference) << " " << pin;
    }
    // Each counter is its own; counting down to blocked is driven in every channel mode by
    // the driver's suite.
    EXPECT_EQ(token.pinTriesLeft(1), 10);
    EXPECT_EQ(token.pinTriesLeft(2), 9);
}

TEST(Pins, InstallRefusesMalformedSecrets)
{
    VirtualToken token(tokenOptions(VirtualToken::Mode::aes));
    HostChannel channel(token, defaultKey());
    const Bytes secret = commands::pinSecretBlock(orvela::tokenkit::toBytes("1234"));
    Bytes shortSecret = commands::secretKeyData(secret, 0x04, 0x01, 0x96, 0x98, 10);
    shortSecret.pop_back();
    const std::pair<Bytes, std::uint16_t> cases[] = {
        {shortSecret, 0x6700},
        {commands::secretKeyData(secret, 0x04, 0x01, 0x96, 0x98, 0), 0x6A80},
        {commands::secretKeyData(Bytes(16), 0x09, 0x00, 0, 0, 0), 0x6A80},
        {commands::secretKeyData(Bytes(8), 0x01, 0x00, 0x90, 0x90, 0), 0x6700},
    };
    for (const auto& [data, status] : cases) {
        EXPECT_EQ(channel.call(0x80, 0xE3, 0, data).sw, status);
    }
    EXPECT_FALSE(token.pinTriesLeft(1));
    // A smaller counter is honoured.
    const Bytes three = commands::secretKeyData(secret, 0x04, 0x01, 0x96, 0x98, 3);
    ASSERT_EQ(channel.call(0x80, 0xE3, 0, three).sw, 0x9000);
    EXPECT_EQ(token.pinTriesLeft(1), 3);
}

TEST(Keys, GenerationNeedsTheChannelAndTheUserPinOfThisSession)
{
    VirtualToken token(tokenOptions(VirtualToken::Mode::aes));
    provision(token);
    const Bytes params = commands::ecKeyParameters(0x01);
    HostChannel channel(token, defaultKey());
    EXPECT_EQ(channel.call(0x00, 0x46, 0, params).sw, 0x6982);
    // The SO PIN does not open key generation, and a failed VERIFY withdraws an earlier success.
    EXPECT_EQ(channel.call(0x00, 0x20, 0x0001, pinBlock("87654321")).sw, 0x9000);
    EXPECT_EQ(channel.call(0x00, 0x46, 0, params).sw, 0x6982);
    EXPECT_EQ(channel.call(0x00, 0x20, 0x0002, pinBlock("1234")).sw, 0x9000);
    EXPECT_EQ(channel.call(0x00, 0x20, 0x0002, pinBlock("1235")).sw, 0x63C9);
    EXPECT_EQ(channel.call(0x00, 0x46, 0, params).sw, 0x6982);
    // Reset forgets the verification and the channel.
    EXPECT_EQ(channel.call(0x00, 0x20, 0x0002, pinBlock("1234")).sw, 0x9000);
    token.reset();
    EXPECT_EQ(channel.call(0x00, 0x46, 0, params).sw, 0x6882);
    HostChannel fresh(token, defaultKey());
    EXPECT_EQ(fresh.call(0x00, 0x46, 0, params).sw, 0x6982);
    EXPECT_FALSE(token.publicKey(1));

    EXPECT_EQ(fresh.call(0x00, 0x20, 0x0002, pinBlock("1234")).sw, 0x9000);
    EXPECT_EQ(fresh.call(0x00, 0x46, 0, hexToBytes("300804010180010181020800")).sw, 0x6A80);
    EXPECT_EQ(fresh.call(0x00, 0x46, 0, hexToBytes("3008040101800101810120")).sw, 0x6A81);
    EXPECT_EQ(fresh.call(0x00, 0x46, 0, params).sw, 0x9000);
    const Bytes first = *token.publicKey(1);
    EXPECT_EQ(fresh.call(0x00, 0x46, 0, params).sw, 0x9000);
    EXPECT_NE(*token.publicKey(1), first); // generating again replaces the key
    EXPECT_FALSE(token.publicKey(2));
}

TEST(Keys, SigningChecksTheHashAndTheKey)
{
    VirtualToken token(tokenOptions(VirtualToken::Mode::aes));
    EXPECT_EQ(send(token, "002A9E9A20" + std::string(64, '1')).sw, 0x6A88);
    provision(token, true);
    EXPECT_EQ(send(token, "002A9E9A00").sw, 0x6700);
    EXPECT_EQ(send(token, "002A9E9A41" + std::string(130, '1')).sw, 0x6700);
    EXPECT_EQ(send(token, "002A8086 04 01020304").sw, 0x6A86);
    // The PEM form is the same key: what the virtual reader's helper hands to openssl.
    const Bytes hash(32, 0x5A);
    const Reply signature = send(token, "002A9E9A20" + bytesToHex(hash));
    EXPECT_TRUE(verifies(keyFromPem(*token.publicKeyPem(1)), hash, signature.data));
}

TEST(Robustness, RandomCommandsAlwaysGetAStatus)
{
    VirtualToken token(tokenOptions(VirtualToken::Mode::aes));
    provision(token);
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
        ASSERT_GE(reply.size(), 2u) << bytesToHex(apdu);
        ASSERT_LE(reply.size(), 258u) << bytesToHex(apdu);
    }
    // The PINs were never erased by chance: plain ERASE is refused and random MACs fail.
    EXPECT_TRUE(token.pinTriesLeft(1));
}
