#include "AttributeValues.h"
#include "CryptokiCall.h"
#include "CryptokiFunctions.h"
#include "orvela/tokenkit/PKCS11Module.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace orvela::tokenkit {

namespace {

constexpr std::array<std::uint8_t, 10> kEcParamsP256{0x06, 0x08, 0x2A, 0x86, 0x48,
                                                     0xCE, 0x3D, 0x03, 0x01, 0x07};
constexpr CK_ULONG kUnreadableClass = 0xFFFF;
constexpr CK_ULONG kMaxTextAttribute = 65535;

/// Sequence length announced by a lead byte; 0 for bytes that cannot start a sequence.
std::size_t sequenceLength(std::uint8_t lead)
{
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

/// Whether a byte may follow at this position; the second byte's range excludes overlong
/// forms, surrogates and code points above U+10FFFF.
bool validContinuation(std::uint8_t lead, std::size_t position, std::uint8_t byte)
{
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    if (position == 1) {
        low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : low;
        high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : high;
    }
    return byte >= low && byte <= high;
}

/// Valid UTF-8 passes unchanged; each maximal invalid subpart becomes one U+FFFD.
std::string decodeUtf8(ByteView bytes)
{
    static constexpr const char* kReplacement = "\xEF\xBF\xBD";
    std::string out;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::uint8_t lead = bytes[i];
        const std::size_t length = sequenceLength(lead);
        std::size_t valid = length == 0 ? 0 : 1;
        while (valid > 0 && valid < length && i + valid < bytes.size() &&
               validContinuation(lead, valid, bytes[i + valid])) {
            ++valid;
        }
        if (length > 0 && valid == length) {
            out.append(reinterpret_cast<const char*>(bytes.data() + i), length);
            i += length;
        } else {
            out += kReplacement;
            i += valid == 0 ? 1 : valid;
        }
    }
    return out;
}

std::string lowerHex(ByteView bytes)
{
    std::string text = bytesToHex(bytes);
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string kindOf(CK_ULONG objectClass)
{
    switch (objectClass) {
    case CKO_PRIVATE_KEY:
        return "privateKey";
    case CKO_PUBLIC_KEY:
        return "publicKey";
    case CKO_CERTIFICATE:
        return "certificate";
    default:
        return "data";
    }
}

std::string keyTypeName(std::optional<CK_ULONG> keyType)
{
    if (keyType == CKK_RSA) {
        return "RSA";
    }
    if (keyType == CKK_EC) {
        return "EC";
    }
    return "";
}

std::vector<CK_ATTRIBUTE> toCk(std::vector<std::pair<CK_ULONG, Bytes>>& attributes)
{
    std::vector<CK_ATTRIBUTE> out;
    for (auto& [type, value] : attributes) {
        out.push_back(CK_ATTRIBUTE{type, value.data(), value.size()});
    }
    return out;
}

} // namespace

std::optional<Bytes> PKCS11Module::readAttribute(ULong session, ULong object, ULong type)
{
    CK_ATTRIBUTE probe{type, nullptr, 0};
    if (m_fn->fnGetAttributeValue(session, object, &probe, 1) != CKR_OK || probe.ulValueLen == 0 ||
        probe.ulValueLen > kMaxTextAttribute) {
        return std::nullopt;
    }
    Bytes value(probe.ulValueLen);
    CK_ATTRIBUTE fetch{type, value.data(), value.size()};
    if (m_fn->fnGetAttributeValue(session, object, &fetch, 1) != CKR_OK) {
        return std::nullopt;
    }
    value.resize(std::min<std::size_t>(fetch.ulValueLen, value.size()));
    return value;
}

std::optional<PKCS11Module::ULong> PKCS11Module::readULongAttribute(ULong session, ULong object,
                                                                    ULong type)
{
    CK_ULONG value = 0;
    CK_ATTRIBUTE attribute{type, &value, sizeof value};
    if (m_fn->fnGetAttributeValue(session, object, &attribute, 1) != CKR_OK) {
        return std::nullopt;
    }
    return value;
}

PKCS11Module::KeyPair PKCS11Module::generateECKeyPair(ULong session, std::string_view label,
                                                      ByteView keyID)
{
    CK_MECHANISM mechanism{CKM_EC_KEY_PAIR_GEN, nullptr, 0};
    std::vector<std::pair<CK_ULONG, Bytes>> publicValues{
        {CKA_CLASS, ulongBytes(CKO_PUBLIC_KEY)},
        {CKA_KEY_TYPE, ulongBytes(CKK_EC)},
        {CKA_TOKEN, trueByte()},
        {CKA_VERIFY, trueByte()},
        {CKA_EC_PARAMS, toBytes(kEcParamsP256)},
        {CKA_LABEL, toBytes(label)},
        {CKA_ID, toBytes(keyID)},
    };
    std::vector<std::pair<CK_ULONG, Bytes>> privateValues{
        {CKA_CLASS, ulongBytes(CKO_PRIVATE_KEY)},
        {CKA_KEY_TYPE, ulongBytes(CKK_EC)},
        {CKA_TOKEN, trueByte()},
        {CKA_PRIVATE, trueByte()},
        {CKA_SIGN, trueByte()},
        {CKA_SENSITIVE, trueByte()},
        {CKA_LABEL, toBytes(label)},
        {CKA_ID, toBytes(keyID)},
    };
    auto publicTemplate = toCk(publicValues);
    auto privateTemplate = toCk(privateValues);
    KeyPair pair{};
    checkRV(m_fn->fnGenerateKeyPair(session, &mechanism, publicTemplate.data(),
                                    publicTemplate.size(), privateTemplate.data(),
                                    privateTemplate.size(), &pair.publicKey, &pair.privateKey),
            "C_GenerateKeyPair", m_logger);
    m_logger.info("EC keypair generated (label=" + std::string(label) + ")");
    return pair;
}

PKCS11Module::ULong PKCS11Module::writeCertificate(ULong session, ByteView certificateDER,
                                                   std::string_view label, ByteView keyID,
                                                   std::optional<Bytes> subjectDER)
{
    std::vector<std::pair<CK_ULONG, Bytes>> values{
        {CKA_CLASS, ulongBytes(CKO_CERTIFICATE)},
        {CKA_CERTIFICATE_TYPE, ulongBytes(CKC_X_509)},
        {CKA_TOKEN, trueByte()},
        {CKA_VALUE, toBytes(certificateDER)},
        // Some libraries refuse a certificate without a subject; an empty Name satisfies them.
        {CKA_SUBJECT, subjectDER ? std::move(*subjectDER) : Bytes{0x30, 0x00}},
        {CKA_LABEL, toBytes(label)},
        {CKA_ID, toBytes(keyID)},
    };
    auto certificateTemplate = toCk(values);
    CK_OBJECT_HANDLE handle = 0;
    checkRV(m_fn->fnCreateObject(session, certificateTemplate.data(), certificateTemplate.size(),
                                 &handle),
            "C_CreateObject(cert)", m_logger);
    m_logger.info("Certificate written (" + std::to_string(certificateDER.size()) +
                  "B, label=" + std::string(label) + ")");
    return handle;
}

void PKCS11Module::destroyObject(ULong session, ULong handle)
{
    if (m_fn->fnDestroyObject == nullptr) {
        throw P11Error::symbolNotFound("C_DestroyObject");
    }
    checkRV(m_fn->fnDestroyObject(session, handle), "C_DestroyObject", m_logger);
}

std::vector<PKCS11Module::TokenObjectInfo> PKCS11Module::listObjects(ULong session)
{
    std::vector<TokenObjectInfo> objects;
    for (const ULong handle : findObjects(session, {}, 64)) {
        const CK_ULONG objectClass =
            readULongAttribute(session, handle, CKA_CLASS).value_or(kUnreadableClass);
        TokenObjectInfo info;
        if (auto label = readAttribute(session, handle, CKA_LABEL)) {
            info.label = decodeUtf8(*label);
        }
        if (auto id = readAttribute(session, handle, CKA_ID)) {
            info.idHex = lowerHex(*id);
        }
        if (objectClass == CKO_PUBLIC_KEY || objectClass == CKO_PRIVATE_KEY) {
            info.keyType = keyTypeName(readULongAttribute(session, handle, CKA_KEY_TYPE));
        }
        info.kind = kindOf(objectClass);
        objects.push_back(std::move(info));
    }
    return objects;
}

std::string PKCS11Module::objectKind(ULong session, ULong handle)
{
    return kindOf(readULongAttribute(session, handle, CKA_CLASS).value_or(kUnreadableClass));
}

std::string PKCS11Module::objectIdHex(ULong session, ULong handle)
{
    auto id = readAttribute(session, handle, CKA_ID);
    return id ? lowerHex(*id) : std::string();
}

} // namespace orvela::tokenkit
