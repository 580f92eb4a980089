#pragma once

#include "CliCommand.h"

namespace orvela::cli {

/// Exit statuses of `orvela verify` beyond 0 (valid), 1 (not read) and 2 (usage).
namespace verifyExit {
constexpr int notTrusted = 3;
constexpr int changed = 4;
constexpr int invalid = 5;
} // namespace verifyExit

/// `orvela verify FILE.pdf [--trust PEM]`: every signature of the file checked here, as a
/// report in the interface language or, with --json, as one document.
int runVerify(CliContext& context);

} // namespace orvela::cli
