#pragma once

#include "orvela/tokenkit/Bytes.h"
#include "orvela/tokenkit/CSR.h"
#include "orvela/tokenkit/PKCS11Module.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvela::tokenkit {
class CardReaders;
}

namespace orvela::tokens {

/// The values every provisioning, key generation, import and request uses.
inline constexpr std::string_view kTokenLabel = "Orvela";
inline constexpr std::string_view kSigningKeyLabel = "orvela-sign";
inline constexpr std::string_view kCertificateLabel = "eid-cert";
inline constexpr std::string_view kRequestCountry = "MN";
inline constexpr std::uint8_t kSigningKeyID = 0x01;

/// One object on a PKCS#11 token, as listed.
using TokenObjectInfo = tokenkit::PKCS11Module::TokenObjectInfo;

/// The token the PKCS#11 road acts on: the first slot holding a token, as every PKCS#11
/// operation picks it.
struct Pkcs11Token {
    std::string library; ///< the library file, as it was named or found
    tokenkit::PKCS11Module::ULong slot = 0;
    std::string label; ///< empty when the token has none (or the library cannot say)
};

/// Every token operation of the token screens and of `orvela token`, on both roads. The calls
/// block: the desktop runs APDU operations on the card worker and PKCS#11 operations in a task
/// of their own (see TokenWork.h); the command-line tool calls them directly. Errors of the
/// layers below pass unchanged (TokenError, PcscError, P11Error, CSRError). An empty PIN is
/// refused with TokenError::pinEmpty before any token is reached.
///
/// APDU operations each open their own card session on the reader, through the reader access
/// the options hand in, and their own secure channel with the default transport key. PKCS#11
/// operations each open a fresh module (the library named in the options, else
/// ORVELA_PKCS11_LIBRARY, else the one chosen in the settings, else the default paths; see
/// libraryInUse) and drop it, so no login outlives one operation.
class TokenProvisioner {
public:
    struct Options {
        int readerIndex = 0;
        std::optional<std::string> library;
        /// The card readers of the APDU road; the PKCS#11 road needs none. An APDU operation
        /// without them is a programming error (std::logic_error).
        std::shared_ptr<tokenkit::CardReaders> readers = {};
    };

    TokenProvisioner() : TokenProvisioner(Options{}) {}
    explicit TokenProvisioner(Options options);

    // APDU road. PINs longer than the token can verify are refused with
    // TokenError::pinTooLong before the card is reached.
    void initializeApdu(tokenkit::ByteView userPin, tokenkit::ByteView soPin);
    void generateApduKey(tokenkit::ByteView userPin);
    void eraseApdu();

    // PKCS#11 road.
    void fullProvision(std::string_view soPin, std::string_view userPin);
    /// The IDs of the slots holding a token (initialize, getSlotList(tokenPresent), finalize).
    std::vector<tokenkit::PKCS11Module::ULong> slotsWithToken();
    /// How many slots hold a token.
    std::size_t slotCount();
    /// The token every PKCS#11 operation below acts on; the module's error when none.
    Pkcs11Token firstToken();
    void changeUserPin(std::string_view oldPin, std::string_view newPin);
    void changeSoPin(std::string_view oldPin, std::string_view newPin);
    void unlockUserPin(std::string_view soPin, std::string_view newUserPin);
    std::vector<TokenObjectInfo> listObjects(std::string_view pin);
    /// Stores `certificateDER` as "eid-cert" with key ID 01. The caller passes only bytes that
    /// certificateToImport accepted.
    void importCertificate(std::string_view pin, tokenkit::ByteView certificateDER);
    void deleteObject(std::string_view pin, std::string_view idHex, std::string_view kind);
    void generateSigningKey(std::string_view pin);
    /// A PKCS#10 request for the key labelled `keyLabel` (the token's first key when none),
    /// subject C=MN, O=CN=`registryNumber`.
    tokenkit::CSR::Request generateCsr(std::string_view pin,
                                       const std::optional<std::string>& keyLabel,
                                       std::string_view registryNumber);
    /// Raw ECDSA (r||s) over `hash` with the key labelled `keyLabel`, or the first one.
    tokenkit::Bytes signPkcs11(std::string_view pin, const std::optional<std::string>& keyLabel,
                               tokenkit::ByteView hash);

private:
    std::unique_ptr<tokenkit::PKCS11Module> openModule() const;
    tokenkit::CardReaders& cardReaders() const;

    Options m_options;
};

} // namespace orvela::tokens
