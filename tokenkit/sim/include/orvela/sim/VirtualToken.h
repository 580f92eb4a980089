#pragma once

#include "orvela/tokenkit/Bytes.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace orvela::sim {

using tokenkit::ByteView;
using tokenkit::Bytes;

/// An emulator of the supported token's card side: applet, PKCS#15 file system, PINs with
/// retry counters, the secure channel, and on-card P-256 keys whose private half never leaves
/// it. Command APDUs in, response APDUs (data, SW1, SW2) out. Not thread-safe: one caller at a
/// time, as with a real card.
class VirtualToken {
public:
    /// The channel the card offers; its ATR and its answer to the mode probe follow it.
    enum class Mode { des, aes, aesFips };

    struct Options {
        Mode mode = Mode::aes;
        /// Static key of the secure channel before provisioning; empty means the kit's default
        /// transport key.
        Bytes transportKey;
        /// Where the token's state survives restarts; empty keeps it in memory only.
        std::string stateFile;
        /// Label returned by the label read of a freshly made token.
        std::string label = "Orvela Virtual Token";
    };

    /// Faults a test can arm; each applies to the next command only.
    enum class Fault {
        none,
        statusWord,   ///< answer the next command with the armed status word
        shortReply,   ///< answer the next command with a single byte
        corruptedMac, ///< flip a bit of the MAC in the next protected response
    };

    explicit VirtualToken(Options options);
    ~VirtualToken();
    VirtualToken(const VirtualToken&) = delete;
    VirtualToken& operator=(const VirtualToken&) = delete;

    /// The card's ATR; FIPS cards carry 03 at byte 19.
    Bytes atr() const;

    /// Processes one command APDU and returns the response APDU.
    Bytes process(ByteView command);

    /// Power cycle or end of the card session: drops the secure channel and the selections,
    /// as a real card forgets them.
    void reset();

    /// Arms a fault for the next command.
    void armFault(Fault fault, std::uint16_t statusWord = 0);

    /// Card presence, for readers that emulate removal; the token itself ignores it.
    bool isPresent() const;
    void setPresent(bool present);

    /// The uncompressed P-256 public point (65 bytes) of an on-card key, if generated.
    std::optional<Bytes> publicKey(std::uint8_t keyId) const;

    /// The same public key as a PEM SubjectPublicKeyInfo, ready for `openssl dgst -verify`.
    std::optional<std::string> publicKeyPem(std::uint8_t keyId) const;

    /// Tries left for the PIN with the given key number (1 user, 2 SO/PUK); nullopt if not set.
    std::optional<int> pinTriesLeft(std::uint8_t keyNumber) const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace orvela::sim
