#include "KeyStore.h"

#include <openssl/bio.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

namespace orvela::sim {

namespace {

constexpr std::size_t kCoordinateLength = 32;

using PkeyCtx = std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)>;
using Signature = std::unique_ptr<ECDSA_SIG, decltype(&ECDSA_SIG_free)>;
using Bio = std::unique_ptr<BIO, decltype(&BIO_free)>;

bool isP256(const EVP_PKEY* key)
{
    char name[32] = {};
    return EVP_PKEY_is_a(key, "EC") &&
           EVP_PKEY_get_utf8_string_param(key, OSSL_PKEY_PARAM_GROUP_NAME, name, sizeof name,
                                          nullptr) == 1 &&
           std::string(name) == "prime256v1";
}

std::optional<Bytes> rawSignature(const Bytes& der)
{
    const unsigned char* p = der.data();
    Signature sig(d2i_ECDSA_SIG(nullptr, &p, static_cast<long>(der.size())), &ECDSA_SIG_free);
    if (!sig) {
        return std::nullopt;
    }
    Bytes raw(2 * kCoordinateLength);
    const bool ok = BN_bn2binpad(ECDSA_SIG_get0_r(sig.get()), raw.data(),
                                 static_cast<int>(kCoordinateLength)) > 0 &&
                    BN_bn2binpad(ECDSA_SIG_get0_s(sig.get()), raw.data() + kCoordinateLength,
                                 static_cast<int>(kCoordinateLength)) > 0;
    return ok ? std::optional<Bytes>(std::move(raw)) : std::nullopt;
}

} // namespace

void KeyStore::KeyFree::operator()(evp_pkey_st* key) const noexcept
{
    EVP_PKEY_free(key);
}

KeyStore::KeyStore() = default;
KeyStore::~KeyStore() = default;
KeyStore::KeyStore(KeyStore&&) noexcept = default;
KeyStore& KeyStore::operator=(KeyStore&&) noexcept = default;

bool KeyStore::generate(std::uint8_t keyId)
{
    Key key(EVP_EC_gen("P-256"));
    if (!key) {
        return false;
    }
    m_keys[keyId] = std::move(key);
    return true;
}

bool KeyStore::contains(std::uint8_t keyId) const
{
    return m_keys.count(keyId) != 0;
}

void KeyStore::erase()
{
    m_keys.clear();
}

const evp_pkey_st* KeyStore::find(std::uint8_t keyId) const
{
    const auto it = m_keys.find(keyId);
    return it == m_keys.end() ? nullptr : it->second.get();
}

std::optional<Bytes> KeyStore::sign(std::uint8_t keyId, ByteView hash) const
{
    const EVP_PKEY* key = find(keyId);
    if (!key || hash.empty()) {
        return std::nullopt;
    }
    PkeyCtx ctx(EVP_PKEY_CTX_new(const_cast<EVP_PKEY*>(key), nullptr), &EVP_PKEY_CTX_free);
    std::size_t length = 0;
    if (!ctx || EVP_PKEY_sign_init(ctx.get()) != 1 ||
        EVP_PKEY_sign(ctx.get(), nullptr, &length, hash.data(), hash.size()) != 1) {
        return std::nullopt;
    }
    Bytes der(length);
    if (EVP_PKEY_sign(ctx.get(), der.data(), &length, hash.data(), hash.size()) != 1) {
        return std::nullopt;
    }
    der.resize(length);
    return rawSignature(der);
}

std::optional<Bytes> KeyStore::publicPoint(std::uint8_t keyId) const
{
    const EVP_PKEY* key = find(keyId);
    Bytes point(2 * kCoordinateLength + 1);
    std::size_t length = 0;
    if (!key || EVP_PKEY_get_octet_string_param(key, OSSL_PKEY_PARAM_PUB_KEY, point.data(),
                                                point.size(), &length) != 1) {
        return std::nullopt;
    }
    point.resize(length);
    return point;
}

std::optional<std::string> KeyStore::publicPem(std::uint8_t keyId) const
{
    const EVP_PKEY* key = find(keyId);
    Bio bio(BIO_new(BIO_s_mem()), &BIO_free);
    if (!key || !bio || PEM_write_bio_PUBKEY(bio.get(), key) != 1) {
        return std::nullopt;
    }
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(length));
}

std::map<std::uint8_t, Bytes> KeyStore::exportPrivate() const
{
    std::map<std::uint8_t, Bytes> out;
    for (const auto& [id, key] : m_keys) {
        unsigned char* der = nullptr;
        const int length = i2d_PrivateKey(key.get(), &der);
        if (length > 0) {
            out[id] = Bytes(der, der + length);
            OPENSSL_clear_free(der, static_cast<std::size_t>(length));
        }
    }
    return out;
}

bool KeyStore::importPrivate(std::uint8_t keyId, ByteView der)
{
    const unsigned char* p = der.data();
    Key key(d2i_AutoPrivateKey(nullptr, &p, static_cast<long>(der.size())));
    if (!key || !isP256(key.get())) {
        return false;
    }
    m_keys[keyId] = std::move(key);
    return true;
}

} // namespace orvela::sim
