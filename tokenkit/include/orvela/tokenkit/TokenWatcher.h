#pragma once

#include "orvela/tokenkit/ReaderBackend.h"

#include <functional>
#include <memory>
#include <thread>

namespace orvela::tokenkit {

/// Watches tokens on a background thread that blocks in the card service (no polling) and
/// reports each insertion, the cards already present at start included, and, to whoever asks,
/// each removal (a card taken out or its reader gone). The callbacks run on the watcher's
/// thread; they must not destroy the watcher.
class TokenWatcher {
public:
    using Callback = std::function<void(const CardEvent&)>;

    /// Starts watching at once. Without `onRemoval`, removals go unreported.
    TokenWatcher(std::shared_ptr<ReaderBackend> backend, Callback onInsertion,
                 Callback onRemoval = {});
    /// Stops the watcher (see stop()).
    ~TokenWatcher();
    TokenWatcher(const TokenWatcher&) = delete;
    TokenWatcher& operator=(const TokenWatcher&) = delete;

    /// Wakes the blocked thread and joins it; no callback runs after it returns. Idempotent.
    void stop();

private:
    void run();

    std::shared_ptr<ReaderBackend> m_backend;
    std::unique_ptr<CardEventWaiter> m_waiter;
    Callback m_onInsertion;
    Callback m_onRemoval;
    std::thread m_thread;
};

} // namespace orvela::tokenkit
