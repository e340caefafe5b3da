#pragma once

#include "find/BookSearch.h"
#include "find/NoteIndex.h"

#include <QFileSystemWatcher>
#include <QMultiHash>
#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include <memory>

namespace qb {

class NoteIndexBuilder;

// The open book's notes held in memory for Go to Note and Find in Book, never written to disk:
// read when the book opens, off the window's thread, and kept current by watching the book's
// folders, where every note made, removed, renamed or saved by a rename (this program's saves
// among them) shows. A note written over in place by another program is caught when a result
// of it is opened: its file's stamp tells.
class BookIndex final : public QObject
{
    Q_OBJECT
public:
    explicit BookIndex(QObject *parent = nullptr);
    ~BookIndex() override;

    // Reads `folders`, a book's, in place of what was held.
    void open(const QList<BookSearchFolder> &folders);
    NoteIndexSnapshotPtr snapshot() const { return m_index.snapshot(); }
    // The index itself, for a note seen to have changed.
    NoteIndex &index() { return m_index; }
    // Waits until the book is read and the changes seen so far are in: for tests and
    // measurements.
    void waitUntilCurrent();

Q_SIGNALS:
    // The index holds the whole book.
    void built();

private:
    // The folder at `dir` changed: listed again, a moment after the last change of a burst.
    void folderChanged(const QString &dir);
    void relistDue();

    NoteIndex m_index;
    std::unique_ptr<NoteIndexBuilder> m_builder;
    QFileSystemWatcher m_watcher;
    QMultiHash<QString, int> m_rowsOfDir; // two folders may share a directory
    QList<int> m_due;                     // folder rows to list again
    QTimer m_settle;
    QThreadPool m_worker; // one thread: the changes in order
};

} // namespace qb
