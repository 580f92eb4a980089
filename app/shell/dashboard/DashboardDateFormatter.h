#pragma once

#include "common/AppLanguage.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <optional>

namespace orvela::shell {

/// Renders the dashboard models' ISO 8601 texts for people, in the interface language's locale
/// ("en_US" or "mn_MN") and a given time zone (the device's by default). Anything that is not an
/// internet date-time, with or without fractional seconds, renders as "—".
class DashboardDateFormatter {
public:
    explicit DashboardDateFormatter(QTimeZone zone = QTimeZone::systemTimeZone());

    /// The instant of an internet date-time ("2026-01-05T10:11:12Z", "…12.345+08:00"); nothing
    /// for any other text, including a date without time or a time without zone.
    static std::optional<QDateTime> parse(const QString& text);

    /// "yyyy.MM.dd  HH:mm" (two spaces) in the zone, or "—".
    QString dateTime(const QString& text, common::AppLanguage language) const;
    /// The locale's long date in the zone, or "—".
    QString date(const QString& text, common::AppLanguage language) const;

    static QLocale localeFor(common::AppLanguage language);

private:
    QTimeZone m_zone;
};

} // namespace orvela::shell
