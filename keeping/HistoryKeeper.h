#pragma once

#include "keeping/NoteHistory.h"
#include "keeping/ReplacedNote.h"

#include <QDateTime>
#include <QObject>
#include <QThreadPool>

#include <functional>
#include <optional>

namespace qb {

// Where the history is kept and how it is held in bounds. The functions are called on the
// keeper's worker.
struct HistorySettings
{
    QString root = NoteHistory::defaultRoot();
    // "Now", for thinning a note's versions after each one kept.
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
    // The most the whole history may take, asked after each version kept.
    std::function<qint64(const QString &root)> cap = [](const QString &root) {
        return defaultHistoryCap(freeBytesFor(root));
    };
};

// Keeps the versions of notes off the window's thread: each version is compressed and written,
// then the note's versions thinned and the whole history held to its cap, on one private worker
// that takes the jobs in the order they were given, so that the versions of a note keep theirs.
// A version that cannot be kept is only reported: a note's save never waits for its history or
// fails because of it.
class HistoryKeeper final : public QObject
{
    Q_OBJECT
public:
    explicit HistoryKeeper(HistorySettings settings = {}, QObject *parent = nullptr);
    // Finishes every job given, so that quitting loses no version.
    ~HistoryKeeper() override;

    // Keeps `replaced` as the version of `notePath` taken at `when`; returns at once.
    void keepReplaced(const QString &notePath, ReplacedNote replaced, const QDateTime &when);
    // Moves the versions of a renamed note to its new path, after the jobs given before.
    void carry(const QString &fromNotePath, const QString &toNotePath);
    // Waits until every job given so far is done.
    void waitForDone();
    // Keeps `bytes` (text that is about to be dropped or replaced) as the version of `notePath`
    // taken at `when`, on the calling thread, after every job given so far: it is the newest.
    KeptVersion keepNow(const QString &notePath, QByteArrayView bytes, const QDateTime &when);
    // Off, nothing given is kept: to measure what keeping costs.
    void setKeeping(bool keeping) { m_keeping = keeping; }

    const QString &root() const { return m_history.root(); }

Q_SIGNALS:
    // Delivered on the keeper's thread.
    void notKept(const QString &notePath, const QString &reason);

private:
    // A note whose version was not kept, and why.
    struct NotKept
    {
        QString notePath;
        QString reason;
    };
    // Runs `work` on the worker; the failure it returns, if any, is told on the keeper's thread.
    void startJob(std::function<std::optional<NotKept>()> work);
    std::optional<NotKept> keep(const QString &notePath, ReplacedNote &replaced, qint64 takenMs);

    HistorySettings m_settings;
    NoteHistory m_history; // used by the worker only
    QThreadPool m_worker;
    bool m_keeping = true;
};

} // namespace qb
