#pragma once

#include "orvela/tokenkit/Bytes.h"

#include <cstdint>

namespace orvela::tokenkit {

/// The platform's card inside an open exclusive session: raw bytes in, raw reply bytes out.
/// A platform failure is thrown as the platform's own error type and must reach the caller
/// unchanged; the kit never converts it to a TokenError.
class SmartCard {
public:
    SmartCard() noexcept;
    SmartCard(const SmartCard&) = delete;
    SmartCard& operator=(const SmartCard&) = delete;
    virtual ~SmartCard() = default;

    /// Distinct for every card object this process makes, never reused: a session that has
    /// ended cannot be mistaken for a later one whose object lands at the same address.
    std::uint64_t identity() const noexcept { return m_identity; }

    /// Sends a complete command and returns the complete reply (data, SW1, SW2).
    virtual Bytes transmit(ByteView command) = 0;
    /// The ATR of the card's slot; empty when the platform has none.
    virtual Bytes atr() = 0;

private:
    std::uint64_t m_identity;
};

} // namespace orvela::tokenkit
