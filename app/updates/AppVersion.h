#pragma once

#include <QString>

namespace orvela::updates {

/// The installed version as the application object carries it; empty when none was set.
QString installedVersion();

/// The installed version for display: "1.0.0" when none was set.
QString displayVersion();

/// The build number given at configure time, or "—" when there is none.
QString buildNumber();

} // namespace orvela::updates
