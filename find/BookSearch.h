#pragma once

#include "notes/NoteSize.h"

#include <QHash>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QThreadPool>
#include <QTimer>

#include <memory>

namespace qb {

struct BookState;
class NoteIndexSnapshot;

// A folder to search, as lstFLDS shows it: `row` is its place in the book (1..FolderCount).
struct BookSearchFolder
{
    int row = 0;
    QString name;
    QString dir;
};

// The folders of `book` in book order, removed rows left out.
QList<BookSearchFolder> bookSearchFolders(const BookState &book);

struct BookSearchRequest
{
    QList<BookSearchFolder> folders; // in book order
    QString text;                    // found as Find finds it; an empty text finds nothing
    Qt::CaseSensitivity caseSensitivity = Qt::CaseInsensitive;
    NoteSizeLimits limits; // notes above askAbove are not searched, only counted
    // The search ends once it has found this many hits (0: never), so that a text found on
    // every line cannot fill the memory; which hits those are depends on the threads' timing.
    qsizetype hitLimit = 100'000;
    // When set, a note whose file still has the stamp this index saw is searched in the text
    // the index holds, or known to be enciphered from it, instead of being read again.
    std::shared_ptr<const NoteIndexSnapshot> index = nullptr;
    // The directories whose every change is told of, each with its notes changed since the
    // index read them: the others of these, when they are their own file, are as the index
    // holds them, without a look at the file.
    QHash<QString, QSet<QString>> watched = {};
};

// One match in a note. Hits arrive in any order; bookOrderLess sorts them as the result list
// shows them: folders in book order, notes in note list order, then by place in the note.
struct BookSearchHit
{
    int folderRow = 0;
    qsizetype noteIndex = 0; // in the folder's note list order (listNoteFiles)
    QString folderName;
    QString noteFileName;
    qsizetype line = 1;     // the editor's block number + 1
    qsizetype column = 0;   // in UTF-16 units, as QTextCursor counts them
    qsizetype position = 0; // in the note's text: the editor's cursor position of the match
    qsizetype length = 0;
    // The line, or around the match a piece of a very long one (cutBefore, cutAfter: the line
    // goes on there). The match starts at matchInLine in it and may run past its end.
    QString lineText;
    qsizetype matchInLine = 0;
    bool cutBefore = false;
    bool cutAfter = false;
};

bool bookOrderLess(const BookSearchHit &a, const BookSearchHit &b);

struct BookSearchProblem
{
    QString path;
    QString reason;
    friend bool operator==(const BookSearchProblem &, const BookSearchProblem &) = default;
};

// What a finished search went through. The lists are in book order.
struct BookSearchSummary
{
    qsizetype notesTotal = 0; // the notes the folders' note lists show
    qsizetype notesSearched = 0;
    qsizetype hits = 0;
    bool hitLimitReached = false; // the search ended there; later notes may be unsearched
    QStringList encipheredNotes;  // paths of notes not searched, being enciphered
    QStringList largeNotes;       // above the size that opening asks about: not searched
    QList<BookSearchProblem> unreadableNotes;
    QList<BookSearchProblem> unreadableFolders; // their readable notes are searched
};

// Searches every note of a book's folders on threads of its own and reports to the thread it
// lives in: hits in batches as they are found, progress a few times a second, then the totals.
// One search at a time: start() stops the one running. Destroying it stops and waits.
class BookSearch : public QObject
{
    Q_OBJECT

public:
    explicit BookSearch(QObject *parent = nullptr);
    ~BookSearch() override;

    void start(const BookSearchRequest &request);
    // Nothing of the stopped search is reported after this.
    void cancel();
    bool isRunning() const { return m_run != nullptr; }

Q_SIGNALS:
    void hitsFound(const QList<qb::BookSearchHit> &hits);
    void progress(qsizetype notesDone, qsizetype notesTotal);
    void finished(const qb::BookSearchSummary &summary);

private:
    struct Run;
    friend struct Run;
    void deliverHits(quint64 generation, const QList<BookSearchHit> &hits);
    void deliverSummary(quint64 generation, const BookSearchSummary &summary);
    void reportProgress();

    QThreadPool m_pool;
    QTimer m_progressTimer;
    std::shared_ptr<Run> m_run;
    quint64 m_generation = 0; // of the search whose reports are wanted
    qsizetype m_doneReported = -1;
};

} // namespace qb

Q_DECLARE_METATYPE(qb::BookSearchHit)
Q_DECLARE_METATYPE(qb::BookSearchSummary)
