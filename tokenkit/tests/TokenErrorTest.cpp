#include "orvela/tokenkit/TokenError.h"

#include <gtest/gtest.h>

using orvela::tokenkit::TokenError;

TEST(TokenError, MessagesCarryTheirValues)
{
    EXPECT_EQ(TokenError::pinVerifyFailed(0).errorDescription(),
              "PIN буруу байна. 0 оролдлого үлдсэн.");
    EXPECT_EQ(TokenError::unexpectedStatus(0x0001).errorDescription(), "Токен алдаа: SW=0001");
    EXPECT_EQ(TokenError::unexpectedStatus(0x6a82).errorDescription(), "Токен алдаа: SW=6A82");
    EXPECT_EQ(TokenError::transmitFailed("x").errorDescription(), "APDU дамжуулалт амжилтгүй: x");
    try {
        throw TokenError::pinVerifyFailed(3);
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "PIN буруу байна. 3 оролдлого үлдсэн.");
        const auto* tokenError = dynamic_cast<const TokenError*>(&e);
        ASSERT_NE(tokenError, nullptr);
        EXPECT_EQ(tokenError->retriesLeft(), 3);
    }
    EXPECT_EQ(TokenError::unexpectedStatus(0x6A82).status(), 0x6A82);
    EXPECT_FALSE(TokenError::unexpectedStatus(1) == TokenError::unexpectedStatus(2));
    EXPECT_FALSE(TokenError::signFailed("SW=6A80") == TokenError::signFailed("SW=6982"));
}
