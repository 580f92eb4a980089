#pragma once

#include "orvela/tokenkit/Bytes.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

struct evp_pkey_st;

namespace orvela::sim {

using tokenkit::Bytes;
using tokenkit::ByteView;

/// On-card P-256 key pairs made with OpenSSL. Signing and the public half are all the card
/// gives out; the private half leaves only as saved state of the test token.
class KeyStore {
public:
    KeyStore();
    ~KeyStore();
    KeyStore(KeyStore&&) noexcept;
    KeyStore& operator=(KeyStore&&) noexcept;

    /// Makes a new key pair under the id, replacing any older one. False when OpenSSL failed.
    bool generate(std::uint8_t keyId);
    bool contains(std::uint8_t keyId) const;
    void erase();

    /// ECDSA over the given hash as raw r‖s (64 bytes); nullopt without the key or on failure.
    std::optional<Bytes> sign(std::uint8_t keyId, ByteView hash) const;

    /// Uncompressed public point, 65 bytes.
    std::optional<Bytes> publicPoint(std::uint8_t keyId) const;
    /// SubjectPublicKeyInfo in PEM.
    std::optional<std::string> publicPem(std::uint8_t keyId) const;

    /// Private key as DER, for the saved state only.
    std::map<std::uint8_t, Bytes> exportPrivate() const;
    bool importPrivate(std::uint8_t keyId, ByteView der);

private:
    struct KeyFree {
        void operator()(evp_pkey_st* key) const noexcept;
    };
    using Key = std::unique_ptr<evp_pkey_st, KeyFree>;

    const evp_pkey_st* find(std::uint8_t keyId) const;

    std::map<std::uint8_t, Key> m_keys;
};

} // namespace orvela::sim
