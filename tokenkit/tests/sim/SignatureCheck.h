#pragma once

#include "orvela/tokenkit/Bytes.h"

#include <memory>
#include <openssl/evp.h>
#include <string>

namespace orvela::sim::test {

using tokenkit::Bytes;

struct PublicKeyFree {
    void operator()(EVP_PKEY* key) const noexcept { EVP_PKEY_free(key); }
};
using PublicKey = std::unique_ptr<EVP_PKEY, PublicKeyFree>;

/// A P-256 public key from its uncompressed point, or from PEM; null when it is not one.
PublicKey keyFromPoint(const Bytes& point);
PublicKey keyFromPem(const std::string& pem);

/// Checks a raw r‖s signature over the hash with OpenSSL.
bool verifies(const PublicKey& key, const Bytes& hash, const Bytes& raw);

} // namespace orvela::sim::test
