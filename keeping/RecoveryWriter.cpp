#include "keeping/RecoveryWriter.h"

#include "platform/Background.h"
#include "platform/ThreadPriority.h"

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
    : QObject(parent), m_store(store)
{
    m_pool.setMaxThreadCount(1);
}

RecoveryWriter::~RecoveryWriter()
{
    // Each job waiting has a run of writeNext() queued behind it.
    m_pool.waitForDone();
}

void RecoveryWriter::schedule(RecoveryCopy copy)
{
    if (!copy.taken.isValid())
        copy.taken = QDateTime::currentDateTimeUtc();
    auto job = std::make_shared<Job>();
    job->key = recoveryNoteKey(copy.notePath);
    job->copy = std::move(copy);
    {
        const QMutexLocker lock(&m_queueMutex);
        const auto same =
            std::find_if(m_waiting.begin(), m_waiting.end(),
                         [&](const auto &waiting) { return waiting->key == job->key; });
        if (same != m_waiting.end()) {
            // Takes the place of the older copy, whose run is queued already.
            *same = std::move(job);
            return;
        }
        m_waiting.push_back(std::move(job));
    }
    runInBackgroundThenTell<Report>(
        m_pool, [this] { return writeNext(); }, *this,
        [this](const Report &report) { tell(report); });
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
    }
    if (const FileError error = m_store.remove(key))
        Q_EMIT failed(key, *error);
}

void RecoveryWriter::flush()
{
    std::deque<std::shared_ptr<Job>> jobs;
    {
        const QMutexLocker lock(&m_queueMutex);
        jobs = std::exchange(m_waiting, {});
    }
    // The write running was scheduled before everything taken here; the runs queued behind it
    // find nothing left.
    m_pool.waitForDone();
    for (const auto &job : jobs) {
        if (const std::optional<Report> report = perform(*job))
            tell(*report);
    }
}

void RecoveryWriter::waitForDone()
{
    m_pool.waitForDone();
}

std::optional<RecoveryWriter::Report> RecoveryWriter::writeNext()
{
    std::shared_ptr<Job> job;
    {
        const QMutexLocker lock(&m_queueMutex);
        // A discard or a flush may have taken the job this run was queued for.
        if (m_waiting.empty())
            return std::nullopt;
        job = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_running = job;
    }
    lowerThreadPriority();
    std::optional<Report> report = perform(*job);
    const QMutexLocker lock(&m_queueMutex);
    m_running.reset();
    return report;
}

std::optional<RecoveryWriter::Report> RecoveryWriter::perform(const Job &job) const
{
    const WriteResult result = m_store.write(job.copy);
    if (job.discarded) {
        if (const FileError error = m_store.remove(job.key))
            return Report{&RecoveryWriter::failed, job.key, *error};
    } else if (!result.ok()) {
        m_store.markOlder(job.key);
        return Report{&RecoveryWriter::notWritten, job.key, *result.error};
    }
    return std::nullopt;
}

void RecoveryWriter::tell(const Report &report)
{
    // The signal is emitted by calling it.
    (this->*report.signal)(report.notePath, report.reason);
}

} // namespace qb
