#pragma once

#include "platform/TrayAvailability.h"

namespace orvela::platform {

/// Asks Qt whether the running desktop has a system tray.
class SystemTrayAvailability : public TrayAvailability {
public:
    bool isSystemTrayAvailable() const override;
};

} // namespace orvela::platform
