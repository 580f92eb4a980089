#pragma once

#include "orvela/tokenkit/SmartCard.h"

#include <deque>
#include <string>

namespace orvela::tokenkit::test {

/// A card that expects an exact sequence of commands and answers each with a scripted reply.
/// Every mismatch, extra command or unconsumed step is a test failure.
class ScriptedCard final : public SmartCard {
public:
    explicit ScriptedCard(std::string atrHex = "3B00") : m_atr(hexToBytes(atrHex)) {}
    ~ScriptedCard() override;

    /// Expects the command (hex, spaces allowed) and answers with the reply (hex).
    ScriptedCard& expect(const std::string& commandHex, const std::string& replyHex);

    Bytes transmit(ByteView command) override;
    Bytes atr() override { return m_atr; }

    std::size_t sent() const { return m_sent; }

private:
    struct Step {
        std::string command;
        std::string reply;
    };
    Bytes m_atr;
    std::deque<Step> m_steps;
    std::size_t m_sent = 0;
};

} // namespace orvela::tokenkit::test
