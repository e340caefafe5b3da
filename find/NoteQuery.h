#pragma once

#include "find/NoteIndex.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

class QThreadPool;

namespace qb {

enum class NoteQueryScope {
    NamesAndText,
    NamesOnly, // notes' text is not looked at
};

// The groups results come in, in this order; within a group the most recently changed first.
enum class NoteQueryRank : quint8 {
    NameStartsWithQuery, // the note's name starts with the whole query
    NameHoldsEveryWord,
    HoldsEveryWord, // in the name or the text, not all in the name
};

// One note a query found, as the index saw it.
struct NoteQueryHit
{
    struct Range
    {
        qsizetype start = 0;
        qsizetype length = 0;
        friend bool operator==(const Range &, const Range &) = default;
    };

    NoteQueryRank rank = NoteQueryRank::HoldsEveryWord;
    int folderRow = 0;
    QString folderName;
    QString folderDir;
    QString noteFileName;
    qsizetype noteIndex = 0; // in the folder's note list order, when the index saw it
    NoteStamp stamp;         // of the file the index read: see isCurrent()
    IndexedKind kind = IndexedKind::Text;
    QList<Range> nameMatches; // the first match of each word found in the name, by start

    // HoldsEveryWord only: the first match in the text of any word, as the editor shows the
    // note (its cursor position: line breaks count one), and the line it is on, or around the
    // match a piece of a long one (cutBefore, cutAfter: the line goes on there). The match
    // starts at matchInSnippet in the snippet.
    qsizetype position = -1;
    qsizetype length = 0;
    QString snippet;
    qsizetype matchInSnippet = 0;
    bool cutBefore = false;
    bool cutAfter = false;

    QString noteName() const;
    QString path() const;
    // The file still has the stamp the index saw: the note holds what was found, where it was
    // found. A note whose file is gone or changed must be looked at again before it is opened.
    bool isCurrent() const;
};

// A query of the note index, the Go to Note rule: the words of the query (split at white space)
// must each be in the note's name or its text, found as Find finds text with letter case
// ignored. Encoded, encrypted and unread notes are found by their names only. A query of no
// words finds every note, its name starting with the query.
//
// Results are worked out as they are asked for: next(50) ranks the notes only as far as the
// first 50 need, rest() the remainder, and each hit is made (its snippet decoded) only when it
// is handed out. The work is shared between the calling thread and helper threads. cancel() may
// come from any thread, to drop a query the next keystroke made useless.
class NoteQuery
{
public:
    NoteQuery(NoteIndexSnapshotPtr snapshot, const QString &query,
              NoteQueryScope scope = NoteQueryScope::NamesAndText);
    ~NoteQuery();
    NoteQuery(const NoteQuery &) = delete;
    NoteQuery &operator=(const NoteQuery &) = delete;

    // Helper threads from `pool`, at most `helpers` of them; by default one fewer than the
    // machine's processors, from a pool kept for queries.
    void setHelpers(QThreadPool *pool, int helpers);

    const QStringList &words() const { return m_words; }

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
    NoteQueryScope m_scope;
    QStringList m_words;
    std::vector<Word> m_matchers;
    std::vector<int> m_textOrder; // words in the order a note's text is searched for them
    quint64 m_all = 0;            // a bit for each word
    std::unique_ptr<Work> m_work;
    QThreadPool *m_pool = nullptr;
    int m_helpers = 0;
    qsizetype m_handedOut = 0;
    std::atomic<bool> m_cancelled = false;
};

} // namespace qb
