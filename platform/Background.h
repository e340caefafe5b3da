#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QPromise>
#include <QThreadPool>
#include <QTimer>

#include <memory>
#include <optional>

namespace qb {

template <typename T, typename Work>
void startPromised(QThreadPool &pool, std::shared_ptr<QPromise<T>> promise, Work work)
{
    promise->start();
    pool.start([promise = std::move(promise), work = std::move(work)]() mutable {
        work(*promise);
        promise->finish();
    });
}

// Runs `work(promise)` on a thread of `pool` (the global one when none is given) and gives the
// future of what it reports. A cancel of the future is seen by the work through
// promise.isCanceled(); waitForFinished() waits until the work has returned, so that an owner
// may go once it has let go.
template <typename T, typename Work> QFuture<T> runInBackground(QThreadPool &pool, Work work)
{
    auto promise = std::make_shared<QPromise<T>>();
    QFuture<T> future = promise->future();
    startPromised(pool, std::move(promise), std::move(work));
    return future;
}

// Runs `work()` on a thread of `pool`; what it returns, when it returns a T, is given to `tell`
// on the thread of `context`, through that thread's events: never within this call. The owner of
// `context` waits for the pool before it goes.
template <typename T, typename Work, typename Tell>
void runInBackgroundThenTell(QThreadPool &pool, Work work, QObject &context, Tell tell)
{
    auto promise = std::make_shared<QPromise<T>>();
    // Attached before the work can finish: a continuation attached to a finished future would
    // run at once, on the calling thread.
    promise->future().then(&context, [tell = std::move(tell)](const QFuture<T> &done) {
        if (done.resultCount() > 0)
            tell(done.result());
    });
    startPromised(pool, std::move(promise), [work = std::move(work)](QPromise<T> &result) {
        if (std::optional<T> value = work())
            result.addResult(std::move(*value));
    });
}

template <typename T, typename Work> QFuture<T> runInBackground(Work work)
{
    return runInBackground<T>(*QThreadPool::globalInstance(), std::move(work));
}

// Lets `watcher` go of its finished future once the events under way have run: a finished future
// holds its results for as long as it is kept. Safe from within the watcher's own signals.
template <typename T> void letGoOfResults(QFutureWatcher<T> &watcher)
{
    QTimer::singleShot(0, &watcher, [&watcher] {
        if (watcher.isFinished())
            watcher.setFuture({});
    });
}

// Lets `value` go on a thread of the pool: a buffer as large as a note takes the system a while
// to take back.
template <typename T> void freeInBackground(T value)
{
    QThreadPool::globalInstance()->start([value = std::move(value)]() mutable {
        [[maybe_unused]] const T freed = std::move(value);
    });
}

} // namespace qb
