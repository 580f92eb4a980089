#pragma once

#include "CliCommand.h"

namespace orvela::cli {

/// `orvela sign FILE.pdf [--out DIR]`: remote signing for the signed-in identity, over the same
/// controller, store and activity log as the desktop's signing page.
int runSign(CliContext& context);

} // namespace orvela::cli
