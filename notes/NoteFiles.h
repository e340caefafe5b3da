#pragma once

#include "platform/SafeFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace qb {

struct NoteListing
{
    QStringList fileNames; // real file names ("Ideas.TXT" stays so), in note list order
    QString error;         // why the folder could not be read (fully); empty when it could
};

// The note files directly inside `dirPath`: regular files, or links to one, whose name ends in
// ".txt" in any letter case; hidden files are left out. Sorted by NoteFileNameLess.
// A folder that is missing or unreadable gives what could be read and the reason.
// Temporary files of saves cut short more than an hour ago are removed on the way.
NoteListing ListNoteFiles(const QString &dirPath);

// Note list order: the note names under simple Unicode case folding, compared UTF-16 unit by
// unit (locale-free, so every machine shows the same order; digits are not read as numbers);
// names equal in that way go by a case-sensitive compare, then by the whole file name.
bool NoteFileNameLess(const QString &fileNameA, const QString &fileNameB);

// The name a note is shown by: the file name less its last four characters (".txt").
QString NoteNameOf(const QString &fileName);

// `name` with ".txt" appended unless its last four characters already are ".txt" in any case.
QString EnsureTxtExtension(const QString &name);

// The text after the last '\' or '/' of `path`; all of it when there is none.
QString FileNamePart(const QString &path);

// The path of `fileName` inside the folder `dirPath`.
QString NoteFilePath(const QString &dirPath, const QString &fileName);

// Checks a final note file name (".txt" already appended) made from a name the user typed:
// nullopt when it can name a note file in a folder, else the reason, written for the user.
std::optional<QString> CheckNoteFileName(const QString &fileName);

// Creates `path` holding one empty line (CR LF). Refuses, and leaves alone, an existing file.
FileError CreateNoteFile(const QString &path);

// True when both paths name one existing file (through links or another spelling too).
bool IsSameFile(const QString &a, const QString &b);

// Copies the file `source`, at most `largest` bytes, to the path `destination`, replacing a file
// there only when `replaceExisting` is set. The destination never holds part of the copy: it is
// written whole or not at all. Copying a file onto itself leaves it as it is.
FileError CopyNoteFile(const QString &source, const QString &destination, bool replaceExisting,
                       qint64 largest);

// Renames the file `from` to `to`, never onto another existing file; on failure nothing has
// changed. A rename that changes only letter case works on any file system.
FileError RenameNoteFile(const QString &from, const QString &to);

// Moves `path` to the system's trash. Deletes it only on a system that has no trash; a move
// that fails for any other reason is reported and the file stays.
FileError MoveNoteToTrash(const QString &path);

// What a note file held when it was loaded or saved.
struct NoteFingerprint
{
    qint64 size = -1;    // -1: no fingerprint, matches no file
    QDateTime modified;  // file time when taken; invalid when the file could not be read
    QByteArray digest;   // of the bytes

    bool isValid() const { return size >= 0; }
};

// Fingerprint of `bytes`, the content just read from or written to `path`, with its file time.
NoteFingerprint TakeFingerprint(const QString &path, const QByteArray &bytes);

struct FingerprintCheck
{
    enum class Outcome { Same, Changed, Unreadable };
    Outcome outcome = Outcome::Changed;
    QString error; // why the file could not be read, for Unreadable
};

// Whether `path` still holds what the fingerprint was taken of. Size and time are compared
// first, without reading; when both agree the bytes are read and their digest decides, because
// a same-size rewrite can keep the time (coarse file times, tools that restore them).
// A file that is gone, or was only touched, has changed; one that cannot be read is Unreadable.
FingerprintCheck CheckFingerprint(const QString &path, const NoteFingerprint &fingerprint);

} // namespace qb
