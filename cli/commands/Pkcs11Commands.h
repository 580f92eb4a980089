#pragma once

#include "CliCommand.h"

namespace orvela::cli::pkcs11 {

// The token commands of the PKCS#11 road: slot test, provisioning, PINs, objects, key
// generation, certificate requests and signing. Every command accepts --library PATH.
int runSlots(CliContext& context);
int runProvision(CliContext& context);
int runKeygen(CliContext& context);
int runCsr(CliContext& context);
int runSign(CliContext& context);
int runPinChange(CliContext& context);
int runPinUnlock(CliContext& context);
int runPinChangeSo(CliContext& context);
int runObjectsList(CliContext& context);
int runObjectsImport(CliContext& context);
int runObjectsDelete(CliContext& context);

} // namespace orvela::cli::pkcs11
