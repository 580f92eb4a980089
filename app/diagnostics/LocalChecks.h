#pragma once

#include "diagnostics/Check.h"
#include "diagnostics/DiagnosticsEnvironment.h"

namespace orvela::diagnostics {

/// Version, build and the versions of the libraries the program runs on.
Check programCheck(const DiagnosticsEnvironment& environment);
/// The operating system, the display session and the tray. Reads /etc/os-release.
Check systemCheck(const DiagnosticsEnvironment& environment,
                  const QString& osRelease = QStringLiteral("/etc/os-release"));
/// The interface language.
Check languageCheck(const DiagnosticsEnvironment& environment);
/// Where the settings file is and whether it can be used.
Check settingsCheck(const DiagnosticsEnvironment& environment);

} // namespace orvela::diagnostics
