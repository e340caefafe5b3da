#pragma once

#include "keeping/RecoveryStore.h"

#include <QMutex>
#include <QObject>
#include <QThreadPool>

#include <deque>
#include <memory>
#include <optional>

namespace qb {

// Writes recovery copies on a private pool of one thread, which takes them in the order they were
// scheduled, so that the window never waits for the disk.
// Of the copies of one note still waiting only the newest is written; a discard wins over every
// write of the note scheduled or running before it. Its methods are called from one thread, the
// one it lives in.
class RecoveryWriter final : public QObject
{
    Q_OBJECT
public:
    explicit RecoveryWriter(const RecoveryStore &store, QObject *parent = nullptr);
    // Writes what is still waiting.
    ~RecoveryWriter() override;

    const RecoveryStore &store() const { return m_store; }

    // Returns at once; the copy is written on the writer's thread. The bytes are shared with the
    // caller, never copied: hand them over by value (or moved). A copy without a time is taken
    // now.
    void schedule(RecoveryCopy copy);
    // Removes the note's copy at once, drops a copy of it still waiting, and removes the copy a
    // write running meanwhile puts in place.
    void discard(const QString &notePath);
    // Writes everything waiting on the calling thread, after the write running, if any: when it
    // returns every copy scheduled is on the disk. For the program's last moments.
    void flush();
    // Waits until nothing is waiting or being written.
    void waitForDone();

Q_SIGNALS:
    // A copy could not be written: the one on the disk, if any, is marked older. Told in the
    // writer's own thread.
    void notWritten(const QString &notePath, const QString &reason);
    // A copy could not be removed; told in the writer's own thread.
    void failed(const QString &notePath, const QString &reason);

private:
    struct Job;
    // A failure to tell, and the signal that tells it.
    struct Report
    {
        void (RecoveryWriter::*signal)(const QString &, const QString &) = nullptr;
        QString notePath;
        QString reason;
    };
    // Writes the oldest copy waiting, if any; on the pool.
    std::optional<Report> writeNext();
    // One job's file work.
    std::optional<Report> perform(const Job &job) const;
    void tell(const Report &report);

    const RecoveryStore m_store;
    QMutex m_queueMutex;
    std::deque<std::shared_ptr<Job>> m_waiting;
    std::shared_ptr<Job> m_running;
    // One thread: the copies go in place in the order they were scheduled.
    QThreadPool m_pool;
};

} // namespace qb
