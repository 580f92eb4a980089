#include "desktop/ProcessClock.h"

#include <QFile>
#include <QList>
#include <QtGlobal>
#include <ctime>
#include <unistd.h>

namespace orvela::desktop {

namespace {

double monotonicNowMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1.0e6;
}

} // namespace

double millisecondsSinceProcessStart()
{
    // A launcher that noted when it spawned us gives a finer start than the kernel's ticks.
    bool given = false;
    const qint64 launchedNs = qgetenv("ORVELA_LAUNCH_MONOTONIC_NS").toLongLong(&given);
    if (given && launchedNs > 0) {
        return monotonicNowMs() - static_cast<double>(launchedNs) / 1.0e6;
    }
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray line = stat.readAll();
    // The command name may hold spaces; the fields after its closing parenthesis are fixed.
    const qsizetype close = line.lastIndexOf(')');
    if (close < 0) {
        return -1;
    }
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    // starttime is field 22 of the whole line, the 20th after the name.
    constexpr int startTimeIndex = 19;
    if (fields.size() <= startTimeIndex) {
        return -1;
    }
    bool ok = false;
    const double ticks = fields.at(startTimeIndex).toDouble(&ok);
    const long hertz = ::sysconf(_SC_CLK_TCK);
    timespec now{};
    if (!ok || hertz <= 0 || ::clock_gettime(CLOCK_BOOTTIME, &now) != 0) {
        return -1;
    }
    const double startedMs = ticks * 1000.0 / static_cast<double>(hertz);
    const double nowMs =
        static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1.0e6;
    return nowMs - startedMs;
}

} // namespace orvela::desktop
