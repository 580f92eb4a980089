#pragma once

#include "orvela/tokenkit/Bytes.h"

#include <cstring>
#include <p11-kit/pkcs11.h>

namespace orvela::tokenkit {

/// A CK_ULONG attribute value as the library reads it: native width and byte order.
inline Bytes ulongBytes(CK_ULONG value)
{
    Bytes out(sizeof value);
    std::memcpy(out.data(), &value, sizeof value);
    return out;
}

/// A CK_BBOOL true.
inline Bytes trueByte()
{
    return Bytes{CK_TRUE};
}

} // namespace orvela::tokenkit
