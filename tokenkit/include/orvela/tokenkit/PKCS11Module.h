#pragma once

#include "orvela/tokenkit/Bytes.h"
#include "orvela/tokenkit/CSR.h"
#include "orvela/tokenkit/Log.h"
#include "orvela/tokenkit/PKCS11Error.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvela::tokenkit {

struct CryptokiFunctions;

/// A token vendor's PKCS#11 library loaded at run time, with thin checked wrappers over its
/// Cryptoki calls and self-contained token operations. Each token operation initialises the
/// library, uses the first slot with a token, opens its own session, logs in, works, and always
/// tears everything down again, so no login survives between operations. One module belongs to
/// one thread at a time; PINs are copied into buffers that are wiped after every call.
class PKCS11Module {
public:
    /// CK_ULONG: slot IDs, session and object handles, attribute types, user types.
    using ULong = unsigned long;
    using P11Error = orvela::tokenkit::P11Error;

    static constexpr ULong kUserSO = 0;
    static constexpr ULong kUserNormal = 1;

    /// One attribute of a search template: its type and value bytes.
    struct Attribute {
        ULong type;
        Bytes value;
    };

    /// What listObjects shows of one token object; objects are found again by ID and kind.
    struct TokenObjectInfo {
        std::string idHex;   ///< CKA_ID in lower-case hex; "" when absent or unreadable
        std::string label;   ///< CKA_LABEL as UTF-8; "" when absent or unreadable
        std::string kind;    ///< "privateKey", "publicKey", "certificate" or "data"
        std::string keyType; ///< "EC" or "RSA" for keys of those types; "" otherwise
        bool operator==(const TokenObjectInfo&) const = default;
    };

    struct KeyPair {
        ULong publicKey;
        ULong privateKey;
    };

    /// What C_GetInfo says of the library, blanks trimmed.
    struct LibraryInfo {
        std::string cryptokiVersion; ///< "2.40"
        std::string manufacturer;
        std::string description;
        std::string libraryVersion;
    };

    /// What C_GetTokenInfo says of the token in a slot, without a session or a PIN.
    struct TokenStatus {
        std::string label;
        bool initialized = false;
        bool userPinLocked = false;
        bool userPinCountLow = false;
        bool userPinFinalTry = false;
    };

    /// Environment variable naming the library to use when the caller names none.
    static constexpr const char* kLibraryEnvironmentVariable = "ORVELA_PKCS11_LIBRARY";

    /// The platform's usual library locations, in the order they are tried.
    static const std::vector<std::string>& defaultLibraryPaths();

    /// The library the user named: the caller's path (the settings' or --library), else the
    /// path in ORVELA_PKCS11_LIBRARY; nullopt when neither is set.
    static std::optional<std::string> chosenLibrary(const std::optional<std::string>& libraryPath);

    /// The paths open() tries, in order: the library the user named alone, or else the defaults.
    static std::vector<std::string> candidatePaths(const std::optional<std::string>& libraryPath);

    /// Loads the first candidate that loads (all symbols resolved at load) and looks up its
    /// entry points by name, or through C_GetFunctionList when the library exports only that
    /// (p11-kit's proxy module). A library the user named must be a regular file (a FIFO would
    /// block the loader) and its failure is libraryNotFound naming it with the loader's reason;
    /// with no library named, libraryNotFound names the last default tried. Also throws
    /// symbolNotFound.
    static std::unique_ptr<PKCS11Module> open(const std::optional<std::string>& libraryPath = {});

    /// Loads the first of `candidates` that loads, as open() does with the defaults; with none
    /// loading, libraryNotFound names the last one tried.
    static std::unique_ptr<PKCS11Module> openFirstOf(const std::vector<std::string>& candidates);

    ~PKCS11Module();
    PKCS11Module(const PKCS11Module&) = delete;
    PKCS11Module& operator=(const PKCS11Module&) = delete;

    /// C_Initialize; "already initialised" counts as success.
    void initialize();
    /// C_Finalize, only when this object initialised the library.
    void finalize() noexcept;
    bool isInitialized() const noexcept { return m_initialized; }
    /// The library file this module was loaded from, as it was named or found.
    const std::string& libraryPath() const noexcept { return m_path; }

    // Thin wrappers, one per Cryptoki call; each failure is a P11Error::ckError.
    std::vector<ULong> getSlotList(bool tokenPresent);
    /// The label of the token in `slot`, trailing blanks dropped; none when the library has no
    /// C_GetTokenInfo.
    std::optional<std::string> tokenLabel(ULong slotId);
    /// C_GetInfo; none when the library has no such entry point.
    std::optional<LibraryInfo> libraryInfo();
    /// C_GetTokenInfo of the token in `slotId`; none when the library has no such entry point.
    std::optional<TokenStatus> tokenStatus(ULong slotId);
    ULong openSession(ULong slotId, bool readWrite);
    void closeSession(ULong session) noexcept;
    /// "Already logged in" counts as success.
    void login(ULong session, std::string_view pin, ULong userType);
    void logout(ULong session) noexcept;
    /// One batch of at most maxCount handles; an empty template matches every object.
    std::vector<ULong> findObjects(ULong session, const std::vector<Attribute>& searchTemplate,
                                   std::size_t maxCount);
    std::optional<ULong> findPrivateKey(ULong session, const std::optional<std::string>& label);
    std::optional<ULong> findPublicKey(ULong session, const std::optional<std::string>& label);
    /// The point, unwrapped from a DER OCTET STRING when it is one.
    Bytes readECPoint(ULong session, ULong publicKey);
    /// Raw CKM_ECDSA over the given hash; the module never hashes.
    Bytes signECDSA(ULong session, ULong privateKey, ByteView hash);
    /// The label is padded with spaces or cut to 32 bytes.
    void initToken(ULong slotId, std::string_view soPIN, std::string_view label);
    void initPIN(ULong session, std::string_view userPIN);
    void setPIN(ULong session, std::string_view oldPIN, std::string_view newPIN);
    KeyPair generateECKeyPair(ULong session, std::string_view label, ByteView keyID);
    /// Without a subject the empty Name 30 00 is stored.
    ULong writeCertificate(ULong session, ByteView certificateDER, std::string_view label,
                           ByteView keyID, std::optional<Bytes> subjectDER = std::nullopt);
    /// Throws symbolNotFound when the library has no C_DestroyObject.
    void destroyObject(ULong session, ULong handle);
    /// A variable-length attribute (two-call fetch); none when unreadable, empty or over 64 KiB.
    std::optional<Bytes> readAttribute(ULong session, ULong object, ULong type);
    /// Attribute reads that fail leave the field empty; only the search can fail the listing.
    std::vector<TokenObjectInfo> listObjects(ULong session);

    // Self-contained token operations.
    Bytes signECDSA(std::string_view pin, const std::optional<std::string>& keyLabel,
                    ByteView hash);
    /// Erases the token (C_InitToken), sets the first user PIN and generates an EC key pair.
    void fullProvision(std::string_view soPIN, std::string_view userPIN, std::string_view label,
                       std::string_view keyLabel, ByteView keyID);
    /// A PKCS#10 request for the token's public key, signed on the token. Without a label the
    /// first public key is used with the private key of the same CKA_ID.
    CSR::Request generateCSR(std::string_view pin, const std::optional<std::string>& keyLabel,
                             const CSR::Subject& subject);
    void changeUserPIN(std::string_view oldPIN, std::string_view newPIN);
    void changeSOPIN(std::string_view oldPIN, std::string_view newPIN);
    void unlockUserPIN(std::string_view soPIN, std::string_view newUserPIN);
    std::vector<TokenObjectInfo> listObjects(std::string_view pin);
    /// Writes the certificate, then destroys the certificates of the same label and ID that
    /// were there before, so a new import replaces the old one instead of adding to it.
    void importCertificate(std::string_view pin, std::string_view label, ByteView certificateDER,
                           ByteView keyID);
    /// Destroys the first object of the given kind and hex ID; object_not_found when none.
    void deleteObject(std::string_view pin, std::string_view idHex, std::string_view kind);
    void generateSigningKey(std::string_view pin, std::string_view label, ByteView keyID);

private:
    PKCS11Module(void* handle, std::unique_ptr<CryptokiFunctions> functions, std::string path);

    class Frame;
    template <class Work>
    auto withTokenSession(bool readWrite, ULong userType, std::string_view pin, Work&& work);
    std::string objectKind(ULong session, ULong handle);
    std::string objectIdHex(ULong session, ULong handle);
    std::optional<ULong> readULongAttribute(ULong session, ULong object, ULong type);
    std::optional<ULong> findKey(ULong session, ULong keyClass,
                                 const std::optional<std::string>& label, ByteView id = {});

    void* m_handle;
    std::string m_path;
    Logger m_logger{"PKCS11"};
    bool m_initialized = false;
    std::unique_ptr<CryptokiFunctions> m_fn;
};

} // namespace orvela::tokenkit
