// The APDU road's PIN bound, which must hold before the card is reached, on the in-process
// virtual reader.

#include "orvela/sim/VirtualReaderBackend.h"
#include "orvela/sim/VirtualToken.h"
#include "orvela/tokenkit/TokenError.h"
#include "orvela/tokenkit/TokenManager.h"
#include "tokens/TokenProvisioner.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

using orvela::sim::VirtualToken;
using orvela::tokenkit::Bytes;
using orvela::tokenkit::TokenError;

TEST(TokenProvisionerApdu, PinsOver16BytesAreRefusedBeforeAnyCommandIsSent)
{
    auto token = std::make_shared<VirtualToken>(VirtualToken::Options{});
    auto backend = std::make_shared<orvela::sim::VirtualReaderBackend>(1);
    backend->setToken(0, token);
    orvela::tokenkit::TokenManager::shared().setBackend(backend);
    orvela::tokens::TokenProvisioner provisioner;
    const Bytes pin16(16, '7'); // the most the token stores; the form's test provisions with it
    const Bytes pin17(17, '7');
    const std::pair<const char*, std::function<void()>> refused[] = {
        {"user PIN", [&] { provisioner.initializeApdu(pin17, pin16); }},
        {"SO PIN", [&] { provisioner.initializeApdu(pin16, pin17); }},
        {"key generation", [&] { provisioner.generateApduKey(pin17); }},
    };
    for (const auto& [what, run] : refused) {
        // The armed fault answers whatever command comes next, so it is still armed only when
        // nothing reached the token.
        token->armFault(VirtualToken::Fault::statusWord, 0x6F00);
        try {
            run();
            ADD_FAILURE() << what << " was taken";
        } catch (const TokenError& error) {
            EXPECT_EQ(error.code(), TokenError::Code::pinTooLong) << what;
        }
        EXPECT_ANY_THROW(provisioner.eraseApdu()) << what << ": a command reached the token";
    }
}

} // namespace
