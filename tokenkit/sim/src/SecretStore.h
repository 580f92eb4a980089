#pragma once

#include "CardCommand.h"

#include <map>

namespace orvela::sim {

/// A PIN or PUK as the card holds it: the secret block (SHA-1 of the PIN, then its length as
/// 32-bit little-endian) and its retry counter.
struct PinRecord {
    std::uint8_t keyType = 0x04;
    Bytes secret;
    int maxTries = 0;
    int triesLeft = 0;
};

/// Transport keys and PINs installed with INSTALL SECRET KEY.
class SecretStore {
public:
    static constexpr std::uint8_t kUserPin = 0x01;
    static constexpr std::uint8_t kSoPin = 0x02;

    /// Installs a key from its 10-byte header and key bytes; returns the status word.
    std::uint16_t install(ByteView data);

    /// Checks a PIN block against the PIN with the given key number; 9000, 63Cx, 6983 or 6A88.
    std::uint16_t verify(std::uint8_t keyNumber, ByteView pinBlock);

    void erase();

    /// The installed transport keys, or the fallback when none was installed.
    Bytes transportEnc(ByteView fallback) const;
    Bytes transportMac(ByteView fallback) const;

    std::optional<int> triesLeft(std::uint8_t keyNumber) const;

    const std::optional<Bytes>& installedEnc() const noexcept { return m_enc; }
    const std::optional<Bytes>& installedMac() const noexcept { return m_mac; }
    const std::map<std::uint8_t, PinRecord>& pins() const noexcept { return m_pins; }

    /// Restores state read back from a saved token.
    void restoreTransport(std::optional<Bytes> enc, std::optional<Bytes> mac);
    void restorePin(std::uint8_t keyNumber, PinRecord record);

private:
    std::optional<Bytes> m_enc;
    std::optional<Bytes> m_mac;
    std::map<std::uint8_t, PinRecord> m_pins;
};

} // namespace orvela::sim
