#pragma once

#include "orvela/tokenkit/APDUCommand.h"
#include "orvela/tokenkit/APDUResponse.h"
#include "orvela/tokenkit/Bytes.h"
#include "orvela/tokenkit/DriverCommands.h"
#include "orvela/tokenkit/Log.h"
#include "orvela/tokenkit/SecureMessaging.h"
#include "orvela/tokenkit/SmartCard.h"
#include "orvela/tokenkit/TokenInfo.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace orvela::tokenkit {

/// Driver of the supported USB token: applet selection, the secure channel, PINs, token
/// information, signing, provisioning, key generation and certificate files.
///
/// Every operation runs inside a card session the caller holds (CardReaders::withSession) and
/// takes that session's card last. Commands other than SELECT applet, GET CHALLENGE and the
/// label read travel protected when a secure channel is open on that same card, and plain
/// otherwise. A channel belongs to the card object it was opened on: commands sent to any other
/// card object are never wrapped with its keys, and the first such command drops it. Card
/// objects are told apart by SmartCard::identity(), which no later session reuses, so a driver
/// may outlive its sessions; SessionScope still drops the keys as soon as a session's work ends.
///
/// Platform errors thrown by the card reach the caller unchanged. Not thread-safe: one
/// operation at a time, as the card's secure-messaging counter demands.
class TesselDriver {
public:
    /// PIN and PUK bytes a VERIFY can carry.
    static constexpr std::size_t kMaxPinLength = 16;
    /// Largest certificate file the 16-bit offsets of READ and UPDATE BINARY can address.
    static constexpr std::size_t kMaxCertificateLength = 0xFFFF;
    /// Chunk sizes of the certificate file commands without secure messaging.
    static constexpr std::size_t kPlainWriteChunk = 240;
    static constexpr std::uint8_t kPlainReadChunk = 0xFE;
    /// PIN reference the application verifies the user PIN with.
    static constexpr std::uint8_t kUserPinReference = 0x02;

    /// Ties the driver's channel to one card session: when the scope ends (with the session's
    /// work) the channel is dropped, so a later session can never wrap with its keys, even when
    /// its card object happens to take the same place in memory.
    class SessionScope {
    public:
        explicit SessionScope(TesselDriver& driver) noexcept : m_driver(&driver) {}
        ~SessionScope() { m_driver->closeSecureSession(); }
        SessionScope(const SessionScope&) = delete;
        SessionScope& operator=(const SessionScope&) = delete;

    private:
        TesselDriver* m_driver;
    };

    /// Opens a scope for the session's work: `auto scope = driver.sessionScope();`.
    [[nodiscard]] SessionScope sessionScope() noexcept { return SessionScope(*this); }

    /// The random source is handed to every secure channel this driver opens.
    explicit TesselDriver(SecureMessaging::RandomSource random = SecureMessaging::systemRandom());

    // Session, PIN and information.

    /// SELECT of the PKI applet, always plain; the response is returned whatever its status.
    APDUResponse selectApplet(SmartCard& card);
    /// GET CHALLENGE, always plain: 8 random bytes from the card, else TokenError::authFailed.
    Bytes getChallenge(SmartCard& card);
    /// Opens a secure channel bound to this card. On failure the previous channel stays.
    void establishSecureSession(ByteView transportKeyEnc, ByteView transportKeyMac,
                                SmartCard& card);
    /// Drops the channel and its keys; later commands go plain until a new one is opened.
    void closeSecureSession() noexcept;
    /// True when a channel is open on exactly this card object.
    bool hasSecureSession(const SmartCard& card) const noexcept;
    /// The open channel, whichever card it belongs to; nullptr when there is none.
    const SecureMessaging* secureMessaging() const noexcept { return m_sm.get(); }

    /// VERIFY with the PIN's bytes padded or cut to 16. Throws pinVerifyFailed (63Cx),
    /// pinBlocked (6983) or unexpectedStatus.
    void verifyPIN(ByteView pin, std::uint8_t reference, SmartCard& card);
    /// ATR, label (or "Tessel2003") and applet presence; only the applet SELECT can fail it.
    TokenInfo getTokenInfo(SmartCard& card);
    /// The card's answer to COMPUTE DIGITAL SIGNATURE over the hash, in whatever format it has.
    Bytes signECDSA(ByteView hash, SmartCard& card);
    /// The card's answer to the RSA PSO over the data.
    Bytes signRSA(ByteView data, SmartCard& card);

    // Provisioning, keys and certificates.

    void eraseCard(SmartCard& card);
    /// Full provisioning under the secure channel: erase, transport keys, PKCS#15 file system,
    /// SO PIN (PUK) and user PIN. PINs longer than 16 bytes are refused with pinTooLong before
    /// anything is sent, since VERIFY could never present them. Steps already done stay done.
    void initializePIN(ByteView pin, ByteView puk, SmartCard& card);
    void createPKCS15Filesystem(SmartCard& card);
    void createFile(ByteView fcp, SmartCard& card);
    /// Returns the response on 9000, else throws unexpectedStatus.
    APDUResponse selectFile(std::uint16_t fid, SmartCard& card);
    /// Needs the secure channel; the public key stays on the card.
    void generateECKeyPair(std::uint8_t keyID, SmartCard& card);
    void generateRSAKeyPair(std::uint8_t keyID, std::uint16_t keySize, SmartCard& card);
    /// The file's content as stored, trailing bytes included. Files longer than 65535 bytes are
    /// refused with invalidAPDU; an empty or missing file is certificateNotFound.
    Bytes readCertificate(std::uint16_t fileID, SmartCard& card);
    /// Needs the secure channel. Data over 65535 bytes is refused with certificateImportFailed
    /// before anything is sent.
    void writeCertificate(ByteView data, std::uint16_t fileID, SmartCard& card);

    /// Chunk sizes used on this card: plain, or the largest a protected short APDU can carry.
    std::size_t writeChunkLength(const SmartCard& card) const;
    std::uint8_t readChunkLength(const SmartCard& card) const;

    static Bytes buildEFFCP(std::uint16_t fid, std::uint16_t size, std::uint8_t fileType,
                            ByteView acl)
    {
        return DriverCommands::buildEFFCP(fid, size, fileType, acl);
    }
    static Bytes buildDFFCP(std::uint16_t fid, std::uint16_t size, ByteView aid, ByteView acl)
    {
        return DriverCommands::buildDFFCP(fid, size, aid, acl);
    }

    /// Largest plaintext a protected response can return for the cipher family: DO87 (tag,
    /// one length byte, indicator, padded cryptogram), DO99 and DO8E within 256 bytes.
    static std::uint8_t maxProtectedReadLength(SecureMessaging::KeyEncType type);

private:
    /// Sends one command by the sending rule: wrapped on this card's channel, plain otherwise.
    APDUResponse send(const APDUCommand& command, SmartCard& card);
    APDUResponse sendProtected(const APDUCommand& command, SmartCard& card);
    void requireSecureSession(const SmartCard& card) const;
    void installSecretKey(ByteView key, std::uint8_t keyType, std::uint8_t keyNumber,
                          std::uint8_t accessA, std::uint8_t accessB, std::uint8_t counter,
                          SmartCard& card);
    void createApplicationFiles(SmartCard& card);

    Logger m_logger{"TesselDriver"};
    SecureMessaging::RandomSource m_random;
    std::unique_ptr<SecureMessaging> m_sm;
    /// The card object the channel was opened on; only compared, never dereferenced.
    std::uint64_t m_smCardIdentity = 0; ///< SmartCard::identity() of the channel's session
};

} // namespace orvela::tokenkit
