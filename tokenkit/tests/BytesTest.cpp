#include "orvela/tokenkit/Bytes.h"

#include <gtest/gtest.h>

using namespace orvela::tokenkit;

TEST(Hex, DecodesSeparatorsAndEitherCase)
{
    EXPECT_EQ(hexToBytes("00:a4 04:00"), (Bytes{0x00, 0xA4, 0x04, 0x00}));
    EXPECT_EQ(hexToBytes("00A4\n04\t00\r\n"), (Bytes{0x00, 0xA4, 0x04, 0x00}));
    EXPECT_EQ(hexToBytes("fF"), (Bytes{0xFF}));
    EXPECT_TRUE(hexToBytes("").empty());
}

TEST(Hex, MalformedTextGivesEmptyBuffer)
{
    EXPECT_TRUE(hexToBytes("0G").empty());
    EXPECT_TRUE(hexToBytes("ABC").empty());
    EXPECT_TRUE(hexToBytes("A B C").empty());
    EXPECT_TRUE(hexToBytes("0x00").empty());
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
