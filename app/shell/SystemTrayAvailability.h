#pragma once

#include "shell/TrayAvailability.h"

namespace orvela::shell {

/// Asks Qt whether the running desktop has a system tray.
class SystemTrayAvailability : public TrayAvailability {
public:
    bool isSystemTrayAvailable() const override;
};

} // namespace orvela::shell
