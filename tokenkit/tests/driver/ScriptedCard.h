#pragma once

#include "orvela/tokenkit/SmartCard.h"

#include <deque>
#include <stdexcept>
#include <string>

namespace orvela::tokenkit::test {

/// The platform error a removed card raises in these tests; the driver must pass it on as is.
struct CardRemoved : std::runtime_error {
    CardRemoved() : std::runtime_error("card removed") {}
};

/// A card that expects an exact sequence of commands and answers each with a scripted reply.
/// Every mismatch, extra command or unconsumed step is a test failure.
class ScriptedCard final : public SmartCard {
public:
    explicit ScriptedCard(std::string atrHex = "3B00") : m_atr(hexToBytes(atrHex)) {}
    ~ScriptedCard() override;

    /// Expects the command (hex, spaces allowed) and answers with the reply (hex).
    ScriptedCard& expect(const std::string& commandHex, const std::string& replyHex);
    /// Expects the command, then fails as a pulled card does.
    ScriptedCard& expectThenRemove(const std::string& commandHex);

    Bytes transmit(ByteView command) override;
    Bytes atr() override { return m_atr; }

    std::size_t sent() const { return m_sent; }

private:
    struct Step {
        std::string command;
        std::string reply;
        bool remove = false;
    };
    Bytes m_atr;
    std::deque<Step> m_steps;
    std::size_t m_sent = 0;
};

} // namespace orvela::tokenkit::test
