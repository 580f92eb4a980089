#include "orvela/tokenkit/TransportKey.h"

#include "orvela/tokenkit/Log.h"
#include "orvela/tokenkit/TokenError.h"

#include <cstdlib>
#include <mutex>

namespace orvela::tokenkit {

namespace {

constexpr std::size_t kKeyLength = 16;

// The factory transport key of the tokens this product ships with.
Bytes factoryKey()
{
    return hexToBytes("404142434445464748494A4B4C4D4E4F");
}

Bytes initialKey()
{
    if (const char* env = std::getenv("ORVELA_TRANSPORT_KEY")) {
        Bytes key = hexToBytes(env);
        if (key.size() == kKeyLength) {
            return key;
        }
        Logger("TransportKey").error("ORVELA_TRANSPORT_KEY is not 32 hex digits; ignored");
    }
    return factoryKey();
}

struct KeyHolder {
    std::mutex mutex;
    Bytes key = initialKey();
};

KeyHolder& holder()
{
    static KeyHolder instance;
    return instance;
}

} // namespace

Bytes defaultTransportKey()
{
    auto& h = holder();
    std::lock_guard lock(h.mutex);
    return h.key;
}

void setDefaultTransportKey(ByteView key)
{
    if (key.size() != kKeyLength) {
        throw TokenError::secureMessagingFailed();
    }
    auto& h = holder();
    std::lock_guard lock(h.mutex);
    h.key = toBytes(key);
}

} // namespace orvela::tokenkit
