#include "find/NoteIndexBuilder.h"

#include "find/NoteIndex.h"
#include "notes/NoteListing.h"
#include "platform/ThreadPriority.h"

#include <QThread>

#include <algorithm>
#include <atomic>
#include <vector>

namespace qb {

namespace {

constexpr qsizetype kNotesPerTake = 32;

} // namespace

// The state one build shares between its workers, as a Find in Book search does: the workers
// first list the folders, each taking the next folder not taken; the last one to finish counts
// the notes and starts the others again on the notes, taken a few at a time. The last reader
// to finish hands the book to the index.
struct NoteIndexBuilder::Run : std::enable_shared_from_this<NoteIndexBuilder::Run>
{
    Run(NoteIndexBuilder &builder, const QList<BookSearchFolder> &bookFolders, int workerCount)
        : owner(&builder), pool(&builder.m_pool), index(builder.m_index),
          generation(builder.m_generation), build(builder.m_index.beginBuild()),
          largest(builder.m_index.largestNote()), folders(bookFolders), workers(workerCount),
          listings(size_t(bookFolders.size())), notes(size_t(bookFolders.size())),
          listersLeft(workerCount), readersLeft(workerCount)
    {
    }

    void listFolders();
    void readNotes();
    void finish();

    NoteIndexBuilder *const owner;
    QThreadPool *const pool;
    NoteIndex &index;
    const quint64 generation;
    const quint64 build;
    const qint64 largest;
    const QList<BookSearchFolder> folders;
    const int workers;
    std::atomic<bool> stop = false;

    std::vector<NoteListing> listings;
    std::vector<std::vector<IndexedNote>> notes; // of each folder, in note list order
    std::atomic<int> nextFolder = 0;
    std::atomic<int> listersLeft;
    std::vector<qsizetype> firstNote; // of each folder in the book's count; then the total
    qsizetype total = 0;

    std::atomic<qsizetype> nextNote = 0;
    std::atomic<int> readersLeft;
};

// The threads of a build let the user's typing go first.
void NoteIndexBuilder::Run::listFolders()
{
    lowerThreadPriority();
    for (int f = nextFolder++; f < int(listings.size()) && !stop; f = nextFolder++) {
        listings[size_t(f)] = listNoteFiles(folders[f].dir);
        notes[size_t(f)].resize(size_t(listings[size_t(f)].size()));
    }
    if (--listersLeft > 0 || stop)
        return;
    for (const NoteListing &listing : listings) {
        firstNote.push_back(total);
        total += listing.size();
    }
    firstNote.push_back(total);
    for (int i = 1; i < workers; ++i)
        pool->start([run = shared_from_this()] { run->readNotes(); });
    readNotes();
}

void NoteIndexBuilder::Run::readNotes()
{
    lowerThreadPriority();
    while (!stop) {
        const qsizetype first = nextNote.fetch_add(kNotesPerTake);
        if (first >= total)
            break;
        const qsizetype end = std::min(first + kNotesPerTake, total);
        auto folder = std::upper_bound(firstNote.cbegin(), firstNote.cend(), first) - 1;
        for (qsizetype i = first; i < end && !stop; ++i) {
            while (i >= folder[1])
                ++folder;
            const size_t f = size_t(folder - firstNote.cbegin());
            const qsizetype note = i - *folder;
            notes[f][size_t(note)] = readIndexedNote(
                folders[qsizetype(f)].dir, listings[f].fileNameAt(note).toString(), largest);
        }
    }
    if (--readersLeft == 0)
        finish();
}

void NoteIndexBuilder::Run::finish()
{
    if (stop) {
        index.abandonBuild(build);
        return;
    }
    std::vector<std::shared_ptr<const IndexedFolder>> made;
    made.reserve(notes.size());
    for (size_t f = 0; f < notes.size(); ++f) {
        auto folder = std::make_shared<IndexedFolder>();
        const BookSearchFolder &from = folders[qsizetype(f)];
        folder->row = from.row;
        folder->name = from.name;
        folder->dir = from.dir;
        folder->error = listings[f].error;
        folder->notes = std::move(notes[f]);
        folder->finish();
        made.push_back(std::move(folder));
    }
    listings.clear();
    index.installBuilt(build, std::make_shared<const NoteIndexSnapshot>(std::move(made)));
    QMetaObject::invokeMethod(
        owner, [owner = owner, generation = generation] { owner->deliverFinished(generation); },
        Qt::QueuedConnection);
}

NoteIndexBuilder::NoteIndexBuilder(NoteIndex &index, QObject *parent)
    : QObject(parent), m_index(index)
{
    m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
}

NoteIndexBuilder::~NoteIndexBuilder()
{
    cancel();
    m_pool.waitForDone();
}

void NoteIndexBuilder::start(const QList<BookSearchFolder> &folders)
{
    cancel();
    const int workers = m_pool.maxThreadCount();
    m_run = std::make_shared<Run>(*this, folders, workers);
    for (int i = 0; i < workers; ++i)
        m_pool.start([run = m_run] { run->listFolders(); });
}

void NoteIndexBuilder::cancel()
{
    if (m_run) {
        m_run->stop = true;
        m_index.abandonBuild(m_run->build);
    }
    m_run.reset();
    ++m_generation;
}

bool NoteIndexBuilder::waitForThreads(int ms)
{
    return m_pool.waitForDone(ms);
}

void NoteIndexBuilder::deliverFinished(quint64 generation)
{
    if (generation != m_generation)
        return;
    m_run.reset();
    ++m_generation;
    Q_EMIT finished();
}

} // namespace qb
