#include "orvela/tokenkit/TokenWatcher.h"

#include "orvela/sim/VirtualReaderBackend.h"

#include <chrono>
#include <condition_variable>
#include <future>
#include <gtest/gtest.h>
#include <mutex>

namespace orvela::sim {
namespace {

using namespace std::chrono_literals;
using tokenkit::CardEvent;
using tokenkit::TokenWatcher;

/// Collects watcher callbacks and lets the test wait for the n-th one. The timeout only
/// guards against a hang; no result depends on timing.
class EventLog {
public:
    void add(const CardEvent& event)
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(event);
        m_changed.notify_all();
    }
    bool waitFor(std::size_t count)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 10s, [&] { return m_events.size() >= count; });
    }
    std::vector<CardEvent> events()
    {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<CardEvent> m_events;
};

class TokenWatcherTest : public ::testing::Test {
protected:
    std::shared_ptr<VirtualToken> token = std::make_shared<VirtualToken>(VirtualToken::Options{});
    std::shared_ptr<VirtualReaderBackend> backend = std::make_shared<VirtualReaderBackend>(2);
    EventLog log;
};

TEST_F(TokenWatcherTest, ReportsTheCardPresentAtStartAndEachLaterInsertion)
{
    backend->setToken(0, token);
    TokenWatcher watcher(backend, [this](const CardEvent& e) { log.add(e); });
    ASSERT_TRUE(log.waitFor(1));

    auto second = std::make_shared<VirtualToken>(VirtualToken::Options{});
    backend->setToken(1, second);
    ASSERT_TRUE(log.waitFor(2));
    backend->setPresent(0, false);
    backend->setPresent(0, true);
    ASSERT_TRUE(log.waitFor(3));
    watcher.stop();

    const auto events = log.events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].readerName, "Orvela Virtual Reader 0");
    EXPECT_EQ(events[0].atr, token->atr());
    EXPECT_EQ(events[1].readerName, "Orvela Virtual Reader 1");
    EXPECT_EQ(events[2].readerName, "Orvela Virtual Reader 0");
}

TEST_F(TokenWatcherTest, RemovalsReachTheRemovalCallbackAndASwapIsBoth)
{
    backend->setToken(0, token);
    const auto add = [this](const CardEvent& e) { log.add(e); };
    TokenWatcher watcher(backend, add, add);
    ASSERT_TRUE(log.waitFor(1));
    backend->setPresent(0, false);
    ASSERT_TRUE(log.waitFor(2));
    backend->setPresent(0, true);
    ASSERT_TRUE(log.waitFor(3));
    // Another card in place of the first, with no wait in between.
    auto other = std::make_shared<VirtualToken>(VirtualToken::Options{});
    backend->setToken(0, other);
    ASSERT_TRUE(log.waitFor(5));
    backend->setToken(0, nullptr);
    ASSERT_TRUE(log.waitFor(6));
    watcher.stop();

    using Kind = CardEvent::Kind;
    const std::vector<Kind> expected{Kind::inserted, Kind::removed,  Kind::inserted,
                                     Kind::removed,  Kind::inserted, Kind::removed};
    const auto events = log.events();
    ASSERT_EQ(events.size(), expected.size());
    for (std::size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i].kind, expected[i]) << "event " << i;
        EXPECT_EQ(events[i].readerName, "Orvela Virtual Reader 0");
        EXPECT_EQ(events[i].atr.empty(), expected[i] == Kind::removed) << "event " << i;
    }
    EXPECT_EQ(events[4].atr, other->atr());
}

TEST_F(TokenWatcherTest, StopWakesTheBlockedThreadAndNoCallbackFollows)
{
    TokenWatcher watcher(backend, [this](const CardEvent& e) { log.add(e); });
    auto stopped = std::async(std::launch::async, [&] { watcher.stop(); });
    ASSERT_EQ(stopped.wait_for(10s), std::future_status::ready) << "stop() did not return";
    backend->setToken(0, token);
    watcher.stop(); // a second stop is harmless
    EXPECT_TRUE(log.events().empty());
}

} // namespace
} // namespace orvela::sim
