#include "orvela/tokenkit/Digest.h"

#include <openssl/evp.h>

#include <stdexcept>

namespace orvela::tokenkit {

namespace {

Bytes digest(const EVP_MD* md, ByteView data)
{
    Bytes out(static_cast<std::size_t>(EVP_MD_get_size(md)));
    unsigned int length = 0;
    if (EVP_Digest(data.data(), data.size(), out.data(), &length, md, nullptr) != 1) {
        throw std::runtime_error("digest failed");
    }
    out.resize(length);
    return out;
}

} // namespace

Bytes sha256(ByteView data)
{
    return digest(EVP_sha256(), data);
}

Bytes sha1(ByteView data)
{
    return digest(EVP_sha1(), data);
}

} // namespace orvela::tokenkit
