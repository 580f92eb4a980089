#include "shell/dashboard/DashboardDateFormatter.h"

#include <QLocale>
#include <QRegularExpression>

namespace orvela::shell {

namespace {

const QString kMissing = QStringLiteral("—");

} // namespace

DashboardDateFormatter::DashboardDateFormatter(QTimeZone zone) : m_zone(std::move(zone)) {}

std::optional<QDateTime> DashboardDateFormatter::parse(const QString& text)
{
    // Qt's ISO parser also takes bare dates and zone-less local times; the models only ever
    // hold full internet date-times, so anything looser is treated as garbage.
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

QLocale DashboardDateFormatter::localeFor(common::AppLanguage language)
{
    return QLocale(language == common::AppLanguage::en ? QStringLiteral("en_US")
                                                       : QStringLiteral("mn_MN"));
}

QString DashboardDateFormatter::dateTime(const QString& text, common::AppLanguage language) const
{
    const auto parsed = parse(text);
    if (!parsed) {
        return kMissing;
    }
    return localeFor(language).toString(parsed->toTimeZone(m_zone),
                                        QStringLiteral("yyyy.MM.dd  HH:mm"));
}

QString DashboardDateFormatter::date(const QString& text, common::AppLanguage language) const
{
    const auto parsed = parse(text);
    if (!parsed) {
        return kMissing;
    }
    return localeFor(language).toString(parsed->toTimeZone(m_zone).date(), QLocale::LongFormat);
}

} // namespace orvela::shell
