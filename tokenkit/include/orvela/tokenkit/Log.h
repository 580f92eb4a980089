#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace orvela::tokenkit {

/// Every kit log line belongs to this subsystem.
inline constexpr std::string_view kLogSubsystem = "mn.orvela.token-kit";

enum class LogLevel { debug, info, error };

/// Where the kit's log lines go. The application bridges it to Qt logging, the command-line
/// tool to standard error. Lines carry lengths and status words, never payloads, PINs or keys.
class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void write(std::string_view subsystem, std::string_view category, LogLevel level,
                       std::string_view message) = 0;
};

/// Writes "subsystem.category level: message" lines to standard error.
class StderrLogSink final : public LogSink {
public:
    void write(std::string_view subsystem, std::string_view category, LogLevel level,
               std::string_view message) override;
};

/// Replaces the process-wide sink; nullptr restores the standard-error sink. Thread-safe.
void setLogSink(std::shared_ptr<LogSink> sink);
/// The sink lines go to now, to hand to a plugin that carries its own copy of the kit.
std::shared_ptr<LogSink> logSink();

/// A log channel of one category, for example "TesselDriver".
class Logger {
public:
    explicit constexpr Logger(std::string_view category) : m_category(category) {}

    void debug(std::string_view message) const { write(LogLevel::debug, message); }
    void info(std::string_view message) const { write(LogLevel::info, message); }
    void error(std::string_view message) const { write(LogLevel::error, message); }

private:
    void write(LogLevel level, std::string_view message) const;

    std::string_view m_category;
};

} // namespace orvela::tokenkit
