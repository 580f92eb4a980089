#pragma once

#include "orvela/tokenkit/Log.h"
#include "orvela/tokenkit/PKCS11Error.h"

#include <p11-kit/pkcs11.h>
#include "../CallSite.h"
#include <string>
#include <string_view>

namespace orvela::tokenkit {

static_assert(sizeof(CK_ULONG) == sizeof(unsigned long), "CK_ULONG is the platform's long");

/// Logs the failure with its call site (codes only, never arguments) and raises it as ckError.
[[noreturn]] inline void raiseCkError(std::string_view operation, CK_RV rv, const Logger& logger,
                                      CallSite where = CallSite::current())
{
    P11Error error = P11Error::ckError(std::string(operation), rv);
    const std::string_view file = where.file_name();
    logger.error(error.errorDescription() + " (" + std::string(file.substr(file.rfind('/') + 1)) +
                 ":" + std::to_string(where.line()) + ")");
    throw error;
}

/// Every Cryptoki return value goes through here: success passes, anything else is raised.
inline void checkRV(CK_RV rv, std::string_view operation, const Logger& logger,
                    CallSite where = CallSite::current())
{
    if (rv != CKR_OK) {
        raiseCkError(operation, rv, logger, where);
    }
}

} // namespace orvela::tokenkit
