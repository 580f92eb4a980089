// The application's calling orders against the emulated token: the session under test runs
// plain, or over the secure channel the token offers in each of its modes. Then the driver's
// commands without a secure channel, byte for byte, against a scripted card.

#include "ScriptedCard.h"
#include "SignatureCheck.h"
#include "TokenHarness.h"
#include "VirtualCard.h"
#include "orvela/sim/VirtualToken.h"
#include "orvela/tokenkit/Digest.h"
#include "orvela/tokenkit/DriverCommands.h"
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
constexpr const char* kSelectApplet = "00A404000E656E746572736166652D66697073";
constexpr const char* kVerify1234 = "002000021031323334000000000000000000000000";

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

TEST(DriverBytes, ChallengeAndSignaturesNeedTheirDataAndSuccess)
{
    TesselDriver driver;
    {
        ScriptedCard card;
        card.expect("0084000008", "0102030405060708 9000");
        EXPECT_EQ(bytesToHex(driver.getChallenge(card)), "0102030405060708");
    }
    for (const char* reply : {"01020304050607 9000", "010203040506070809 9000",
                              "0102030405060708 6A82", "6D00", "90"}) {
        ScriptedCard card;
        card.expect("0084000008", reply);
        EXPECT_EQ(errorOf([&] { driver.getChallenge(card); }), TokenError::authFailed()) << reply;
    }
    // Signatures pass the input unchanged and need data.
    const std::string hash(64, 'A');
    {
        ScriptedCard card;
        card.expect("002A9E9A20" + hash, "3044AABB9000").expect("002A808603010203", "CAFE9000");
        EXPECT_EQ(bytesToHex(driver.signECDSA(hexToBytes(hash), card)), "3044AABB");
        EXPECT_EQ(bytesToHex(driver.signRSA(hexToBytes("010203"), card)), "CAFE");
    }
    for (const char* status : {"6A80", "9000"}) {
        ScriptedCard card;
        card.expect("002A9E9A20" + hash, status).expect("002A808601FF", status);
        EXPECT_EQ(errorOf([&] { driver.signECDSA(hexToBytes(hash), card); }),
                  TokenError::signFailed(std::string("SW=") + status));
        EXPECT_EQ(errorOf([&] { driver.signRSA(hexToBytes("FF"), card); }),
                  TokenError::signFailed(std::string("SW=") + status));
    }
}

TEST(DriverBytes, VerifySendsASixteenByteBlockAndMapsTheStatus)
{
    TesselDriver driver;
    {
        ScriptedCard card;
        card.expect(kVerify1234, "9000");
        driver.verifyPIN(toBytes("1234"), 0x02, card);
    }
    {
        // A longer PIN is cut to its first sixteen bytes, the last of them kept.
        ScriptedCard card;
        card.expect("0020000110" + bytesToHex(toBytes("ABCDEFGHIJKLMNOP")), "9000");
        driver.verifyPIN(toBytes("ABCDEFGHIJKLMNOPQRST"), 0x01, card);
    }
    const std::pair<const char*, TokenError> cases[] = {
        {"63CF", TokenError::pinVerifyFailed(15)},
        {"6300", TokenError::unexpectedStatus(0x6300)},
        {"63D1", TokenError::unexpectedStatus(0x63D1)},
        {"6983", TokenError::pinBlocked()},
        {"6A80", TokenError::unexpectedStatus(0x6A80)},
    };
    for (const auto& [status, expected] : cases) {
        ScriptedCard card;
        card.expect(kVerify1234, status);
        EXPECT_EQ(errorOf([&] { driver.verifyPIN(toBytes("1234"), 0x02, card); }), expected)
            << status;
    }
}

TEST(DriverBytes, TokenInfoReadsAtrLabelAndAppletState)
{
    TesselDriver driver;
    const std::string fipsAtr = "3B9F958131FE9F006646530534001171DF00000300";
    ScriptedCard fips(fipsAtr);
    fips.expect(kSelectApplet, "9000")
        .expect("00B0000028", bytesToHex(toBytes("My Token")) + "FFFFFFFF9000");
    const TokenInfo info = driver.getTokenInfo(fips);
    EXPECT_EQ(info.label, "My Token");
    EXPECT_TRUE(info.appletSelected && info.isFIPS);
    EXPECT_EQ(info.atrHex(), fipsAtr);
    // 19 bytes are too short to say FIPS, whatever they hold.
    ScriptedCard shortAtr("3B9F958131FE9F006646530534001171DF0003");
    shortAtr.expect(kSelectApplet, "6A82").expect("00B0000028", "6A82");
    const TokenInfo other = driver.getTokenInfo(shortAtr);
    EXPECT_FALSE(other.appletSelected || other.isFIPS);

    const std::pair<const char*, const char*> labels[] = {
        {"6A82", "Tessel2003"},
        {"9000", "Tessel2003"},
        {"0041429000", "Tessel2003"},                               // empty before its end mark
        {"202009209000", "Tessel2003"},                             // only white space
        {"C3289000", "Tessel2003"},                                 // not UTF-8
        {"C0809000", "Tessel2003"},                                 // overlong
        {"2020D09CD0BED0BD0A00FF9000", "\xD0\x9C\xD0\xBE\xD0\xBD"}, // Cyrillic, trimmed
        {"41424300436A82", "Tessel2003"},                           // data but a failure status
    };
    for (const auto& [reply, label] : labels) {
        ScriptedCard card;
        card.expect(kSelectApplet, "9000").expect("00B0000028", reply);
        EXPECT_EQ(driver.getTokenInfo(card).label, label) << reply;
    }
}

TEST(DriverBytes, RefusedRequestsSendNothingAndTemplatesMustFit)
{
    const Bytes sixteen = toBytes("0123456789ABCDEF");
    const Bytes seventeen = toBytes("0123456789ABCDEFG");
    const std::pair<std::function<void(TesselDriver&, SmartCard&)>, TokenError> cases[] = {
        {[](auto& d, auto& c) { d.signECDSA(Bytes(256, 1), c); }, TokenError::invalidAPDU()},
        {[](auto& d, auto& c) { d.createFile(Bytes(300, 1), c); }, TokenError::invalidAPDU()},
        {[&](auto& d, auto& c) { d.initializePIN(seventeen, sixteen, c); },
         TokenError::pinTooLong()},
        {[&](auto& d, auto& c) { d.initializePIN(sixteen, seventeen, c); },
         TokenError::pinTooLong()},
        // Nine Cyrillic letters are nine characters but eighteen UTF-8 bytes.
        {[&](auto& d, auto& c) { d.initializePIN(toBytes("ааааааааа"), sixteen, c); },
         TokenError::pinTooLong()},
        // Sixteen bytes pass the length rule and only then meet the missing channel.
        {[&](auto& d, auto& c) { d.initializePIN(sixteen, sixteen, c); }, TokenError::authFailed()},
        {[](auto& d, auto& c) { d.generateECKeyPair(0x01, c); }, TokenError::authFailed()},
        {[](auto& d, auto& c) { d.generateRSAKeyPair(0x01, 2048, c); }, TokenError::authFailed()},
        {[](auto& d, auto& c) { d.writeCertificate(Bytes(600, 1), 0x4402, c); },
         TokenError::authFailed()},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        TesselDriver driver;
        ScriptedCard card;
        EXPECT_EQ(errorOf([&] { cases[i].first(driver, card); }), cases[i].second) << i;
        EXPECT_EQ(card.sent(), 0u) << i;
    }
    // Templates and payloads that cannot fit their length byte are refused.
    const Bytes openAcl = hexToBytes("FFFF000000000000");
    // The ACL fits its own length byte but the template no longer fits the 62 length byte.
    EXPECT_EQ(DriverCommands::buildEFFCP(0x5032, 1, 0x01, Bytes(238, 0)).size(), 257u);
    EXPECT_THROW(DriverCommands::buildEFFCP(0x5032, 1, 0x01, Bytes(239, 0)), TokenError);
    EXPECT_THROW(DriverCommands::buildEFFCP(0x5032, 1, 0x01, Bytes(256, 0)), TokenError);
    EXPECT_THROW(DriverCommands::buildDFFCP(0x5015, 1, Bytes(256, 0x41), openAcl), TokenError);
    EXPECT_THROW(DriverCommands::buildDFFCP(0x5015, 1, Bytes(240, 0x41), openAcl), TokenError);
    EXPECT_NO_THROW(DriverCommands::computeDigitalSignature(Bytes(255, 1)));
    EXPECT_THROW(DriverCommands::updateBinary(0, Bytes(256, 1)), TokenError);
}

// The emulated token shows where a read ends; these are the files no sound card holds.
TEST(DriverBytes, ReadCertificateNeedsDataAndRefusesFilesPastOffsetFFFF)
{
    TesselDriver driver;
    ScriptedCard empty;
    empty.expect("00A40000024402", "9000").expect("00B00000FE", "9000");
    EXPECT_EQ(errorOf([&] { driver.readCertificate(0x4402, empty); }),
              TokenError::certificateNotFound());
    ScriptedCard card;
    card.expect("00A40000024402", "9000");
    // 258 full chunks reach 65532; the next one would carry the file past FFFF.
    for (unsigned offset = 0; offset < 259 * 254; offset += 254) {
        char header[16];
        std::snprintf(header, sizeof header, "00B0%04XFE", offset);
        card.expect(header, std::string(254 * 2, 'C') + "9000");
    }
    EXPECT_EQ(errorOf([&] { driver.readCertificate(0x4402, card); }), TokenError::invalidAPDU());
}
