#include "signing/PdfDate.h"

#include <QRegularExpression>

namespace orvela::signing {

std::optional<QDateTime> parsePdfDate(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral(
        R"(^(?:D:)?(\d{4})(\d{2})?(\d{2})?(\d{2})?(\d{2})?(\d{2})?(?:(Z)|([+-])(\d{2})'?(\d{2})?'?)?$)"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const auto part = [&](int index, int fallback) {
        return match.captured(index).isEmpty() ? fallback : match.captured(index).toInt();
    };
    const QDate date(part(1, 0), part(2, 1), part(3, 1));
    const QTime time(part(4, 0), part(5, 0), part(6, 0));
    if (!date.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    QDateTime when(date, time, Qt::UTC);
    if (!match.captured(8).isEmpty()) {
        const int offset = (part(9, 0) * 60 + part(10, 0)) * 60;
        when = when.addSecs(match.captured(8) == u"+" ? -offset : offset);
    }
    return when;
}

} // namespace orvela::signing
