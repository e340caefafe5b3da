#pragma once

#include "find/BookSearch.h"
#include "find/NoteIndex.h"
#include "platform/FolderChanges.h"

#include <QFileSystemWatcher>
#include <QMultiHash>
#include <QObject>
#include <QSet>
#include <QSocketNotifier>
#include <QThreadPool>
#include <QTimer>

#include <memory>

namespace qb {

class NoteIndexBuilder;

// The open book's notes held in memory for Go to Note and Find in Book, never written to disk:
// read when the book opens, off the window's thread, and kept current by watching the book's
// folders. Where the system tells of every write (FolderChanges), each note written is read
// again and Find in Book trusts the others as they are held; elsewhere a folder is listed again
// when notes are made, removed or renamed in it (this program's saves among them), and a note
// written over in place by another program is caught by its file's stamp: Find in Book reads it
// again, and Go to Note when a result of it is opened.
class BookIndex final : public QObject
{
    Q_OBJECT
public:
    explicit BookIndex(QObject *parent = nullptr);
    ~BookIndex() override;

    // Reads `folders`, a book's, in place of what was held.
    void open(const QList<BookSearchFolder> &folders);
    NoteIndexSnapshotPtr snapshot() const { return m_index.snapshot(); }
    // Takes in the changes the system has told of so far, and fills in what a search of the
    // book may take from the index.
    void lendTo(BookSearchRequest &request);
    // The index itself, for a note seen to have changed.
    NoteIndex &index() { return m_index; }
    // Waits until the book is read and the changes seen so far are in: for tests and
    // measurements.
    void waitUntilCurrent();

Q_SIGNALS:
    // The index holds the whole book.
    void built();

private:
    // The watches of `dirs` placed, each `seen` when FolderChanges tells of its every change:
    // the others are watched here, and the book's folders are read.
    void watchesPlaced(const QList<BookSearchFolder> &folders, const QStringList &dirs,
                       const QList<bool> &seen);
    // The folder at `dir` changed: listed again, a moment after the last change of a burst.
    void folderChanged(const QString &dir);
    void relistDue();
    // Takes the changes FolderChanges has, and schedules the notes written to be read again.
    void takeChanges();
    void noteRead(const QString &dir, const QString &fileName, quint64 change);

    NoteIndex m_index;
    std::unique_ptr<NoteIndexBuilder> m_builder;
    QFileSystemWatcher m_watcher;
    QMultiHash<QString, int> m_rowsOfDir; // two folders may share a directory
    QList<int> m_due;                     // folder rows to list again
    // The folders whose every change FolderChanges tells of, each with the notes changed
    // since the index read them, and the number of each one's last change.
    FolderChanges m_changes;
    std::unique_ptr<QSocketNotifier> m_changesReady;
    bool m_placingWatches = false; // m_worker has FolderChanges meanwhile
    QHash<QString, QHash<QString, quint64>> m_watched;
    QSet<std::pair<QString, QString>> m_dueNotes; // directory and file name, to read again
    quint64 m_lastChange = 0;
    QTimer m_settle;
    QThreadPool m_worker; // one thread: the changes in order
};

} // namespace qb
