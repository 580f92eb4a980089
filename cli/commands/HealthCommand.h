#pragma once

#include "CliCommand.h"

namespace orvela::cli {

/// `orvela health`: asks the backend's health endpoint; exit status 0 when it answers 2xx.
int runHealth(CliContext& context);

} // namespace orvela::cli
