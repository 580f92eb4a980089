#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace orvela::tokenkit {

/// A failure of the PC/SC service that the kit does not map to a TokenError (for example a card
/// removed in the middle of a session, or a reader held by another program). It reaches the
/// caller unchanged, with the PC/SC code, the service's own text for it and the failing call.
class PcscError : public std::runtime_error {
public:
    /// Codes the kit and its tests refer to by name; any other PC/SC code may appear as well.
    static constexpr std::uint32_t notTransacted = 0x80100016;
    static constexpr std::uint32_t timeout = 0x8010000A;
    static constexpr std::uint32_t sharingViolation = 0x8010000B;
    static constexpr std::uint32_t resetCard = 0x80100068;
    static constexpr std::uint32_t removedCard = 0x80100069;

    /// The error of `call` failing with `code`; the text comes from pcsc_stringify_error.
    PcscError(std::uint32_t code, std::string_view call);

    std::uint32_t code() const noexcept { return m_code; }
    /// The PC/SC function that failed, for example "SCardTransmit".
    const std::string& call() const noexcept { return m_call; }
    /// The PC/SC service's description of the code.
    const std::string& text() const noexcept { return m_text; }

private:
    PcscError(std::uint32_t code, std::string call, std::string text);

    std::uint32_t m_code;
    std::string m_call;
    std::string m_text;
};

} // namespace orvela::tokenkit
