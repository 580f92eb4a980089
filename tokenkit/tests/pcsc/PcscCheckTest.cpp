#include "PcscCheck.h"

#include "orvela/tokenkit/PcscError.h"
#include "orvela/tokenkit/TokenError.h"

#include <gtest/gtest.h>
#include <tuple>

namespace orvela::tokenkit::pcsc {
namespace {

enum class Outcome { passes, readerNotConnected, cardNotFound, pcscError };

Outcome outcomeOf(LONG rv, Step step)
{
    try {
        check(rv, "SCardX", step);
        return Outcome::passes;
    } catch (const TokenError& error) {
        return error.code() == TokenError::Code::cardNotFound ? Outcome::cardNotFound
                                                              : Outcome::readerNotConnected;
    } catch (const PcscError& error) {
        // Anything else reaches the caller as the service reported it.
        EXPECT_EQ(error.code(), static_cast<std::uint32_t>(rv));
        EXPECT_EQ(error.call(), "SCardX");
        return Outcome::pcscError;
    }
}

// The live tests show a missing daemon, an empty reader and a removal mid-session; these are
// the causes pcscd cannot be made to give on demand.
TEST(PcscCheck, AMissingServiceOrCardBecomesItsCauseOnlyWhereThatIsTheCause)
{
    const std::vector<std::tuple<LONG, Step, Outcome>> cases{
        {SCARD_E_SERVICE_STOPPED, Step::inSession, Outcome::readerNotConnected},
        {SCARD_F_COMM_ERROR, Step::inSession, Outcome::readerNotConnected},
        {SCARD_E_UNKNOWN_READER, Step::opening, Outcome::cardNotFound},
        {SCARD_E_READER_UNAVAILABLE, Step::opening, Outcome::cardNotFound},
        {SCARD_W_REMOVED_CARD, Step::opening, Outcome::cardNotFound},
        {SCARD_E_UNKNOWN_READER, Step::inSession, Outcome::pcscError},
    };
    for (const auto& [rv, step, outcome] : cases) {
        EXPECT_EQ(outcomeOf(rv, step), outcome) << std::hex << rv;
    }
}

} // namespace
} // namespace orvela::tokenkit::pcsc
