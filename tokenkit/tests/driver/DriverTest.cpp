// The application's calling orders against the emulated token: the session under test runs
// plain, or over the secure channel the token offers in each of its modes. The driver's
// commands byte for byte, against a scripted card, are in DriverBytesTest.cpp.

#include "SignatureCheck.h"
#include "TokenHarness.h"
#include "VirtualCard.h"
#include "orvela/sim/VirtualToken.h"
#include "orvela/tokenkit/Digest.h"
#include "orvela/tokenkit/Log.h"
#include "orvela/tokenkit/TesselDriver.h"
#include "orvela/tokenkit/TokenError.h"
#include "orvela/tokenkit/TransportKey.h"

#include <functional>
#include <gtest/gtest.h>
#include <numeric>
#include <optional>

using namespace orvela::tokenkit;
using namespace orvela::tokenkit::test;
using orvela::sim::VirtualToken;

namespace {

const Bytes kUserPin = toBytes("123456");
const Bytes kPuk = toBytes("87654321");
const Bytes kKey = defaultTransportKey();

struct ChannelMode {
    const char* name;
    VirtualToken::Mode token;
    bool secure;
    std::uint8_t readChunk; ///< what one READ BINARY may bring back in this mode
};

const ChannelMode kModes[] = {
    {"plain", VirtualToken::Mode::aes, false, 254},
    {"des", VirtualToken::Mode::des, true, 231},
    {"aes", VirtualToken::Mode::aes, true, 223},
    {"fips", VirtualToken::Mode::aesFips, true, 223},
};

bool isProtected(ByteView command)
{
    return (command[0] & 0x0C) == 0x0C;
}

/// Everything the kit logs while it lives, in one text.
class LogText final : public LogSink {
public:
    void write(std::string_view, std::string_view, LogLevel, std::string_view message) override
    {
        text.append(message).append("\n");
    }
    std::string text;
};

class DriverInEachMode : public ::testing::TestWithParam<ChannelMode> {
protected:
    DriverInEachMode() : token(tokenOptions(GetParam().token)) {}

    bool secure() const { return GetParam().secure; }
    void openChannel(SmartCard& card) { driver.establishSecureSession(kKey, kKey, card); }
    /// Starts the session under test: over the channel in the secure modes, plain otherwise.
    void begin(SmartCard& card)
    {
        if (secure()) {
            openChannel(card);
        }
    }

    /// The application's provisioning, with `withKey` also key 1 (the same PINs as here).
    void provision(bool withKey = false) { orvela::sim::test::provision(token, withKey); }

    VirtualToken token;
    TesselDriver driver;
};

} // namespace

TEST_P(DriverInEachMode, ProvisionsMakesAKeyAndSignsWithoutLoggingSecrets)
{
    auto log = std::make_shared<LogText>();
    setLogSink(log);
    provision(true);
    EXPECT_EQ(token.pinTriesLeft(1), 10);
    EXPECT_EQ(token.pinTriesLeft(2), 10);
    ASSERT_TRUE(token.publicKey(1));
    {
        VirtualCard card(token);
        begin(card);
        driver.selectApplet(card);
        const Bytes hash = sha256(toBytes("document to sign"));
        const Bytes signature = driver.signECDSA(hash, card);
        const auto key = orvela::sim::test::keyFromPoint(*token.publicKey(1));
        EXPECT_TRUE(orvela::sim::test::verifies(key, hash, signature));
        EXPECT_FALSE(orvela::sim::test::verifies(key, sha256(toBytes("other")), signature));
        EXPECT_EQ(isProtected(card.sentCommands().back()), secure());
    }
    setLogSink(nullptr);
    for (const Bytes& secret : {kUserPin, kPuk}) {
        const std::string text(secret.begin(), secret.end());
        EXPECT_EQ(log->text.find(text), std::string::npos) << log->text;
        EXPECT_EQ(log->text.find(bytesToHex(secret)), std::string::npos) << log->text;
    }
}

TEST_P(DriverInEachMode, WrongPinCountsDownTheRightOneRestoresThenItBlocks)
{
    provision();
    VirtualCard card(token);
    begin(card);
    const Bytes wrong = toBytes("000000");
    EXPECT_EQ(errorOf([&] { driver.verifyPIN(wrong, 2, card); }), TokenError::pinVerifyFailed(9));
    driver.verifyPIN(kUserPin, 2, card);
    EXPECT_EQ(token.pinTriesLeft(1), 10);
    for (int left = 9; left >= 0; --left) {
        EXPECT_EQ(errorOf([&] { driver.verifyPIN(wrong, 2, card); }),
                  TokenError::pinVerifyFailed(left));
        EXPECT_EQ(token.pinTriesLeft(1), left);
    }
    // Blocked means blocked: the right PIN no longer opens it.
    EXPECT_EQ(errorOf([&] { driver.verifyPIN(kUserPin, 2, card); }), TokenError::pinBlocked());
}

TEST_P(DriverInEachMode, CertificatesRoundTripInChunksThatFit)
{
    provision();
    const std::uint16_t chunk = GetParam().readChunk;
    const std::size_t sizes[] = {1, chunk - 1u, 2u * chunk, 600};
    for (std::size_t i = 0; i < std::size(sizes); ++i) {
        const auto fid = static_cast<std::uint16_t>(0x4410 + i);
        Bytes certificate(sizes[i]);
        std::iota(certificate.begin(), certificate.end(), std::uint8_t{1});
        {
            VirtualCard card(token);
            openChannel(card);
            driver.selectFile(TesselFile::applicationDF, card);
            driver.createFile(TesselDriver::buildEFFCP(fid, static_cast<std::uint16_t>(sizes[i]),
                                                       TesselFileType::transparent,
                                                       hexToBytes("FFFF000000000000")),
                              card);
            const std::size_t before = card.sentCommands().size();
            driver.writeCertificate(certificate, fid, card);
            // 239-byte protected chunks: a 240-byte one would not fit a short APDU.
            const std::size_t writes = card.sentCommands().size() - before - 1;
            EXPECT_EQ(writes, (sizes[i] + 238) / 239) << sizes[i];
        }
        VirtualCard card(token);
        begin(card);
        EXPECT_EQ(driver.readCertificate(fid, card), certificate) << sizes[i];
        // A chunk shorter than asked ends the read; a file of whole chunks ends on an empty one.
        // One SELECT, then the reads; the three commands that open a channel are left out.
        const std::size_t sent = card.sentCommands().size() - (secure() ? 3 : 0);
        EXPECT_EQ(sent, 1 + sizes[i] / chunk + 1) << sizes[i];
        EXPECT_EQ(isProtected(card.sentCommands().back()), secure());
    }
}

TEST_P(DriverInEachMode, RefusalsBecomeTheOperationsErrors)
{
    provision();
    struct Case {
        const char* what;
        bool needsChannel;
        std::size_t refuseAt; ///< the command of the call the token refuses
        std::uint16_t status; ///< 0: a one-byte reply instead
        std::function<void(TesselDriver&, SmartCard&)> call;
        TokenError expected;
        bool refusedBeforeSending = false;
    };
    const Case cases[] = {
        {"erase", true, 0, 0x6581, [](auto& d, auto& c) { d.eraseCard(c); },
         TokenError::unexpectedStatus(0x6581)},
        {"create", true, 0, 0x6A84,
         [](auto& d, auto& c) {
             d.createFile(Bytes{0x62, 0x00}, c);
         },
         TokenError::unexpectedStatus(0x6A84)},
        {"EC key", true, 0, 0x6982, [](auto& d, auto& c) { d.generateECKeyPair(1, c); },
         TokenError::keyGenFailed()},
        {"RSA key", true, SIZE_MAX, 0, [](auto& d, auto& c) { d.generateRSAKeyPair(1, 2048, c); },
         TokenError::keyGenFailed()},
        {"write chunk", true, 1, 0x6A82,
         [](auto& d, auto& c) { d.writeCertificate(Bytes(10, 1), 0x4402, c); },
         TokenError::certificateImportFailed()},
        {"write past the file", true, SIZE_MAX, 0,
         [](auto& d, auto& c) { d.writeCertificate(Bytes(400, 1), 0x4402, c); },
         TokenError::certificateImportFailed()},
        {"write too large", true, SIZE_MAX, 0,
         [](auto& d, auto& c) { d.writeCertificate(Bytes(65536, 1), 0x4402, c); },
         TokenError::certificateImportFailed(), true},
        {"read", false, 0, 0x6A82, [](auto& d, auto& c) { d.readCertificate(0x4402, c); },
         TokenError::certificateNotFound()},
        {"sign", false, 0, 0x6A80, [](auto& d, auto& c) { d.signECDSA(Bytes(32, 1), c); },
         TokenError::signFailed("SW=6A80")},
        {"challenge", false, 0, 0, [](auto& d, auto& c) { d.getChallenge(c); },
         TokenError::authFailed()},
        // Last: the refused MAC key leaves an erased token behind.
        {"provision", true, 2, 0x6A80, [](auto& d, auto& c) { d.initializePIN(kUserPin, kPuk, c); },
         TokenError::unexpectedStatus(0x6A80)},
    };
    for (const Case& c : cases) {
        if (c.needsChannel && !secure()) {
            continue;
        }
        VirtualCard card(token);
        begin(card);
        const std::size_t before = card.sentCommands().size();
        if (c.status == 0 && c.refuseAt == 0) {
            card.tamper([](ByteView, Bytes& reply) { reply.resize(1); });
        } else if (c.refuseAt != SIZE_MAX) {
            card.refuseAfter(c.refuseAt, c.status);
        }
        EXPECT_EQ(errorOf([&] { c.call(driver, card); }), c.expected) << c.what;
        if (c.refusedBeforeSending) {
            EXPECT_EQ(card.sentCommands().size(), before) << c.what;
        }
    }
}

TEST_P(DriverInEachMode, PulledCardReachesTheCallerAndEndsTheChannel)
{
    {
        VirtualCard card(token);
        begin(card);
        card.removeAfter(1);
        driver.selectApplet(card);
        // The label is optional, a platform failure while reading it is not.
        EXPECT_THROW(driver.getTokenInfo(card), CardRemoved);
    }
    token.setPresent(true);
    {
        VirtualCard card(token);
        openChannel(card);
        card.removeAfter(4); // erase and both transport keys pass, then the card is gone
        EXPECT_THROW(driver.initializePIN(kUserPin, kPuk, card), CardRemoved);
        EXPECT_EQ(driver.secureMessaging(), nullptr);
    }
    // Put back, the half-provisioned token is provisioned again from the start.
    token.setPresent(true);
    VirtualCard card(token);
    openChannel(card);
    driver.initializePIN(kUserPin, kPuk, card);
    EXPECT_EQ(token.pinTriesLeft(1), 10);
}

INSTANTIATE_TEST_SUITE_P(AllModes, DriverInEachMode, ::testing::ValuesIn(kModes),
                         [](const auto& mode) { return std::string(mode.param.name); });

TEST(DriverChannel, BelongsToTheSessionThatOpenedIt)
{
    VirtualToken token(tokenOptions(VirtualToken::Mode::aes));
    TesselDriver driver;
    {
        VirtualCard card(token);
        driver.establishSecureSession(kKey, kKey, card);
        driver.initializePIN(kUserPin, kPuk, card);
    }
    // The next session's object takes the first one's storage: only the card identity tells
    // them apart, and the old keys must not touch the new session's bytes.
    std::optional<VirtualCard> card;
    card.emplace(token);
    driver.establishSecureSession(kKey, kKey, *card);
    const Bytes firstKeys = driver.secureMessaging()->sessionKeyMac();
    const void* firstAddress = &*card;
    card.reset();
    card.emplace(token);
    ASSERT_EQ(static_cast<const void*>(&*card), firstAddress);
    EXPECT_FALSE(driver.hasSecureSession(*card));
    driver.verifyPIN(kUserPin, 2, *card);
    EXPECT_EQ(bytesToHex(card->sentCommands().at(0)).substr(0, 10), "0020000210");
    EXPECT_EQ(driver.secureMessaging(), nullptr);
    EXPECT_THROW(driver.generateECKeyPair(0x01, *card), TokenError);
    EXPECT_EQ(card->sentCommands().size(), 1u);

    // A channel of its own works; a failed new opening keeps it; closed, commands go plain.
    driver.establishSecureSession(kKey, kKey, *card);
    EXPECT_NE(driver.secureMessaging()->sessionKeyMac(), firstKeys);
    driver.verifyPIN(kUserPin, 2, *card);
    EXPECT_TRUE(isProtected(card->sentCommands().back()));
    const SecureMessaging* own = driver.secureMessaging();
    EXPECT_THROW(driver.establishSecureSession(Bytes(16, 0x11), Bytes(16, 0x11), *card),
                 TokenError);
    EXPECT_EQ(driver.secureMessaging(), own);
    driver.closeSecureSession();
    EXPECT_THROW(driver.eraseCard(*card), TokenError); // the token wants erase protected
    EXPECT_EQ(bytesToHex(card->sentCommands().back()), "800E000000");
}
