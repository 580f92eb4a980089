#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <type_traits>
#include <utility>

namespace orvela::common {

/// Runs `work` on `pool` and hands its result to `done` on `context`'s thread, unless `context`
/// is gone by then: the watcher is its child and dies with it. QFuture::then with a context
/// object is not used because Qt 6.4 asserts when that context dies first, as a page closed
/// during a slow read does.
template <class Work, class Done>
void runOnPool(QThreadPool* pool, QObject* context, Work&& work, Done&& done)
{
    using Result = std::invoke_result_t<std::decay_t<Work>>;
    auto* watcher = new QFutureWatcher<Result>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context,
                     [watcher, done = std::forward<Done>(done)]() mutable {
                         watcher->deleteLater();
                         done(watcher->result());
                     });
    watcher->setFuture(QtConcurrent::run(pool, std::forward<Work>(work)));
}

/// The pool for long work on documents: checking a PDF's signatures, drawing its page. Qt splits
/// some of its own image work (smooth scaling, format conversion) across the global pool and
/// waits for it on the calling thread, so a task of seconds there would stall the interface
/// thread behind it.
inline QThreadPool* documentPool()
{
    static QThreadPool pool;
    return &pool;
}

/// runOnPool on the global thread pool.
template <class Work, class Done> void runOnPool(QObject* context, Work&& work, Done&& done)
{
    runOnPool(QThreadPool::globalInstance(), context, std::forward<Work>(work),
              std::forward<Done>(done));
}

} // namespace orvela::common
