#pragma once

#include "orvela/tokenkit/Log.h"

#include <QLoggingCategory>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace orvela::desktop {

/// Carries the token kit's log lines into Qt logging, each under a category named
/// "<subsystem>.<category>", so the kit's lines land where the application's own lines go and
/// the usual QT_LOGGING_RULES filter them. Kit levels map to Qt's: debug, info, and error as
/// critical. Thread-safe: the kit logs from its card worker.
class LogBridge final : public tokenkit::LogSink {
public:
    void write(std::string_view subsystem, std::string_view category, tokenkit::LogLevel level,
               std::string_view message) override;

    /// Makes a bridge the kit's process-wide sink.
    static void install();

private:
    const QLoggingCategory& categoryFor(std::string_view subsystem, std::string_view category);

    std::mutex m_mutex;
    // QLoggingCategory keeps the name pointer it was given; map nodes keep their key in place.
    std::map<std::string, std::unique_ptr<QLoggingCategory>, std::less<>> m_categories;
};

} // namespace orvela::desktop
