#pragma once

#include "orvela/tokenkit/Bytes.h"
#include "orvela/tokenkit/CardTransmitter.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace orvela::testing {

using tokenkit::ByteView;
using tokenkit::Bytes;

/// The card's half of the secure channel, written apart from the host's implementation (its own
/// derivation, cryptograms and MAC code on OpenSSL, single DES from the legacy provider) so that
/// the two check each other. Plays a card for SecureMessaging: answers the mode probe,
/// INITIALIZE UPDATE and EXTERNAL AUTHENTICATE, then checks every protected command's MAC and
/// counter and answers with a protected response.
class CardSideChannel final : public tokenkit::CardTransmitter {
public:
    enum class Mode { des, aes, aesFips };

    CardSideChannel(Mode mode, Bytes staticEncKey, Bytes staticMacKey);

    Bytes transmitRaw(ByteView command) override;

    // Behaviour a test can change.
    bool tamperCardCryptogram = false;
    bool refuseExternalAuthenticate = false;
    std::optional<std::uint16_t> initializeUpdateStatus;
    Bytes responseData; ///< returned, protected, by every accepted protected command

    // What the card saw.
    bool established = false;
    int commandsAccepted = 0;
    int macFailures = 0;
    Bytes lastPlaintext;          ///< decrypted DO87 of the last protected command
    std::optional<std::uint8_t> lastLe; ///< DO97 of the last protected command
    std::vector<Bytes> received;

private:
    Bytes probeReply() const;
    Bytes initializeUpdate(ByteView command);
    Bytes externalAuthenticate(ByteView command);
    Bytes protectedCommand(ByteView command);
    Bytes protectResponse(ByteView data);

    bool aes() const { return m_mode != Mode::des; }
    std::size_t block() const { return aes() ? 16 : 8; }
    Bytes encrypt(ByteView key, ByteView data) const; // zero-IV CBC
    Bytes decrypt(ByteView key, ByteView data) const;
    Bytes macOf(ByteView data, ByteView iv) const;

    Mode m_mode;
    Bytes m_staticEnc;
    Bytes m_staticMac;
    Bytes m_hostChallenge;
    Bytes m_cardChallenge;
    Bytes m_encKey;
    Bytes m_macKey;
    Bytes m_chain; ///< MAC chaining value, 16 bytes
};

} // namespace orvela::testing
