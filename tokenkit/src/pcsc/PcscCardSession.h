#pragma once

#include "PcscContext.h"
#include "orvela/tokenkit/ReaderBackend.h"

#include <chrono>
#include <memory>
#include <string>

namespace orvela::tokenkit::pcsc {

/// An exclusive connection to the card in one reader, with a context of its own so that
/// sessions on different threads never share PC/SC state. Disconnecting resets the card: what
/// one session authenticated (PINs, secure channel) must not carry over to the next program.
class PcscCardSession final : public CardSession {
public:
    /// Throws TokenError::cardNotFound when the reader is gone or empty, PcscError when the
    /// card is held by someone else or cannot be reached.
    PcscCardSession(const std::string& readerName, std::chrono::milliseconds exchangeLimit);
    ~PcscCardSession() override;

    /// Throws PcscError: removedCard when the card left before it answered, timeout when it
    /// gave no answer within the exchange limit (every later exchange then fails the same way,
    /// and the card is let go as soon as the service returns from the one it never answered).
    Bytes transmit(ByteView command) override;
    Bytes atr() override { return m_atr; }

private:
    struct Link;

    void readAtr();
    /// A reply too short to hold a status word: the card went away, or the exchange failed.
    [[noreturn]] void failShortReply() const;

    std::shared_ptr<Link> m_link;
    std::chrono::milliseconds m_exchangeLimit;
    Bytes m_atr;
};

} // namespace orvela::tokenkit::pcsc
