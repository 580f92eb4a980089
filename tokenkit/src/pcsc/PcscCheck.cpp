#include "PcscCheck.h"

#include "orvela/tokenkit/Log.h"
#include "orvela/tokenkit/PcscError.h"
#include "orvela/tokenkit/TokenError.h"

#include <string>

namespace orvela::tokenkit::pcsc {

namespace {

bool isCardAbsent(LONG rv) noexcept
{
    return rv == SCARD_E_UNKNOWN_READER || rv == SCARD_E_READER_UNAVAILABLE ||
           rv == SCARD_E_NO_SMARTCARD || rv == SCARD_W_REMOVED_CARD;
}

void logFailure(LONG rv, std::string_view call, const CallSite& where)
{
    const std::string file = where.file_name();
    const auto slash = file.find_last_of('/');
    Logger("CardReaders")
        .error(std::string(call) + " failed: " + pcsc_stringify_error(rv) + " at " +
               file.substr(slash == std::string::npos ? 0 : slash + 1) + ":" +
               std::to_string(where.line()));
}

} // namespace

bool isServiceUnavailable(LONG rv) noexcept
{
    return rv == SCARD_E_NO_SERVICE || rv == SCARD_E_SERVICE_STOPPED || rv == SCARD_F_COMM_ERROR;
}

void check(LONG rv, std::string_view call, Step step, CallSite where)
{
    if (rv == SCARD_S_SUCCESS) {
        return;
    }
    logFailure(rv, call, where);
    if (isServiceUnavailable(rv)) {
        throw TokenError::readerNotConnected();
    }
    if (step == Step::opening && isCardAbsent(rv)) {
        throw TokenError::cardNotFound();
    }
    throw PcscError(static_cast<std::uint32_t>(rv), call);
}

} // namespace orvela::tokenkit::pcsc
