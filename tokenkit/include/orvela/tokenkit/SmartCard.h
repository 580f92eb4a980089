#pragma once

#include "orvela/tokenkit/Bytes.h"

namespace orvela::tokenkit {

/// The platform's card inside an open exclusive session: raw bytes in, raw reply bytes out.
/// A platform failure is thrown as the platform's own error type and must reach the caller
/// unchanged; the kit never converts it to a TokenError.
class SmartCard {
public:
    virtual ~SmartCard() = default;
    /// Sends a complete command and returns the complete reply (data, SW1, SW2).
    virtual Bytes transmit(ByteView command) = 0;
    /// The ATR of the card's slot; empty when the platform has none.
    virtual Bytes atr() = 0;
};

} // namespace orvela::tokenkit
