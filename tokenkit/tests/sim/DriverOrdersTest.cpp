#include "TokenHarness.h"
#include "orvela/tokenkit/TesselDriver.h"
#include "orvela/tokenkit/TokenError.h"

#include <gtest/gtest.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

using namespace orvela::sim;
using namespace orvela::sim::test;
using orvela::tokenkit::SmartCard;
using orvela::tokenkit::TesselDriver;
using orvela::tokenkit::TokenError;

namespace {

// The token as the driver sees it inside one card session.
class TokenCard final : public SmartCard {
public:
    explicit TokenCard(VirtualToken& token) : m_token(token) {}
    Bytes transmit(ByteView command) override { return m_token.process(command); }
    Bytes atr() override { return m_token.atr(); }

private:
    VirtualToken& m_token;
};

Bytes asBytes(std::string_view text)
{
    return orvela::tokenkit::toBytes(text);
}

bool verifiesWithPoint(const Bytes& point, const Bytes& hash, const Bytes& raw)
{
    OSSL_PARAM_BLD* bld = OSSL_PARAM_BLD_new();
    OSSL_PARAM_BLD_push_utf8_string(bld, OSSL_PKEY_PARAM_GROUP_NAME, "prime256v1", 0);
    OSSL_PARAM_BLD_push_octet_string(bld, OSSL_PKEY_PARAM_PUB_KEY, point.data(), point.size());
    OSSL_PARAM* params = OSSL_PARAM_BLD_to_param(bld);
    EVP_PKEY_CTX* from = EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr);
    EVP_PKEY* key = nullptr;
    EVP_PKEY_fromdata_init(from);
    EVP_PKEY_fromdata(from, &key, EVP_PKEY_PUBLIC_KEY, params);

    ECDSA_SIG* sig = ECDSA_SIG_new();
    ECDSA_SIG_set0(sig, BN_bin2bn(raw.data(), 32, nullptr),
                   BN_bin2bn(raw.data() + 32, 32, nullptr));
    unsigned char* der = nullptr;
    const int derLength = i2d_ECDSA_SIG(sig, &der);
    EVP_PKEY_CTX* ctx = key ? EVP_PKEY_CTX_new(key, nullptr) : nullptr;
    const bool ok = ctx && EVP_PKEY_verify_init(ctx) == 1 &&
                    EVP_PKEY_verify(ctx, der, static_cast<std::size_t>(derLength), hash.data(),
                                    hash.size()) == 1;
    EVP_PKEY_CTX_free(ctx);
    OPENSSL_free(der);
    ECDSA_SIG_free(sig);
    EVP_PKEY_free(key);
    EVP_PKEY_CTX_free(from);
    OSSL_PARAM_free(params);
    OSSL_PARAM_BLD_free(bld);
    return ok;
}

class DriverOrders : public ::testing::TestWithParam<VirtualToken::Mode> {
protected:
    DriverOrders() : token(optionsFor(GetParam())) {}

    static VirtualToken::Options optionsFor(VirtualToken::Mode mode)
    {
        VirtualToken::Options options;
        options.mode = mode;
        options.label = "Orvela Test";
        return options;
    }

    // One card session, as a reader gives it: the card is reset when it ends.
    template <class Work> void session(Work work)
    {
        TokenCard card(token);
        work(card);
        driver.closeSecureSession();
        token.reset();
    }

    VirtualToken token;
    TesselDriver driver;
    const Bytes key = defaultKey();
};

} // namespace

TEST_P(DriverOrders, EveryCallingOrderOfTheApplicationSucceeds)
{
    session([&](TokenCard& card) {
        EXPECT_TRUE(driver.selectApplet(card).isSuccess());
        EXPECT_EQ(driver.getChallenge(card).size(), 8u);
    });
    session([&](TokenCard& card) {
        const auto info = driver.getTokenInfo(card);
        EXPECT_EQ(info.label, "Orvela Test");
        EXPECT_TRUE(info.appletSelected);
        EXPECT_EQ(info.isFIPS, GetParam() == VirtualToken::Mode::aesFips);
    });
    session([&](TokenCard& card) {
        driver.establishSecureSession(key, key, card);
        driver.initializePIN(asBytes("1234"), asBytes("87654321"), card);
    });
    session([&](TokenCard& card) {
        driver.establishSecureSession(key, key, card);
        driver.verifyPIN(asBytes("1234"), TesselDriver::kUserPinReference, card);
        driver.generateECKeyPair(0x01, card);
    });
    ASSERT_TRUE(token.publicKey(1));

    const Bytes hash(32, 0xA5);
    session([&](TokenCard& card) {
        driver.selectApplet(card);
        const Bytes signature = driver.signECDSA(hash, card);
        EXPECT_TRUE(verifiesWithPoint(*token.publicKey(1), hash, signature));
    });

    Bytes certificate(460);
    for (std::size_t i = 0; i < certificate.size(); ++i) {
        certificate[i] = static_cast<std::uint8_t>(0x30 + i % 97);
    }
    session([&](TokenCard& card) {
        driver.establishSecureSession(key, key, card);
        driver.writeCertificate(certificate, 0x4404, card);
        // Read back over the channel too: the protected chunks are shorter.
        const Bytes protectedRead = driver.readCertificate(0x4404, card);
        EXPECT_EQ(protectedRead.size(), 512u);
        EXPECT_TRUE(std::equal(certificate.begin(), certificate.end(), protectedRead.begin()));
    });
    session([&](TokenCard& card) {
        const Bytes plainRead = driver.readCertificate(0x4404, card);
        ASSERT_EQ(plainRead.size(), 512u);
        EXPECT_TRUE(std::equal(certificate.begin(), certificate.end(), plainRead.begin()));
    });

    session([&](TokenCard& card) {
        driver.establishSecureSession(key, key, card);
        driver.eraseCard(card);
    });
    EXPECT_FALSE(token.publicKey(1));
    EXPECT_FALSE(token.pinTriesLeft(1));
}

TEST_P(DriverOrders, WrongPinAndMissingChannelAreReportedToTheDriver)
{
    session([&](TokenCard& card) {
        driver.establishSecureSession(key, key, card);
        driver.initializePIN(asBytes("1234"), asBytes("87654321"), card);
    });
    session([&](TokenCard& card) {
        driver.establishSecureSession(key, key, card);
        try {
            driver.verifyPIN(asBytes("0000"), TesselDriver::kUserPinReference, card);
            FAIL() << "wrong PIN accepted";
        } catch (const TokenError& e) {
            EXPECT_EQ(e.code(), TokenError::Code::pinVerifyFailed);
            EXPECT_EQ(e.retriesLeft(), 9);
        }
        // Without a verified PIN the card refuses to make a key.
        EXPECT_THROW(driver.generateECKeyPair(0x01, card), TokenError);
    });
    session([&](TokenCard& card) {
        // A plain erase, as the driver sends it without a channel, is refused by the card.
        EXPECT_THROW(driver.eraseCard(card), TokenError);
    });
    EXPECT_EQ(token.pinTriesLeft(1), 9);
}

INSTANTIATE_TEST_SUITE_P(Modes, DriverOrders,
                         ::testing::Values(VirtualToken::Mode::des, VirtualToken::Mode::aes,
                                           VirtualToken::Mode::aesFips));
