#include "VirtualCard.h"

namespace orvela::tokenkit::test {

Bytes VirtualCard::transmit(ByteView command)
{
    if (m_removeAfter == 0) {
        m_token.setPresent(false);
    }
    if (!m_token.isPresent()) {
        throw CardRemoved();
    }
    --m_removeAfter;
    if (m_refuseAfter-- == 0) {
        m_token.armFault(sim::VirtualToken::Fault::statusWord, m_refusal);
    }
    m_sent.push_back(toBytes(command));
    Bytes reply = m_token.process(command);
    if (m_tamper) {
        m_tamper(command, reply);
    }
    return reply;
}

} // namespace orvela::tokenkit::test
