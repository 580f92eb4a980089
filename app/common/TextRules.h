#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace orvela::common {

/// Trims spaces and tabs only: the backend address, the register number and identity fields
/// keep any other white space for whoever reads them next to refuse.
inline QString trimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t')) {
        ++begin;
    }
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t')) {
        --end;
    }
    return text.mid(begin, end - begin);
}

/// A countdown as minutes and two-digit seconds ("4:05"), the same on every waiting screen.
inline QString countdownClock(int seconds)
{
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

/// A value that is present and not empty.
inline bool nonEmpty(const std::optional<QString>& value)
{
    return value && !value->isEmpty();
}

/// Strict UTF-8: bytes that are not (a cut inside a multi-byte character, an overlong or
/// surrogate form) are no text at all rather than text with replacement characters, so a
/// reader can refuse what it cannot show faithfully.
std::optional<QString> strictUtf8(QByteArrayView bytes);

} // namespace orvela::common
