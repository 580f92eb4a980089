#include "orvela/tokenkit/TokenWatcher.h"

#include "orvela/tokenkit/Log.h"

#include <exception>
#include <string>

namespace orvela::tokenkit {

TokenWatcher::TokenWatcher(std::shared_ptr<ReaderBackend> backend, Callback onInsertion,
                           Callback onRemoval)
    : m_backend(std::move(backend)), m_waiter(m_backend->makeEventWaiter()),
      m_onInsertion(std::move(onInsertion)), m_onRemoval(std::move(onRemoval)),
      m_thread([this] { run(); })
{}

TokenWatcher::~TokenWatcher()
{
    stop();
}

void TokenWatcher::stop()
{
    if (m_thread.joinable()) {
        m_waiter->cancel();
        m_thread.join();
    }
}

void TokenWatcher::run()
{
    const Logger logger("CardReaders");
    try {
        while (auto events = m_waiter->waitForCardChanges()) {
            for (const auto& event : *events) {
                const auto& callback =
                    event.kind == CardEvent::Kind::inserted ? m_onInsertion : m_onRemoval;
                if (callback) {
                    callback(event);
                }
            }
        }
    } catch (const std::exception& error) {
        // Nothing above this thread could catch it; the watcher ends and says why.
        logger.error(std::string("Token watcher stopped: ") + error.what());
    }
}

} // namespace orvela::tokenkit
