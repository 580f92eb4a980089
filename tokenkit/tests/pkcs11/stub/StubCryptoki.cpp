// A scripted Cryptoki library for the cases a real token cannot be made to show. The script
// (ORVELA_P11_STUB_SCRIPT) is read at C_Initialize; every call is appended to the log
// (ORVELA_P11_STUB_LOG), one line each, but for object searches and attribute reads. Script
// lines:
//   rv C_Login 0x100               every call of that function returns the value
//   slots 3 [1]                    slots with a token (default 1); the second number is what
//                                  the filling call finds, as when a token left in between
//   object class=2 label=L id=HEX keytype=3 ecpoint=HEX     class=none: class unreadable;
//                                  labelhex=HEX for any label bytes, labelsize=N for N of 'x'

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <p11-kit/pkcs11.h>
#include <sstream>
#include <string>
#include <vector>

#define STUB_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using Value = std::vector<unsigned char>;
/// An object is the attributes it has, each as the bytes C_GetAttributeValue gives out.
using StubObject = std::map<CK_ATTRIBUTE_TYPE, Value>;

struct Script {
    std::map<std::string, CK_RV> rv;
    CK_ULONG slots = 1;
    CK_ULONG slotsWhenFilling = 1;
    std::vector<StubObject> objects;
};

Script g_script;
std::vector<CK_OBJECT_HANDLE> g_found;

Value fromHex(const std::string& text)
{
    Value out;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        out.push_back(static_cast<unsigned char>(std::stoul(text.substr(i, 2), nullptr, 16)));
    }
    return out;
}

Value ulongValue(const std::string& text)
{
    const CK_ULONG value = std::stoul(text);
    const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
    return Value(bytes, bytes + sizeof value);
}

StubObject parseObject(std::istringstream& fields)
{
    static const std::map<std::string, CK_ATTRIBUTE_TYPE> hexFields{
        {"labelhex", CKA_LABEL}, {"id", CKA_ID}, {"ecpoint", CKA_EC_POINT}};
    StubObject object{{CKA_LABEL, {}}, {CKA_ID, {}}};
    for (std::string field; fields >> field;) {
        const auto eq = field.find('=');
        const std::string key = field.substr(0, eq);
        const std::string value = field.substr(eq + 1);
        if (hexFields.count(key) != 0) {
            object[hexFields.at(key)] = fromHex(value);
        } else if (key == "class" && value != "none") {
            object[CKA_CLASS] = ulongValue(value);
        } else if (key == "keytype") {
            object[CKA_KEY_TYPE] = ulongValue(value);
        } else if (key == "label") {
            object[CKA_LABEL] = Value(value.begin(), value.end());
        } else if (key == "labelsize") {
            object[CKA_LABEL] = Value(std::stoul(value), 'x');
        }
    }
    return object;
}

void loadScript()
{
    g_script = Script{};
    const char* path = std::getenv("ORVELA_P11_STUB_SCRIPT");
    std::ifstream in(path != nullptr ? path : "");
    for (std::string line; std::getline(in, line);) {
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

/// Logs the call and returns what the script says the function returns.
CK_RV called(const std::string& name, const std::string& detail = "")
{
    if (const char* path = std::getenv("ORVELA_P11_STUB_LOG")) {
        std::ofstream(path, std::ios::app) << name << detail << '\n';
    }
    const auto it = g_script.rv.find(name);
    return it == g_script.rv.end() ? CKR_OK : it->second;
}

bool matches(const StubObject& object, const CK_ATTRIBUTE& a)
{
    const auto found = object.find(a.type);
    const auto* bytes = static_cast<const unsigned char*>(a.pValue);
    return found != object.end() && found->second == Value(bytes, bytes + a.ulValueLen);
}

} // namespace

STUB_EXPORT CK_RV C_Initialize(void*)
{
    loadScript();
    return called("C_Initialize");
}

STUB_EXPORT CK_RV C_Finalize(void*)
{
    return called("C_Finalize");
}

STUB_EXPORT CK_RV C_GetSlotList(CK_BBOOL, CK_SLOT_ID* list, CK_ULONG* count)
{
    const CK_ULONG slots = list == nullptr ? g_script.slots : g_script.slotsWhenFilling;
    for (CK_ULONG i = 0; list != nullptr && i < slots && i < *count; ++i) {
        list[i] = 7 + i;
    }
    *count = slots;
    return called("C_GetSlotList", list == nullptr ? "(probe)" : "");
}

STUB_EXPORT CK_RV C_OpenSession(CK_SLOT_ID, CK_FLAGS, void*, CK_NOTIFY, CK_SESSION_HANDLE* session)
{
    *session = 42;
    return called("C_OpenSession");
}

STUB_EXPORT CK_RV C_CloseSession(CK_SESSION_HANDLE)
{
    return called("C_CloseSession");
}

STUB_EXPORT CK_RV C_Login(CK_SESSION_HANDLE, CK_USER_TYPE, CK_UTF8CHAR*, CK_ULONG)
{
    return called("C_Login");
}

STUB_EXPORT CK_RV C_Logout(CK_SESSION_HANDLE)
{
    return called("C_Logout");
}

STUB_EXPORT CK_RV C_FindObjectsInit(CK_SESSION_HANDLE, CK_ATTRIBUTE* templ, CK_ULONG count)
{
    g_found.clear();
    for (CK_OBJECT_HANDLE h = 1; h <= g_script.objects.size(); ++h) {
        const auto matchesObject = [&](const CK_ATTRIBUTE& a) {
            return matches(g_script.objects[h - 1], a);
        };
        if (std::all_of(templ, templ + count, matchesObject)) {
            g_found.push_back(h);
        }
    }
    return CKR_OK;
}

STUB_EXPORT CK_RV C_FindObjects(CK_SESSION_HANDLE, CK_OBJECT_HANDLE* out, CK_ULONG max,
                                CK_ULONG* count)
{
    for (*count = 0; *count < max && *count < g_found.size(); ++*count) {
        out[*count] = g_found[*count];
    }
    return CKR_OK;
}

STUB_EXPORT CK_RV C_FindObjectsFinal(CK_SESSION_HANDLE)
{
    return CKR_OK;
}

STUB_EXPORT CK_RV C_GetAttributeValue(CK_SESSION_HANDLE, CK_OBJECT_HANDLE handle,
                                      CK_ATTRIBUTE* templ, CK_ULONG count)
{
    if (handle < 1 || handle > g_script.objects.size()) {
        return CKR_OBJECT_HANDLE_INVALID;
    }
    const StubObject& object = g_script.objects[handle - 1];
    for (CK_ULONG i = 0; i < count; ++i) {
        CK_ATTRIBUTE& a = templ[i];
        const auto found = object.find(a.type);
        if (found == object.end()) {
            return CKR_ATTRIBUTE_TYPE_INVALID;
        }
        if (a.pValue != nullptr) {
            if (a.ulValueLen < found->second.size()) {
                return CKR_BUFFER_TOO_SMALL;
            }
            std::memcpy(a.pValue, found->second.data(), found->second.size());
        }
        a.ulValueLen = found->second.size();
    }
    return CKR_OK;
}

STUB_EXPORT CK_RV C_SignInit(CK_SESSION_HANDLE, CK_MECHANISM*, CK_OBJECT_HANDLE key)
{
    return called("C_SignInit", " key=" + std::to_string(key));
}

STUB_EXPORT CK_RV C_Sign(CK_SESSION_HANDLE, CK_BYTE*, CK_ULONG, CK_BYTE* out, CK_ULONG* outLength)
{
    if (out != nullptr) {
        std::memset(out, 0x5A, 64);
    }
    *outLength = 64;
    return called("C_Sign", out == nullptr ? "(probe)" : "");
}

STUB_EXPORT CK_RV C_InitToken(CK_SLOT_ID, CK_UTF8CHAR*, CK_ULONG, CK_UTF8CHAR* label)
{
    return called("C_InitToken",
                  " label=[" + std::string(reinterpret_cast<char*>(label), 32) + "]");
}

STUB_EXPORT CK_RV C_InitPIN(CK_SESSION_HANDLE, CK_UTF8CHAR*, CK_ULONG)
{
    return called("C_InitPIN");
}

#ifndef STUB_WITHOUT_SETPIN
STUB_EXPORT CK_RV C_SetPIN(CK_SESSION_HANDLE, CK_UTF8CHAR*, CK_ULONG, CK_UTF8CHAR*, CK_ULONG)
{
    return called("C_SetPIN");
}
#endif

STUB_EXPORT CK_RV C_GenerateKeyPair(CK_SESSION_HANDLE, CK_MECHANISM*, CK_ATTRIBUTE*, CK_ULONG,
                                    CK_ATTRIBUTE*, CK_ULONG, CK_OBJECT_HANDLE* publicKey,
                                    CK_OBJECT_HANDLE* privateKey)
{
    *publicKey = 100;
    *privateKey = 101;
    return called("C_GenerateKeyPair");
}

STUB_EXPORT CK_RV C_CreateObject(CK_SESSION_HANDLE, CK_ATTRIBUTE*, CK_ULONG,
                                 CK_OBJECT_HANDLE* handle)
{
    *handle = 200;
    return called("C_CreateObject");
}

#ifndef STUB_WITHOUT_DESTROY
STUB_EXPORT CK_RV C_DestroyObject(CK_SESSION_HANDLE, CK_OBJECT_HANDLE handle)
{
    return called("C_DestroyObject", " handle=" + std::to_string(handle));
}
#endif
