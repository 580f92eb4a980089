// The activity log as the settings file holds it: cut, mangled or written by hand.
#include "session/ActivityLog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <cstdint>
#include <cstdlib>

using namespace orvela::session;

namespace {

QByteArray written(const QList<DashboardSession>& records)
{
    QJsonArray array;
    for (const DashboardSession& record : records) {
        array.append(record.toJson());
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray stored(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const ActivityLogText read = readActivityLog(stored);
    static const QRegularExpression code(
        QRegularExpression::anchoredPattern(QStringLiteral("[A-Z0-9_]{1,32}|other")));
    for (const DashboardSession& record : read.records) {
        // What is kept is bounded, whatever the file held.
        if (!code.match(record.result).hasMatch() || record.state.size() > maxActivityStateLength ||
            record.pushText.value_or(QString()).size() > maxActivityNameLength) {
            std::abort();
        }
    }
    // What the log writes back reads back whole, and from then on the same (the first rewrite
    // may still turn broken UTF-16 from escapes into replacement characters).
    const ActivityLogText once = readActivityLog(written(read.records));
    const ActivityLogText twice = readActivityLog(written(once.records));
    if (!once.complete || once.records.size() != read.records.size() ||
        twice.records != once.records) {
        std::abort();
    }
    return 0;
}
