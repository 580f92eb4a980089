#pragma once

#include "orvela/tokenkit/Bytes.h"

namespace orvela::tokenkit {

/// SHA-256 of the bytes (32 bytes).
Bytes sha256(ByteView data);

/// SHA-1 of the bytes (20 bytes); the token stores PIN secrets in this form.
Bytes sha1(ByteView data);

} // namespace orvela::tokenkit
