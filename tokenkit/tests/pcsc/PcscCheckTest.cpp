#include "PcscCheck.h"

#include "orvela/tokenkit/PcscError.h"
#include "orvela/tokenkit/TokenError.h"

#include <gtest/gtest.h>

namespace orvela::tokenkit::pcsc {
namespace {

enum class Outcome { passes, readerNotConnected, cardNotFound, pcscError };

Outcome outcomeOf(LONG rv, Step step)
{
    try {
        check(rv, "SCardX", step);
        return Outcome::passes;
    } catch (const TokenError& error) {
        if (error.code() == TokenError::Code::readerNotConnected) {
            return Outcome::readerNotConnected;
        }
        return error.code() == TokenError::Code::cardNotFound ? Outcome::cardNotFound
                                                              : Outcome::passes;
    } catch (const PcscError& error) {
        // Anything else reaches the caller as the service reported it.
        EXPECT_EQ(error.code(), static_cast<std::uint32_t>(rv));
        EXPECT_EQ(error.call(), "SCardX");
        EXPECT_EQ(error.text(), pcsc_stringify_error(rv));
        return Outcome::pcscError;
    }
}

TEST(PcscCheck, AMissingServiceOrCardBecomesItsCauseOnlyWhereThatIsTheCause)
{
    struct Case {
        LONG rv;
        Step step;
        Outcome outcome;
    };
    const std::vector<Case> cases{
        {SCARD_S_SUCCESS, Step::inSession, Outcome::passes},
        {SCARD_E_NO_SERVICE, Step::opening, Outcome::readerNotConnected},
        {SCARD_E_SERVICE_STOPPED, Step::inSession, Outcome::readerNotConnected},
        {SCARD_F_COMM_ERROR, Step::inSession, Outcome::readerNotConnected},
        {SCARD_E_UNKNOWN_READER, Step::opening, Outcome::cardNotFound},
        {SCARD_E_READER_UNAVAILABLE, Step::opening, Outcome::cardNotFound},
        {SCARD_E_NO_SMARTCARD, Step::opening, Outcome::cardNotFound},
        {SCARD_W_REMOVED_CARD, Step::opening, Outcome::cardNotFound},
        // A card pulled mid-session must stay the removal the caller can tell apart.
        {SCARD_W_REMOVED_CARD, Step::inSession, Outcome::pcscError},
        {SCARD_E_SHARING_VIOLATION, Step::opening, Outcome::pcscError},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(outcomeOf(c.rv, c.step), c.outcome)
            << std::hex << c.rv << (c.step == Step::opening ? " opening" : " in session");
    }
}

} // namespace
} // namespace orvela::tokenkit::pcsc
