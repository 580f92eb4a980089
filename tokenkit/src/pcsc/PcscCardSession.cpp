#include "PcscCardSession.h"

#include "PcscCheck.h"

namespace orvela::tokenkit::pcsc {

namespace {

// Short APDUs only: 256 data bytes and the status word fit with room to spare.
constexpr DWORD kReplyCapacity = 1024;

} // namespace

PcscCardSession::PcscCardSession(const std::string& readerName)
{
    check(SCardConnect(m_context.handle(), readerName.c_str(), SCARD_SHARE_EXCLUSIVE,
                       SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &m_card, &m_protocol),
          "SCardConnect", Step::opening);
    try {
        readAtr();
    } catch (...) {
        SCardDisconnect(m_card, SCARD_LEAVE_CARD);
        throw;
    }
}

PcscCardSession::~PcscCardSession()
{
    SCardDisconnect(m_card, SCARD_RESET_CARD);
}

void PcscCardSession::readAtr()
{
    DWORD state = 0;
    DWORD protocol = 0;
    DWORD atrLength = MAX_ATR_SIZE;
    Bytes atr(MAX_ATR_SIZE);
    check(SCardStatus(m_card, nullptr, nullptr, &state, &protocol, atr.data(), &atrLength),
          "SCardStatus", Step::opening);
    atr.resize(atrLength);
    m_atr = std::move(atr);
}

Bytes PcscCardSession::transmit(ByteView command)
{
    const SCARD_IO_REQUEST* pci = m_protocol == SCARD_PROTOCOL_T0 ? SCARD_PCI_T0 : SCARD_PCI_T1;
    Bytes reply(kReplyCapacity);
    DWORD replyLength = kReplyCapacity;
    check(SCardTransmit(m_card, pci, command.data(), static_cast<DWORD>(command.size()), nullptr,
                        reply.data(), &replyLength),
          "SCardTransmit");
    reply.resize(replyLength);
    return reply;
}

} // namespace orvela::tokenkit::pcsc
