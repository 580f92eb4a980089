#pragma once

#include "common/AppLanguage.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <optional>

namespace orvela::common {

/// Dates for people, the same on every screen and in the command line's output: one date format
/// and one date-and-time format per interface language, in that language's locale ("en_US" or
/// "mn_MN") and a given time zone (the device's by default). English spells the month, so that
/// no reader has to guess which number is the day; Mongolian writes the year first, as is usual
/// there. An invalid instant, and any text that is not an internet date-time, renders as "—".
class DateFormatter {
public:
    explicit DateFormatter(QTimeZone zone = QTimeZone::systemTimeZone());

    /// The instant of an internet date-time ("2026-01-05T10:11:12Z", "…12.345+08:00"); nothing
    /// for any other text, including a date without time or a time without zone.
    static std::optional<QDateTime> parse(const QString& text);

    /// "Jan 5, 2026" or "2026.01.05".
    QString date(const QDateTime& when, AppLanguage language) const;
    /// A calendar day (a release date), which no time zone shifts.
    QString date(QDate day, AppLanguage language) const;
    /// "Jan 5, 2026, 6:11 PM" or "2026.01.05 18:11".
    QString dateTime(const QDateTime& when, AppLanguage language) const;
    /// The same for the internet date-time texts that replies and the activity log hold.
    QString date(const QString& text, AppLanguage language) const;
    QString dateTime(const QString& text, AppLanguage language) const;

private:
    QString render(const QDateTime& when, AppLanguage language, bool withTime) const;

    QTimeZone m_zone;
};

} // namespace orvela::common
