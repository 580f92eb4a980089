#include "orvela/tokenkit/APDUTransceiver.h"

#include "orvela/tokenkit/TokenError.h"

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
