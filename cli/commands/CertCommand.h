#pragma once

#include "CliCommand.h"

namespace orvela::cli {

/// `orvela cert FILE | -`: the certificate report of the inspector page, or --json.
CliCommand certCommand();

} // namespace orvela::cli
