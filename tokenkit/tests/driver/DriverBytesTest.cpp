// The driver's commands without a secure channel, byte for byte, against a scripted card.

#include "ScriptedCard.h"
#include "VirtualCard.h"
#include "orvela/tokenkit/DriverCommands.h"
#include "orvela/tokenkit/TesselDriver.h"
#include "orvela/tokenkit/TokenError.h"

#include <cstdio>
#include <functional>
#include <gtest/gtest.h>

using namespace orvela::tokenkit;
using namespace orvela::tokenkit::test;

namespace {

constexpr const char* kSelectApplet = "00A404000E656E746572736166652D66697073";
constexpr const char* kVerify1234 = "002000021031323334000000000000000000000000";

} // namespace

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
