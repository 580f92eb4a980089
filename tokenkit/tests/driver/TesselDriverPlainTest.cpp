// The driver's commands without a secure channel, byte for byte, against a scripted card.

#include "LogCapture.h"
#include "ScriptedCard.h"
#include "orvela/tokenkit/TesselDriver.h"
#include "orvela/tokenkit/TokenError.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace orvela::tokenkit;
using namespace orvela::tokenkit::test;
using ::testing::Contains;
using ::testing::ElementsAre;

namespace {

constexpr const char* kSelectApplet = "00A404000E656E746572736166652D66697073";

/// Runs the call, expecting the given TokenError case, and returns the error for more checks.
template <class F> TokenError expectTokenError(F&& call, TokenError::Code code)
{
    try {
        call();
    } catch (const TokenError& e) {
        EXPECT_EQ(e.code(), code) << e.errorDescription();
        return e;
    }
    ADD_FAILURE() << "no TokenError";
    return TokenError::sessionFailed();
}

} // namespace

TEST(TesselDriverPlain, SelectAppletReturnsAnyStatusAndLogsIt)
{
    LogCapture log;
    ScriptedCard card;
    card.expect(kSelectApplet, "6A82");
    TesselDriver driver;
    const APDUResponse response = driver.selectApplet(card);
    EXPECT_EQ(response.status(), 0x6A82);
    EXPECT_THAT(log.lines(), ElementsAre("TesselDriver info: SELECT applet: SW=6A82"));
}

TEST(TesselDriverPlain, GetChallengeWantsExactlyEightBytesAndSuccess)
{
    TesselDriver driver;
    {
        ScriptedCard card;
        card.expect("0084000008", "0102030405060708 9000");
        EXPECT_EQ(bytesToHex(driver.getChallenge(card)), "0102030405060708");
    }
    LogCapture log;
    for (const char* reply : {"01020304050607 9000", "010203040506070809 9000",
                              "0102030405060708 6A82", "6D00", "90"}) {
        ScriptedCard card;
        card.expect("0084000008", reply);
        expectTokenError([&] { driver.getChallenge(card); }, TokenError::Code::authFailed);
    }
    EXPECT_THAT(log.lines(), Contains("TesselDriver error: GET CHALLENGE failed: SW=6A82"));
    EXPECT_THAT(log.lines(), Contains("TesselDriver error: GET CHALLENGE failed: SW=6F00"));
}

TEST(TesselDriverPlain, VerifyPinSendsAPaddedBlockAndMapsTheStatus)
{
    TesselDriver driver;
    LogCapture log;
    {
        ScriptedCard card;
        card.expect("002000021031323334000000000000000000000000", "9000");
        driver.verifyPIN(toBytes("1234"), 0x02, card);
    }
    EXPECT_THAT(log.lines(), ElementsAre("TesselDriver info: VERIFY PIN: амжилттай"));
    {
        ScriptedCard card;
        card.expect("0020000110" + bytesToHex(toBytes("ABCDEFGHIJKLMNOP")), "9000");
        driver.verifyPIN(toBytes("ABCDEFGHIJKLMNOPQRST"), 0x01, card);
    }
    struct Case {
        const char* sw;
        TokenError expected;
    };
    const Case cases[] = {
        {"63C2", TokenError::pinVerifyFailed(2)},
        {"63C0", TokenError::pinVerifyFailed(0)},
        {"63CF", TokenError::pinVerifyFailed(15)},
        {"6300", TokenError::unexpectedStatus(0x6300)},
        {"63D1", TokenError::unexpectedStatus(0x63D1)},
        {"6983", TokenError::pinBlocked()},
        {"6A80", TokenError::unexpectedStatus(0x6A80)},
    };
    for (const Case& c : cases) {
        ScriptedCard card;
        card.expect("002000021031323334000000000000000000000000", c.sw);
        try {
            driver.verifyPIN(toBytes("1234"), 0x02, card);
            ADD_FAILURE() << c.sw << " accepted";
        } catch (const TokenError& e) {
            EXPECT_EQ(e, c.expected) << c.sw << ": " << e.errorDescription();
        }
    }
}

TEST(TesselDriverPlain, TokenInfoReadsAtrLabelAndAppletState)
{
    TesselDriver driver;
    const std::string fipsAtr = "3B9F958131FE9F006646530534"
                                "00"
                                "1171DF0000"
                                "03"
                                "00";
    {
        ScriptedCard card(fipsAtr);
        card.expect(kSelectApplet, "9000")
            .expect("00B0000028", bytesToHex(toBytes("My Token")) + "FFFFFFFF9000");
        const TokenInfo info = driver.getTokenInfo(card);
        EXPECT_EQ(info.label, "My Token");
        EXPECT_TRUE(info.appletSelected);
        EXPECT_TRUE(info.isFIPS);
        EXPECT_EQ(info.atrHex(), bytesToHex(hexToBytes(fipsAtr)));
    }
    {
        // 19 bytes: too short to say FIPS, whatever they hold.
        ScriptedCard card("3B9F958131FE9F006646530534001171DF0003");
        card.expect(kSelectApplet, "6A82")
            .expect("00B0000028", "00"
                                  "4142"
                                  "9000");
        const TokenInfo info = driver.getTokenInfo(card);
        EXPECT_FALSE(info.isFIPS);
        EXPECT_FALSE(info.appletSelected);
        EXPECT_EQ(info.label, "Tessel2003");
    }
}

TEST(TesselDriverPlain, UnreadableLabelsFallBackToTheDefault)
{
    TesselDriver driver;
    const std::pair<std::string, std::string> cases[] = {
        {"6A82", "Tessel2003"},
        {"9000", "Tessel2003"},
        {"20200920"
         "9000",
         "Tessel2003"}, // only white space
        {"C328"
         "9000",
         "Tessel2003"}, // not UTF-8
        {"C080"
         "9000",
         "Tessel2003"}, // overlong
        {"2020D09CD0BED0BD0A00FF"
         "9000",
         "\xD0\x9C\xD0\xBE\xD0\xBD"}, // Cyrillic, trimmed
        {"41424300"
         "43"
         "6A82",
         "Tessel2003"}, // data but a failure status
    };
    for (const auto& [reply, label] : cases) {
        ScriptedCard card;
        card.expect(kSelectApplet, "9000").expect("00B0000028", reply);
        EXPECT_EQ(driver.getTokenInfo(card).label, label) << reply;
    }
}

TEST(TesselDriverPlain, SignaturesPassTheInputUnchangedAndRequireData)
{
    TesselDriver driver;
    const std::string hash(64, 'A');
    {
        ScriptedCard card;
        card.expect("002A9E9A20" + hash, "3044AABB9000");
        EXPECT_EQ(bytesToHex(driver.signECDSA(hexToBytes(hash), card)), "3044AABB");
    }
    {
        ScriptedCard card;
        card.expect("002A808603010203", "CAFE9000");
        EXPECT_EQ(bytesToHex(driver.signRSA(hexToBytes("010203"), card)), "CAFE");
    }
    LogCapture log;
    {
        ScriptedCard card;
        card.expect("002A9E9A20" + hash, "6A80");
        const TokenError e = expectTokenError([&] { driver.signECDSA(hexToBytes(hash), card); },
                                              TokenError::Code::signFailed);
        EXPECT_EQ(e.errorDescription(), "Гарын үсэг зурахад алдаа: SW=6A80");
    }
    {
        ScriptedCard card;
        card.expect("002A9E9A20" + hash, "9000");
        const TokenError e = expectTokenError([&] { driver.signECDSA(hexToBytes(hash), card); },
                                              TokenError::Code::signFailed);
        EXPECT_EQ(e.text(), "SW=9000");
    }
    {
        ScriptedCard card;
        card.expect("002A808601FF", "6982");
        expectTokenError([&] { driver.signRSA(hexToBytes("FF"), card); },
                         TokenError::Code::signFailed);
    }
    EXPECT_THAT(log.lines(), ElementsAre("TesselDriver error: SIGN failed: SW=6A80",
                                         "TesselDriver error: SIGN failed: SW=9000",
                                         "TesselDriver error: SIGN RSA failed: SW=6982"));
}

TEST(TesselDriverPlain, OversizedDataIsRefusedBeforeAnythingIsSent)
{
    TesselDriver driver;
    ScriptedCard card;
    expectTokenError([&] { driver.signECDSA(Bytes(256, 1), card); }, TokenError::Code::invalidAPDU);
    expectTokenError([&] { driver.createFile(Bytes(300, 1), card); },
                     TokenError::Code::invalidAPDU);
    EXPECT_EQ(card.sent(), 0u);
}

TEST(TesselDriverPlain, EraseCardSendsAnEmptyBody)
{
    TesselDriver driver;
    {
        ScriptedCard card;
        card.expect("800E000000", "9000");
        driver.eraseCard(card);
    }
    LogCapture log;
    ScriptedCard card;
    card.expect("800E000000", "6985");
    const TokenError e =
        expectTokenError([&] { driver.eraseCard(card); }, TokenError::Code::unexpectedStatus);
    EXPECT_EQ(e.status(), 0x6985);
    EXPECT_THAT(log.lines(), ElementsAre("TesselDriver error: ERASE CARD failed: SW=6985"));
}

TEST(TesselDriverPlain, OperationsThatNeedTheChannelSendNothingWithoutIt)
{
    TesselDriver driver;
    ScriptedCard card;
    expectTokenError([&] { driver.initializePIN(toBytes("123456"), toBytes("12345678"), card); },
                     TokenError::Code::authFailed);
    expectTokenError([&] { driver.generateECKeyPair(0x01, card); }, TokenError::Code::authFailed);
    expectTokenError([&] { driver.generateRSAKeyPair(0x01, 2048, card); },
                     TokenError::Code::authFailed);
    expectTokenError([&] { driver.writeCertificate(Bytes(600, 1), 0x4402, card); },
                     TokenError::Code::authFailed);
    EXPECT_EQ(card.sent(), 0u);
}

TEST(TesselDriverPlain, PinsLongerThanSixteenBytesAreRefusedBeforeAnythingIsSent)
{
    TesselDriver driver;
    ScriptedCard card;
    const Bytes sixteen = toBytes("0123456789ABCDEF");
    const Bytes seventeen = toBytes("0123456789ABCDEFG");
    const TokenError e = expectTokenError([&] { driver.initializePIN(seventeen, sixteen, card); },
                                          TokenError::Code::pinTooLong);
    EXPECT_EQ(e.errorDescription(), "PIN 16 байтаас урт байж болохгүй.");
    expectTokenError([&] { driver.initializePIN(sixteen, seventeen, card); },
                     TokenError::Code::pinTooLong);
    // Nine Cyrillic letters are nine characters but eighteen UTF-8 bytes.
    expectTokenError([&] { driver.initializePIN(toBytes("ааааааааа"), sixteen, card); },
                     TokenError::Code::pinTooLong);
    // Sixteen bytes pass the length rule and only then meet the missing channel.
    expectTokenError([&] { driver.initializePIN(sixteen, sixteen, card); },
                     TokenError::Code::authFailed);
    EXPECT_EQ(card.sent(), 0u);
}

TEST(TesselDriverPlain, FileSystemIsCreatedInOrder)
{
    TesselDriver driver;
    LogCapture log;
    ScriptedCard card;
    const std::string acl = "8C08FFFF000000000000";
    auto ef = [&](const char* fid, const char* size, const char* type) {
        return std::string("80E000001B6219"
                           "8002") +
               size + "8202" + type + "00" + "8302" + fid + "8A0101" + acl;
    };
    card.expect("00A40000023F00", "9000")
        .expect(ef("2F00", "0070", "04"), "9000")
        .expect("80E000002B6229"
                "80023E80"
                "82023800"
                "83025015"
                "840E656E746572736166652D66697073"
                "8A0101"
                "8C08FFFF044444444444",
                "9000")
        .expect("00A40000025015", "9000")
        .expect(ef("9F00", "0002", "01"), "9000")
        .expect(ef("5031", "0100", "01"), "9000")
        .expect(ef("5032", "0080", "01"), "9000")
        .expect(ef("5033", "0080", "01"), "9000")
        .expect(ef("4401", "0100", "01"), "9000")
        .expect(ef("4402", "0100", "01"), "9000")
        .expect(ef("4403", "0100", "01"), "9000")
        .expect(ef("4404", "0200", "01"), "9000")
        .expect(ef("4405", "0100", "01"), "9000");
    driver.createPKCS15Filesystem(card);
    EXPECT_THAT(log.lines(), ElementsAre("TesselDriver info: Created EF DIR (2F00)",
                                         "TesselDriver info: Created DF PKCS15-App (5015)",
                                         "TesselDriver info: Created 9 PKCS#15 EFs inside App DF"));
}

TEST(TesselDriverPlain, FileSystemStopsAtTheFirstRefusal)
{
    TesselDriver driver;
    {
        LogCapture log;
        ScriptedCard card;
        card.expect("00A40000023F00", "6A82");
        const TokenError e = expectTokenError([&] { driver.createPKCS15Filesystem(card); },
                                              TokenError::Code::unexpectedStatus);
        EXPECT_EQ(e.status(), 0x6A82);
        EXPECT_THAT(log.lines(),
                    ElementsAre("TesselDriver error: SELECT FID 3F00 failed: SW=6A82"));
    }
    {
        LogCapture log;
        ScriptedCard card;
        card.expect("00A40000023F00", "9000")
            .expect("80E000001B6219800200708202040083022F008A01018C08FFFF000000000000", "6A89");
        expectTokenError([&] { driver.createPKCS15Filesystem(card); },
                         TokenError::Code::unexpectedStatus);
        EXPECT_THAT(log.lines(), ElementsAre("TesselDriver error: CREATE FILE failed: SW=6A89"));
    }
}

TEST(TesselDriverPlain, ReadCertificateStopsOnAShortOrEmptyChunk)
{
    TesselDriver driver;
    const std::string full(254 * 2, 'C');
    {
        ScriptedCard card;
        card.expect("00A40000024402", "9000").expect("00B00000FE", std::string(200, 'A') + "9000");
        EXPECT_EQ(driver.readCertificate(0x4402, card).size(), 100u);
    }
    {
        // Exactly 508 bytes: two full chunks, then a read answered without data.
        ScriptedCard card;
        card.expect("00A40000024402", "9000")
            .expect("00B00000FE", full + "9000")
            .expect("00B000FEFE", full + "9000")
            .expect("00B001FCFE", "6B00");
        EXPECT_EQ(driver.readCertificate(0x4402, card).size(), 508u);
    }
    {
        ScriptedCard card;
        card.expect("00A40000024402", "6A82");
        expectTokenError([&] { driver.readCertificate(0x4402, card); },
                         TokenError::Code::certificateNotFound);
    }
    {
        ScriptedCard card;
        card.expect("00A40000024402", "9000").expect("00B00000FE", "9000");
        expectTokenError([&] { driver.readCertificate(0x4402, card); },
                         TokenError::Code::certificateNotFound);
    }
}

TEST(TesselDriverPlain, ReadCertificateRefusesFilesPastOffsetFFFF)
{
    TesselDriver driver;
    ScriptedCard card;
    const std::string full(254 * 2, 'C');
    card.expect("00A40000024402", "9000");
    std::size_t offset = 0;
    // 258 full chunks reach 65532; the next one would carry the file past FFFF.
    for (int i = 0; i < 259; ++i) {
        char header[16];
        std::snprintf(header, sizeof header, "00B0%04XFE", static_cast<unsigned>(offset));
        card.expect(header, full + "9000");
        offset += 254;
    }
    LogCapture log;
    expectTokenError([&] { driver.readCertificate(0x4402, card); }, TokenError::Code::invalidAPDU);
    EXPECT_THAT(log.lines(),
                Contains("TesselDriver error: READ CERT refused: file 4402 runs past offset FFFF"));
}

TEST(TesselDriverPlain, ChunkSizesWithoutAChannel)
{
    TesselDriver driver;
    ScriptedCard card;
    EXPECT_EQ(driver.writeChunkLength(card), 240u);
    EXPECT_EQ(driver.readChunkLength(card), 254);
    EXPECT_EQ(TesselDriver::maxProtectedReadLength(SecureMessaging::KeyEncType::aes), 223);
    EXPECT_EQ(TesselDriver::maxProtectedReadLength(SecureMessaging::KeyEncType::des), 231);
}
