#pragma once

#include "orvela/sim/VirtualToken.h"
#include "orvela/tokenkit/SmartCard.h"

#include <functional>
#include <vector>

namespace orvela::tokenkit::test {

/// One card session on an in-process virtual token. Ending the session (destruction) resets
/// the token, as a real card forgets its channel and selections. Records every command sent.
class VirtualCard final : public SmartCard {
public:
    explicit VirtualCard(sim::VirtualToken& token) : m_token(token) {}
    ~VirtualCard() override { m_token.reset(); }
    VirtualCard(const VirtualCard&) = delete;
    VirtualCard& operator=(const VirtualCard&) = delete;

    /// The card is pulled out after this many more commands have been answered.
    void removeAfter(std::size_t commands) { m_removeAfter = commands; }

    /// The token answers the command after `commands` more with the status word alone.
    void refuseAfter(std::size_t commands, std::uint16_t statusWord)
    {
        m_refuseAfter = commands;
        m_refusal = statusWord;
    }

    /// Changes the next reply before the driver sees it, as a faulty line or card would.
    void tamperNextReply(std::function<void(Bytes&)> tamper) { m_tamper = std::move(tamper); }

    Bytes transmit(ByteView command) override;
    Bytes atr() override { return m_token.atr(); }

    const std::vector<Bytes>& sentCommands() const { return m_sent; }

private:
    sim::VirtualToken& m_token;
    std::vector<Bytes> m_sent;
    std::size_t m_removeAfter = SIZE_MAX;
    std::function<void(Bytes&)> m_tamper;
    std::size_t m_refuseAfter = SIZE_MAX;
    std::uint16_t m_refusal = 0;
};

} // namespace orvela::tokenkit::test
