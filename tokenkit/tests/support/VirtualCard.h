#pragma once

#include "orvela/sim/VirtualToken.h"
#include "orvela/tokenkit/SmartCard.h"
#include "orvela/tokenkit/TokenError.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

namespace orvela::tokenkit::test {

/// The platform error a pulled card raises in these tests; the kit must pass it on as is.
struct CardRemoved : std::runtime_error {
    CardRemoved() : std::runtime_error("card removed") {}
};

/// The token error the call raised, if any.
inline std::optional<TokenError> errorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const TokenError& e) {
        return e;
    }
    return std::nullopt;
}

/// A blank in-memory token's options in the given channel mode.
inline sim::VirtualToken::Options tokenOptions(sim::VirtualToken::Mode mode)
{
    sim::VirtualToken::Options options;
    options.mode = mode;
    return options;
}

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

    /// Changes every later reply before the caller sees it, as a faulty line or card would.
    using Tamper = std::function<void(ByteView command, Bytes& reply)>;
    void tamper(Tamper tamper) { m_tamper = std::move(tamper); }

    Bytes transmit(ByteView command) override;
    Bytes atr() override { return m_token.atr(); }

    const std::vector<Bytes>& sentCommands() const { return m_sent; }

private:
    sim::VirtualToken& m_token;
    std::vector<Bytes> m_sent;
    std::size_t m_removeAfter = SIZE_MAX;
    std::size_t m_refuseAfter = SIZE_MAX;
    std::uint16_t m_refusal = 0;
    Tamper m_tamper;
};

} // namespace orvela::tokenkit::test
