#include "SignatureCheck.h"
#include "TokenHarness.h"
#include "orvela/tokenkit/TesselDriver.h"
#include "orvela/tokenkit/TokenError.h"

#include <gtest/gtest.h>

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
        EXPECT_TRUE(verifies(keyFromPoint(*token.publicKey(1)), hash, signature));
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
