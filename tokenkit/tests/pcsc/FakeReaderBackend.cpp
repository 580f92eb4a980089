#include "FakeReaderBackend.h"

#include "orvela/tokenkit/TokenError.h"

#include <condition_variable>
#include <mutex>

namespace orvela::tokenkit::test {

namespace {

class FakeSession final : public CardSession {
public:
    FakeSession(std::shared_ptr<FakeJournal> journal, Bytes atr, Bytes reply)
        : m_journal(std::move(journal)), m_atr(std::move(atr)), m_reply(std::move(reply))
    {
        ++m_journal->opened;
    }
    ~FakeSession() override { ++m_journal->closed; }

    Bytes transmit(ByteView command) override
    {
        m_journal->transmitted.push_back(toBytes(command));
        return m_reply;
    }
    Bytes atr() override { return m_atr; }

private:
    std::shared_ptr<FakeJournal> m_journal;
    Bytes m_atr;
    Bytes m_reply;
};

/// Never reports anything; only cancel() ends the wait.
class IdleWaiter final : public CardEventWaiter {
public:
    std::optional<std::vector<CardEvent>> waitForCardChanges() override
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return m_cancelled; });
        return std::nullopt;
    }
    void cancel() override
    {
        std::lock_guard lock(m_mutex);
        m_cancelled = true;
        m_wake.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_cancelled = false;
};

} // namespace

std::vector<std::string> FakeReaderBackend::listReaders()
{
    ++journal->listed;
    if (listError) {
        std::rethrow_exception(listError);
    }
    return readers;
}

std::unique_ptr<CardSession> FakeReaderBackend::connect(const std::string& readerName)
{
    if (connectError) {
        std::rethrow_exception(connectError);
    }
    const auto card = cards.find(readerName);
    if (card == cards.end()) {
        throw TokenError::cardNotFound();
    }
    return std::make_unique<FakeSession>(journal, card->second, reply);
}

std::unique_ptr<CardEventWaiter> FakeReaderBackend::makeEventWaiter()
{
    return std::make_unique<IdleWaiter>();
}

} // namespace orvela::tokenkit::test
