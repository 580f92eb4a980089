#include "orvela/tokenkit/Log.h"

#include <cstdio>
#include <mutex>

namespace orvela::tokenkit {

namespace {

std::mutex& sinkMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<LogSink>& sinkSlot()
{
    static std::shared_ptr<LogSink> sink = std::make_shared<StderrLogSink>();
    return sink;
}

} // namespace

std::shared_ptr<LogSink> logSink()
{
    std::lock_guard lock(sinkMutex());
    return sinkSlot();
}

namespace {

const char* levelName(LogLevel level)
{
    switch (level) {
    case LogLevel::debug:
        return "debug";
    case LogLevel::info:
        return "info";
    case LogLevel::error:
        return "error";
    }
    return "";
}

} // namespace

void StderrLogSink::write(std::string_view subsystem, std::string_view category, LogLevel level,
                          std::string_view message)
{
    std::fprintf(stderr, "%.*s.%.*s %s: %.*s\n", static_cast<int>(subsystem.size()),
                 subsystem.data(), static_cast<int>(category.size()), category.data(),
                 levelName(level), static_cast<int>(message.size()), message.data());
}

void setLogSink(std::shared_ptr<LogSink> sink)
{
    std::lock_guard lock(sinkMutex());
    sinkSlot() = sink ? std::move(sink) : std::make_shared<StderrLogSink>();
}

void Logger::write(LogLevel level, std::string_view message) const
{
    // Taken by value so that a sink replaced meanwhile stays alive until this line is out.
    logSink()->write(kLogSubsystem, m_category, level, message);
}

} // namespace orvela::tokenkit
