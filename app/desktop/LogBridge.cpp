#include "desktop/LogBridge.h"

#include <QMessageLogger>

namespace orvela::desktop {

const QLoggingCategory& LogBridge::categoryFor(std::string_view subsystem,
                                               std::string_view category)
{
    std::string name;
    name.reserve(subsystem.size() + 1 + category.size());
    name.append(subsystem).append(".").append(category);
    const std::lock_guard lock(m_mutex);
    auto found = m_categories.find(name);
    if (found == m_categories.end()) {
        found = m_categories.emplace(std::move(name), nullptr).first;
        found->second = std::make_unique<QLoggingCategory>(found->first.c_str());
    }
    return *found->second;
}

void LogBridge::write(std::string_view subsystem, std::string_view category,
                      tokenkit::LogLevel level, std::string_view message)
{
    const QLoggingCategory& channel = categoryFor(subsystem, category);
    const QString text = QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size()));
    const QMessageLogger logger(nullptr, 0, nullptr, channel.categoryName());
    switch (level) {
    case tokenkit::LogLevel::debug:
        if (channel.isDebugEnabled()) {
            logger.debug("%s", qUtf8Printable(text));
        }
        break;
    case tokenkit::LogLevel::info:
        if (channel.isInfoEnabled()) {
            logger.info("%s", qUtf8Printable(text));
        }
        break;
    case tokenkit::LogLevel::error:
        if (channel.isCriticalEnabled()) {
            logger.critical("%s", qUtf8Printable(text));
        }
        break;
    }
}

void LogBridge::install()
{
    tokenkit::setLogSink(std::make_shared<LogBridge>());
}

} // namespace orvela::desktop
