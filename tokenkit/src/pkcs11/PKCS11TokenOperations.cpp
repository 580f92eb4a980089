#include "AttributeValues.h"
#include "CryptokiCall.h"
#include "CryptokiFunctions.h"
#include "orvela/tokenkit/Digest.h"
#include "orvela/tokenkit/PKCS11Module.h"

#include <type_traits>

namespace orvela::tokenkit {

/// The clean-up half of every token operation: log out after a successful login, close the
/// session, and finalise the library, on every way out.
class PKCS11Module::Frame {
public:
    explicit Frame(PKCS11Module& module) : m_module(module) {}
    ~Frame()
    {
        if (m_loggedIn && (m_succeeded || m_logoutOnFailure)) {
            m_module.logout(m_session);
        }
        if (m_sessionOpen) {
            m_module.closeSession(m_session);
        }
        m_module.finalize();
    }
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    /// Initialises the library and returns the first slot holding a token.
    ULong firstSlot()
    {
        m_module.initialize();
        const auto slots = m_module.getSlotList(true);
        if (slots.empty()) {
            raiseCkError("getSlotList (empty)", 0, m_module.m_logger);
        }
        return slots.front();
    }

    ULong openSession(ULong slot, bool readWrite)
    {
        m_session = m_module.openSession(slot, readWrite);
        m_sessionOpen = true;
        return m_session;
    }

    void login(std::string_view pin, ULong userType)
    {
        m_module.login(m_session, pin, userType);
        m_loggedIn = true;
    }

    /// Erasing the token must not be followed by a logout when it failed half-way.
    void keepLoginOnFailure() { m_logoutOnFailure = false; }
    void succeeded() { m_succeeded = true; }
    ULong session() const { return m_session; }

private:
    PKCS11Module& m_module;
    ULong m_session = 0;
    bool m_sessionOpen = false;
    bool m_loggedIn = false;
    bool m_logoutOnFailure = true;
    bool m_succeeded = false;
};

template <class Work>
auto PKCS11Module::withTokenSession(bool readWrite, ULong userType, std::string_view pin,
                                    Work&& work)
{
    Frame frame(*this);
    frame.openSession(frame.firstSlot(), readWrite);
    frame.login(pin, userType);
    if constexpr (std::is_void_v<std::invoke_result_t<Work, ULong>>) {
        work(frame.session());
        frame.succeeded();
    } else {
        auto result = work(frame.session());
        frame.succeeded();
        return result;
    }
}

Bytes PKCS11Module::signECDSA(std::string_view pin, const std::optional<std::string>& keyLabel,
                              ByteView hash)
{
    return withTokenSession(false, CKU_USER, pin, [&](ULong session) {
        const auto key = findPrivateKey(session, keyLabel);
        if (!key) {
            raiseCkError("findPrivateKey (not found)", 0, m_logger);
        }
        return signECDSA(session, *key, hash);
    });
}

void PKCS11Module::fullProvision(std::string_view soPIN, std::string_view userPIN,
                                 std::string_view label, std::string_view keyLabel, ByteView keyID)
{
    Frame frame(*this);
    const ULong slot = frame.firstSlot();
    initToken(slot, soPIN, label);
    frame.keepLoginOnFailure();
    const ULong session = frame.openSession(slot, true);
    frame.login(soPIN, CKU_SO);
    initPIN(session, userPIN);
    logout(session);
    login(session, userPIN, CKU_USER);
    generateECKeyPair(session, keyLabel, keyID);
    frame.succeeded();
    m_logger.info("provisioning done: EC key pair generated");
}

CSR::Request PKCS11Module::generateCSR(std::string_view pin,
                                       const std::optional<std::string>& keyLabel,
                                       const CSR::Subject& subject)
{
    return withTokenSession(false, CKU_USER, pin, [&](ULong session) {
        const auto publicKey = findPublicKey(session, keyLabel);
        if (!publicKey) {
            raiseCkError("findPublicKey (not found)", 0, m_logger);
        }
        // Without a label the first public key decides: its private half is the one with the
        // same ID, not merely the first private key, which may belong to another pair.
        std::optional<ULong> privateKey;
        const auto publicID = keyLabel ? std::nullopt : readAttribute(session, *publicKey, CKA_ID);
        if (publicID) {
            privateKey = findKey(session, CKO_PRIVATE_KEY, std::nullopt, *publicID);
        } else {
            privateKey = findPrivateKey(session, keyLabel);
        }
        if (!privateKey) {
            raiseCkError("findPrivateKey (not found)", 0, m_logger);
        }
        const Bytes point = readECPoint(session, *publicKey);
        if (!CSR::isUncompressedP256Point(point)) {
            throw CSRError::invalidPublicKey();
        }
        const Bytes info = CSR::encodeCertificationRequestInfo(subject, point);
        const Bytes signature = signECDSA(session, *privateKey, sha256(info));
        return CSR::assemble(info, signature);
    });
}

void PKCS11Module::changeUserPIN(std::string_view oldPIN, std::string_view newPIN)
{
    withTokenSession(true, CKU_USER, oldPIN,
                     [&](ULong session) { setPIN(session, oldPIN, newPIN); });
    m_logger.info("User PIN changed");
}

void PKCS11Module::changeSOPIN(std::string_view oldPIN, std::string_view newPIN)
{
    withTokenSession(true, CKU_SO, oldPIN, [&](ULong session) { setPIN(session, oldPIN, newPIN); });
    m_logger.info("SO PIN changed");
}

void PKCS11Module::unlockUserPIN(std::string_view soPIN, std::string_view newUserPIN)
{
    withTokenSession(true, CKU_SO, soPIN, [&](ULong session) { initPIN(session, newUserPIN); });
    m_logger.info("User PIN unlocked via SO PIN");
}

std::vector<PKCS11Module::TokenObjectInfo> PKCS11Module::listObjects(std::string_view pin)
{
    return withTokenSession(false, CKU_USER, pin,
                            [&](ULong session) { return listObjects(session); });
}

void PKCS11Module::importCertificate(std::string_view pin, std::string_view label,
                                     ByteView certificateDER, ByteView keyID)
{
    withTokenSession(true, CKU_USER, pin, [&](ULong session) {
        const std::vector<Attribute> same{{CKA_CLASS, ulongBytes(CKO_CERTIFICATE)},
                                          {CKA_LABEL, toBytes(label)},
                                          {CKA_ID, toBytes(keyID)}};
        const auto previous = findObjects(session, same, 64);
        // The new one first: a failed write leaves the old certificate in place, never none.
        writeCertificate(session, certificateDER, label, keyID);
        for (const ULong handle : previous) {
            destroyObject(session, handle);
        }
    });
}

void PKCS11Module::deleteObject(std::string_view pin, std::string_view idHex, std::string_view kind)
{
    withTokenSession(true, CKU_USER, pin, [&](ULong session) {
        for (const ULong handle : findObjects(session, {}, 64)) {
            const std::string objectKindText = objectKind(session, handle);
            const std::string objectId = objectIdHex(session, handle);
            if (objectKindText == kind && objectId == idHex) {
                destroyObject(session, handle);
                return;
            }
        }
        raiseCkError("object_not_found", 0, m_logger);
    });
    m_logger.info("Destroyed object id=" + std::string(idHex) + " kind=" + std::string(kind));
}

void PKCS11Module::generateSigningKey(std::string_view pin, std::string_view label, ByteView keyID)
{
    withTokenSession(true, CKU_USER, pin,
                     [&](ULong session) { generateECKeyPair(session, label, keyID); });
    m_logger.info("Signing keypair generated (label=" + std::string(label) + ")");
}

} // namespace orvela::tokenkit
