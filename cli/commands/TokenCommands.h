#pragma once

#include "CliCommand.h"

namespace orvela::cli {

/// The `orvela token` commands that speak APDUs to the token through the kit's driver:
/// readers, info, test and erase for any road; provision, keygen and sign for the APDU road.
CliCommands tokenApduCommands();

namespace token {
CliCommand readersCommand();
CliCommand infoCommand();
CliCommand testCommand();
CliCommand provisionCommand();
CliCommand keygenCommand();
CliCommand eraseCommand();
CliCommand signCommand();
} // namespace token

} // namespace orvela::cli
