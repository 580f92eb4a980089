#pragma once

#include "orvela/tokenkit/ReaderBackend.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace orvela::tokenkit::test {

/// Collects a watcher's callbacks for one reader and lets the test wait for the n-th one. The
/// timeout only guards against a hang; no result depends on timing.
class CardEventLog {
public:
    explicit CardEventLog(std::string reader) : m_reader(std::move(reader)) {}

    void add(const CardEvent& event)
    {
        std::lock_guard lock(m_mutex);
        if (event.readerName == m_reader) {
            m_events.push_back(event);
            m_changed.notify_all();
        }
    }
    bool waitFor(std::size_t count)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(10),
                                  [&] { return m_events.size() >= count; });
    }
    std::vector<CardEvent> events()
    {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

private:
    std::string m_reader;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<CardEvent> m_events;
};

} // namespace orvela::tokenkit::test
