// A scripted Cryptoki library for the cases a real token cannot be made to show. The script
// (ORVELA_P11_STUB_SCRIPT) is read at C_Initialize; every call is appended to the log
// (ORVELA_P11_STUB_LOG), one line each. Script lines:
//   rv C_Login 0x100               every call of that function returns the value
//   slots 3 [1]                    slots with a token (default 1); the second number is what
//                                  the filling call finds, as when a token left in between
//   object class=2 label=L id=HEX keytype=3 ecpoint=HEX     class=none: class unreadable;
//                                  labelhex=HEX for any label bytes, labelsize=N for N of 'x'

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <p11-kit/pkcs11.h>
#include <sstream>
#include <string>
#include <vector>

#define STUB_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct StubObject {
    std::optional<CK_ULONG> objectClass;
    std::optional<CK_ULONG> keyType;
    std::string label;
    std::vector<unsigned char> id;
    std::vector<unsigned char> ecPoint;
};

struct Script {
    std::map<std::string, CK_RV> rv;
    CK_ULONG slots = 1;
    CK_ULONG slotsWhenFilling = 1;
    std::vector<StubObject> objects;
};

Script g_script;
std::vector<CK_OBJECT_HANDLE> g_found;

std::vector<unsigned char> fromHex(const std::string& text)
{
    std::vector<unsigned char> out;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        out.push_back(static_cast<unsigned char>(std::stoul(text.substr(i, 2), nullptr, 16)));
    }
    return out;
}

void record(const std::string& line)
{
    if (const char* path = std::getenv("ORVELA_P11_STUB_LOG")) {
        std::ofstream(path, std::ios::app) << line << '\n';
    }
}

StubObject parseObject(std::istringstream& fields)
{
    StubObject object;
    std::string field;
    while (fields >> field) {
        const auto eq = field.find('=');
        const std::string key = field.substr(0, eq);
        const std::string value = field.substr(eq + 1);
        if (key == "class" && value != "none") {
            object.objectClass = std::stoul(value);
        } else if (key == "keytype") {
            object.keyType = std::stoul(value);
        } else if (key == "label") {
            object.label = value;
        } else if (key == "labelhex") {
            const auto bytes = fromHex(value);
            object.label.assign(bytes.begin(), bytes.end());
        } else if (key == "labelsize") {
            object.label.assign(std::stoul(value), 'x');
        } else if (key == "id") {
            object.id = fromHex(value);
        } else if (key == "ecpoint") {
            object.ecPoint = fromHex(value);
        }
    }
    return object;
}

void loadScript()
{
    g_script = Script{};
    const char* path = std::getenv("ORVELA_P11_STUB_SCRIPT");
    if (path == nullptr) {
        return;
    }
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string word;
        fields >> word;
        if (word == "rv") {
            std::string name, value;
            fields >> name >> value;
            g_script.rv[name] = std::stoul(value, nullptr, 16);
        } else if (word == "slots") {
            fields >> g_script.slots;
            CK_ULONG filling = 0;
            g_script.slotsWhenFilling = fields >> filling ? filling : g_script.slots;
        } else if (word == "object") {
            g_script.objects.push_back(parseObject(fields));
        }
    }
}

CK_RV scripted(const std::string& name)
{
    const auto it = g_script.rv.find(name);
    return it == g_script.rv.end() ? CKR_OK : it->second;
}

const StubObject* objectAt(CK_OBJECT_HANDLE handle)
{
    return handle >= 1 && handle <= g_script.objects.size() ? &g_script.objects[handle - 1]
                                                            : nullptr;
}

bool matches(const StubObject& object, const CK_ATTRIBUTE& a)
{
    const auto* bytes = static_cast<const unsigned char*>(a.pValue);
    switch (a.type) {
    case CKA_CLASS:
        return object.objectClass && a.ulValueLen == sizeof(CK_ULONG) &&
               std::memcmp(a.pValue, &*object.objectClass, sizeof(CK_ULONG)) == 0;
    case CKA_LABEL:
        return std::string(reinterpret_cast<const char*>(bytes), a.ulValueLen) == object.label;
    case CKA_ID:
        return std::vector<unsigned char>(bytes, bytes + a.ulValueLen) == object.id;
    default:
        return false;
    }
}

CK_RV copyOut(CK_ATTRIBUTE& a, const void* value, CK_ULONG length)
{
    if (a.pValue != nullptr) {
        if (a.ulValueLen < length) {
            return CKR_BUFFER_TOO_SMALL;
        }
        std::memcpy(a.pValue, value, length);
    }
    a.ulValueLen = length;
    return CKR_OK;
}

} // namespace

STUB_EXPORT CK_RV C_Initialize(void*)
{
    loadScript();
    record("C_Initialize");
    return scripted("C_Initialize");
}

STUB_EXPORT CK_RV C_Finalize(void*)
{
    record("C_Finalize");
    return scripted("C_Finalize");
}

STUB_EXPORT CK_RV C_GetSlotList(CK_BBOOL, CK_SLOT_ID* list, CK_ULONG* count)
{
    record(list == nullptr ? "C_GetSlotList(probe)" : "C_GetSlotList");
    const CK_ULONG slots = list == nullptr ? g_script.slots : g_script.slotsWhenFilling;
    if (list != nullptr) {
        for (CK_ULONG i = 0; i < slots && i < *count; ++i) {
            list[i] = 7 + i;
        }
    }
    *count = slots;
    return scripted("C_GetSlotList");
}

STUB_EXPORT CK_RV C_OpenSession(CK_SLOT_ID slot, CK_FLAGS flags, void*, CK_NOTIFY,
                                CK_SESSION_HANDLE* session)
{
    record("C_OpenSession slot=" + std::to_string(slot) + " flags=" + std::to_string(flags));
    *session = 42;
    return scripted("C_OpenSession");
}

STUB_EXPORT CK_RV C_CloseSession(CK_SESSION_HANDLE)
{
    record("C_CloseSession");
    return scripted("C_CloseSession");
}

STUB_EXPORT CK_RV C_Login(CK_SESSION_HANDLE, CK_USER_TYPE type, CK_UTF8CHAR*, CK_ULONG)
{
    record("C_Login type=" + std::to_string(type));
    return scripted("C_Login");
}

STUB_EXPORT CK_RV C_Logout(CK_SESSION_HANDLE)
{
    record("C_Logout");
    return scripted("C_Logout");
}

STUB_EXPORT CK_RV C_FindObjectsInit(CK_SESSION_HANDLE, CK_ATTRIBUTE* templ, CK_ULONG count)
{
    record("C_FindObjectsInit");
    g_found.clear();
    for (CK_OBJECT_HANDLE h = 1; h <= g_script.objects.size(); ++h) {
        bool all = true;
        for (CK_ULONG i = 0; i < count; ++i) {
            all = all && matches(g_script.objects[h - 1], templ[i]);
        }
        if (all) {
            g_found.push_back(h);
        }
    }
    return scripted("C_FindObjectsInit");
}

STUB_EXPORT CK_RV C_FindObjects(CK_SESSION_HANDLE, CK_OBJECT_HANDLE* out, CK_ULONG max,
                                CK_ULONG* count)
{
    record("C_FindObjects");
    *count = 0;
    for (; *count < max && *count < g_found.size(); ++*count) {
        out[*count] = g_found[*count];
    }
    return scripted("C_FindObjects");
}

STUB_EXPORT CK_RV C_FindObjectsFinal(CK_SESSION_HANDLE)
{
    record("C_FindObjectsFinal");
    return scripted("C_FindObjectsFinal");
}

STUB_EXPORT CK_RV C_GetAttributeValue(CK_SESSION_HANDLE, CK_OBJECT_HANDLE handle,
                                      CK_ATTRIBUTE* templ, CK_ULONG count)
{
    record("C_GetAttributeValue");
    const StubObject* object = objectAt(handle);
    if (object == nullptr) {
        return CKR_OBJECT_HANDLE_INVALID;
    }
    for (CK_ULONG i = 0; i < count; ++i) {
        CK_ATTRIBUTE& a = templ[i];
        CK_RV rv = CKR_ATTRIBUTE_TYPE_INVALID;
        if (a.type == CKA_CLASS && object->objectClass) {
            rv = copyOut(a, &*object->objectClass, sizeof(CK_ULONG));
        } else if (a.type == CKA_KEY_TYPE && object->keyType) {
            rv = copyOut(a, &*object->keyType, sizeof(CK_ULONG));
        } else if (a.type == CKA_LABEL) {
            rv = copyOut(a, object->label.data(), object->label.size());
        } else if (a.type == CKA_ID) {
            rv = copyOut(a, object->id.data(), object->id.size());
        } else if (a.type == CKA_EC_POINT && !object->ecPoint.empty()) {
            rv = copyOut(a, object->ecPoint.data(), object->ecPoint.size());
        }
        if (rv != CKR_OK) {
            return rv;
        }
    }
    return CKR_OK;
}

STUB_EXPORT CK_RV C_SignInit(CK_SESSION_HANDLE, CK_MECHANISM* mechanism, CK_OBJECT_HANDLE key)
{
    record("C_SignInit mechanism=" + std::to_string(mechanism->mechanism) +
           " key=" + std::to_string(key));
    return scripted("C_SignInit");
}

STUB_EXPORT CK_RV C_Sign(CK_SESSION_HANDLE, CK_BYTE*, CK_ULONG length, CK_BYTE* out,
                         CK_ULONG* outLength)
{
    record((out == nullptr ? "C_Sign(probe) length=" : "C_Sign length=") + std::to_string(length));
    if (out != nullptr) {
        std::memset(out, 0x5A, 64);
    }
    *outLength = 64;
    return scripted("C_Sign");
}

STUB_EXPORT CK_RV C_InitToken(CK_SLOT_ID, CK_UTF8CHAR*, CK_ULONG, CK_UTF8CHAR* label)
{
    record("C_InitToken label=[" + std::string(reinterpret_cast<char*>(label), 32) + "]");
    return scripted("C_InitToken");
}

STUB_EXPORT CK_RV C_InitPIN(CK_SESSION_HANDLE, CK_UTF8CHAR*, CK_ULONG)
{
    record("C_InitPIN");
    return scripted("C_InitPIN");
}

#ifndef STUB_WITHOUT_SETPIN
STUB_EXPORT CK_RV C_SetPIN(CK_SESSION_HANDLE, CK_UTF8CHAR*, CK_ULONG, CK_UTF8CHAR*, CK_ULONG)
{
    record("C_SetPIN");
    return scripted("C_SetPIN");
}
#endif

STUB_EXPORT CK_RV C_GenerateKeyPair(CK_SESSION_HANDLE, CK_MECHANISM*, CK_ATTRIBUTE*,
                                    CK_ULONG publicCount, CK_ATTRIBUTE*, CK_ULONG privateCount,
                                    CK_OBJECT_HANDLE* publicKey, CK_OBJECT_HANDLE* privateKey)
{
    record("C_GenerateKeyPair public=" + std::to_string(publicCount) +
           " private=" + std::to_string(privateCount));
    *publicKey = 100;
    *privateKey = 101;
    return scripted("C_GenerateKeyPair");
}

STUB_EXPORT CK_RV C_CreateObject(CK_SESSION_HANDLE, CK_ATTRIBUTE*, CK_ULONG count,
                                 CK_OBJECT_HANDLE* handle)
{
    record("C_CreateObject count=" + std::to_string(count));
    *handle = 200;
    return scripted("C_CreateObject");
}

#ifndef STUB_WITHOUT_DESTROY
STUB_EXPORT CK_RV C_DestroyObject(CK_SESSION_HANDLE, CK_OBJECT_HANDLE handle)
{
    record("C_DestroyObject handle=" + std::to_string(handle));
    return scripted("C_DestroyObject");
}
#endif
