#include "VirtualCard.h"
#include "orvela/tokenkit/APDUCommand.h"
#include "orvela/tokenkit/APDUResponse.h"
#include "orvela/tokenkit/Bytes.h"
#include "orvela/tokenkit/Digest.h"
#include "orvela/tokenkit/TokenError.h"

#include <gtest/gtest.h>

using namespace orvela::tokenkit;
using test::errorOf;

TEST(Hex, DecodesSeparatorsAndEitherCaseAndRefusesTheRest)
{
    const Bytes select{0x00, 0xA4, 0x04, 0x00};
    // No-break, thin, line-separator and ideographic spaces are whitespace too.
    for (const char* text : {"00:a4 04:00", "00A4\n04\t00\r\n",
                             "00\u00A0A4\u2009"
                             "04\u2028"
                             "00\u3000"}) {
        EXPECT_EQ(hexToBytes(text), select) << text;
    }
    EXPECT_EQ(hexToBytes("fF"), (Bytes{0xFF}));
    for (const char* text : {"", "0G", "ABC", "A B C", "0x00", "00\u00C0"}) {
        EXPECT_TRUE(hexToBytes(text).empty()) << text;
    }
    EXPECT_EQ(bytesToHex(Bytes{0x90, 0x00, 0x0a, 0xff}), "90000AFF");
}

TEST(ConstantTimeEquals, ComparesWholeBuffers)
{
    EXPECT_TRUE(constantTimeEquals(Bytes{}, Bytes{}));
    EXPECT_TRUE(constantTimeEquals(Bytes{1, 2, 3}, Bytes{1, 2, 3}));
    EXPECT_FALSE(constantTimeEquals(Bytes{1, 2, 3}, Bytes{1, 2, 4}));
    EXPECT_FALSE(constantTimeEquals(Bytes{0, 2, 3}, Bytes{1, 2, 3}));
    EXPECT_FALSE(constantTimeEquals(Bytes{1, 2}, Bytes{1, 2, 3}));
    EXPECT_FALSE(constantTimeEquals(Bytes{}, Bytes{0}));
}

TEST(Digest, MatchesPublishedVectors)
{
    // FIPS 180-2 examples for "abc", and SHA-256 of nothing.
    const Bytes abc = toBytes(std::string_view("abc"));
    EXPECT_EQ(bytesToHex(sha256(abc)),
              "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
    EXPECT_EQ(bytesToHex(sha1(abc)), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(bytesToHex(sha256(Bytes{})),
              "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855");
}

TEST(TokenError, MessagesAndComparisonsCarryTheirValues)
{
    // Status words read as four upper-case digits, whatever their value.
    EXPECT_EQ(TokenError::unexpectedStatus(0x0001).errorDescription(), "Токен алдаа: SW=0001");
    EXPECT_EQ(TokenError::unexpectedStatus(0x6a82).errorDescription(), "Токен алдаа: SW=6A82");
    const TokenError wrongPin = TokenError::pinVerifyFailed(3);
    EXPECT_STREQ(wrongPin.what(), "PIN буруу байна. 3 оролдлого үлдсэн.");
    EXPECT_EQ(wrongPin.retriesLeft(), 3);
    // The driver suites compare whole errors: the carried value takes part.
    EXPECT_FALSE(TokenError::unexpectedStatus(1) == TokenError::unexpectedStatus(2));
    EXPECT_FALSE(TokenError::signFailed("SW=6A80") == TokenError::signFailed("SW=6982"));
}

TEST(APDUCommand, EncodesEachCaseUpTo255PayloadBytes)
{
    const std::pair<APDUCommand, const char*> cases[] = {
        {APDUCommand(0x00, 0x84, 0x00, 0x00, std::nullopt, 8), "0084000008"},
        {APDUCommand(0x00, 0xA4, 0x04, 0x00), "00A40400"},
        {APDUCommand(0x00, 0xA4, 0x04, 0x00, Bytes{}), "00A4040000"},
        {APDUCommand(0x00, 0xA4, 0x04, 0x00, Bytes{0x3F, 0x00}), "00A40400023F00"},
        {APDUCommand(0x00, 0x2A, 0x9E, 0x9A, Bytes{0x01, 0x02}, 0x40), "002A9E9A02010240"},
    };
    for (const auto& [command, hex] : cases) {
        EXPECT_EQ(bytesToHex(command.buildBuffer()), hex);
    }
    const APDUCommand largest(0x00, 0xD6, 0x00, 0x00, Bytes(255, 0x31));
    EXPECT_EQ(largest.lc(), 0xFF);
    EXPECT_EQ(largest.buildBuffer().size(), 260u);
    EXPECT_EQ(errorOf([] { APDUCommand(0x00, 0xD6, 0x00, 0x00, Bytes(256, 0x31)); }),
              TokenError::invalidAPDU());
}

TEST(APDUCommand, ParsesHexCases)
{
    struct Case {
        const char* text;
        std::optional<Bytes> payload;
        std::uint8_t le;
    };
    const Case cases[] = {
        {"00A40400", std::nullopt, 0},
        {"00B0000028", std::nullopt, 0x28},
        {"00A4040000", std::nullopt, 0}, // five bytes: byte 4 is Le
        {"00A404000000", Bytes{}, 0},    // six bytes: byte 4 is Lc, even when 0
        {"00 A4 04 00 02 3F 00", Bytes{0x3F, 0x00}, 0},
        {"00:a4:04:00:02:3f:00:10", Bytes{0x3F, 0x00}, 0x10},
    };
    for (const Case& c : cases) {
        const APDUCommand command = APDUCommand::fromHex(c.text);
        EXPECT_EQ(command.payload(), c.payload) << c.text;
        EXPECT_EQ(command.le(), c.le) << c.text;
    }
    // Too short, a body shorter than Lc, bytes after the body and Le, or not hex at all.
    for (const char* text :
         {"", "00A404", "00B000002800", "00A40400033F00", "00A40400013F0000", "0G", "ABC"}) {
        EXPECT_EQ(errorOf([&] { APDUCommand::fromHex(text); }), TokenError::invalidAPDU()) << text;
    }
}

TEST(APDUCommand, DescriptionNeverShowsThePayload)
{
    const APDUCommand verify(0x00, 0x20, 0x00, 0x02, toBytes(std::string_view("1234567890ABCDEF")));
    EXPECT_EQ(verify.redactedDescription(),
              "CLA=00 INS=20 P1=00 P2=02 Lc=10 Data=<redacted:16B> Le=00");
}

TEST(APDUResponse, SplitsRawRepliesAndOnlyNineThousandIsSuccess)
{
    for (const Bytes& tooShort : {Bytes{}, Bytes{0x90}}) {
        const auto r = APDUResponse::fromFullData(tooShort);
        EXPECT_EQ(r.hexStatus(), "6F00");
        EXPECT_FALSE(r.data().has_value());
    }
    const auto bare = APDUResponse::fromFullData(Bytes{0x90, 0x00});
    EXPECT_TRUE(bare.isSuccess());
    EXPECT_FALSE(bare.data().has_value());
    const auto withData = APDUResponse::fromFullData(Bytes{0x01, 0x02, 0x6A, 0x82});
    EXPECT_EQ(withData.data(), (Bytes{0x01, 0x02}));
    EXPECT_EQ(withData.hexStatus(), "6A82");

    for (int sw : {0x6300, 0x9001, 0x6100, 0x0090}) {
        const APDUResponse r(std::nullopt, static_cast<std::uint8_t>(sw >> 8),
                             static_cast<std::uint8_t>(sw & 0xFF));
        EXPECT_FALSE(r.isSuccess()) << r.hexStatus();
    }
    APDUResponse r(Bytes(65, 0x04), 0x90, 0x00);
    EXPECT_EQ(r.description(), "APDUResponse(SW=9000, data=<65B>)");
    r.wipe();
    EXPECT_FALSE(r.data().has_value());
}
