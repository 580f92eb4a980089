#pragma once

#include "common/AppLanguage.h"
#include "common/LocalizationService.h"

namespace orvela::cli {

/// The interface language of this run: `raw` (--lang, never stored) when given, else
/// "app_language" as the desktop application stores it. False for a `raw` that names no
/// language.
bool chooseLanguage(const QString& raw);

/// The texts of the interface language chosen for this run.
common::LocalizationService& cliLocalization();

/// The tool's own text of `key` (see l10n/CliStrings.cpp) in `language`, or in the interface
/// language when none is given. An unknown key reads as itself, so a missing row shows.
QString cliText(const char* key);
QString cliText(const char* key, common::AppLanguage language);

} // namespace orvela::cli
