#include "orvela/tokenkit/TokenError.h"

#include <gtest/gtest.h>

using orvela::tokenkit::TokenError;

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
