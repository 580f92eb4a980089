#include "orvela/tokenkit/Bytes.h"
#include "orvela/tokenkit/Digest.h"
#include "orvela/tokenkit/TokenError.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace orvela::tokenkit;

TEST(Hex, DecodesSeparatorsAndEitherCaseAndRefusesTheRest)
{
    const Bytes select{0x00, 0xA4, 0x04, 0x00};
    // No-break, thin, line-separator and ideographic spaces are whitespace too.
    for (const char* text : {"00:a4 04:00", "00A4\n04\t00\r\n", "00\u00A0A4\u2009"
                                                                 "04\u2028"
                                                                 "00\u3000"}) {
        EXPECT_EQ(hexToBytes(text), select) << text;
    }
    EXPECT_EQ(hexToBytes("fF"), (Bytes{0xFF}));
    for (const char* text : {"", "0G", "ABC", "A B C", "0x00", "00\u00C0"}) {
        EXPECT_TRUE(hexToBytes(text).empty()) << text;
    }
    Bytes all(256);
    std::iota(all.begin(), all.end(), std::uint8_t{0});
    EXPECT_EQ(hexToBytes(bytesToHex(all)), all);
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
