#pragma once

#include "orvela/tokenkit/Log.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace orvela::tokenkit::test {

/// Collects the kit's log lines while it lives, as "category level: message".
class LogCapture {
public:
    LogCapture() : m_sink(std::make_shared<Sink>()) { setLogSink(m_sink); }
    ~LogCapture() { setLogSink(nullptr); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines() const
    {
        std::lock_guard lock(m_sink->mutex);
        return m_sink->lines;
    }

private:
    struct Sink final : LogSink {
        void write(std::string_view, std::string_view category, LogLevel level,
                   std::string_view message) override
        {
            const char* name = level == LogLevel::info    ? "info"
                               : level == LogLevel::error ? "error"
                                                          : "debug";
            std::lock_guard lock(mutex);
            lines.push_back(std::string(category) + " " + name + ": " + std::string(message));
        }
        mutable std::mutex mutex;
        std::vector<std::string> lines;
    };
    std::shared_ptr<Sink> m_sink;
};

} // namespace orvela::tokenkit::test
