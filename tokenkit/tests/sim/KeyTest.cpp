#include "SignatureCheck.h"
#include "TokenHarness.h"
#include "orvela/tokenkit/Digest.h"

#include <gtest/gtest.h>

using namespace orvela::sim;
using namespace orvela::sim::test;
using orvela::tokenkit::hexToBytes;

namespace {

Reply signPlain(VirtualToken& token, const Bytes& hash)
{
    Bytes apdu = hexToBytes("002A9E9A");
    apdu.push_back(static_cast<std::uint8_t>(hash.size()));
    apdu.insert(apdu.end(), hash.begin(), hash.end());
    return split(token.process(apdu));
}

class TokenWithKey : public ::testing::Test {
protected:
    void SetUp() override
    {
        HostChannel channel(token, defaultKey());
        ASSERT_EQ(provision(channel, defaultKey(), "1234", "87654321"), 0x9000);
        token.reset();
        HostChannel keyChannel(token, defaultKey());
        ASSERT_EQ(generateKey(keyChannel, "1234", 1), 0x9000);
        token.reset();
    }

    VirtualToken token{VirtualToken::Options{}};
};

} // namespace

TEST_F(TokenWithKey, TestSignatureOrderSignsWithKeyOne)
{
    const auto point = token.publicKey(1);
    ASSERT_TRUE(point);
    ASSERT_EQ(point->size(), 65u);
    EXPECT_EQ((*point)[0], 0x04);
    const PublicKey fromPoint = keyFromPoint(*point);
    const auto pem = token.publicKeyPem(1);
    ASSERT_TRUE(pem);
    const PublicKey fromPem = keyFromPem(*pem);

    // The application's test signature: SELECT applet, then PSO, no VERIFY.
    ASSERT_EQ(send(token, "00A404000E 656E746572736166652D66697073").sw, 0x9000);
    const Bytes hash = orvela::tokenkit::sha256(orvela::tokenkit::toBytes(std::string_view("m")));
    const Reply first = signPlain(token, hash);
    ASSERT_EQ(first.sw, 0x9000);
    EXPECT_TRUE(verifies(fromPoint, hash, first.data));
    EXPECT_TRUE(verifies(fromPem, hash, first.data));

    Bytes otherHash = hash;
    otherHash[0] ^= 1;
    EXPECT_FALSE(verifies(fromPoint, otherHash, first.data));

    // ECDSA is randomised: a second signature differs and still verifies.
    const Reply second = signPlain(token, hash);
    EXPECT_NE(second.data, first.data);
    EXPECT_TRUE(verifies(fromPoint, hash, second.data));
}

TEST_F(TokenWithKey, SignatureOverTheChannel)
{
    HostChannel channel(token, defaultKey());
    const Bytes hash(32, 0x5A);
    const Reply signature = channel.call(0x00, 0x2A, 0x9E, 0x9A, hash);
    ASSERT_EQ(signature.sw, 0x9000);
    EXPECT_TRUE(verifies(keyFromPoint(*token.publicKey(1)), hash, signature.data));
}

TEST_F(TokenWithKey, RegeneratingReplacesTheKey)
{
    const Bytes before = *token.publicKey(1);
    HostChannel channel(token, defaultKey());
    ASSERT_EQ(generateKey(channel, "1234", 1), 0x9000);
    EXPECT_NE(*token.publicKey(1), before);
    EXPECT_FALSE(token.publicKey(2));
}

TEST_F(TokenWithKey, SignRefusesBadHashLengthsAndParameters)
{
    EXPECT_EQ(send(token, "002A9E9A00").sw, 0x6700);
    EXPECT_EQ(signPlain(token, Bytes(65, 1)).sw, 0x6700);
    EXPECT_EQ(send(token, "002A8086 04 01020304").sw, 0x6A86);
}

TEST(KeyGeneration, NeedsChannelAndVerifiedUserPin)
{
    VirtualToken token{VirtualToken::Options{}};
    {
        HostChannel channel(token, defaultKey());
        ASSERT_EQ(provision(channel, defaultKey(), "1234", "87654321"), 0x9000);
    }
    token.reset();
    const Bytes params = hexToBytes("3008040101800113810120");
    HostChannel channel(token, defaultKey());
    EXPECT_EQ(channel.call(0x00, 0x46, 0x00, 0x00, params).sw, 0x6982);
    // The SO PIN does not open key generation.
    EXPECT_EQ(channel.call(0x00, 0x20, 0x00, 0x01, pinBlock("87654321")).sw, 0x9000);
    EXPECT_EQ(channel.call(0x00, 0x46, 0x00, 0x00, params).sw, 0x6982);
    // A failed VERIFY withdraws an earlier success.
    EXPECT_EQ(channel.call(0x00, 0x20, 0x00, 0x02, pinBlock("1234")).sw, 0x9000);
    EXPECT_EQ(channel.call(0x00, 0x20, 0x00, 0x02, pinBlock("1235")).sw, 0x63C9);
    EXPECT_EQ(channel.call(0x00, 0x46, 0x00, 0x00, params).sw, 0x6982);
    EXPECT_FALSE(token.publicKey(1));

    EXPECT_EQ(channel.call(0x00, 0x20, 0x00, 0x02, pinBlock("1234")).sw, 0x9000);
    // Reset forgets the verification and the channel.
    token.reset();
    EXPECT_EQ(channel.call(0x00, 0x46, 0x00, 0x00, params).sw, 0x6882);
    HostChannel fresh(token, defaultKey());
    EXPECT_EQ(fresh.call(0x00, 0x46, 0x00, 0x00, params).sw, 0x6982);

    EXPECT_EQ(fresh.call(0x00, 0x20, 0x00, 0x02, pinBlock("1234")).sw, 0x9000);
    EXPECT_EQ(fresh.call(0x00, 0x46, 0x00, 0x00, hexToBytes("300804010180010181020800")).sw,
              0x6A80);
    EXPECT_EQ(fresh.call(0x00, 0x46, 0x00, 0x00, hexToBytes("3008040101800101810120")).sw, 0x6A81);
    EXPECT_EQ(fresh.call(0x00, 0x46, 0x00, 0x00, params).sw, 0x9000);
    EXPECT_TRUE(token.publicKey(1));
}

TEST(KeyGeneration, SignWithoutKeyIsRefused)
{
    VirtualToken token{VirtualToken::Options{}};
    EXPECT_EQ(signPlain(token, Bytes(32, 1)).sw, 0x6A88);
}
