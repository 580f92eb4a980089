// Faults in the middle of driver operations: a pulled card, refusals, short and damaged replies.

#include "LogCapture.h"
#include "TokenFixture.h"
#include "orvela/sim/VirtualReaderBackend.h"
#include "orvela/tokenkit/Digest.h"
#include "orvela/tokenkit/PcscError.h"
#include "orvela/tokenkit/TokenError.h"
#include "orvela/tokenkit/TokenManager.h"

#include <gmock/gmock.h>

using namespace orvela::tokenkit;
using namespace orvela::tokenkit::test;
using orvela::sim::VirtualToken;
using ::testing::Contains;

namespace {

class TesselDriverFaults : public TokenFixture {};

TokenError::Code codeOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const TokenError& e) {
        return e.code();
    }
    ADD_FAILURE() << "no TokenError";
    return TokenError::Code::transmitFailed;
}

} // namespace

TEST_P(TesselDriverFaults, CardPulledDuringProvisioningReachesTheCallerAndEndsTheChannel)
{
    TesselDriver driver;
    {
        VirtualCard card(*token);
        openChannel(driver, card);
        card.removeAfter(4); // erase and both transport keys pass, then the card is gone
        EXPECT_THROW(driver.initializePIN(kUserPin, kPuk, card), CardRemoved);
        EXPECT_FALSE(driver.hasSecureSession(card));
        EXPECT_EQ(driver.secureMessaging(), nullptr);
    }
    // Put back, the half-provisioned token is provisioned again from the start.
    token->setPresent(true);
    provision(driver);
    generateKey(driver);
    EXPECT_TRUE(token->publicKey(1).has_value());
}

TEST_P(TesselDriverFaults, CardPulledDuringAPlainReadReachesTheCaller)
{
    TesselDriver driver;
    VirtualCard card(*token);
    card.removeAfter(1);
    driver.selectApplet(card);
    EXPECT_THROW(driver.getTokenInfo(card), CardRemoved);
}

TEST_P(TesselDriverFaults, UnexpectedStatusWordsBecomeTheOperationsErrors)
{
    TesselDriver driver;
    provision(driver);
    VirtualCard card(*token);
    openChannel(driver, card);
    LogCapture log;

    token->armFault(VirtualToken::Fault::statusWord, 0x6581);
    try {
        driver.eraseCard(card);
        ADD_FAILURE() << "erase reported success";
    } catch (const TokenError& e) {
        EXPECT_EQ(e, TokenError::unexpectedStatus(0x6581));
    }
    token->armFault(VirtualToken::Fault::statusWord, 0x6A84);
    EXPECT_EQ(codeOf([&] { driver.createFile(hexToBytes("6200"), card); }),
              TokenError::Code::unexpectedStatus);
    token->armFault(VirtualToken::Fault::statusWord, 0x6982);
    EXPECT_EQ(codeOf([&] { driver.generateECKeyPair(1, card); }), TokenError::Code::keyGenFailed);
    token->armFault(VirtualToken::Fault::statusWord, 0x6A82);
    EXPECT_EQ(codeOf([&] { driver.readCertificate(0x4402, card); }),
              TokenError::Code::certificateNotFound);
    token->armFault(VirtualToken::Fault::statusWord, 0x6A82);
    EXPECT_EQ(codeOf([&] { driver.writeCertificate(Bytes(10, 1), 0x4402, card); }),
              TokenError::Code::certificateImportFailed);
    token->armFault(VirtualToken::Fault::statusWord, 0x6A80);
    EXPECT_EQ(codeOf([&] { driver.signECDSA(sha256(toBytes("x")), card); }),
              TokenError::Code::signFailed);
    EXPECT_THAT(log.lines(), Contains("TesselDriver error: ERASE CARD failed: SW=6581"));
    EXPECT_THAT(log.lines(), Contains("TesselDriver error: CREATE FILE failed: SW=6A84"));
    EXPECT_THAT(log.lines(), Contains("TesselDriver error: GENERATE KEY PAIR failed: SW=6982"));
    EXPECT_THAT(log.lines(), Contains("TesselDriver error: SIGN failed: SW=6A80"));
}

TEST_P(TesselDriverFaults, RefusedKeyInstallationStopsProvisioningWhereItWas)
{
    TesselDriver driver;
    VirtualCard card(*token);
    openChannel(driver, card);
    LogCapture log;
    card.refuseAfter(2, 0x6A80); // erase and the transport ENC key pass, the MAC key is refused
    try {
        driver.initializePIN(kUserPin, kPuk, card);
        ADD_FAILURE() << "provisioning reported success";
    } catch (const TokenError& e) {
        EXPECT_EQ(e, TokenError::unexpectedStatus(0x6A80));
    }
    const auto lines = log.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "TesselDriver error: install_secret_key(ktype=02) failed: SW=6A80");
    EXPECT_THAT(lines, Contains("TesselDriver info: Transport ENC key installed"));
    EXPECT_THAT(lines, ::testing::Not(Contains("TesselDriver info: Transport MAC key installed")));
    EXPECT_FALSE(token->pinTriesLeft(1).has_value());
}

TEST_P(TesselDriverFaults, RsaKeyRequestRefusedByTheTokenIsKeyGenFailed)
{
    TesselDriver driver;
    provision(driver);
    VirtualCard card(*token);
    openChannel(driver, card);
    driver.verifyPIN(kUserPin, TesselDriver::kUserPinReference, card);
    LogCapture log;
    EXPECT_EQ(codeOf([&] { driver.generateRSAKeyPair(0x01, 2048, card); }),
              TokenError::Code::keyGenFailed);
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_THAT(lines[0],
                ::testing::StartsWith("TesselDriver error: GENERATE RSA KEY PAIR failed: SW="));
}

TEST_P(TesselDriverFaults, FailedChunkWriteNamesItsOffset)
{
    TesselDriver driver;
    provision(driver);
    VirtualCard card(*token);
    openChannel(driver, card);
    LogCapture log;
    // A 4402 file holds 256 bytes: the second chunk runs past its end and is refused.
    EXPECT_EQ(codeOf([&] { driver.writeCertificate(Bytes(400, 0x55), 0x4402, card); }),
              TokenError::Code::certificateImportFailed);
    const auto lines = log.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_THAT(lines.back(), ::testing::StartsWith("TesselDriver error: WRITE CERT failed at "
                                                    "offset 239: SW="));
}

TEST_P(TesselDriverFaults, ShortRepliesAreFailuresNotData)
{
    TesselDriver driver;
    provision(driver);
    {
        VirtualCard card(*token);
        token->armFault(VirtualToken::Fault::shortReply);
        EXPECT_EQ(codeOf([&] { driver.getChallenge(card); }), TokenError::Code::authFailed);
        token->armFault(VirtualToken::Fault::shortReply);
        EXPECT_EQ(driver.selectApplet(card).status(), 0x6F00);
    }
    VirtualCard card(*token);
    openChannel(driver, card);
    token->armFault(VirtualToken::Fault::shortReply);
    EXPECT_EQ(codeOf([&] { driver.verifyPIN(kUserPin, 2, card); }),
              TokenError::Code::secureMessagingFailed);
}

TEST_P(TesselDriverFaults, DamagedProtectedReplyIsRejected)
{
    TesselDriver driver;
    provision(driver);
    generateKey(driver);
    VirtualCard card(*token);
    openChannel(driver, card);
    // Cutting the reply short leaves a DO87 whose length runs past the end of the body.
    card.tamperNextReply([](Bytes& reply) { reply.erase(reply.begin() + 8, reply.end() - 20); });
    EXPECT_EQ(codeOf([&] { driver.signECDSA(sha256(toBytes("x")), card); }),
              TokenError::Code::secureMessagingFailed);
}

INSTANTIATE_TEST_SUITE_P(AllModes, TesselDriverFaults,
                         ::testing::Values(VirtualToken::Mode::des, VirtualToken::Mode::aes,
                                           VirtualToken::Mode::aesFips),
                         modeName);

TEST_P(TesselDriverFaults, RemovalThroughTheTokenManagerEndsTheSessionWithThePlatformError)
{
    auto backend = std::make_shared<orvela::sim::VirtualReaderBackend>(1);
    std::shared_ptr<VirtualToken> shared = std::move(token);
    backend->setToken(0, shared);
    TokenManager manager(backend);
    TesselDriver driver;
    const SmartCard* sessionCard = nullptr;
    try {
        manager.withSession(0, [&](SmartCard& card) {
            sessionCard = &card;
            openChannel(driver, card);
            backend->setPresent(0, false);
            driver.initializePIN(kUserPin, kPuk, card);
        });
        ADD_FAILURE() << "provisioning went on without a card";
    } catch (const PcscError& e) {
        EXPECT_EQ(e.code(), PcscError::removedCard);
    }
    ASSERT_NE(sessionCard, nullptr);
    EXPECT_EQ(driver.secureMessaging(), nullptr);
    EXPECT_THROW(manager.withSession(0, [](SmartCard&) {}), TokenError);

    // Back in the reader, a new session provisions from the start with a channel of its own.
    backend->setPresent(0, true);
    manager.withSession(0, [&](SmartCard& card) {
        openChannel(driver, card);
        driver.initializePIN(kUserPin, kPuk, card);
    });
    EXPECT_EQ(shared->pinTriesLeft(1), 10);
}
