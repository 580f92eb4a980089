#include "TokenHarness.h"

#include <gtest/gtest.h>

using namespace orvela::sim;
using namespace orvela::sim::test;
using orvela::tokenkit::bytesToHex;

namespace {

class ProvisionedToken : public ::testing::Test {
protected:
    void SetUp() override
    {
        HostChannel channel(token, defaultKey());
        ASSERT_EQ(provision(channel, defaultKey(), "1234", "87654321"), 0x9000);
        token.reset();
    }

    std::uint16_t verifyPlain(std::uint8_t reference, std::string_view pin)
    {
        char header[16];
        std::snprintf(header, sizeof header, "002000%02X10", reference);
        return send(token, header + bytesToHex(pinBlock(pin))).sw;
    }

    VirtualToken token{VirtualToken::Options{}};
};

} // namespace

TEST_F(ProvisionedToken, WrongPinCountsDownThenBlocks)
{
    for (int left = 9; left >= 1; --left) {
        EXPECT_EQ(verifyPlain(2, "9999"), 0x63C0 + left);
        EXPECT_EQ(token.pinTriesLeft(1), left);
    }
    // The try that uses up the counter still says how many are left; later ones say blocked.
    EXPECT_EQ(verifyPlain(2, "9999"), 0x63C0);
    EXPECT_EQ(verifyPlain(2, "9999"), 0x6983);
    EXPECT_EQ(verifyPlain(2, "1234"), 0x6983);
    EXPECT_EQ(token.pinTriesLeft(1), 0);
    // The SO PIN is a separate counter.
    EXPECT_EQ(token.pinTriesLeft(2), 10);
}

TEST_F(ProvisionedToken, CorrectPinRestoresTheCounter)
{
    EXPECT_EQ(verifyPlain(2, "4321"), 0x63C9);
    EXPECT_EQ(verifyPlain(2, "123"), 0x63C8);   // a prefix is not the PIN
    EXPECT_EQ(verifyPlain(2, "12345"), 0x63C7); // nor is a longer one
    EXPECT_EQ(verifyPlain(2, "1234"), 0x9000);
    EXPECT_EQ(token.pinTriesLeft(1), 10);
}

TEST_F(ProvisionedToken, ReferencesNameTheUserAndSoPins)
{
    EXPECT_EQ(verifyPlain(1, "87654321"), 0x9000);
    EXPECT_EQ(verifyPlain(1, "1234"), 0x63C9);
    EXPECT_EQ(token.pinTriesLeft(2), 9);
    EXPECT_EQ(verifyPlain(3, "1234"), 0x6A88);
    EXPECT_EQ(verifyPlain(0x81, "1234"), 0x6A88);
}

TEST_F(ProvisionedToken, VerifyOverTheChannel)
{
    HostChannel channel(token, defaultKey());
    EXPECT_EQ(channel.call(0x00, 0x20, 0x00, 0x02, pinBlock("0000")).sw, 0x63C9);
    EXPECT_EQ(channel.call(0x00, 0x20, 0x00, 0x02, pinBlock("1234")).sw, 0x9000);
    EXPECT_EQ(token.pinTriesLeft(1), 10);
}

TEST(Pin, VerifyOnABlankTokenFindsNoPin)
{
    VirtualToken token{VirtualToken::Options{}};
    EXPECT_EQ(send(token, "0020000210 31323334000000000000000000000000").sw, 0x6A88);
    EXPECT_FALSE(token.pinTriesLeft(1));
}

TEST(Pin, InstallRefusesMalformedSecrets)
{
    VirtualToken token{VirtualToken::Options{}};
    HostChannel channel(token, defaultKey());
    Bytes shortSecret = installData(0x04, 0x01, 0x96, 0x98, 10, secretBlock("1234"));
    shortSecret.pop_back();
    EXPECT_EQ(channel.call(0x80, 0xE3, 0x00, 0x00, shortSecret).sw, 0x6700);
    EXPECT_EQ(channel
                  .call(0x80, 0xE3, 0x00, 0x00,
                        installData(0x04, 0x01, 0x96, 0x98, 0, secretBlock("1234")))
                  .sw,
              0x6A80);
    EXPECT_EQ(channel.call(0x80, 0xE3, 0x00, 0x00, installData(0x09, 0x00, 0, 0, 0, Bytes(16))).sw,
              0x6A80);
    EXPECT_EQ(
        channel.call(0x80, 0xE3, 0x00, 0x00, installData(0x01, 0x00, 0x90, 0x90, 0, Bytes(8))).sw,
        0x6700);
    EXPECT_FALSE(token.pinTriesLeft(1));

    // A smaller counter is honoured.
    EXPECT_EQ(channel
                  .call(0x80, 0xE3, 0x00, 0x00,
                        installData(0x04, 0x01, 0x96, 0x98, 3, secretBlock("1234")))
                  .sw,
              0x9000);
    EXPECT_EQ(token.pinTriesLeft(1), 3);
}
