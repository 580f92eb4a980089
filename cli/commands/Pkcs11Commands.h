#pragma once

#include "CliCommand.h"

namespace orvela::cli {

/// The token commands of the PKCS#11 road: slot test, provisioning, PINs, objects, key
/// generation, certificate requests and signing. Every command accepts --library PATH.
CliCommands pkcs11Commands();

} // namespace orvela::cli
