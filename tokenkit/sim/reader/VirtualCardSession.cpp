#include "VirtualCardSession.h"

#include "orvela/tokenkit/PcscError.h"

namespace orvela::sim {

using tokenkit::PcscError;

VirtualCardSession::VirtualCardSession(std::shared_ptr<VirtualReaderBackend::Shared> shared,
                                       std::size_t slot, std::shared_ptr<VirtualToken> token,
                                       Bytes atr)
    : m_shared(std::move(shared)), m_slot(slot), m_token(std::move(token)), m_atr(std::move(atr))
{}

VirtualCardSession::~VirtualCardSession()
{
    std::lock_guard lock(m_shared->mutex);
    m_token->reset();
    m_shared->slots[m_slot].inSession = false;
}

Bytes VirtualCardSession::transmit(ByteView command)
{
    std::lock_guard lock(m_shared->mutex);
    const auto& slot = m_shared->slots[m_slot];
    const bool sameCard = slot.token == m_token && m_token->isPresent();
    if (!sameCard) {
        m_cardLost = true;
        throw PcscError(PcscError::removedCard, "SCardTransmit");
    }
    if (m_cardLost) {
        // Back in the reader, but powered up afresh: this session's state is gone.
        throw PcscError(PcscError::resetCard, "SCardTransmit");
    }
    return m_token->process(command);
}

} // namespace orvela::sim
