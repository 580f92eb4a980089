#pragma once

namespace orvela::cli {

/// Lets log lines reach standard error as -v asks: none at 0, informational ones and errors at
/// 1, everything at 2 or more. Covers Qt's logging categories and the token kit's log.
void applyVerbosity(int verbosity);

} // namespace orvela::cli
