#pragma once

#include "notes/RecoveryStore.h"

#include <QMutex>
#include <QObject>
#include <QWaitCondition>

#include <deque>
#include <memory>

class QThread;

namespace qb {

// Writes recovery copies on a thread of its own, so that the window never waits for the disk.
// Of the copies of one note still waiting only the newest is written; a discard wins over every
// write of the note scheduled or running before it. Its methods are called from one thread, the
// one it lives in.
class RecoveryWriter final : public QObject
{
    Q_OBJECT
public:
    explicit RecoveryWriter(const RecoveryStore &store, QObject *parent = nullptr);
    // Writes what is still waiting, then lets the thread go.
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
    void run();
    // One job's file work; the caller holds m_writing.
    void perform(const Job &job);
    // Emits `signal` in the writer's own thread.
    void report(void (RecoveryWriter::*signal)(const QString &, const QString &),
                const QString &notePath, const QString &reason);
    void wakeIfIdle();

    const RecoveryStore m_store;
    QMutex m_queueMutex;
    QWaitCondition m_work; // a job came, or the writer is going
    QWaitCondition m_idle; // nothing waits, nothing runs
    std::deque<std::shared_ptr<Job>> m_waiting;
    std::shared_ptr<Job> m_running;
    bool m_stopping = false;
    // Held while a copy's file is written or removed, so that the writer's thread and flush()
    // put copies in place in the order they were scheduled.
    QMutex m_writing;
    std::unique_ptr<QThread> m_thread;
};

} // namespace qb
