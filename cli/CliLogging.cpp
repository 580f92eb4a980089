#include "CliLogging.h"

#include "orvela/tokenkit/Log.h"

#include <QLoggingCategory>
#include <memory>

namespace orvela::cli {

namespace {

/// Passes the kit's lines at or above a level on to standard error.
class LevelSink final : public tokenkit::LogSink {
public:
    explicit LevelSink(tokenkit::LogLevel lowest) : m_lowest(lowest) {}

    void write(std::string_view subsystem, std::string_view category, tokenkit::LogLevel level,
               std::string_view message) override
    {
        if (level >= m_lowest) {
            m_stderr.write(subsystem, category, level, message);
        }
    }

private:
    tokenkit::LogLevel m_lowest;
    tokenkit::StderrLogSink m_stderr;
};

/// Drops every line: a quiet run says its result and, on failure, its one message.
class SilentSink final : public tokenkit::LogSink {
public:
    void write(std::string_view, std::string_view, tokenkit::LogLevel, std::string_view) override {}
};

} // namespace

void applyVerbosity(int verbosity)
{
    if (verbosity <= 0) {
        QLoggingCategory::setFilterRules(QStringLiteral("*=false"));
        tokenkit::setLogSink(std::make_shared<SilentSink>());
    } else if (verbosity == 1) {
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=true"));
        tokenkit::setLogSink(std::make_shared<LevelSink>(tokenkit::LogLevel::info));
    } else {
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\nmn.orvela.*.debug=true"));
        tokenkit::setLogSink(std::make_shared<LevelSink>(tokenkit::LogLevel::debug));
    }
}

} // namespace orvela::cli
