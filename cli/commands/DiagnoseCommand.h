#pragma once

#include "CliCommand.h"

namespace orvela::cli {

/// `orvela diagnose [--json] [--library PATH]`: the diagnostics report the support page shows.
/// Exits 1 when a check found a problem.
int runDiagnose(CliContext& context);

} // namespace orvela::cli
