#include "SymmetricCrypto.h"
#include "orvela/tokenkit/TokenError.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <gtest/gtest.h>

using namespace orvela::tokenkit;
namespace crypto = orvela::tokenkit::crypto;

namespace {

Bytes hex(std::string_view text)
{
    return hexToBytes(text);
}

bool failsWithSecureMessaging(const std::function<void()>& f)
{
    try {
        f();
    } catch (const TokenError& e) {
        return e.code() == TokenError::Code::secureMessagingFailed;
    }
    return false;
}

} // namespace

TEST(SymmetricCrypto, AesKnownAnswers)
{
    // FIPS-197 appendix C.1.
    EXPECT_EQ(crypto::aesEcbEncrypt(hex("000102030405060708090A0B0C0D0E0F"),
                                    hex("00112233445566778899AABBCCDDEEFF")),
              hex("69C4E0D86A7B0430D8CDB78070B4C55A"));
    // SP 800-38A F.2.1 and F.2.2, first two blocks.
    const Bytes key = hex("2B7E151628AED2A6ABF7158809CF4F3C");
    const Bytes iv = hex("000102030405060708090A0B0C0D0E0F");
    const Bytes plain = hex("6BC1BEE22E409F96E93D7E117393172AAE2D8A571E03AC9C9EB76FAC45AF8E51");
    const Bytes cipher = hex("7649ABAC8119B246CEE98E9B12E9197D5086CB9B507219EE95DB113A917678B2");
    EXPECT_EQ(crypto::aesCbc(key, iv, plain, true), cipher);
    EXPECT_EQ(crypto::aesCbc(key, iv, cipher, false), plain);
    // The MAC is the head of the last CBC block.
    EXPECT_EQ(crypto::aesMac(key, iv, plain), hex("5086CB9B507219EE"));
}

TEST(SymmetricCrypto, DesKnownAnswers)
{
    // FIPS 81 CBC example: "Now is the time for all ".
    const Bytes text = toBytes(std::string_view("Now is the time for all "));
    EXPECT_EQ(crypto::desCbcEncrypt(hex("0123456789ABCDEF"), hex("1234567890ABCDEF"), text),
              hex("E5C7CDDE872BF27C43E934008C389C0F683788499A7C05F6"));
    // Two-key Triple-DES with K1 = K2 is single DES (SP 800-67 keying option 3).
    EXPECT_EQ(crypto::tdesEcbEncrypt(hex("0123456789ABCDEF0123456789ABCDEF"),
                                     hex("4E6F772069732074")),
              hex("3FA40E8A984D4815"));
}

TEST(SymmetricCrypto, TwoKeyTripleDesMatchesOpenSslOwnTwoKeyCipher)
{
    const Bytes key = hex("0123456789ABCDEFFEDCBA9876543210");
    const Bytes iv = hex("0011223344556677");
    Bytes data(64);
    ASSERT_EQ(RAND_bytes(data.data(), static_cast<int>(data.size())), 1);

    Bytes expected(data.size());
    int n = 0;
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    ASSERT_EQ(EVP_EncryptInit_ex(ctx, EVP_des_ede_cbc(), nullptr, key.data(), iv.data()), 1);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    ASSERT_EQ(EVP_EncryptUpdate(ctx, expected.data(), &n, data.data(), 64), 1);
    EVP_CIPHER_CTX_free(ctx);

    const Bytes encrypted = crypto::tdesCbc(key, iv, data, true);
    EXPECT_EQ(encrypted, expected);
    EXPECT_EQ(crypto::tdesCbc(key, iv, encrypted, false), data);
}

TEST(SymmetricCrypto, RetailMacKnownAnswers)
{
    // ISO/IEC 9797-1 annex B, MAC algorithm 3 over "Now is the time for all " (24 bytes).
    const Bytes key = hex("0123456789ABCDEFFEDCBA9876543210");
    const Bytes text = toBytes(std::string_view("Now is the time for all "));
    const Bytes zeroIv(8, 0);
    EXPECT_EQ(crypto::retailMac(key, zeroIv, text), hex("A1C72E74EA3FA9B6"));
    // The same with padding method 2, as computed by the openssl command.
    EXPECT_EQ(crypto::retailMac(key, zeroIv, crypto::pad(text, 8)), hex("E9086230CA3BE796"));
}

TEST(SymmetricCrypto, PaddingMethodTwo)
{
    EXPECT_EQ(crypto::pad(hex("0102"), 8), hex("0102800000000000"));
    EXPECT_EQ(crypto::pad(hex("0102030405060708"), 8), hex("01020304050607088000000000000000"));
    EXPECT_EQ(crypto::pad(Bytes{}, 16), hex("80000000000000000000000000000000"));

    EXPECT_EQ(crypto::unpad(hex("0102800000")), hex("0102"));
    EXPECT_EQ(crypto::unpad(hex("01028000800000")), hex("01028000")); // the last 80 counts
    EXPECT_EQ(crypto::unpad(hex("0102800001")), hex("0102800001")); // non-zero after 80
    EXPECT_EQ(crypto::unpad(hex("01020000")), hex("01020000"));     // no 80 at all
    EXPECT_EQ(crypto::unpad(hex("80")), Bytes{});
}

TEST(SymmetricCrypto, CounterCarriesAndWraps)
{
    Bytes n = hex("0000");
    crypto::incrementBigEndian(n);
    EXPECT_EQ(n, hex("0001"));
    n = hex("12FFFF");
    crypto::incrementBigEndian(n);
    EXPECT_EQ(n, hex("130000"));
    n = hex("FFFFFFFF");
    crypto::incrementBigEndian(n);
    EXPECT_EQ(n, hex("00000000"));
}

TEST(SymmetricCrypto, WrongLengthsAreRefused)
{
    const Bytes key16(16, 1);
    EXPECT_TRUE(failsWithSecureMessaging([&] { crypto::aesEcbEncrypt(Bytes(15, 1), Bytes(16)); }));
    EXPECT_TRUE(failsWithSecureMessaging([&] { crypto::tdesEcbEncrypt(Bytes(24, 1), Bytes(8)); }));
    EXPECT_TRUE(failsWithSecureMessaging([&] { crypto::aesCbc(key16, Bytes(8), Bytes(16), true); }));
    EXPECT_TRUE(failsWithSecureMessaging([&] { crypto::tdesCbc(key16, Bytes(16), Bytes(8), true); }));
    EXPECT_TRUE(failsWithSecureMessaging([&] { crypto::aesCbc(key16, Bytes(16), Bytes(17), true); }));
    EXPECT_TRUE(failsWithSecureMessaging([&] { crypto::desCbcEncrypt(key16, Bytes(8), Bytes(8)); }));
    EXPECT_TRUE(failsWithSecureMessaging([&] { crypto::retailMac(Bytes(8, 1), Bytes(8), Bytes(8)); }));
}
