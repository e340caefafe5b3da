#include "find/BookIndex.h"

#include "find/NoteIndexBuilder.h"

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
    m_rowsOfDir.clear();
    m_due.clear();
    m_settle.stop();
    m_worker.waitForDone();
    m_index.clear();
    for (const BookSearchFolder &folder : folders) {
        m_rowsOfDir.insert(folder.dir, folder.row);
        if (!m_watcher.directories().contains(folder.dir))
            m_watcher.addPath(folder.dir);
    }
    m_builder->start(folders);
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
}

void BookIndex::waitUntilCurrent()
{
    m_builder->waitForThreads();
    if (m_settle.isActive()) {
        m_settle.stop();
        relistDue();
    }
    m_worker.waitForDone();
}

} // namespace qb
