#pragma once

#include "orvela/tokenkit/Bytes.h"

namespace orvela::tokenkit {

/// The 16-byte static key used as both secure-channel keys of the supported token, and
/// installed as both transport keys when a token is provisioned. A deployment whose tokens use
/// another key sets ORVELA_TRANSPORT_KEY to its 32 hex digits, or calls setDefaultTransportKey
/// before the first card operation.
Bytes defaultTransportKey();

/// Replaces the key for this process. Throws TokenError::secureMessagingFailed unless the key
/// has exactly 16 bytes.
void setDefaultTransportKey(ByteView key);

} // namespace orvela::tokenkit
