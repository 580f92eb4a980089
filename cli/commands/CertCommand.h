#pragma once

#include "CliCommand.h"

namespace orvela::cli {

/// `orvela cert FILE | -`: the certificate report of the inspector page, or --json.
int runCert(CliContext& context);

} // namespace orvela::cli
