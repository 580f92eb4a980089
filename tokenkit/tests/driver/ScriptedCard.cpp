#include "ScriptedCard.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace orvela::tokenkit::test {

ScriptedCard::~ScriptedCard()
{
    EXPECT_TRUE(m_steps.empty()) << m_steps.size() << " scripted commands never sent, next "
                                 << (m_steps.empty() ? "" : m_steps.front().command);
}

ScriptedCard& ScriptedCard::expect(const std::string& commandHex, const std::string& replyHex)
{
    m_steps.push_back({bytesToHex(hexToBytes(commandHex)), replyHex});
    return *this;
}

Bytes ScriptedCard::transmit(ByteView command)
{
    ++m_sent;
    const std::string sentHex = bytesToHex(command);
    if (m_steps.empty()) {
        ADD_FAILURE() << "unexpected command " << sentHex;
        throw std::runtime_error("unexpected command");
    }
    const Step step = m_steps.front();
    m_steps.pop_front();
    EXPECT_EQ(sentHex, step.command) << "command #" << m_sent;
    return hexToBytes(step.reply);
}

} // namespace orvela::tokenkit::test
