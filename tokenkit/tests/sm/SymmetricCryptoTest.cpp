#include "SymmetricCrypto.h"
#include "VirtualCard.h"

#include <gtest/gtest.h>

using namespace orvela::tokenkit;
namespace crypto = orvela::tokenkit::crypto;

const auto hex = &hexToBytes;

TEST(SymmetricCrypto, PublishedKnownAnswers)
{
    // FIPS-197 appendix C.1.
    EXPECT_EQ(crypto::aesEcbEncrypt(hex("000102030405060708090A0B0C0D0E0F"),
                                    hex("00112233445566778899AABBCCDDEEFF")),
              hex("69C4E0D86A7B0430D8CDB78070B4C55A"));
    // SP 800-38A F.2.1 and F.2.2, first two blocks; the MAC is the head of the last block.
    const Bytes key = hex("2B7E151628AED2A6ABF7158809CF4F3C");
    const Bytes iv = hex("000102030405060708090A0B0C0D0E0F");
    const Bytes plain = hex("6BC1BEE22E409F96E93D7E117393172AAE2D8A571E03AC9C9EB76FAC45AF8E51");
    const Bytes cipher = hex("7649ABAC8119B246CEE98E9B12E9197D5086CB9B507219EE95DB113A917678B2");
    EXPECT_EQ(crypto::aesCbc(key, iv, plain, true), cipher);
    EXPECT_EQ(crypto::aesCbc(key, iv, cipher, false), plain);
    EXPECT_EQ(crypto::aesMac(key, iv, plain), hex("5086CB9B507219EE"));

    // FIPS 81 CBC example, "Now is the time for all "; two-key Triple-DES with K1 = K2 is DES.
    const Bytes text = toBytes(std::string_view("Now is the time for all "));
    EXPECT_EQ(crypto::desCbcEncrypt(hex("0123456789ABCDEF"), hex("1234567890ABCDEF"), text),
              hex("E5C7CDDE872BF27C43E934008C389C0F683788499A7C05F6"));
    EXPECT_EQ(crypto::tdesEcbEncrypt(hex("0123456789ABCDEF0123456789ABCDEF"),
                                     hex("4E6F772069732074")),
              hex("3FA40E8A984D4815"));
    // ISO/IEC 9797-1 annex B, MAC algorithm 3, without and with padding method 2.
    const Bytes macKey = hex("0123456789ABCDEFFEDCBA9876543210");
    EXPECT_EQ(crypto::retailMac(macKey, Bytes(8, 0), text), hex("A1C72E74EA3FA9B6"));
    EXPECT_EQ(crypto::retailMac(macKey, Bytes(8, 0), crypto::pad(text, 8)),
              hex("E9086230CA3BE796"));
}

TEST(SymmetricCrypto, PaddingMethodTwoAndTheCounter)
{
    EXPECT_EQ(crypto::pad(hex("0102"), 8), hex("0102800000000000"));
    EXPECT_EQ(crypto::pad(hex("0102030405060708"), 8), hex("01020304050607088000000000000000"));
    EXPECT_EQ(crypto::pad(Bytes{}, 16), hex("80000000000000000000000000000000"));

    const std::pair<const char*, const char*> unpadded[] = {
        {"0102800000", "0102"},
        {"01028000800000", "01028000"},   // the last 80 counts
        {"0102800001", "0102800001"},     // non-zero after 80: unchanged
        {"01020000", "01020000"},         // no 80 at all
        {"80", ""},
    };
    for (const auto& [in, out] : unpadded) {
        EXPECT_EQ(crypto::unpad(hex(in)), hex(out)) << in;
    }
    // The send sequence counter carries and wraps.
    for (const auto& [before, after] : {std::pair("0000", "0001"), std::pair("12FFFF", "130000"),
                                        std::pair("FFFFFFFF", "00000000")}) {
        Bytes n = hex(before);
        crypto::incrementBigEndian(n);
        EXPECT_EQ(n, hex(after)) << before;
    }
}

TEST(SymmetricCrypto, WrongLengthsAreRefused)
{
    const Bytes key16(16, 1);
    const std::function<void()> calls[] = {
        [] { crypto::aesEcbEncrypt(Bytes(15, 1), Bytes(16)); },
        [] { crypto::tdesEcbEncrypt(Bytes(24, 1), Bytes(8)); },
        [&] { crypto::aesCbc(key16, Bytes(8), Bytes(16), true); },
        [&] { crypto::tdesCbc(key16, Bytes(16), Bytes(8), true); },
        [&] { crypto::aesCbc(key16, Bytes(16), Bytes(17), true); },
        [&] { crypto::tdesCbc(key16, Bytes(8), Bytes(12), false); },
        [&] { crypto::desCbcEncrypt(key16, Bytes(8), Bytes(8)); },
        [] { crypto::retailMac(Bytes(8, 1), Bytes(8), Bytes(8)); },
    };
    for (std::size_t i = 0; i < std::size(calls); ++i) {
        EXPECT_EQ(test::errorOf(calls[i]), TokenError::secureMessagingFailed()) << i;
    }
}
