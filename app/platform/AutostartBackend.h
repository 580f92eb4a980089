#pragma once

namespace orvela::platform {

/// The platform's record of whether the program starts when the user logs in.
class AutostartBackend {
public:
    virtual ~AutostartBackend() = default;

    /// True only when the program is registered and the registration is active.
    virtual bool isEnabled() const = 0;

    /// Register or unregister; false when the platform refused.
    virtual bool enable() = 0;
    virtual bool disable() = 0;
};

} // namespace orvela::platform
