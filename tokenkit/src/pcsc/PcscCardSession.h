#pragma once

#include "PcscContext.h"
#include "orvela/tokenkit/ReaderBackend.h"

#include <string>

namespace orvela::tokenkit::pcsc {

/// An exclusive connection to the card in one reader, with a context of its own so that
/// sessions on different threads never share PC/SC state. Disconnecting resets the card: what
/// one session authenticated (PINs, secure channel) must not carry over to the next program.
class PcscCardSession final : public CardSession {
public:
    /// Throws TokenError::cardNotFound when the reader is gone or empty, PcscError when the
    /// card is held by someone else or cannot be reached.
    explicit PcscCardSession(const std::string& readerName);
    ~PcscCardSession() override;

    Bytes transmit(ByteView command) override;
    Bytes atr() override { return m_atr; }

private:
    void readAtr();

    PcscContext m_context;
    SCARDHANDLE m_card = 0;
    DWORD m_protocol = 0;
    Bytes m_atr;
};

} // namespace orvela::tokenkit::pcsc
