// The token's half of the secure channel, its armed faults and its access rules: what the
// driver, which only ever sends well-formed commands in order, cannot reach.

#include "SymmetricCrypto.h"
#include "TokenHarness.h"
#include "VirtualCard.h"
#include "orvela/tokenkit/DriverCommands.h"
#include "orvela/tokenkit/TokenError.h"

#include <gtest/gtest.h>

using namespace orvela::sim;
using namespace orvela::sim::test;
using orvela::tokenkit::append;
using orvela::tokenkit::hexToBytes;
using orvela::tokenkit::toBytes;
using orvela::tokenkit::TokenError;
using orvela::tokenkit::test::tokenOptions;
namespace crypto = orvela::tokenkit::crypto;

namespace {

/// A protected AES command built by hand from its header (class with 0C set) and data objects,
/// with a correct MAC for the host's next counter value: objects the host would never build.
Bytes handWrapped(const SecureMessaging& sm, ByteView header, ByteView objects)
{
    Bytes iv = sm.icvMac();
    crypto::incrementBigEndian(iv);
    Bytes macInput = toBytes(header);
    macInput.push_back(0x80);
    macInput.resize(16, 0x00);
    append(macInput, objects);
    Bytes apdu = toBytes(header);
    apdu.push_back(static_cast<std::uint8_t>(objects.size() + 10));
    append(apdu, objects);
    append(apdu, Bytes{0x8E, 0x08});
    append(apdu, crypto::aesMac(sm.sessionKeyMac(), iv, crypto::pad(macInput, 16)));
    apdu.push_back(0x00);
    return apdu;
}

} // namespace

TEST(SecureChannel, ReplayedOrForgedCommandIsRefusedAndEndsTheChannel)
{
    for (const auto mode : {VirtualToken::Mode::des, VirtualToken::Mode::aes}) {
        VirtualToken token(tokenOptions(mode));
        HostChannel channel(token, defaultKey());
        const Bytes wrapped = channel.sm().wrapAPDU(0x00, 0xA4, 0, 0, hexToBytes("3F00"), {});
        EXPECT_EQ(split(channel.callRaw(wrapped)).sw, 0x9000);
        EXPECT_EQ(split(channel.callRaw(wrapped)).sw, 0x6988);
        // Even a correctly wrapped command now finds no channel.
        EXPECT_EQ(channel.call(0x00, 0xA4, 0, hexToBytes("3F00")).sw, 0x6882);

        HostChannel again(token, defaultKey());
        Bytes forged = again.sm().wrapAPDU(0x00, 0xA4, 0, 0, hexToBytes("3F00"), {});
        forged[forged.size() - 2] ^= 0x40; // last MAC byte, before the trailing Le
        EXPECT_EQ(split(again.callRaw(forged)).sw, 0x6988);
        EXPECT_EQ(again.call(0x00, 0xA4, 0, hexToBytes("3F00")).sw, 0x6882);
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

TEST(SecureChannel, MalformedObjectsUnderAValidMacAreRefused)
{
    VirtualToken token(tokenOptions(VirtualToken::Mode::aes));
    const Bytes header = hexToBytes("0CA40000");
    {
        // Sound objects built by hand get through the MAC check to the command itself.
        HostChannel channel(token, defaultKey());
        const Bytes apdu = handWrapped(channel.sm(), header, hexToBytes("970100"));
        EXPECT_EQ(split(channel.callRaw(apdu)).sw, 0x6700);
    }
    const std::string badIndicator = "871102" + std::string(32, '0');
    const std::string partialBlock = "870801" + std::string(14, '0');
    for (const std::string& objects : {badIndicator, partialBlock, std::string("9702FE00")}) {
        token.reset();
        HostChannel channel(token, defaultKey());
        const Bytes apdu = handWrapped(channel.sm(), header, hexToBytes(objects));
        EXPECT_EQ(split(channel.callRaw(apdu)).sw, 0x6988) << objects;
        EXPECT_EQ(channel.call(0x00, 0xA4, 0, hexToBytes("3F00")).sw, 0x6882) << objects;
    }
}

TEST(Faults, ArmedFaultReplacesTheNextCommandOnly)
{
    VirtualToken token(tokenOptions(VirtualToken::Mode::aes));
    provision(token);
    token.armFault(VirtualToken::Fault::statusWord, 0x6581);
    EXPECT_EQ(token.process(hexToBytes("0020000210 30303030000000000000000000000000")),
              hexToBytes("6581"));
    EXPECT_EQ(token.pinTriesLeft(1), 10); // the wrong PIN never reached the counter
    EXPECT_EQ(send(token, "0084000008").data.size(), 8u);

    token.armFault(VirtualToken::Fault::shortReply);
    EXPECT_EQ(token.process(hexToBytes("0084000008")), hexToBytes("90"));
    EXPECT_EQ(token.process(hexToBytes("0084000008")).size(), 10u);
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
