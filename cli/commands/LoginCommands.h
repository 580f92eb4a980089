#pragma once

#include "CliCommand.h"

namespace orvela::cli {

// `orvela login --register NUMBER | --qr`, `orvela whoami`, `orvela logout` and
// `orvela activity`: sign-in and the session as the desktop application keeps them (same
// credential-store item, same settings file), so either sees what the other did.
int runLogin(CliContext& context);
int runWhoami(CliContext& context);
int runLogout(CliContext& context);
int runActivity(CliContext& context);

} // namespace orvela::cli
