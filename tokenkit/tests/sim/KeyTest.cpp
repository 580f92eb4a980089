#include "TokenHarness.h"
#include "orvela/tokenkit/Digest.h"

#include <gtest/gtest.h>
#include <openssl/bio.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/pem.h>

using namespace orvela::sim;
using namespace orvela::sim::test;
using orvela::tokenkit::hexToBytes;

namespace {

EVP_PKEY* keyFromPoint(const Bytes& point)
{
    OSSL_PARAM_BLD* bld = OSSL_PARAM_BLD_new();
    OSSL_PARAM_BLD_push_utf8_string(bld, OSSL_PKEY_PARAM_GROUP_NAME, "prime256v1", 0);
    OSSL_PARAM_BLD_push_octet_string(bld, OSSL_PKEY_PARAM_PUB_KEY, point.data(), point.size());
    OSSL_PARAM* params = OSSL_PARAM_BLD_to_param(bld);
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr);
    EVP_PKEY* key = nullptr;
    EVP_PKEY_fromdata_init(ctx);
    EVP_PKEY_fromdata(ctx, &key, EVP_PKEY_PUBLIC_KEY, params);
    EVP_PKEY_CTX_free(ctx);
    OSSL_PARAM_free(params);
    OSSL_PARAM_BLD_free(bld);
    return key;
}

EVP_PKEY* keyFromPem(const std::string& pem)
{
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    EVP_PKEY* key = PEM_read_bio_PUBKEY(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    return key;
}

// Checks a raw r‖s signature over the hash with OpenSSL.
bool verifies(EVP_PKEY* key, const Bytes& hash, const Bytes& raw)
{
    if (!key || raw.size() != 64) {
        return false;
    }
    ECDSA_SIG* sig = ECDSA_SIG_new();
    ECDSA_SIG_set0(sig, BN_bin2bn(raw.data(), 32, nullptr),
                   BN_bin2bn(raw.data() + 32, 32, nullptr));
    unsigned char* der = nullptr;
    const int derLength = i2d_ECDSA_SIG(sig, &der);
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key, nullptr);
    const bool ok = EVP_PKEY_verify_init(ctx) == 1 &&
                    EVP_PKEY_verify(ctx, der, static_cast<std::size_t>(derLength), hash.data(),
                                    hash.size()) == 1;
    EVP_PKEY_CTX_free(ctx);
    OPENSSL_free(der);
    ECDSA_SIG_free(sig);
    return ok;
}

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
    EVP_PKEY* fromPoint = keyFromPoint(*point);
    const auto pem = token.publicKeyPem(1);
    ASSERT_TRUE(pem);
    EVP_PKEY* fromPem = keyFromPem(*pem);

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
    EVP_PKEY_free(fromPoint);
    EVP_PKEY_free(fromPem);
}

TEST_F(TokenWithKey, SignatureOverTheChannel)
{
    HostChannel channel(token, defaultKey());
    const Bytes hash(32, 0x5A);
    const Reply signature = channel.call(0x00, 0x2A, 0x9E, 0x9A, hash);
    ASSERT_EQ(signature.sw, 0x9000);
    EVP_PKEY* key = keyFromPoint(*token.publicKey(1));
    EXPECT_TRUE(verifies(key, hash, signature.data));
    EVP_PKEY_free(key);
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
