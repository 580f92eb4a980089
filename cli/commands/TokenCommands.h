#pragma once

#include "CliCommand.h"

namespace orvela::cli::token {

// The `orvela token` commands that speak APDUs to the token through the kit's driver:
// readers, info, test and erase for any road; provision, keygen and sign for the APDU road.
int runReaders(CliContext& context);
int runInfo(CliContext& context);
int runTest(CliContext& context);
int runProvision(CliContext& context);
int runKeygen(CliContext& context);
int runErase(CliContext& context);
int runSign(CliContext& context);

} // namespace orvela::cli::token
