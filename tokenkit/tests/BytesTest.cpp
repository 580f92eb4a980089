#include "orvela/tokenkit/Bytes.h"

#include <gtest/gtest.h>

using namespace orvela::tokenkit;

TEST(Hex, DecodesSeparatorsAndEitherCase)
{
    EXPECT_EQ(hexToBytes("00:a4 04:00"), (Bytes{0x00, 0xA4, 0x04, 0x00}));
    EXPECT_EQ(hexToBytes("00A4\n04\t00\r\n"), (Bytes{0x00, 0xA4, 0x04, 0x00}));
    // No-break, thin, line-separator and ideographic spaces are whitespace too.
    EXPECT_EQ(hexToBytes("00\u00A0A4\u2009"
                         "04\u2028"
                         "00\u3000"),
              (Bytes{0x00, 0xA4, 0x04, 0x00}));
    EXPECT_EQ(hexToBytes("fF"), (Bytes{0xFF}));
    EXPECT_TRUE(hexToBytes("").empty());
}

TEST(Hex, MalformedTextGivesEmptyBuffer)
{
    EXPECT_TRUE(hexToBytes("0G").empty());
    EXPECT_TRUE(hexToBytes("ABC").empty());
    EXPECT_TRUE(hexToBytes("A B C").empty());
    EXPECT_TRUE(hexToBytes("0x00").empty());
    EXPECT_TRUE(hexToBytes("00\u00C0").empty());
}

TEST(Hex, EncodesUpperCaseWithoutSeparators)
{
    EXPECT_EQ(bytesToHex(Bytes{0x90, 0x00, 0x0a, 0xff}), "90000AFF");
    EXPECT_EQ(bytesToHex(Bytes{}), "");
    const Bytes all = [] {
        Bytes b;
        for (int i = 0; i < 256; ++i) {
            b.push_back(static_cast<std::uint8_t>(i));
        }
        return b;
    }();
    EXPECT_EQ(hexToBytes(bytesToHex(all)), all);
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

#include "orvela/tokenkit/Digest.h"

TEST(Digest, MatchesPublishedVectors)
{
    // FIPS 180-2 examples for "abc".
    const Bytes abc = toBytes(std::string_view("abc"));
    EXPECT_EQ(bytesToHex(sha256(abc)),
              "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
    EXPECT_EQ(bytesToHex(sha1(abc)), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(bytesToHex(sha256(Bytes{})),
              "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855");
}
