#pragma once

#include "find/IndexedNote.h"
#include "notes/NoteListing.h"

#include <QList>
#include <QMutex>
#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace qb {

// One folder of the book as the index holds it. Never changed once published: a change makes
// a new folder that shares the unchanged notes' names and bytes.
struct IndexedFolder
{
    int row = 0; // in the book, as BookSearchFolder::row
    QString name;
    QString dir;
    QString error; // why the folder could not be listed (fully); empty when it could
    std::vector<IndexedNote> notes; // in note list order (noteFileNameLess)
    std::vector<quint32> byRecency; // places in notes, the most recently changed first
    qint64 textBytes = 0;           // of the notes that keep text
    // Every note's name folded by foldedUnits, each followed by a line feed, which no word
    // holds; nameStarts has where each starts, then the end.
    QString foldedNames;
    std::vector<quint32> nameStarts;
    // The notes' file names as a listing of the folder gives them, for Find in Book.
    NoteListing listing;

    // The note of that file name; -1 when there is none.
    qsizetype indexOf(QStringView fileName) const;
    // Puts `note` in its place, or in the place of the note of the same file name.
    void put(IndexedNote note);
    // Works out byRecency, textBytes and the folded names once the notes are in.
    void finish();
};

// Each UTF-16 unit case folded on its own, as Find compares text outside surrogate pairs: a text
// without surrogates is in another, letter case aside, exactly where its folded units are in the
// other's.
QString foldedUnits(QStringView text);

// Where a note is in a snapshot.
struct IndexedNoteRef
{
    const IndexedNote *note = nullptr;
    quint32 folder = 0; // in NoteIndexSnapshot::folders()
    quint32 index = 0;  // in that folder's notes
};

// The whole index at one moment, never changed: queries read it on any thread without a lock,
// and keep it alive for as long as they run.
class NoteIndexSnapshot
{
public:
    NoteIndexSnapshot() = default;
    explicit NoteIndexSnapshot(std::vector<std::shared_ptr<const IndexedFolder>> folders);

    // In book order.
    const std::vector<std::shared_ptr<const IndexedFolder>> &folders() const { return m_folders; }
    const IndexedFolder *folderWithRow(int row) const;
    const IndexedFolder *folderWithDir(const QString &dir) const;

    qsizetype noteCount() const { return m_noteCount; }
    // The bytes of text held, and the notes holding them.
    qint64 textBytes() const { return m_textBytes; }

    // Every note, the most recently changed first; notes as recent in book order. Worked out
    // on first use by whichever thread asks first.
    const std::vector<IndexedNoteRef> &byRecency() const;

private:
    std::vector<std::shared_ptr<const IndexedFolder>> m_folders;
    qsizetype m_noteCount = 0;
    qint64 m_textBytes = 0;
    mutable std::once_flag m_orderOnce;
    mutable std::vector<IndexedNoteRef> m_byRecency;
};

using NoteIndexSnapshotPtr = std::shared_ptr<const NoteIndexSnapshot>;

// The note index of the open book: a snapshot that readers take without waiting, replaced whole
// by each change. Changes read the disk, so they belong on a worker thread; they take turns
// with each other, never with readers, and each copies only the folder it changes.
class NoteIndex
{
public:
    NoteIndex();
    ~NoteIndex();
    NoteIndex(const NoteIndex &) = delete;
    NoteIndex &operator=(const NoteIndex &) = delete;

    NoteIndexSnapshotPtr snapshot() const { return m_snapshot.load(std::memory_order_acquire); }

    // Notes larger than this keep no text (matched by name only).
    void setLargestNote(qint64 bytes) { m_largest = bytes; }
    qint64 largestNote() const { return m_largest; }

    // The note `fileName` of the folder as the disk has it now: read again, added when new,
    // removed when gone.
    void updateNote(int folderRow, const QString &fileName);
    // The note is gone.
    void removeNote(int folderRow, const QString &fileName);
    // The note was renamed: its text is kept when the file under its new name has the stamp
    // the index saw, else read again.
    void renameNote(int folderRow, const QString &oldFileName, const QString &newFileName);
    // The folder listed again: notes made and removed behind the program's back are added and
    // dropped, and notes whose stamp changed read again.
    void relistFolder(int folderRow);
    // An empty index.
    void clear();

    // For a builder: changes made from now on are made again on the snapshot it installs, which
    // was read from the disk before them.
    // Each build has a number; an older build's snapshot is not installed.
    quint64 beginBuild();
    void installBuilt(quint64 build, NoteIndexSnapshotPtr built);
    void abandonBuild(quint64 build);

private:
    struct Change
    {
        int folderRow;
        QString fileName; // empty: the whole folder listed again
    };
    using Folders = std::vector<std::shared_ptr<const IndexedFolder>>;
    // Makes the folder's note `change.fileName` what the disk holds now, or the whole folder.
    void apply(Folders &folders, const Change &change) const;
    // Runs `edit` on a copy of the folder of `row`, publishes the result, and keeps `redo` for
    // a build under way.
    template <typename Edit> void change(int row, Edit edit, std::initializer_list<Change> redo);

    std::atomic<NoteIndexSnapshotPtr> m_snapshot;
    std::atomic<qint64> m_largest;
    QMutex m_writing;    // changes take turns
    quint64 m_build = 0; // the build under way; 0: none
    quint64 m_lastBuild = 0;
    std::vector<Change> m_duringBuild;
};

} // namespace qb
