#include "orvela/tokenkit/TokenError.h"

#include <gtest/gtest.h>

using orvela::tokenkit::TokenError;

TEST(TokenError, MessagesAreExact)
{
    EXPECT_EQ(TokenError::transmitFailed("x").errorDescription(), "APDU дамжуулалт амжилтгүй: x");
    EXPECT_EQ(TokenError::pinVerifyFailed(2).errorDescription(),
              "PIN буруу байна. 2 оролдлого үлдсэн.");
    EXPECT_EQ(TokenError::pinVerifyFailed(0).errorDescription(),
              "PIN буруу байна. 0 оролдлого үлдсэн.");
    EXPECT_EQ(TokenError::signFailed("SW=6A80").errorDescription(),
              "Гарын үсэг зурахад алдаа: SW=6A80");
    EXPECT_EQ(TokenError::unexpectedStatus(0x6982).errorDescription(), "Токен алдаа: SW=6982");
    EXPECT_EQ(TokenError::unexpectedStatus(0x0001).errorDescription(), "Токен алдаа: SW=0001");
    EXPECT_EQ(TokenError::unexpectedStatus(0x6a82).errorDescription(), "Токен алдаа: SW=6A82");
    EXPECT_EQ(TokenError::readerNotConnected().errorDescription(), "Уншигч холбогдоогүй байна.");
    EXPECT_EQ(TokenError::cardNotFound().errorDescription(), "Токен олдсонгүй.");
    EXPECT_EQ(TokenError::sessionFailed().errorDescription(), "Сэссион эхлүүлэхэд алдаа гарлаа.");
    EXPECT_EQ(TokenError::invalidAPDU().errorDescription(), "APDU команд буруу байна.");
    EXPECT_EQ(TokenError::authFailed().errorDescription(), "Токен баталгаажуулалт амжилтгүй.");
    EXPECT_EQ(TokenError::pinBlocked().errorDescription(), "PIN блоклогдсон. PUK ашиглана уу.");
    EXPECT_EQ(TokenError::keyGenFailed().errorDescription(), "Түлхүүр хос үүсгэхэд алдаа гарлаа.");
    EXPECT_EQ(TokenError::certificateNotFound().errorDescription(), "Сертификат олдсонгүй.");
    EXPECT_EQ(TokenError::certificateImportFailed().errorDescription(),
              "Сертификат суулгахад алдаа гарлаа.");
    EXPECT_EQ(TokenError::unsupportedAlgorithm().errorDescription(), "Дэмжигдэхгүй алгоритм.");
    EXPECT_EQ(TokenError::secureMessagingFailed().errorDescription(), "Secure messaging алдаа.");
}

TEST(TokenError, CarriesItsValueAndCaseAndIsCatchableAsException)
{
    try {
        throw TokenError::pinVerifyFailed(3);
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "PIN буруу байна. 3 оролдлого үлдсэн.");
        const auto* tokenError = dynamic_cast<const TokenError*>(&e);
        ASSERT_NE(tokenError, nullptr);
        EXPECT_EQ(tokenError->code(), TokenError::Code::pinVerifyFailed);
        EXPECT_EQ(tokenError->retriesLeft(), 3);
    }
    EXPECT_EQ(TokenError::unexpectedStatus(0x6A82).status(), 0x6A82);
    EXPECT_EQ(TokenError::signFailed("SW=6A80").text(), "SW=6A80");
    EXPECT_FALSE(TokenError::unexpectedStatus(1) == TokenError::unexpectedStatus(2));
}
