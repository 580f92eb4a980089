#include "orvela/tokenkit/APDUTransceiver.h"

#include "orvela/tokenkit/TokenError.h"

#include <atomic>

namespace orvela::tokenkit {

SmartCard::SmartCard() noexcept
{
    static std::atomic<std::uint64_t> next{1};
    m_identity = next.fetch_add(1, std::memory_order_relaxed);
}

} // namespace orvela::tokenkit

namespace orvela::tokenkit::APDUTransceiver {

APDUResponse transmit(const APDUCommand& command, SmartCard& card)
{
    const Bytes reply = card.transmit(command.buildBuffer());
    return APDUResponse::fromFullData(reply);
}

APDUResponse transmit(std::string_view hex, SmartCard& card)
{
    const Bytes bytes = hexToBytes(hex);
    if (bytes.empty()) {
        throw TokenError::invalidAPDU();
    }
    const Bytes reply = card.transmit(bytes);
    return APDUResponse::fromFullData(reply);
}

} // namespace orvela::tokenkit::APDUTransceiver
