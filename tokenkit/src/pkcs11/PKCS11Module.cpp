#include "orvela/tokenkit/PKCS11Module.h"

#include "AttributeValues.h"
#include "CryptokiCall.h"
#include "CryptokiFunctions.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <sys/stat.h>

namespace orvela::tokenkit {

namespace {

template <class Fn> bool lookUp(void* handle, const char* name, Fn& slot)
{
    void* symbol = ::dlsym(handle, name);
    slot = reinterpret_cast<Fn>(symbol);
    return symbol != nullptr;
}

/// Calls `visit(name, slot, listField)` for every required entry point, in the order a missing
/// one is reported.
template <class Visit> void forEachRequired(CryptokiFunctions& fn, Visit visit)
{
    using List = CK_FUNCTION_LIST;
    visit("C_Initialize", fn.fnInitialize, &List::C_Initialize);
    visit("C_Finalize", fn.fnFinalize, &List::C_Finalize);
    visit("C_GetSlotList", fn.fnGetSlotList, &List::C_GetSlotList);
    visit("C_OpenSession", fn.fnOpenSession, &List::C_OpenSession);
    visit("C_CloseSession", fn.fnCloseSession, &List::C_CloseSession);
    visit("C_Login", fn.fnLogin, &List::C_Login);
    visit("C_Logout", fn.fnLogout, &List::C_Logout);
    visit("C_FindObjectsInit", fn.fnFindObjectsInit, &List::C_FindObjectsInit);
    visit("C_FindObjects", fn.fnFindObjects, &List::C_FindObjects);
    visit("C_FindObjectsFinal", fn.fnFindObjectsFinal, &List::C_FindObjectsFinal);
    visit("C_GetAttributeValue", fn.fnGetAttributeValue, &List::C_GetAttributeValue);
    visit("C_SignInit", fn.fnSignInit, &List::C_SignInit);
    visit("C_Sign", fn.fnSign, &List::C_Sign);
    visit("C_InitToken", fn.fnInitToken, &List::C_InitToken);
    visit("C_InitPIN", fn.fnInitPIN, &List::C_InitPIN);
    visit("C_SetPIN", fn.fnSetPIN, &List::C_SetPIN);
    visit("C_GenerateKeyPair", fn.fnGenerateKeyPair, &List::C_GenerateKeyPair);
    visit("C_CreateObject", fn.fnCreateObject, &List::C_CreateObject);
}

/// The library's function list, for a library that exports no entry point by name but
/// C_GetFunctionList, as p11-kit's proxy module does; null when it exports neither.
CK_FUNCTION_LIST_PTR functionList(void* handle)
{
    CK_C_Initialize initialize = nullptr;
    CK_C_GetFunctionList getList = nullptr;
    if (lookUp(handle, "C_Initialize", initialize) ||
        !lookUp(handle, "C_GetFunctionList", getList)) {
        return nullptr;
    }
    CK_FUNCTION_LIST_PTR list = nullptr;
    if (getList(&list) != CKR_OK || list == nullptr) {
        ::dlclose(handle);
        throw P11Error::symbolNotFound("C_GetFunctionList");
    }
    return list;
}

std::unique_ptr<CryptokiFunctions> resolve(void* handle)
{
    auto fn = std::make_unique<CryptokiFunctions>();
    if (CK_FUNCTION_LIST_PTR list = functionList(handle)) {
        forEachRequired(*fn, [list](const char*, auto& slot, auto field) { slot = list->*field; });
        fn->fnDestroyObject = list->C_DestroyObject;
        fn->fnGetTokenInfo = list->C_GetTokenInfo;
        fn->fnGetInfo = list->C_GetInfo;
    } else {
        forEachRequired(
            *fn, [handle](const char* name, auto& slot, auto) { lookUp(handle, name, slot); });
        lookUp(handle, "C_DestroyObject", fn->fnDestroyObject);
        lookUp(handle, "C_GetTokenInfo", fn->fnGetTokenInfo);
        lookUp(handle, "C_GetInfo", fn->fnGetInfo);
    }
    forEachRequired(*fn, [handle](const char* name, const auto& slot, auto) {
        if (slot == nullptr) {
            ::dlclose(handle);
            throw P11Error::symbolNotFound(name);
        }
    });
    return fn;
}

/// A fixed-width Cryptoki text field, padded with blanks as Cryptoki asks; some libraries pad
/// with NULs instead.
template <std::size_t N> std::string paddedText(const CK_UTF8CHAR (&field)[N])
{
    std::string text(reinterpret_cast<const char*>(field), N);
    text.erase(text.find_last_not_of(std::string_view(" \0", 2)) + 1);
    return text;
}

/// The value of a DER OCTET STRING, or the bytes unchanged when they are not one.
Bytes unwrapOctetString(const Bytes& raw)
{
    if (raw.size() >= 3 && raw[0] == 0x04) {
        if (raw[1] < 0x80 && raw.size() >= raw[1] + 2u) {
            return Bytes(raw.begin() + 2, raw.begin() + 2 + raw[1]);
        }
        if (raw[1] == 0x81 && raw.size() >= raw[2] + 3u) {
            return Bytes(raw.begin() + 3, raw.begin() + 3 + raw[2]);
        }
    }
    return raw;
}

/// Loads the library the user named, or says why it cannot be loaded. A path is checked to be a
/// regular file first: the loader would wait forever on a FIFO and read a device endlessly. A
/// bare name is left to the loader's search.
void* loadChosen(const std::string& path)
{
    if (path.find('/') != std::string::npos) {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) {
            throw P11Error::libraryNotFound(path, std::strerror(errno));
        }
        if (!S_ISREG(info.st_mode)) {
            throw P11Error::libraryNotFound(path, "энгийн файл биш");
        }
    }
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = ::dlerror();
        throw P11Error::libraryNotFound(path, reason != nullptr ? reason : "");
    }
    return handle;
}

} // namespace

std::unique_ptr<PKCS11Module> PKCS11Module::open(const std::optional<std::string>& libraryPath)
{
    if (auto chosen = chosenLibrary(libraryPath)) {
        void* handle = loadChosen(*chosen);
        return std::unique_ptr<PKCS11Module>(new PKCS11Module(handle, resolve(handle), *chosen));
    }
    return openFirstOf(defaultLibraryPaths());
}

std::unique_ptr<PKCS11Module> PKCS11Module::openFirstOf(const std::vector<std::string>& candidates)
{
    void* handle = nullptr;
    std::string lastTried;
    for (const std::string& path : candidates) {
        lastTried = path;
        handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle != nullptr) {
            break;
        }
    }
    if (handle == nullptr) {
        throw P11Error::libraryNotFound(lastTried);
    }
    return std::unique_ptr<PKCS11Module>(new PKCS11Module(handle, resolve(handle), lastTried));
}

PKCS11Module::PKCS11Module(void* handle, std::unique_ptr<CryptokiFunctions> functions,
                           std::string path)
    : m_handle(handle), m_path(std::move(path)), m_fn(std::move(functions))
{}

PKCS11Module::~PKCS11Module()
{
    finalize();
    ::dlclose(m_handle);
}

void PKCS11Module::initialize()
{
    const CK_RV rv = m_fn->fnInitialize(nullptr);
    if (rv != CKR_CRYPTOKI_ALREADY_INITIALIZED) {
        checkRV(rv, "C_Initialize", m_logger);
    }
    m_initialized = true;
}

void PKCS11Module::finalize() noexcept
{
    if (m_initialized) {
        m_fn->fnFinalize(nullptr);
        m_initialized = false;
    }
}

std::vector<PKCS11Module::ULong> PKCS11Module::getSlotList(bool tokenPresent)
{
    const CK_BBOOL present = tokenPresent ? CK_TRUE : CK_FALSE;
    CK_ULONG count = 0;
    checkRV(m_fn->fnGetSlotList(present, nullptr, &count), "C_GetSlotList", m_logger);
    if (count == 0) {
        return {};
    }
    std::vector<CK_SLOT_ID> slots(count);
    checkRV(m_fn->fnGetSlotList(present, slots.data(), &count), "C_GetSlotList", m_logger);
    slots.resize(std::min<std::size_t>(count, slots.size()));
    return slots;
}

std::optional<std::string> PKCS11Module::tokenLabel(ULong slotId)
{
    if (auto status = tokenStatus(slotId)) {
        return std::move(status->label);
    }
    return std::nullopt;
}

std::optional<PKCS11Module::LibraryInfo> PKCS11Module::libraryInfo()
{
    if (m_fn->fnGetInfo == nullptr) {
        return std::nullopt;
    }
    CK_INFO info{};
    checkRV(m_fn->fnGetInfo(&info), "C_GetInfo", m_logger);
    const auto version = [](const CK_VERSION& v) {
        return std::to_string(v.major) + "." + std::to_string(v.minor);
    };
    return LibraryInfo{version(info.cryptokiVersion), paddedText(info.manufacturerID),
                       paddedText(info.libraryDescription), version(info.libraryVersion)};
}

std::optional<PKCS11Module::TokenStatus> PKCS11Module::tokenStatus(ULong slotId)
{
    if (m_fn->fnGetTokenInfo == nullptr) {
        return std::nullopt;
    }
    CK_TOKEN_INFO info{};
    checkRV(m_fn->fnGetTokenInfo(slotId, &info), "C_GetTokenInfo", m_logger);
    const auto has = [&info](CK_FLAGS flag) { return (info.flags & flag) != 0; };
    return TokenStatus{paddedText(info.label), has(CKF_TOKEN_INITIALIZED), has(CKF_USER_PIN_LOCKED),
                       has(CKF_USER_PIN_COUNT_LOW), has(CKF_USER_PIN_FINAL_TRY)};
}

PKCS11Module::ULong PKCS11Module::openSession(ULong slotId, bool readWrite)
{
    const CK_FLAGS flags = CKF_SERIAL_SESSION | (readWrite ? CKF_RW_SESSION : 0);
    CK_SESSION_HANDLE session = 0;
    checkRV(m_fn->fnOpenSession(slotId, flags, nullptr, nullptr, &session), "C_OpenSession",
            m_logger);
    return session;
}

void PKCS11Module::closeSession(ULong session) noexcept
{
    m_fn->fnCloseSession(session);
}

void PKCS11Module::login(ULong session, std::string_view pin, ULong userType)
{
    CK_RV rv = 0;
    {
        // Our own copy of the PIN, wiped as it leaves this scope, whatever the outcome.
        Bytes buffer = toBytes(pin);
        rv = m_fn->fnLogin(session, userType, buffer.data(), buffer.size());
    }
    if (rv != CKR_USER_ALREADY_LOGGED_IN) {
        checkRV(rv, "C_Login", m_logger);
    }
}

void PKCS11Module::logout(ULong session) noexcept
{
    m_fn->fnLogout(session);
}

std::vector<PKCS11Module::ULong>
PKCS11Module::findObjects(ULong session, const std::vector<Attribute>& searchTemplate,
                          std::size_t maxCount)
{
    std::vector<CK_ATTRIBUTE> attributes;
    attributes.reserve(searchTemplate.size());
    for (const Attribute& a : searchTemplate) {
        attributes.push_back(
            CK_ATTRIBUTE{a.type, const_cast<std::uint8_t*>(a.value.data()), a.value.size()});
    }
    checkRV(m_fn->fnFindObjectsInit(session, attributes.empty() ? nullptr : attributes.data(),
                                    attributes.size()),
            "C_FindObjectsInit", m_logger);
    std::vector<CK_OBJECT_HANDLE> handles(maxCount);
    CK_ULONG found = 0;
    const CK_RV rv = m_fn->fnFindObjects(session, handles.data(), maxCount, &found);
    m_fn->fnFindObjectsFinal(session);
    checkRV(rv, "C_FindObjects", m_logger);
    handles.resize(std::min<std::size_t>(found, maxCount));
    return handles;
}

std::optional<PKCS11Module::ULong> PKCS11Module::findKey(ULong session, ULong keyClass,
                                                         const std::optional<std::string>& label,
                                                         ByteView id)
{
    std::vector<Attribute> searchTemplate{{CKA_CLASS, ulongBytes(keyClass)}};
    if (label) {
        searchTemplate.push_back({CKA_LABEL, toBytes(*label)});
    }
    if (!id.empty()) {
        searchTemplate.push_back({CKA_ID, toBytes(id)});
    }
    const auto handles = findObjects(session, searchTemplate, 1);
    if (handles.empty()) {
        return std::nullopt;
    }
    return handles.front();
}

std::optional<PKCS11Module::ULong>
PKCS11Module::findPrivateKey(ULong session, const std::optional<std::string>& label)
{
    return findKey(session, CKO_PRIVATE_KEY, label);
}

std::optional<PKCS11Module::ULong>
PKCS11Module::findPublicKey(ULong session, const std::optional<std::string>& label)
{
    return findKey(session, CKO_PUBLIC_KEY, label);
}

Bytes PKCS11Module::readECPoint(ULong session, ULong publicKey)
{
    CK_ATTRIBUTE probe{CKA_EC_POINT, nullptr, 0};
    const CK_RV rv = m_fn->fnGetAttributeValue(session, publicKey, &probe, 1);
    checkRV(rv, "C_GetAttributeValue(probe EC_POINT)", m_logger);
    if (probe.ulValueLen == 0 || probe.ulValueLen == CK_UNAVAILABLE_INFORMATION) {
        raiseCkError("C_GetAttributeValue(probe EC_POINT)", 0, m_logger);
    }
    Bytes value(probe.ulValueLen);
    CK_ATTRIBUTE fetch{CKA_EC_POINT, value.data(), value.size()};
    checkRV(m_fn->fnGetAttributeValue(session, publicKey, &fetch, 1),
            "C_GetAttributeValue(EC_POINT)", m_logger);
    value.resize(std::min<std::size_t>(fetch.ulValueLen, value.size()));
    return unwrapOctetString(value);
}

Bytes PKCS11Module::signECDSA(ULong session, ULong privateKey, ByteView hash)
{
    CK_MECHANISM mechanism{CKM_ECDSA, nullptr, 0};
    checkRV(m_fn->fnSignInit(session, &mechanism, privateKey), "C_SignInit", m_logger);
    Bytes input = toBytes(hash);
    CK_ULONG length = 0;
    checkRV(m_fn->fnSign(session, input.data(), input.size(), nullptr, &length), "C_Sign(probe)",
            m_logger);
    Bytes signature(length);
    checkRV(m_fn->fnSign(session, input.data(), input.size(), signature.data(), &length), "C_Sign",
            m_logger);
    signature.resize(std::min<std::size_t>(length, signature.size()));
    return signature;
}

void PKCS11Module::initToken(ULong slotId, std::string_view soPIN, std::string_view label)
{
    std::array<CK_UTF8CHAR, 32> field;
    field.fill(' ');
    std::memcpy(field.data(), label.data(), std::min(label.size(), field.size()));
    CK_RV rv = 0;
    {
        Bytes pin = toBytes(soPIN);
        rv = m_fn->fnInitToken(slotId, pin.data(), pin.size(), field.data());
    }
    checkRV(rv, "C_InitToken", m_logger);
    m_logger.info("Token initialized (slot=" + std::to_string(slotId) +
                  ", label=" + std::string(label) + ")");
}

void PKCS11Module::initPIN(ULong session, std::string_view userPIN)
{
    CK_RV rv = 0;
    {
        Bytes pin = toBytes(userPIN);
        rv = m_fn->fnInitPIN(session, pin.data(), pin.size());
    }
    checkRV(rv, "C_InitPIN", m_logger);
    m_logger.info("User PIN initialized");
}

void PKCS11Module::setPIN(ULong session, std::string_view oldPIN, std::string_view newPIN)
{
    CK_RV rv = 0;
    {
        Bytes oldBuffer = toBytes(oldPIN);
        Bytes newBuffer = toBytes(newPIN);
        rv = m_fn->fnSetPIN(session, oldBuffer.data(), oldBuffer.size(), newBuffer.data(),
                            newBuffer.size());
    }
    checkRV(rv, "C_SetPIN", m_logger);
    m_logger.info("PIN changed");
}

} // namespace orvela::tokenkit
