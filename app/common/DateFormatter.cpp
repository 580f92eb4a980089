#include "common/DateFormatter.h"

#include <QLocale>
#include <QRegularExpression>

namespace orvela::common {

namespace {

const QString kMissing = QStringLiteral("—");

struct DateStyle {
    const char* locale;
    const char* date;
    const char* dateTime;
};

DateStyle styleOf(AppLanguage language)
{
    if (language == AppLanguage::en) {
        return {"en_US", "MMM d, yyyy", "MMM d, yyyy, h:mm AP"};
    }
    return {"mn_MN", "yyyy.MM.dd", "yyyy.MM.dd HH:mm"};
}

} // namespace

DateFormatter::DateFormatter(QTimeZone zone) : m_zone(std::move(zone)) {}

std::optional<QDateTime> DateFormatter::parse(const QString& text)
{
    // Qt's ISO parser also takes bare dates and zone-less local times; the texts we keep are
    // only ever full internet date-times, so anything looser is treated as garbage.
    static const QRegularExpression internetDateTime(
        QStringLiteral(R"(^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}(\.\d+)?(Z|[+-]\d{2}:\d{2})$)"));
    if (!internetDateTime.match(text).hasMatch()) {
        return std::nullopt;
    }
    QDateTime parsed = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!parsed.isValid()) {
        return std::nullopt;
    }
    return parsed;
}

QString DateFormatter::render(const QDateTime& when, AppLanguage language, bool withTime) const
{
    if (!when.isValid()) {
        return kMissing;
    }
    const DateStyle style = styleOf(language);
    return QLocale(QString::fromLatin1(style.locale))
        .toString(when.toTimeZone(m_zone),
                  QString::fromLatin1(withTime ? style.dateTime : style.date));
}

QString DateFormatter::date(const QDateTime& when, AppLanguage language) const
{
    return render(when, language, false);
}

QString DateFormatter::date(QDate day, AppLanguage language) const
{
    if (!day.isValid()) {
        return kMissing;
    }
    const DateStyle style = styleOf(language);
    return QLocale(QString::fromLatin1(style.locale))
        .toString(day, QString::fromLatin1(style.date));
}

QString DateFormatter::dateTime(const QDateTime& when, AppLanguage language) const
{
    return render(when, language, true);
}

QString DateFormatter::date(const QString& text, AppLanguage language) const
{
    return date(parse(text).value_or(QDateTime()), language);
}

QString DateFormatter::dateTime(const QString& text, AppLanguage language) const
{
    return dateTime(parse(text).value_or(QDateTime()), language);
}

} // namespace orvela::common
