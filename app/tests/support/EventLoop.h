#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>

namespace orvela::testing {

/// Runs the event loop until `done` holds or `ms` pass; returns whether it holds. The
/// application object must exist.
template <class Predicate> bool waitUntil(Predicate done, int ms = 15'000)
{
    const QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        // Outside exec() Qt never gets round to deleteLater(); do what the real loop would.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return done();
}

/// Runs the event loop for `ms`, for checks that something does not happen.
inline void runEventLoopFor(int ms)
{
    waitUntil([] { return false; }, ms);
}

} // namespace orvela::testing
