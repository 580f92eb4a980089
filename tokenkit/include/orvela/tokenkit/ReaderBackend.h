#pragma once

#include "orvela/tokenkit/Bytes.h"
#include "orvela/tokenkit/SmartCard.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orvela::tokenkit {

/// An exclusive session with the card in one reader. The card's ATR is read when the session
/// opens; destroying the object ends the session, whatever happened inside it.
class CardSession : public SmartCard {
public:
    ~CardSession() override = default;
};

/// A card that appeared in a reader.
struct CardEvent {
    std::string readerName;
    Bytes atr;
};

/// Blocks until cards appear; one per watcher thread.
class CardEventWaiter {
public:
    virtual ~CardEventWaiter() = default;
    /// Blocks until at least one card was inserted since the last call (the first call also
    /// reports the cards already present) and returns them; nullopt once cancel() was called.
    virtual std::optional<std::vector<CardEvent>> waitForInsertions() = 0;
    /// Ends a pending or the next waitForInsertions(). Callable from any thread.
    virtual void cancel() = 0;
};

/// Where readers and cards come from: PC/SC by default, or an in-process virtual reader.
/// Failures: TokenError::readerNotConnected when the card service is unavailable,
/// TokenError::cardNotFound when the reader vanished or holds no card, PcscError otherwise.
class ReaderBackend {
public:
    virtual ~ReaderBackend() = default;
    /// Names of the attached readers, in the platform's order; empty when there are none.
    virtual std::vector<std::string> listReaders() = 0;
    /// Opens an exclusive session with the card in the named reader.
    virtual std::unique_ptr<CardSession> connect(const std::string& readerName) = 0;
    /// A waiter for card insertions, for the token watcher.
    virtual std::unique_ptr<CardEventWaiter> makeEventWaiter() = 0;
};

/// The PC/SC backend (pcsc-lite here, WinSCard or the macOS PC/SC framework elsewhere).
std::shared_ptr<ReaderBackend> makePcscBackend();

} // namespace orvela::tokenkit
