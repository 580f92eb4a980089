#pragma once

#include "orvela/tokenkit/Bytes.h"
#include "orvela/tokenkit/SmartCard.h"

#include <chrono>
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

/// A card that appeared in a reader, or one that left it (taken out, or its reader vanished).
struct CardEvent {
    enum class Kind { inserted, removed };

    std::string readerName;
    Bytes atr; ///< the inserted card's ATR; empty for a removal
    Kind kind = Kind::inserted;
};

/// Blocks until cards come or go; one per watcher thread.
class CardEventWaiter {
public:
    virtual ~CardEventWaiter() = default;
    /// Blocks until at least one card was inserted or removed, or a reader vanished, since the
    /// last call (the first call also reports the cards already present) and returns the
    /// events in the order they happened per reader; nullopt once cancel() was called. A card
    /// swapped between two calls gives its removal, then the new card's insertion.
    virtual std::optional<std::vector<CardEvent>> waitForCardChanges() = 0;
    /// Ends a pending or the next waitForCardChanges(). Callable from any thread.
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
    /// A waiter for card insertions and removals, for the token watcher.
    virtual std::unique_ptr<CardEventWaiter> makeEventWaiter() = 0;
};

/// The longest a card may take over one command before its session is given up. Generous: a
/// card generating a key pair may take tens of seconds.
inline constexpr std::chrono::milliseconds kCardExchangeLimit{60'000};

/// The PC/SC backend (pcsc-lite here, WinSCard or the macOS PC/SC framework elsewhere). A card
/// that gives no answer within `exchangeLimit` fails the exchange with PcscError::timeout.
std::shared_ptr<ReaderBackend>
makePcscBackend(std::chrono::milliseconds exchangeLimit = kCardExchangeLimit);

} // namespace orvela::tokenkit
