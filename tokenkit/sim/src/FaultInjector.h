#pragma once

#include "orvela/sim/VirtualToken.h"

#include <optional>
#include <utility>

namespace orvela::sim {

/// Holds the one fault a test armed and hands it out to the next command.
class FaultInjector {
public:
    struct Armed {
        VirtualToken::Fault fault = VirtualToken::Fault::none;
        std::uint16_t statusWord = 0;
    };

    void arm(VirtualToken::Fault fault, std::uint16_t statusWord) { m_armed = {fault, statusWord}; }

    /// The armed fault, disarming it.
    Armed take() noexcept { return std::exchange(m_armed, Armed{}); }

    /// The canned answer of a fault that replaces the command's execution, if any.
    static std::optional<Bytes> cannedReply(const Armed& armed);

private:
    Armed m_armed;
};

} // namespace orvela::sim
