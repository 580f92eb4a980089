#pragma once

#include "orvela/tokenkit/Bytes.h"
#include "orvela/tokenkit/CardTransmitter.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace orvela::tokenkit {

/// One secure channel to the token: a mutual authentication in the style of GlobalPlatform
/// INITIALIZE UPDATE / EXTERNAL AUTHENTICATE, then ISO/IEC 7816-4 secure messaging (DO87, DO97,
/// DO8E). Valid only inside the card session that opened it; a new session needs a new object.
class SecureMessaging {
public:
    /// Cipher family of the channel, chosen by the card.
    enum class KeyEncType { des, aes };

    /// Fills the buffer with random bytes; false when the generator failed.
    using RandomSource = std::function<bool(std::span<std::uint8_t>)>;

    /// The process's cryptographically secure generator (OpenSSL RAND_bytes).
    static RandomSource systemRandom();

    explicit SecureMessaging(RandomSource random = systemRandom());

    /// Probes the card's mode, authenticates both sides and derives the session keys. Throws
    /// TokenError (authFailed, unexpectedStatus, secureMessagingFailed) or passes the
    /// transmitter's own errors on unchanged.
    void mutualAuth(CardTransmitter& card, ByteView transportKeyEnc, ByteView transportKeyMac);

    /// Protects one command; the result is ready to send and always ends with Le 00. Advances the
    /// MAC counter, so commands must be sent in the order they were wrapped. Throws
    /// secureMessagingFailed before the channel is up, invalidAPDU when the protected command
    /// would not fit in a short APDU.
    Bytes wrapAPDU(std::uint8_t cla, std::uint8_t ins, std::uint8_t p1, std::uint8_t p2,
                   const std::optional<Bytes>& data, std::optional<std::uint8_t> le);

    struct Unwrapped {
        Bytes data; ///< decrypted DO87 contents; empty when there was none
        std::uint8_t sw1;
        std::uint8_t sw2;
    };

    /// Opens one protected reply. A status other than 9000 is returned with empty data; a reply
    /// too short for its status or whose data objects run past the end throws
    /// secureMessagingFailed. Does not change the channel.
    Unwrapped unwrapResponse(ByteView reply) const;

    bool isEstablished() const noexcept { return m_isEstablished; }
    bool isFIPS() const noexcept { return m_isFIPS; }
    KeyEncType keyType() const noexcept { return m_keyType; }
    const Bytes& sessionKeyEnc() const noexcept { return m_sessionKeyEnc; }
    const Bytes& sessionKeyMac() const noexcept { return m_sessionKeyMac; }
    const Bytes& icvMac() const noexcept { return m_icvMac; }

    /// Largest data a protected command can carry in a short APDU: the body (DO87, DO97 when
    /// an Le is sent, DO8E) must stay within 255 bytes.
    static std::size_t maxWrappedDataLength(KeyEncType type, bool withLe);

private:
    std::size_t blockSize() const noexcept;
    bool usesAES() const noexcept;
    void probeMode(CardTransmitter& card);
    Bytes cbcEncrypt(ByteView data) const;
    Bytes mac(ByteView data, ByteView iv) const;
    void incrementCounter() noexcept;

    RandomSource m_random;
    Bytes m_sessionKeyEnc;
    Bytes m_sessionKeyMac;
    Bytes m_icvMac = Bytes(16, 0);
    bool m_isEstablished = false;
    bool m_isFIPS = false;
    KeyEncType m_keyType = KeyEncType::des;
};

} // namespace orvela::tokenkit
