#include "session/ActivityLog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace orvela::session {

namespace {

QString capped(const QString& text, qsizetype limit)
{
    if (text.size() <= limit) {
        return text;
    }
    QString cut = text.left(limit);
    if (cut.back().isHighSurrogate()) {
        cut.chop(1); // never half a character
    }
    return cut;
}

/// The objects that are whole elements of the top-level array of `text`, in order, found by
/// their brackets alone; whatever follows the last closed one (a cut tail) is not among them.
QList<QByteArrayView> wholeObjectsIn(QByteArrayView text)
{
    QList<QByteArrayView> objects;
    if (!text.trimmed().startsWith('[')) {
        return objects;
    }
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    qsizetype start = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            start = (c == '{' && depth == 1) ? i : start;
            ++depth;
        } else if (c == ']' || c == '}') {
            if (--depth <= 0) {
                break;
            }
            if (c == '}' && depth == 1 && start >= 0) {
                objects.append(text.sliced(start, i - start + 1));
                start = -1;
            }
        }
    }
    return objects;
}

void addRecord(ActivityLogText& log, const QJsonValue& value)
{
    auto record = value.isObject() ? DashboardSession::fromJson(value.toObject()) : std::nullopt;
    if (record) {
        log.records.append(boundedActivityRecord(std::move(*record)));
    } else {
        log.complete = false;
    }
}

} // namespace

ActivityLogText readActivityLog(const QByteArray& stored)
{
    ActivityLogText log;
    if (stored.isEmpty()) {
        return log;
    }
    const QJsonDocument whole = QJsonDocument::fromJson(stored);
    if (whole.isArray()) {
        for (const QJsonValue& value : whole.array()) {
            addRecord(log, value);
        }
        return log;
    }
    log.complete = false;
    for (const QByteArrayView object : wholeObjectsIn(stored)) {
        addRecord(log, QJsonDocument::fromJson(object.toByteArray()).object());
    }
    return log;
}

DashboardSession boundedActivityRecord(DashboardSession record)
{
    static const QRegularExpression code(
        QRegularExpression::anchoredPattern(QStringLiteral("[A-Z0-9_]{1,32}")));
    if (!code.match(record.result).hasMatch()) {
        record.result = QStringLiteral("other");
    }
    for (QString* text :
         {&record.id, &record.sessionType, &record.state, &record.rpName, &record.createdAt}) {
        *text = capped(*text, maxActivityStateLength);
    }
    if (record.pushText) {
        record.pushText = capped(*record.pushText, maxActivityNameLength);
    }
    return record;
}

} // namespace orvela::session
