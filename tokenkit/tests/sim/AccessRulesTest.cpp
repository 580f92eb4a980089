// The token's half of the secure channel and its access rules. The driver suite relies on the
// token refusing what a broken driver would send (a forged MAC or cryptogram, an administrative
// command outside the channel, key generation without the user PIN of this session); without
// these refusals driver faults would pass unnoticed.

#include "TokenHarness.h"
#include "VirtualCard.h"
#include "orvela/tokenkit/DriverCommands.h"

#include <gtest/gtest.h>

using namespace orvela::sim;
using namespace orvela::sim::test;
using orvela::tokenkit::hexToBytes;
using orvela::tokenkit::test::tokenOptions;

TEST(SecureChannel, ForgedMacIsRefusedAndEndsTheChannel)
{
    // A command out of step with the counter is driven by the host channel's own suite.
    for (const auto mode : {VirtualToken::Mode::des, VirtualToken::Mode::aes}) {
        VirtualToken token(tokenOptions(mode));
        HostChannel channel(token, defaultKey());
        Bytes forged = channel.sm().wrapAPDU(0x00, 0xA4, 0, 0, hexToBytes("3F00"), {});
        forged[forged.size() - 2] ^= 0x40; // last MAC byte, before the trailing Le
        EXPECT_EQ(split(channel.callRaw(forged)).sw, 0x6988);
        // Even a correctly wrapped command now finds no channel.
        EXPECT_EQ(channel.call(0x00, 0xA4, 0, hexToBytes("3F00")).sw, 0x6882);
    }
}

TEST(SecureChannel, AuthenticationOutOfOrderOrForgedOpensNothing)
{
    VirtualToken token(tokenOptions(VirtualToken::Mode::aes));
    const char* zeros = "8482030010 00000000000000000000000000000000";
    EXPECT_EQ(send(token, zeros).sw, 0x6985);
    ASSERT_EQ(send(token, "8050000008 1122334455667788 1C").sw, 0x9000);
    EXPECT_EQ(send(token, zeros).sw, 0x6982);
    // A failed attempt leaves nothing to retry against.
    EXPECT_EQ(send(token, zeros).sw, 0x6985);
    EXPECT_EQ(send(token, "0CA4000000").sw, 0x6882);
}

TEST(AccessRules, AdministrativeCommandsNeedTheChannel)
{
    VirtualToken token(tokenOptions(VirtualToken::Mode::aes));
    provision(token);
    const std::string fcp = orvela::tokenkit::bytesToHex(orvela::tokenkit::DriverCommands::buildEFFCP(
        0x4406, 16, 0x01, hexToBytes("FFFF000000000000")));
    for (const std::string& command :
         {std::string("800E000000"), "80E000001B" + fcp,
          std::string("80E300001A 0100909000000000FF00 000102030405060708090A0B0C0D0E0F"),
          std::string("004600000B 3008040101800113810120")}) {
        EXPECT_EQ(send(token, command).sw, 0x6982) << command;
    }
    EXPECT_EQ(send(token, "00A4000002 4401").sw, 0x9000);
    EXPECT_EQ(send(token, "00D6000002 AABB").sw, 0x6982);
    // Nothing of the refused commands took effect.
    EXPECT_EQ(send(token, "00B0000002").data, hexToBytes("0000"));
    EXPECT_EQ(send(token, "00A4000002 4406").sw, 0x6A82);
    EXPECT_EQ(token.pinTriesLeft(1), 10);
    EXPECT_FALSE(token.publicKey(1));
    EXPECT_TRUE(HostChannel(token, defaultKey()).sm().isEstablished());
}

TEST(Keys, GenerationNeedsTheChannelAndTheUserPinOfThisSession)
{
    VirtualToken token(tokenOptions(VirtualToken::Mode::aes));
    provision(token);
    const Bytes params = orvela::tokenkit::DriverCommands::ecKeyParameters(0x01);
    HostChannel channel(token, defaultKey());
    EXPECT_EQ(channel.call(0x00, 0x46, 0, params).sw, 0x6982);
    // The SO PIN does not open key generation, and a failed VERIFY withdraws an earlier success.
    EXPECT_EQ(channel.call(0x00, 0x20, 0x0001, pinBlock("87654321")).sw, 0x9000);
    EXPECT_EQ(channel.call(0x00, 0x46, 0, params).sw, 0x6982);
    EXPECT_EQ(channel.call(0x00, 0x20, 0x0002, pinBlock("123456")).sw, 0x9000);
    EXPECT_EQ(channel.call(0x00, 0x20, 0x0002, pinBlock("123457")).sw, 0x63C9);
    EXPECT_EQ(channel.call(0x00, 0x46, 0, params).sw, 0x6982);
    // Reset forgets the verification and the channel.
    EXPECT_EQ(channel.call(0x00, 0x20, 0x0002, pinBlock("123456")).sw, 0x9000);
    token.reset();
    EXPECT_EQ(channel.call(0x00, 0x46, 0, params).sw, 0x6882);
    HostChannel fresh(token, defaultKey());
    EXPECT_EQ(fresh.call(0x00, 0x46, 0, params).sw, 0x6982);
    EXPECT_FALSE(token.publicKey(1));

    EXPECT_EQ(fresh.call(0x00, 0x20, 0x0002, pinBlock("123456")).sw, 0x9000);
    EXPECT_EQ(fresh.call(0x00, 0x46, 0, params).sw, 0x9000);
    const Bytes first = *token.publicKey(1);
    EXPECT_EQ(fresh.call(0x00, 0x46, 0, params).sw, 0x9000);
    EXPECT_NE(*token.publicKey(1), first); // generating again replaces the key
}
