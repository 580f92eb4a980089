#include "orvela/tokenkit/TokenWatcher.h"

#include "orvela/tokenkit/Log.h"

#include <exception>
#include <string>

namespace orvela::tokenkit {

TokenWatcher::TokenWatcher(std::shared_ptr<ReaderBackend> backend, Callback onInsertion)
    : m_backend(std::move(backend)), m_waiter(m_backend->makeEventWaiter()),
      m_onInsertion(std::move(onInsertion)), m_thread([this] { run(); })
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
    const Logger logger("TokenManager");
    try {
        while (auto events = m_waiter->waitForInsertions()) {
            for (const auto& event : *events) {
                m_onInsertion(event);
            }
        }
    } catch (const std::exception& error) {
        // Nothing above this thread could catch it; the watcher ends and says why.
        logger.error(std::string("Token watcher stopped: ") + error.what());
    }
}

} // namespace orvela::tokenkit
