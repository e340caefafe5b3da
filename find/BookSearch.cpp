#include "find/BookSearch.h"

#include "encoder/AgeFile.h"
#include "encoder/EncodedNote.h"
#include "encoder/NoteCodec.h"
#include "find/NoteIndex.h"
#include "find/NoteMatcher.h"
#include "find/TextSearch.h"
#include "notes/NoteListing.h"
#include "platform/SafeFile.h"
#include "platform/ThreadPriority.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <tuple>
#include <vector>

namespace qb {

namespace {

constexpr qsizetype kNotesPerTake = 16;
// Hits wait at most this long on a worker before they go out (the first go out at once).
constexpr qint64 kBatchMs = 30;
constexpr qsizetype kBatchHits = 512;
// Lines up to this long are kept whole; of a longer one, this much around the match.
constexpr qsizetype kLineKept = 400;
constexpr qsizetype kKeptBeforeMatch = 100;

struct Placed
{
    int folder;     // place in the request's folder list
    qsizetype note; // in that folder's note list
    QString path;
    QString reason;
    bool operator<(const Placed &other) const
    {
        return std::tie(folder, note) < std::tie(other.folder, other.note);
    }
};

struct Findings
{
    std::vector<Placed> enciphered, large, unreadable;
    qsizetype searched = 0;
    qsizetype hits = 0;

    void takeFrom(Findings &other)
    {
        for (auto list : {&Findings::enciphered, &Findings::large, &Findings::unreadable}) {
            std::vector<Placed> &to = this->*list, &from = other.*list;
            to.insert(to.end(), std::make_move_iterator(from.begin()),
                      std::make_move_iterator(from.end()));
        }
        searched += other.searched;
        hits += other.hits;
    }
};

// The notes as `make` gives each, in book order.
template <typename Make> auto inBookOrder(std::vector<Placed> &placed, Make make)
{
    std::sort(placed.begin(), placed.end());
    QList<decltype(make(placed.front()))> made;
    for (const Placed &p : placed)
        made.append(make(p));
    return made;
}

} // namespace

// The state one search shares between its workers. The workers first list the folders, each
// taking the next folder not taken; the one that lists the last folder counts the notes and
// starts the others on the notes, taken a few at a time in book order, so that the first results
// are those near the top of the list.
struct BookSearch::Run : std::enable_shared_from_this<BookSearch::Run>
{
    Run(BookSearch &searchOwner, const BookSearchRequest &searchRequest, int workerCount)
        : owner(&searchOwner), generation(searchOwner.m_generation), request(searchRequest),
          matcher(searchRequest.text, searchRequest.caseSensitivity), workers(workerCount),
          listings(size_t(searchRequest.folders.size())), searchersLeft(workerCount)
    {
        clock.start();
        for (const BookSearchFolder &folder : request.folders)
            indexed.push_back(request.index ? request.index->folderWithDir(folder.dir) : nullptr);
    }

    class Searcher;
    void listFolders();
    void startSearching();
    NoteListing listingOf(int folder) const;
    void searchNotes();
    void finish();

    BookSearch *const owner;
    const quint64 generation;
    const BookSearchRequest request;
    const NoteMatcher matcher;
    std::vector<const IndexedFolder *> indexed; // each folder's in the index, if it has one
    const int workers;
    QElapsedTimer clock;
    std::atomic<bool> stop = false;
    std::atomic<bool> full = false; // the hit limit is reached
    std::atomic<qsizetype> hitCount = 0;

    std::vector<NoteListing> listings;
    std::atomic<int> nextFolder = 0;
    std::atomic<int> foldersListed = 0;
    std::vector<qsizetype> firstNote; // of each folder in the book's count; then the total
    std::atomic<qsizetype> total = 0;

    std::atomic<qsizetype> nextNote = 0;
    std::atomic<qsizetype> done = 0;
    std::atomic<int> searchersLeft;
    std::atomic<bool> finished = false;
    QMutex mutex;
    Findings findings;     // of the workers that are done
    qsizetype notesIn = 0; // whose findings are in `findings`
};

// One worker's part of the search: a buffer for the notes' bytes that grows to the largest
// note it reads, and the hits it has not sent yet.
class BookSearch::Run::Searcher
{
public:
    explicit Searcher(Run &run) : m_run(run) {}

    void searchNote(int folder, qsizetype note);
    void sendHits(bool all);
    Findings findings;

private:
    bool searchIndexed(int folder, qsizetype note);
    void collectHits(QStringView text, int folder, qsizetype note);

    Run &m_run;
    QByteArray m_buffer;
    QString m_path;
    QList<BookSearchHit> m_hits;
    qint64 m_sendAt = 0;
};

void BookSearch::Run::Searcher::searchNote(int folder, qsizetype note)
{
    const QString &dir = m_run.request.folders[folder].dir;
    m_path.resize(0);
    m_path.append(dir).append(u'/').append(m_run.listings[size_t(folder)].fileNameAt(note));
    const auto place = [&](QString reason) { return Placed{folder, note, m_path, reason}; };
    if (searchIndexed(folder, note))
        return;

    FileReader reader(m_path);
    if (!reader.isOpen()) {
        findings.unreadable.push_back(place(reader.error()));
        return;
    }
    if (judgeNoteSize(reader.size(), m_run.request.limits) != NoteSizeVerdict::Open) {
        findings.large.push_back(place({}));
        return;
    }
    if (m_buffer.size() < reader.size())
        m_buffer.resize(std::max(reader.size(), 2 * m_buffer.size()));
    const qint64 got = reader.read(m_buffer.data(), reader.size());
    if (got < 0 || !reader.atExpectedEnd(got)) {
        findings.unreadable.push_back(place(reader.error()));
        return;
    }
    const QByteArrayView bytes(m_buffer.constData(), got);
    // Neither a keyword's cipher nor a passphrase's is searched: their text is not to be had.
    if (IsNoteEncoded(bytes) || isAgeFile(bytes)) {
        findings.enciphered.push_back(place({}));
        return;
    }
    ++findings.searched;
    if (m_run.matcher.mayMatch(bytes))
        collectHits(decodeNoteBytes(bytes).text, folder, note);
}

// A note the index holds as its file is now: searched without reading it, judged as a read
// would judge it. False when the file must be read.
bool BookSearch::Run::Searcher::searchIndexed(int folder, qsizetype note)
{
    const IndexedFolder *indexed = m_run.indexed[size_t(folder)];
    if (!indexed)
        return false;
    // The folder's notes are in list order too: unless notes were made or removed since, the
    // note is at the same place.
    const QStringView fileName = m_run.listings[size_t(folder)].fileNameAt(note);
    const bool samePlace = note < qsizetype(indexed->notes.size()) &&
                           indexed->notes[size_t(note)].fileName == fileName;
    const qsizetype at = samePlace ? note : indexed->indexOf(fileName);
    if (at < 0)
        return false;
    const IndexedNote &kept = indexed->notes[size_t(at)];
    if (!kept.hasText() && kept.kind != IndexedKind::Encoded)
        return false;
    const auto watched = m_run.request.watched.constFind(m_run.request.folders[folder].dir);
    const bool unchanged = kept.ownFile && watched != m_run.request.watched.cend() &&
                           !watched->contains(kept.fileName);
    if (!unchanged && stampOfFile(m_path) != kept.stamp)
        return false;
    if (judgeNoteSize(kept.stamp.size, m_run.request.limits) != NoteSizeVerdict::Open) {
        findings.large.push_back({folder, note, m_path, {}});
    } else if (kept.kind == IndexedKind::Encoded) {
        findings.enciphered.push_back({folder, note, m_path, {}});
    } else {
        ++findings.searched;
        if (m_run.matcher.mayMatch(kept.bytes))
            collectHits(decodeNoteBytes(kept.bytes).text, folder, note);
    }
    return true;
}

void BookSearch::Run::Searcher::collectHits(QStringView text, int folder, qsizetype note)
{
    const NoteMatcher &matcher = m_run.matcher;
    const qsizetype length = matcher.length();
    QString fileName;
    qsizetype line = 1;
    qsizetype lineStart = 0;
    qsizetype counted = 0;  // line feeds are counted up to here
    qsizetype lineEnd = -1; // of the line of the last match; no match holds a line feed
    for (qsizetype at = matcher.indexIn(text, 0); at >= 0;
         at = matcher.indexIn(text, at + length)) {
        for (; counted < at; ++counted) {
            if (text[counted] == u'\n') {
                ++line;
                lineStart = counted + 1;
            }
        }
        if (at > lineEnd) {
            lineEnd = text.indexOf(u'\n', at);
            if (lineEnd < 0)
                lineEnd = text.size();
        }
        const auto [from, to] =
            spanAroundMatch(text, lineStart, lineEnd, at, length, kLineKept, kKeptBeforeMatch);
        if (m_run.request.hitLimit > 0 && ++m_run.hitCount > m_run.request.hitLimit) {
            m_run.full = true;
            return;
        }
        if (fileName.isEmpty())
            fileName = m_run.listings[size_t(folder)].fileNameAt(note).toString();
        const BookSearchFolder &where = m_run.request.folders[folder];
        m_hits.append({where.row, note, where.name, fileName, line, at - lineStart, at, length,
                       text.sliced(from, to - from).toString(), at - from, from > lineStart,
                       to < lineEnd});
        ++findings.hits;
    }
}

// Hits go out at once when none went out for a while, so that the first is seen at once, and
// after that in batches.
void BookSearch::Run::Searcher::sendHits(bool all)
{
    if (m_hits.isEmpty() || m_run.stop.load(std::memory_order_relaxed))
        return;
    const qint64 now = m_run.clock.elapsed();
    if (!all && now < m_sendAt && m_hits.size() < kBatchHits)
        return;
    m_sendAt = now + kBatchMs;
    QMetaObject::invokeMethod(
        m_run.owner,
        [owner = m_run.owner, generation = m_run.generation, hits = std::move(m_hits)] {
            owner->deliverHits(generation, hits);
        },
        Qt::QueuedConnection);
    m_hits = {};
}

// The threads of a search, listing or searching, let the user's typing go first. The thread that
// lists the last folder starts the search of the notes, and the one that brings in the findings
// of the last note ends it: a thread that the system starts late is not waited for.
void BookSearch::Run::listFolders()
{
    lowerThreadPriority();
    const int folders = int(listings.size());
    for (int folder = nextFolder++; folder < folders && !stop; folder = nextFolder++) {
        listings[size_t(folder)] = listingOf(folder);
        if (++foldersListed == folders && !stop)
            startSearching();
    }
}

void BookSearch::Run::startSearching()
{
    qsizetype count = 0;
    for (const NoteListing &listing : listings) {
        firstNote.push_back(count);
        count += listing.size();
    }
    firstNote.push_back(count);
    total = count;
    for (int i = 1; i < workers; ++i)
        owner->m_pool.start([run = shared_from_this()] { run->searchNotes(); });
    searchNotes();
}

// A watched folder in which no note changed since the index read them lists as the index has it.
NoteListing BookSearch::Run::listingOf(int folder) const
{
    const QString &dir = request.folders[folder].dir;
    const IndexedFolder *held = indexed[size_t(folder)];
    const auto watched = request.watched.constFind(dir);
    if (!held || !held->error.isEmpty() || watched == request.watched.cend() || !watched->isEmpty())
        return listNoteFiles(dir);
    return held->listing;
}

void BookSearch::Run::searchNotes()
{
    lowerThreadPriority();
    Searcher searcher(*this);
    const qsizetype count = total;
    qsizetype searched = 0;
    while (!stop && !full) {
        const qsizetype first = nextNote.fetch_add(kNotesPerTake);
        if (first >= count)
            break;
        const qsizetype end = std::min(first + kNotesPerTake, count);
        auto folder = std::upper_bound(firstNote.cbegin(), firstNote.cend(), first) - 1;
        qsizetype index = first;
        for (; index < end && !stop && !full; ++index) {
            while (index >= folder[1])
                ++folder;
            searcher.searchNote(int(folder - firstNote.cbegin()), index - *folder);
        }
        done += index - first;
        searched += index - first;
        searcher.sendHits(false);
    }
    searcher.sendHits(true);
    bool allIn = false;
    {
        QMutexLocker lock(&mutex);
        findings.takeFrom(searcher.findings);
        notesIn += searched;
        allIn = notesIn == count;
    }
    // Stopped at the hit limit, the notes are not all in: the last searcher ends the search.
    if ((allIn || --searchersLeft == 0) && !stop && !finished.exchange(true))
        finish();
}

void BookSearch::Run::finish()
{
    QMutexLocker lock(&mutex); // a searcher that came late may still bring its empty findings
    BookSearchSummary summary;
    summary.notesTotal = total;
    summary.notesSearched = findings.searched;
    summary.hits = findings.hits;
    summary.hitLimitReached = full;
    const auto path = [](const Placed &p) { return p.path; };
    summary.encipheredNotes = inBookOrder(findings.enciphered, path);
    summary.largeNotes = inBookOrder(findings.large, path);
    summary.unreadableNotes = inBookOrder(findings.unreadable, [](const Placed &p) {
        return BookSearchProblem{p.path, p.reason};
    });
    for (size_t folder = 0; folder < listings.size(); ++folder) {
        if (!listings[folder].error.isEmpty())
            summary.unreadableFolders.append(
                {request.folders[qsizetype(folder)].dir, listings[folder].error});
    }
    QMetaObject::invokeMethod(
        owner,
        [owner = owner, generation = generation, summary = std::move(summary)] {
            owner->deliverSummary(generation, summary);
        },
        Qt::QueuedConnection);
}

BookSearch::BookSearch(QObject *parent) : QObject(parent)
{
    m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
    m_progressTimer.setInterval(100);
    connect(&m_progressTimer, &QTimer::timeout, this, &BookSearch::reportProgress);
}

BookSearch::~BookSearch()
{
    cancel();
    m_pool.waitForDone();
}

void BookSearch::start(const BookSearchRequest &request)
{
    cancel();
    const int workers = m_pool.maxThreadCount();
    m_run = std::make_shared<Run>(*this, request, workers);
    m_doneReported = -1;
    if (m_run->matcher.findsNothing() || request.folders.isEmpty()) {
        // Nothing is searched, but the search still ends as every search does: later.
        QMetaObject::invokeMethod(
            this, [this, generation = m_generation] { deliverSummary(generation, {}); },
            Qt::QueuedConnection);
        return;
    }
    for (int i = 0; i < workers; ++i)
        m_pool.start([run = m_run] { run->listFolders(); });
    m_progressTimer.start();
}

void BookSearch::cancel()
{
    if (m_run)
        m_run->stop = true;
    m_run.reset();
    m_progressTimer.stop();
    ++m_generation;
}

void BookSearch::deliverHits(quint64 generation, const QList<BookSearchHit> &hits)
{
    if (generation == m_generation)
        Q_EMIT hitsFound(hits);
}

void BookSearch::deliverSummary(quint64 generation, const BookSearchSummary &summary)
{
    if (generation != m_generation)
        return;
    reportProgress();
    m_run.reset();
    m_progressTimer.stop();
    ++m_generation;
    Q_EMIT finished(summary);
}

void BookSearch::reportProgress()
{
    if (!m_run || m_run->total == 0 || m_run->done == m_doneReported)
        return;
    m_doneReported = m_run->done;
    Q_EMIT progress(m_doneReported, m_run->total);
}

} // namespace qb
