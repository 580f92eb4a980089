#pragma once

#include "diagnostics/Check.h"

#include <optional>
#include <string>
#include <vector>

namespace orvela::tokens {
struct RegisteredModule;
}

namespace orvela::diagnostics {

/// The PKCS#11 modules: every one the system registers through p11-kit and the one the
/// PKCS#11 actions use (`configured`; none means the default paths). For each: whether it
/// loads (and why not), its library information, its slots and their tokens (label,
/// initialised, the user PIN's state). Opens no session and logs in nowhere. Blocks; runs on
/// the PKCS#11 worker.
Check pkcs11Check(const std::vector<tokens::RegisteredModule>& registered,
                  const std::optional<std::string>& configured);

} // namespace orvela::diagnostics
