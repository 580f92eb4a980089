#pragma once

namespace orvela::platform {

/// Whether the desktop shows tray icons; without one, menu-bar mode would leave the program
/// with nothing on screen.
class TrayAvailability {
public:
    virtual ~TrayAvailability() = default;
    virtual bool isSystemTrayAvailable() const = 0;
};

} // namespace orvela::platform
