#pragma once

#include "keeping/VersionCodec.h"
#include "platform/SafeFile.h"

#include <QDateTime>
#include <QList>
#include <QString>

namespace qb {

// One kept version of a note: the bytes its file held before a save replaced them.
struct NoteVersion
{
    qint64 takenMs = 0; // when it was taken: milliseconds since 1970, UTC
    int sequence = 0;   // orders the versions taken within one millisecond
    qint64 size = 0;    // the note's bytes, uncompressed
    QString filePath;   // the compressed file

    QDateTime taken() const;
    // True when this version was taken after `other`.
    bool newerThan(const NoteVersion &other) const
    {
        return takenMs != other.takenMs ? takenMs > other.takenMs : sequence > other.sequence;
    }
};

struct KeptVersion
{
    FileError error; // why the version could not be kept
    NoteVersion version;
    bool ok() const { return !error.has_value(); }
};

// The versions of notes, kept outside the notes' folders: a folder per note under the history's
// root, named by a hash of the note's absolute path and holding a file with that path, and a
// compressed file per version, named "<milliseconds>-<sequence>-<size>.zst" so that the names
// sort by the time the versions were taken. Nothing here ever opens a note for writing.
class NoteHistory
{
public:
    // `root` is the history's folder; it is made when the first version is kept.
    explicit NoteHistory(const QString &root = defaultRoot());

    // "<generic data location>/quirebox/history".
    static QString defaultRoot();
    const QString &root() const { return m_root; }

    // Keeps what `reader` holds as a version of `notePath`, taken at `takenMs`. The reader is read
    // to its end; a file that changes size meanwhile is not kept. Nothing is left of a version
    // that could not be kept.
    KeptVersion keep(const QString &notePath, FileReader &reader, qint64 takenMs);
    KeptVersion keep(const QString &notePath, QByteArrayView bytes, qint64 takenMs);

    // The versions of `notePath`, newest first.
    QList<NoteVersion> versions(const QString &notePath) const;
    // A version's bytes, at most `largest`; a damaged one is a failure with the reason.
    static VersionBytes read(const NoteVersion &version, qint64 largest);

    // Drops the versions of `notePath` that the thinning rule lets go (see thinnedVersions) for
    // the day of `now`; the count dropped.
    int thin(const QString &notePath, const QDateTime &now);
    // Drops versions, oldest first across every note, until the files of the whole history take
    // at most `capBytes`; never the version at `keepFilePath`. The count dropped.
    int cap(qint64 capBytes, const QString &keepFilePath = {});
    // Moves the versions of `fromNotePath` to those of `toNotePath`, with any that are kept there
    // already; nothing to move is no failure.
    FileError carry(const QString &fromNotePath, const QString &toNotePath);

    // The notes that have a folder here, by their paths.
    QStringList notes() const;

private:
    // The folder of `notePath`: the first of its candidates that is free or already its own.
    // Empty when there is none and `make` is false, or when one could not be made.
    QString folderOf(const QString &notePath, bool make, FileError *error = nullptr) const;
    KeptVersion startVersion(const QString &notePath, qint64 size, qint64 takenMs) const;
    static KeptVersion finish(SafeFileWriter &writer, KeptVersion started, FileError error);

    QString m_root;
};

// The versions the thinning rule keeps, given all versions of one note, newest first: the
// newest 50, whatever their age; of the others, the newest of each calendar day (in the time
// zone of `now`) for the 60 days before now's day. The rest are dropped.
QList<NoteVersion> thinnedVersions(const QList<NoteVersion> &newestFirst, const QDateTime &now);

// The cap of the whole history when it is not set: a tenth of the free space of its file system,
// at most 2 GiB.
qint64 defaultHistoryCap(qint64 freeBytes);
// The free bytes on the file system that holds `path`, or would hold it once made.
qint64 freeBytesFor(const QString &path);

} // namespace qb
