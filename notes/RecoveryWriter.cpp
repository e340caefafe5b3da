#include "notes/RecoveryWriter.h"

#include "platform/ThreadPriority.h"

#include <QThread>

#include <algorithm>
#include <atomic>

namespace qb {

struct RecoveryWriter::Job
{
    QString key; // recoveryNoteKey of the note
    RecoveryCopy copy;
    // A discard came after the job was taken to be written: what it wrote must go.
    std::atomic<bool> discarded = false;
};

RecoveryWriter::RecoveryWriter(const RecoveryStore &store, QObject *parent)
    : QObject(parent), m_store(store), m_thread(QThread::create([this] { run(); }))
{
    m_thread->start();
}

RecoveryWriter::~RecoveryWriter()
{
    {
        const QMutexLocker lock(&m_queueMutex);
        m_stopping = true;
        m_work.wakeAll();
    }
    m_thread->wait();
}

void RecoveryWriter::schedule(RecoveryCopy copy)
{
    if (!copy.taken.isValid())
        copy.taken = QDateTime::currentDateTimeUtc();
    auto job = std::make_shared<Job>();
    job->key = recoveryNoteKey(copy.notePath);
    job->copy = std::move(copy);
    const QMutexLocker lock(&m_queueMutex);
    const auto same = std::find_if(m_waiting.begin(), m_waiting.end(),
                                   [&](const auto &waiting) { return waiting->key == job->key; });
    if (same != m_waiting.end())
        *same = std::move(job);
    else
        m_waiting.push_back(std::move(job));
    m_work.wakeOne();
}

void RecoveryWriter::discard(const QString &notePath)
{
    const QString key = recoveryNoteKey(notePath);
    {
        const QMutexLocker lock(&m_queueMutex);
        std::erase_if(m_waiting, [&](const auto &waiting) { return waiting->key == key; });
        // The running write checks this after its rename, and this removal comes after this
        // mark: whichever of the two comes last finds the file and removes it.
        if (m_running && m_running->key == key)
            m_running->discarded = true;
        wakeIfIdle();
    }
    if (const FileError error = m_store.remove(key))
        report(&RecoveryWriter::failed, key, *error);
}

void RecoveryWriter::flush()
{
    QMutexLocker lock(&m_queueMutex);
    // Waits for the write running, which was scheduled before everything waiting.
    const QMutexLocker writing(&m_writing);
    const std::deque<std::shared_ptr<Job>> jobs = std::exchange(m_waiting, {});
    lock.unlock();
    for (const auto &job : jobs)
        perform(*job);
    lock.relock();
    wakeIfIdle();
}

void RecoveryWriter::waitForDone()
{
    {
        QMutexLocker lock(&m_queueMutex);
        while (!m_waiting.empty() || m_running)
            m_idle.wait(&m_queueMutex);
    }
    // A flush on another thread may still be writing.
    const QMutexLocker writing(&m_writing);
}

void RecoveryWriter::run()
{
    lowerThreadPriority();
    QMutexLocker lock(&m_queueMutex);
    for (;;) {
        while (m_waiting.empty() && !m_stopping)
            m_work.wait(&m_queueMutex);
        if (m_waiting.empty())
            return;
        const std::shared_ptr<Job> job = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_running = job;
        // Taken while the queue is held, so that a flush cannot write a newer copy of the note
        // before this one.
        m_writing.lock();
        lock.unlock();
        perform(*job);
        m_writing.unlock();
        lock.relock();
        m_running.reset();
        wakeIfIdle();
    }
}

void RecoveryWriter::perform(const Job &job)
{
    const WriteResult result = m_store.write(job.copy);
    if (job.discarded) {
        if (const FileError error = m_store.remove(job.key))
            report(&RecoveryWriter::failed, job.key, *error);
    } else if (!result.ok()) {
        m_store.markOlder(job.key);
        report(&RecoveryWriter::notWritten, job.key, *result.error);
    }
}

void RecoveryWriter::report(void (RecoveryWriter::*signal)(const QString &, const QString &),
                            const QString &notePath, const QString &reason)
{
    // The signal is emitted by calling it.
    const auto tell = [this, signal, notePath, reason] { (this->*signal)(notePath, reason); };
    if (QThread::currentThread() == thread())
        tell();
    else
        QMetaObject::invokeMethod(this, tell, Qt::QueuedConnection);
}

void RecoveryWriter::wakeIfIdle()
{
    if (m_waiting.empty() && !m_running)
        m_idle.wakeAll();
}

} // namespace qb
