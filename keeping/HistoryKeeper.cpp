#include "keeping/HistoryKeeper.h"

#include "platform/Background.h"
#include "platform/ThreadPriority.h"

#include <memory>

namespace qb {

HistoryKeeper::HistoryKeeper(HistorySettings settings, QObject *parent)
    : QObject(parent), m_settings(std::move(settings)), m_history(m_settings.root)
{
    // One thread takes the jobs in the order they came: a pool of one runs them first in, first
    // out.
    m_worker.setMaxThreadCount(1);
}

HistoryKeeper::~HistoryKeeper()
{
    m_worker.waitForDone();
}

void HistoryKeeper::keepReplaced(const QString &notePath, ReplacedNote replaced,
                                 const QDateTime &when)
{
    if (replaced.isNothing() || !m_keeping)
        return;
    // The pool copies its jobs; the note's descriptor is shared with the one copy that runs.
    auto held = std::make_shared<ReplacedNote>(std::move(replaced));
    const qint64 takenMs = when.toMSecsSinceEpoch();
    startJob([this, notePath, held, takenMs] { return keep(notePath, *held, takenMs); });
}

void HistoryKeeper::carry(const QString &fromNotePath, const QString &toNotePath)
{
    startJob([this, fromNotePath, toNotePath]() -> std::optional<NotKept> {
        if (const FileError error = m_history.carry(fromNotePath, toNotePath))
            return NotKept{toNotePath, *error};
        return std::nullopt;
    });
}

void HistoryKeeper::waitForDone()
{
    m_worker.waitForDone();
}

KeptVersion HistoryKeeper::keepNow(const QString &notePath, QByteArrayView bytes,
                                   const QDateTime &when)
{
    waitForDone();
    return NoteHistory(root()).keep(notePath, bytes, when.toMSecsSinceEpoch());
}

void HistoryKeeper::startJob(std::function<std::optional<NotKept>()> work)
{
    runInBackgroundThenTell<NotKept>(
        m_worker, std::move(work), *this,
        [this](const NotKept &failure) { Q_EMIT notKept(failure.notePath, failure.reason); });
}

std::optional<HistoryKeeper::NotKept> HistoryKeeper::keep(const QString &notePath,
                                                          ReplacedNote &replaced, qint64 takenMs)
{
    lowerThreadPriority();
    const KeptVersion kept = replaced.keepIn(m_history, notePath, takenMs);
    if (!kept.ok())
        return NotKept{notePath, *kept.error};
    m_history.thin(notePath, m_settings.clock());
    m_history.cap(m_settings.cap(m_history.root()), kept.version.filePath);
    return std::nullopt;
}

} // namespace qb
