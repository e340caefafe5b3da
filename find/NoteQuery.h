#pragma once

#include "find/NoteQueryHit.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <vector>

class QThreadPool;

namespace qb {

// Notes by their places in a snapshot's order of recency, ascending.
using NoteQueryPlaces = std::shared_ptr<const std::vector<quint32>>;

enum class NoteQueryScope {
    NamesAndText,
    NamesOnly, // notes' text is not looked at
};

// A query of the note index, the Go to Note rule: the words of the query (split at white space)
// must each be in the note's name or its text, found as Find finds text with letter case
// ignored. Encoded, encrypted and unread notes are found by their names only. A query of no
// words finds every note, its name starting with the query.
//
// Results are worked out as they are asked for: next(50) ranks the notes only as far as the
// first 50 need, rest() the remainder, and each hit is made (its snippet decoded) only when it
// is handed out. The work is shared between the calling thread and threads of a pool. cancel() may
// come from any thread, to drop a query the next keystroke made useless.
class NoteQuery
{
public:
    NoteQuery(NoteIndexSnapshotPtr snapshot, const QString &query,
              NoteQueryScope scope = NoteQueryScope::NamesAndText);
    ~NoteQuery();
    NoteQuery(const NoteQuery &) = delete;
    NoteQuery &operator=(const NoteQuery &) = delete;

    // Threads from `pool` that work beside the calling one, at most `extra` of them; by default
    // one fewer than the machine's processors, from a pool kept for queries.
    void setThreads(QThreadPool *pool, int extra);

    const QString &text() const { return m_text; }
    const NoteIndexSnapshotPtr &snapshot() const { return m_snapshot; }
    const QStringList &words() const { return m_words; }

    // Looks at the notes of `places` only: those an earlier query of the same snapshot found,
    // which this one narrows (queryNarrows). Before any result is asked for.
    void narrowTo(NoteQueryPlaces places) { m_within = std::move(places); }
    // The notes found, once all are ranked (count() or rest() returned); null before then, and
    // when the query was cancelled.
    NoteQueryPlaces foundPlaces() const;

    // The next `count` results in rank order; fewer when there are no more, or the query was
    // cancelled meanwhile.
    QList<NoteQueryHit> next(qsizetype count);
    // Every result after those handed out.
    QList<NoteQueryHit> rest();
    // How many results there are in all; the notes are all ranked, but no hit is made. -1 when
    // the query was cancelled.
    qsizetype count();

    void cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    bool isCancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

private:
    struct Word;
    struct Work;

    template <typename Task> void runOnThreads(qsizetype takes, Task task);
    std::vector<quint64> wordsInNames(const IndexedFolder &folder) const;
    bool nameStartsWithQuery(const IndexedFolder &folder, quint32 index) const;
    void rankNames();
    void rankTextUntil(qsizetype hits);
    bool textHolds(const IndexedNote &note, quint64 words) const;
    NoteQueryHit hitAt(qsizetype place) const;

    NoteIndexSnapshotPtr m_snapshot;
    QString m_text;
    NoteQueryScope m_scope;
    QStringList m_words;
    std::vector<Word> m_matchers;
    std::vector<int> m_textOrder; // words in the order a note's text is searched for them
    quint64 m_all = 0;            // a bit for each word
    std::unique_ptr<Work> m_work;
    NoteQueryPlaces m_within;
    QThreadPool *m_pool = nullptr;
    int m_extraThreads = 0;
    qsizetype m_handedOut = 0;
    std::atomic<bool> m_cancelled = false;
};

} // namespace qb
