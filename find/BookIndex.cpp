#include "find/BookIndex.h"

#include "find/NoteIndexBuilder.h"
#include "notes/NoteListing.h"

#include <QCoreApplication>

namespace qb {
namespace {

// A burst of changes to a folder (a save is several) is taken in once it has settled.
constexpr int kSettleMilliseconds = 150;

} // namespace

BookIndex::BookIndex(QObject *parent)
    : QObject(parent), m_builder(std::make_unique<NoteIndexBuilder>(m_index))
{
    m_worker.setMaxThreadCount(1);
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMilliseconds);
    connect(&m_settle, &QTimer::timeout, this, &BookIndex::relistDue);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &BookIndex::folderChanged);
    connect(m_builder.get(), &NoteIndexBuilder::finished, this, &BookIndex::built);
    if (m_changes.descriptor() >= 0) {
        m_changesReady =
            std::make_unique<QSocketNotifier>(m_changes.descriptor(), QSocketNotifier::Read);
        connect(m_changesReady.get(), &QSocketNotifier::activated, this, &BookIndex::takeChanges);
    }
}

BookIndex::~BookIndex()
{
    m_builder.reset();
    m_worker.waitForDone();
}

void BookIndex::open(const QList<BookSearchFolder> &folders)
{
    if (const QStringList watched = m_watcher.directories(); !watched.isEmpty())
        m_watcher.removePaths(watched);
    m_watched.clear();
    m_dueNotes.clear();
    m_rowsOfDir.clear();
    m_due.clear();
    m_settle.stop();
    m_builder->cancel();
    m_worker.waitForDone();
    // What the jobs just done had to say is of the book before.
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    m_index.clear();
    QStringList dirs;
    for (const BookSearchFolder &folder : folders) {
        m_rowsOfDir.insert(folder.dir, folder.row);
        if (!dirs.contains(folder.dir))
            dirs.append(folder.dir);
    }
    // The system marks each file a folder holds when the folder is watched, which takes a while
    // for a large one: the watches are placed off the window's thread, and the window's thread
    // leaves FolderChanges alone until they are.
    m_placingWatches = true;
    if (m_changesReady)
        m_changesReady->setEnabled(false);
    m_worker.start([this, folders, dirs] {
        m_changes.unwatchAll();
        QList<bool> seen;
        for (const QString &dir : dirs)
            seen.append(m_changes.watch(dir));
        QMetaObject::invokeMethod(
            this, [this, folders, dirs, seen] { watchesPlaced(folders, dirs, seen); },
            Qt::QueuedConnection);
    });
}

// The folders are listed once watched, so that no change is missed.
void BookIndex::watchesPlaced(const QList<BookSearchFolder> &folders, const QStringList &dirs,
                              const QList<bool> &seen)
{
    for (qsizetype i = 0; i < dirs.size(); ++i) {
        if (seen[i])
            m_watched.insert(dirs[i], {});
        else
            m_watcher.addPath(dirs[i]);
    }
    m_placingWatches = false;
    if (m_changesReady)
        m_changesReady->setEnabled(true);
    m_builder->start(folders);
    takeChanges();
}

void BookIndex::lendTo(BookSearchRequest &request)
{
    takeChanges();
    request.index = m_index.snapshot();
    request.watched.clear();
    for (auto it = m_watched.cbegin(); it != m_watched.cend(); ++it)
        request.watched.insert(it.key(), QSet<QString>(it->keyBegin(), it->keyEnd()));
}

void BookIndex::takeChanges()
{
    if (m_placingWatches)
        return;
    for (const FolderChanges::Change &change : m_changes.take()) {
        const auto watched = m_watched.find(change.dir);
        if (watched == m_watched.end())
            continue;
        if (change.fileName.isEmpty()) {
            // No longer watched: the folder is looked at as an unwatched one is.
            m_watched.erase(watched);
            folderChanged(change.dir);
        } else if (isNoteFileName(change.fileName)) {
            watched->insert(change.fileName, ++m_lastChange);
            m_dueNotes.insert({change.dir, change.fileName});
            m_settle.start();
        }
    }
}

void BookIndex::folderChanged(const QString &dir)
{
    for (const int row : m_rowsOfDir.values(dir)) {
        if (!m_due.contains(row))
            m_due.append(row);
    }
    if (!m_due.isEmpty())
        m_settle.start();
}

void BookIndex::relistDue()
{
    for (const int row : std::exchange(m_due, {}))
        m_worker.start([this, row] { m_index.relistFolder(row); });
    for (const auto &due : std::exchange(m_dueNotes, {})) {
        const QString &dir = due.first;
        const QString &fileName = due.second;
        const quint64 change = m_watched.value(dir).value(fileName);
        m_worker.start([this, rows = m_rowsOfDir.values(dir), dir, fileName, change] {
            for (const int row : rows)
                m_index.updateNote(row, fileName);
            QMetaObject::invokeMethod(
                this, [this, dir, fileName, change] { noteRead(dir, fileName, change); },
                Qt::QueuedConnection);
        });
    }
}

// The note is held as it was read after its last change, unless it changed again since.
void BookIndex::noteRead(const QString &dir, const QString &fileName, quint64 change)
{
    const auto watched = m_watched.find(dir);
    if (watched != m_watched.end() && watched->value(fileName) == change)
        watched->remove(fileName);
}

void BookIndex::waitUntilCurrent()
{
    // The watches placed and the build started first.
    m_worker.waitForDone();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    m_builder->waitForThreads();
    takeChanges();
    if (m_settle.isActive()) {
        m_settle.stop();
        relistDue();
    }
    m_worker.waitForDone();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

} // namespace qb
