#include "orvela/tokenkit/CardReaders.h"

#include "orvela/tokenkit/PcscError.h"
#include "orvela/tokenkit/TokenError.h"

namespace orvela::tokenkit {

CardReaders::CardReaders(std::shared_ptr<ReaderBackend> backend) : m_backend(std::move(backend)) {}

void CardReaders::setBackend(std::shared_ptr<ReaderBackend> backend)
{
    std::lock_guard lock(m_mutex);
    m_backend = std::move(backend);
}

std::shared_ptr<ReaderBackend> CardReaders::backend() const
{
    std::lock_guard lock(m_mutex);
    return m_backend;
}

std::vector<std::string> CardReaders::getReaderNames()
{
    try {
        return backend()->listReaders();
    } catch (const TokenError&) {
        return {}; // no card service: no readers
    } catch (const PcscError& error) {
        m_logger.error(std::string("Reader list unavailable: ") + error.what());
        return {};
    }
}

bool CardReaders::hasReader()
{
    return !getReaderNames().empty();
}

std::unique_ptr<CardSession> CardReaders::openCard(int readerIndex)
{
    const auto backend = this->backend();
    const auto names = backend->listReaders();
    if (readerIndex < 0 || static_cast<std::size_t>(readerIndex) >= names.size()) {
        throw TokenError::readerNotConnected();
    }
    const auto& name = names[static_cast<std::size_t>(readerIndex)];
    auto session = backend->connect(name);
    m_logger.info("session opened: " + name);
    return session;
}

Bytes CardReaders::getATR(int readerIndex)
{
    auto session = openCard(readerIndex);
    Bytes atr = session->atr();
    session.reset();
    if (atr.empty()) {
        throw TokenError::cardNotFound();
    }
    return atr;
}

void CardReaders::runSession(int readerIndex, const std::function<void(SmartCard&)>& work)
{
    // The session object closes the card when it goes out of scope, also when work throws.
    const auto session = openCard(readerIndex);
    work(*session);
}

} // namespace orvela::tokenkit
