#pragma once

#include "CliCommand.h"
#include "common/LocalizationService.h"

namespace orvela::cli {

/// The interface language of this run: --lang when given (never stored), else "app_language"
/// as the desktop application stores it. Fails with a message for any other --lang.
common::LocalizationService& cliLocalization(const CliContext& context, QString* error);

} // namespace orvela::cli
