#include "FaultInjector.h"

namespace orvela::sim {

std::optional<Bytes> FaultInjector::cannedReply(const Armed& armed)
{
    switch (armed.fault) {
    case VirtualToken::Fault::statusWord:
        return Bytes{static_cast<std::uint8_t>(armed.statusWord >> 8),
                     static_cast<std::uint8_t>(armed.statusWord & 0xFF)};
    case VirtualToken::Fault::shortReply:
        // The first half of a success status, as a reader that lost the rest would deliver it.
        return Bytes{0x90};
    case VirtualToken::Fault::none:
    case VirtualToken::Fault::corruptedMac:
        break;
    }
    return std::nullopt;
}

} // namespace orvela::sim
