#pragma once

#include "orvela/tokenkit/Bytes.h"

#include <cstdint>
#include <optional>
#include <string>

namespace orvela::tokenkit {

/// A response APDU: optional data and the status word. The data is wiped when released.
class APDUResponse {
public:
    APDUResponse(std::optional<Bytes> data, std::uint8_t sw1, std::uint8_t sw2)
        : m_data(std::move(data)), m_sw1(sw1), m_sw2(sw2)
    {
    }

    /// Splits a raw card reply into data and status. A reply of fewer than two bytes becomes
    /// status 6F00 without data.
    static APDUResponse fromFullData(ByteView raw);

    std::optional<Bytes>& data() noexcept { return m_data; }
    const std::optional<Bytes>& data() const noexcept { return m_data; }
    std::uint8_t sw1() const noexcept { return m_sw1; }
    std::uint8_t sw2() const noexcept { return m_sw2; }

    std::uint16_t status() const noexcept { return static_cast<std::uint16_t>(m_sw1 << 8 | m_sw2); }
    bool isSuccess() const noexcept { return m_sw1 == 0x90 && m_sw2 == 0x00; }
    /// Four upper-case hex digits, for example "6A82".
    std::string hexStatus() const;
    /// Status and data length, never the data.
    std::string description() const;

    /// Zeroes the data and drops it.
    void wipe() noexcept;

private:
    std::optional<Bytes> m_data;
    std::uint8_t m_sw1;
    std::uint8_t m_sw2;
};

/// Formats a status word as four upper-case hex digits.
std::string hexStatus(std::uint16_t status);

} // namespace orvela::tokenkit
