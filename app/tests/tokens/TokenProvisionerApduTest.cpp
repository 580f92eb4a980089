// The APDU road's refusals that must happen before the card is reached, on the in-process
// virtual reader.

#include "orvela/sim/VirtualReaderBackend.h"
#include "orvela/sim/VirtualToken.h"
#include "orvela/tokenkit/TokenError.h"
#include "orvela/tokenkit/TokenManager.h"
#include "tokens/TokenProvisioner.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

using orvela::sim::VirtualReaderBackend;
using orvela::sim::VirtualToken;
using orvela::tokenkit::Bytes;
using orvela::tokenkit::TokenError;
using orvela::tokens::TokenProvisioner;

Bytes pinOf(std::size_t length)
{
    return Bytes(length, '7');
}

TokenError::Code codeOf(const std::function<void()>& work)
{
    try {
        work();
    } catch (const TokenError& error) {
        return error.code();
    }
    ADD_FAILURE() << "no TokenError thrown";
    return TokenError::Code::sessionFailed;
}

class TokenProvisionerApdu : public ::testing::Test {
protected:
    void SetUp() override
    {
        backend->setToken(0, token);
        orvela::tokenkit::TokenManager::shared().setBackend(backend);
    }

    std::shared_ptr<VirtualToken> token = std::make_shared<VirtualToken>(VirtualToken::Options{});
    std::shared_ptr<VirtualReaderBackend> backend = std::make_shared<VirtualReaderBackend>(1);
    TokenProvisioner provisioner;
};

TEST_F(TokenProvisionerApdu, PinsOver16BytesAreRefusedBeforeAnyCommandIsSent)
{
    struct Case {
        const char* what;
        std::function<void(TokenProvisioner&)> run;
    };
    const Case cases[] = {
        {"initialisation, user PIN",
         [](TokenProvisioner& p) { p.initializeApdu(pinOf(17), pinOf(8)); }},
        {"initialisation, SO PIN",
         [](TokenProvisioner& p) { p.initializeApdu(pinOf(6), pinOf(17)); }},
        {"key generation", [](TokenProvisioner& p) { p.generateApduKey(pinOf(17)); }},
    };
    for (const Case& c : cases) {
        // The armed fault answers whatever command comes next, so it is still armed only when
        // nothing reached the token.
        token->armFault(VirtualToken::Fault::statusWord, 0x6F00);
        EXPECT_EQ(codeOf([&] { c.run(provisioner); }), TokenError::Code::pinTooLong) << c.what;
        EXPECT_ANY_THROW(provisioner.eraseApdu()) << c.what << ": a command reached the token";
    }
}

TEST_F(TokenProvisionerApdu, SixteenBytePinsAreTakenAndVerify)
{
    provisioner.initializeApdu(pinOf(16), pinOf(16));
    provisioner.generateApduKey(pinOf(16));
    EXPECT_TRUE(token->publicKey(1).has_value());
    EXPECT_EQ(token->pinTriesLeft(1), 10);
}

} // namespace
