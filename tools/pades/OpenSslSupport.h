#pragma once

// Internal helpers of the signer: owning pointers for OpenSSL objects and one way to fail.

#include "Pades.h"

#include <memory>
#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/x509.h>
#include <string>

namespace orvela::pades::detail {

template <auto Free> struct Deleter {
    template <typename T> void operator()(T* p) const { Free(p); }
};
template <typename T, auto Free> using Owned = std::unique_ptr<T, Deleter<Free>>;

using BioPtr = Owned<BIO, BIO_free_all>;
using CmsPtr = Owned<CMS_ContentInfo, CMS_ContentInfo_free>;
using X509Ptr = Owned<X509, X509_free>;

/// Throws PadesError with `what` and the oldest OpenSSL error queued, clearing the queue.
[[noreturn]] inline void fail(const std::string& what)
{
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0) {
        throw PadesError(what);
    }
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    throw PadesError(what + ": " + text);
}

/// `value` when it is not null, otherwise fail(what).
template <typename T> T* check(T* value, const std::string& what)
{
    if (value == nullptr) {
        fail(what);
    }
    return value;
}

inline void check(int result, const std::string& what)
{
    if (result <= 0) {
        fail(what);
    }
}

/// The bytes a memory BIO holds.
inline std::string bioBytes(BIO* bio)
{
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return std::string(data, static_cast<std::size_t>(size));
}

inline std::string sha256(const std::string& bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    check(EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_sha256(), nullptr), "digest");
    return std::string(reinterpret_cast<const char*>(digest), size);
}

} // namespace orvela::pades::detail
