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
///
/// Behaviour where the real token gives no answer to copy (plausible ISO/IEC 7816-4 choices):
/// - The ATR (23 bytes, T=1) carries the mode at byte 19: 03 FIPS, 02 AES, 01 Triple-DES. The
///   mode probe GET DATA 0186 answers 35 bytes, 80 01 then 01 (AES) or 00 (Triple-DES), ending
///   87 01 01 on a FIPS card and 87 01 00 otherwise.
/// - The applet is selected at power-up, so the channel can be opened without a SELECT first.
///   READ BINARY while the applet (not a file) is selected answers the label, padded with FF
///   to the asked length; a token without label answers 00 followed by FF. The label comes
///   from Options and survives ERASE CARD (it belongs to the applet, not the file system).
/// - Secure channel: a new INITIALIZE UPDATE ends any open channel. A wrong host cryptogram or
///   MAC answers 6982, EXTERNAL AUTHENTICATE without INITIALIZE UPDATE 6985. A protected
///   command (CLA with 0C set) without a channel answers 6882; a bad MAC, a replayed command or
///   a malformed data object answers 6988 and ends the channel. Plain commands keep working
///   while a channel is open but never count as sent over it. Errors go back as a bare status
///   word; successes as DO87 (when there is data), DO99 and DO8E, whose MAC is the channel's
///   MAC (AES-MAC, or the retail MAC for Triple-DES) over DO87 and DO99 under the session MAC
///   key, chained on the command's MAC without moving the chain. A protected answer carries at
///   most 223 data bytes with AES and 231 with Triple-DES, so READ BINARY shortens its chunk.
/// - Access rules: ERASE CARD, INSTALL SECRET KEY, CREATE FILE and every UPDATE BINARY need the
///   channel (6982 otherwise); GENERATE KEY PAIR needs the channel and the user PIN verified
///   since the last reset (6982). VERIFY, SELECT, READ BINARY, GET DATA, GET CHALLENGE and PSO
///   work plain or protected. PSO needs a key but no PIN, so a SELECT then PSO session signs.
/// - PINs: VERIFY reference 2 checks the user PIN (key number 01), reference 1 the SO PIN
///   (key number 02); other references and uninstalled PINs answer 6A88. A wrong PIN answers
///   63Cx with the tries left (63C0 on the try that uses up the counter), a blocked PIN 6983
///   even when right; a right PIN restores the counter. A failed VERIFY withdraws an earlier
///   success. The PIN block's trailing 00 bytes are padding, down to the installed length.
/// - ERASE CARD removes the file system (the master file 3F00 stays), PINs, keys and the
///   installed transport keys; the channel then opens again with Options::transportKey or the
///   kit's default. An open channel keeps its session keys through erase and installation.
/// - Files: identifiers are unique on the whole card and SELECT by FID finds any file; new
///   files go into the current DF; EF contents are zero-filled at their FCP size. READ BINARY
///   returns up to the end of the file and answers 6B00 at or past it; UPDATE BINARY past the
///   end answers 6B00; an existing FID 6A89; a malformed FCP 6A80.
/// - Keys: GENERATE KEY PAIR makes P-256 keys only (RSA parameters answer 6A81) and returns no
///   data. PSO COMPUTE DIGITAL SIGNATURE signs the given hash (1 to 64 bytes) with key 1 and
///   answers raw r‖s, 64 bytes; without key 1 it answers 6A88.
/// - Options::stateFile is loaded at construction (a missing file is a blank token; a damaged
///   one throws std::runtime_error) and rewritten atomically after every change. It holds the
///   private keys in the clear: this is a test token, never give it real secrets.
/// - An APDU whose length fits no case answers 6700, an unknown instruction 6D00, a known one
///   under another class than its own (00, 80 for the proprietary ones, 84 for EXTERNAL
///   AUTHENTICATE) 6E00.
/// - Faults: statusWord and shortReply (the single byte 90) replace the next command, which is
///   not run; corruptedMac flips one bit of the next protected answer's MAC. A fault armed is
///   used up by the next command whether it applies or not.
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

    /// Throws std::invalid_argument for a transport key that is neither empty nor 16 bytes,
    /// and std::runtime_error for a state file that exists but cannot be loaded.
    explicit VirtualToken(Options options);
    ~VirtualToken();
    VirtualToken(const VirtualToken&) = delete;
    VirtualToken& operator=(const VirtualToken&) = delete;

    /// The card's ATR; FIPS cards carry 03 at byte 19.
    Bytes atr() const;

    /// Processes one command APDU and returns the response APDU. With a state file, throws
    /// std::runtime_error when a change cannot be saved, rather than answer as if it lasted.
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
