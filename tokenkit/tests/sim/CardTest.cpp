// Key generation's access rules on the token: a driver that skipped the user PIN, used the SO
// PIN, or kept going after a failed VERIFY must be refused, or the driver suite could not tell.

#include "TokenHarness.h"
#include "VirtualCard.h"
#include "orvela/tokenkit/DriverCommands.h"

#include <gtest/gtest.h>

using namespace orvela::sim;
using namespace orvela::sim::test;
using orvela::tokenkit::test::tokenOptions;

TEST(Keys, GenerationNeedsTheChannelAndTheUserPinOfThisSession)
{
    VirtualToken token(tokenOptions(VirtualToken::Mode::aes));
    provision(token);
    const Bytes params = orvela::tokenkit::DriverCommands::ecKeyParameters(0x01);
    HostChannel channel(token, defaultKey());
    EXPECT_EQ(channel.call(0x00, 0x46, 0, params).sw, 0x6982);
    // The SO PIN does not open key generation, and a failed VERIFY withdraws an earlier success.
    EXPECT_EQ(channel.call(0x00, 0x20, 0x0001, pinBlock("87654321")).sw, 0x9000);
    EXPECT_EQ(channel.call(0x00, 0x46, 0, params).sw, 0x6982);
    EXPECT_EQ(channel.call(0x00, 0x20, 0x0002, pinBlock("1234")).sw, 0x9000);
    EXPECT_EQ(channel.call(0x00, 0x20, 0x0002, pinBlock("1235")).sw, 0x63C9);
    EXPECT_EQ(channel.call(0x00, 0x46, 0, params).sw, 0x6982);
    // Reset forgets the verification and the channel.
    EXPECT_EQ(channel.call(0x00, 0x20, 0x0002, pinBlock("1234")).sw, 0x9000);
    token.reset();
    EXPECT_EQ(channel.call(0x00, 0x46, 0, params).sw, 0x6882);
    HostChannel fresh(token, defaultKey());
    EXPECT_EQ(fresh.call(0x00, 0x46, 0, params).sw, 0x6982);
    EXPECT_FALSE(token.publicKey(1));

    EXPECT_EQ(fresh.call(0x00, 0x20, 0x0002, pinBlock("1234")).sw, 0x9000);
    EXPECT_EQ(fresh.call(0x00, 0x46, 0, params).sw, 0x9000);
    const Bytes first = *token.publicKey(1);
    EXPECT_EQ(fresh.call(0x00, 0x46, 0, params).sw, 0x9000);
    EXPECT_NE(*token.publicKey(1), first); // generating again replaces the key
}
