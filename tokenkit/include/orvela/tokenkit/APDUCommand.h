#pragma once

#include "orvela/tokenkit/Bytes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvela::tokenkit {

/// A short ISO/IEC 7816-4 command APDU. Immutable; its payload is wiped when released.
/// A zero `le` means "no Le byte", so a command built from fields never asks for 256 bytes.
class APDUCommand {
public:
    /// Throws TokenError::invalidAPDU for a payload of 256 bytes or more.
    APDUCommand(std::uint8_t cla, std::uint8_t ins, std::uint8_t p1, std::uint8_t p2,
                std::optional<Bytes> payload = std::nullopt, std::uint8_t le = 0);

    /// Parses hexadecimal text as a case 1, 2, 3 or 4 command; throws TokenError::invalidAPDU
    /// when the text is not hex, shorter than a header, or its length disagrees with Lc.
    static APDUCommand fromHex(std::string_view hex);

    std::uint8_t cla() const noexcept { return m_cla; }
    std::uint8_t ins() const noexcept { return m_ins; }
    std::uint8_t p1() const noexcept { return m_p1; }
    std::uint8_t p2() const noexcept { return m_p2; }
    std::uint8_t lc() const noexcept { return m_lc; }
    std::uint8_t le() const noexcept { return m_le; }
    const std::optional<Bytes>& payload() const noexcept { return m_payload; }

    /// The wire form sent to the card.
    Bytes buildBuffer() const;

    /// Header, lengths and Le for the log; never the payload.
    std::string redactedDescription() const;

private:
    std::uint8_t m_cla;
    std::uint8_t m_ins;
    std::uint8_t m_p1;
    std::uint8_t m_p2;
    std::uint8_t m_lc = 0;
    std::optional<Bytes> m_payload;
    std::uint8_t m_le;
};

} // namespace orvela::tokenkit
