#pragma once

#include "orvela/tokenkit/ReaderBackend.h"

#include <functional>
#include <memory>
#include <thread>

namespace orvela::tokenkit {

/// Watches for inserted tokens on a background thread that blocks in the card service (no
/// polling) and reports each insertion, the cards already present at start included. The
/// callback runs on the watcher's thread; it must not destroy the watcher.
class TokenWatcher {
public:
    using Callback = std::function<void(const CardEvent&)>;

    /// Starts watching at once.
    TokenWatcher(std::shared_ptr<ReaderBackend> backend, Callback onInsertion);
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
    std::thread m_thread;
};

} // namespace orvela::tokenkit
