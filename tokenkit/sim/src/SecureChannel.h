#pragma once

#include "CardCommand.h"
#include "CardCrypto.h"

#include <variant>

namespace orvela::sim {

/// The card's half of the secure channel: answers INITIALIZE UPDATE, checks EXTERNAL
/// AUTHENTICATE, then checks and opens each protected command and protects each answer. It keeps
/// the same MAC chaining value as the host: the last command MAC in bytes 0 to 7, and a counter
/// that is incremented in the first block before every command.
class SecureChannel {
public:
    SecureChannel(cardcrypto::Family family, bool fips);

    /// Starts a new authentication (ending any channel that was open) and returns the 28-byte
    /// answer, 29 bytes on a FIPS card. The card challenge comes from the caller so that the
    /// answer can be reproduced.
    CardReply initializeUpdate(ByteView hostChallenge, ByteView cardChallenge, ByteView staticEnc,
                               ByteView staticMac);

    /// Checks the host cryptogram and the MAC; 9000 opens the channel, 6982 leaves it closed.
    CardReply externalAuthenticate(const CardCommand& command);

    /// Checks the MAC of a protected command and decrypts its data. A bad MAC or malformed data
    /// object drops the channel and yields 6988.
    std::variant<CardCommand, std::uint16_t> unprotect(ByteView apdu);

    /// Protects a successful answer as DO87 (when there is data), DO99 and DO8E; other statuses
    /// go back bare, as the host reads no data objects from them. Throws std::length_error when
    /// the data does not fit in one protected answer.
    Bytes protect(const CardReply& reply, bool corruptMac = false) const;

    /// Largest answer data that fits, once protected, in 256 response bytes.
    std::size_t maxReplyData() const noexcept;

    bool isEstablished() const noexcept { return m_established; }
    void drop() noexcept;

private:
    std::size_t block() const noexcept { return cardcrypto::blockSize(m_family); }
    Bytes cryptogram(ByteView first, ByteView second) const;
    void incrementCounter() noexcept;
    Bytes chainingIv() const;

    cardcrypto::Family m_family;
    bool m_fips;
    bool m_established = false;
    bool m_awaitingAuth = false;
    Bytes m_keyEnc;
    Bytes m_keyMac;
    Bytes m_expectedHostCryptogram;
    Bytes m_icv = Bytes(16, 0);
};

} // namespace orvela::sim
