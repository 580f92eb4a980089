// Cost of one self-contained token signature (initialise, slot, session, login, find, sign,
// logout, close, finalise) through PKCS11Module, against a harness making the same Cryptoki
// calls directly. Run: tokenkit-pkcs11-bench (needs SoftHSM2).

#include "SoftHsmToken.h"
#include "orvela/tokenkit/PKCS11Module.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <dlfcn.h>
#include <memory>
#include <p11-kit/pkcs11.h>
#include <stdexcept>

namespace {

using orvela::tokenkit::Bytes;
using orvela::tokenkit::PKCS11Module;

constexpr const char* kUserPin = "123456";
const Bytes kHash(32, 0x42);

/// One provisioned SoftHSM2 token shared by both benchmarks.
orvela::testing::SoftHsmToken& token()
{
    static auto* shared = [] {
        auto* t = new orvela::testing::SoftHsmToken();
        PKCS11Module::open(std::string(orvela::testing::kSoftHsmLibrary))
            ->fullProvision("12345678", kUserPin, "Orvela", "orvela-sign", Bytes{0x01});
        return t;
    }();
    return *shared;
}

void check(CK_RV rv, const char* what)
{
    if (rv != CKR_OK && rv != CKR_CRYPTOKI_ALREADY_INITIALIZED &&
        rv != CKR_USER_ALREADY_LOGGED_IN) {
        throw std::runtime_error(what);
    }
}

/// The floor: the same calls, in the same order, straight into the library.
class DirectSigner {
public:
    DirectSigner() : m_handle(::dlopen(orvela::testing::kSoftHsmLibrary, RTLD_NOW | RTLD_LOCAL))
    {
        auto getList =
            reinterpret_cast<CK_C_GetFunctionList>(::dlsym(m_handle, "C_GetFunctionList"));
        check(getList(&m_fn), "C_GetFunctionList");
    }
    ~DirectSigner() { ::dlclose(m_handle); }

    std::size_t sign()
    {
        check(m_fn->C_Initialize(nullptr), "C_Initialize");
        CK_ULONG count = 0;
        check(m_fn->C_GetSlotList(CK_TRUE, nullptr, &count), "C_GetSlotList");
        std::vector<CK_SLOT_ID> slots(count);
        check(m_fn->C_GetSlotList(CK_TRUE, slots.data(), &count), "C_GetSlotList");
        CK_SESSION_HANDLE session = 0;
        check(m_fn->C_OpenSession(slots.front(), CKF_SERIAL_SESSION, nullptr, nullptr, &session),
              "C_OpenSession");
        Bytes pin(kUserPin, kUserPin + std::strlen(kUserPin));
        check(m_fn->C_Login(session, CKU_USER, pin.data(), pin.size()), "C_Login");
        CK_OBJECT_CLASS keyClass = CKO_PRIVATE_KEY;
        char label[] = "orvela-sign";
        CK_ATTRIBUTE search[] = {{CKA_CLASS, &keyClass, sizeof keyClass},
                                 {CKA_LABEL, label, sizeof label - 1}};
        check(m_fn->C_FindObjectsInit(session, search, 2), "C_FindObjectsInit");
        CK_OBJECT_HANDLE key = 0;
        CK_ULONG found = 0;
        check(m_fn->C_FindObjects(session, &key, 1, &found), "C_FindObjects");
        m_fn->C_FindObjectsFinal(session);
        CK_MECHANISM mechanism{CKM_ECDSA, nullptr, 0};
        check(m_fn->C_SignInit(session, &mechanism, key), "C_SignInit");
        Bytes hash = kHash;
        CK_ULONG length = 0;
        check(m_fn->C_Sign(session, hash.data(), hash.size(), nullptr, &length), "C_Sign");
        Bytes signature(length);
        check(m_fn->C_Sign(session, hash.data(), hash.size(), signature.data(), &length), "C_Sign");
        m_fn->C_Logout(session);
        m_fn->C_CloseSession(session);
        m_fn->C_Finalize(nullptr);
        return length;
    }

private:
    void* m_handle;
    CK_FUNCTION_LIST* m_fn = nullptr;
};

void BM_DirectCryptokiFloor(benchmark::State& state)
{
    token();
    DirectSigner signer;
    for (auto _ : state) {
        benchmark::DoNotOptimize(signer.sign());
    }
}

void BM_ModuleSignECDSA(benchmark::State& state)
{
    token();
    auto module = PKCS11Module::open(std::string(orvela::testing::kSoftHsmLibrary));
    const std::optional<std::string> label("orvela-sign");
    for (auto _ : state) {
        benchmark::DoNotOptimize(module->signECDSA(kUserPin, label, kHash));
    }
}

// Interleaved repetitions so that drift on a shared machine hits both alike.
BENCHMARK(BM_DirectCryptokiFloor)->Unit(benchmark::kMicrosecond)->Repetitions(5);
BENCHMARK(BM_ModuleSignECDSA)->Unit(benchmark::kMicrosecond)->Repetitions(5);

} // namespace

BENCHMARK_MAIN();
