#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>
#include <optional>

namespace qb {

// The outcome of a file operation: nullopt when it was done, else the reason, in the system's
// words where it gave some, ready to be shown beside the file's path.
using FileError = std::optional<QString>;

// What a path names, looked at without opening it, so that a pipe or a device never blocks.
struct FileProbe
{
    enum class Kind { Regular, Missing, NotRegular, Unreadable };
    Kind kind = Kind::Missing;
    qint64 size = 0;
    QString error;          // why it cannot be read as a file; empty for a regular file
    qint64 modifiedNs = -1; // of a regular file: its last change, in ns since 1970 UTC
};

FileProbe probeFile(const QString &path);

// A regular file opened for reading. The open never waits: a pipe, a device or a socket named
// like a note is refused instead of waited on, and so is a folder.
class FileReader
{
public:
    explicit FileReader(const QString &path);
    ~FileReader();
    FileReader(const FileReader &) = delete;
    FileReader &operator=(const FileReader &) = delete;

    bool isOpen() const;
    // Why the file could not be opened or read; empty while all is well.
    const QString &error() const { return m_error; }
    // The file's size and last change (in ns since 1970 UTC) when it was opened.
    qint64 size() const { return m_size; }
    qint64 modifiedNs() const { return m_modifiedNs; }
    // The path names the file itself, not through a link, and is its only name: a write to it
    // shows as a change of its folder.
    bool isOwnFile() const { return m_ownFile; }

    // Reads until `length` bytes are in or the file ends; the count read, or -1 after a failure.
    qint64 read(char *buffer, qint64 length);
    // True when the file ends exactly here, as its size said. Anything else is a failure: a file
    // that grew after it was opened, or a read error.
    bool atExpectedEnd(qint64 position);
    // The last failure was the file changing size while it was read, not a read error.
    bool changedWhileRead() const { return m_changed; }

private:
    // One read from the system, as much as it gives; -1, with the error kept, after a failure.
    qint64 readOnce(char *buffer, qint64 length);

    struct Handle;
    std::unique_ptr<Handle> m_handle;
    QString m_error;
    qint64 m_size = 0;
    qint64 m_modifiedNs = -1;
    bool m_ownFile = false;
    bool m_changed = false;
};

struct ReadResult
{
    QByteArray bytes;
    QString error; // why it could not be read; empty on success and when it was too large
    // Refused for its size alone, before anything was read: the caller words the refusal.
    bool tooLarge = false;
    qint64 size = 0; // the file's size, when it was too large
    bool ok() const { return error.isEmpty() && !tooLarge; }
};

// Reads a whole regular file in binary, through FileReader. The read must end at the end of the
// file with exactly as many bytes as the file held when it was opened: a read cut short by an
// error, or a file that shrank or grew meanwhile, is a failure with the system's reason. A file
// larger than `largest` bytes is refused before anything is read.
ReadResult readWholeFile(const QString &path, qint64 largest);

enum class WriteMode {
    Replace,   // replaces what `path` holds, or makes it
    CreateNew, // makes `path`; a file there, or one made there meanwhile, is never replaced
    // replaces the entry `path` itself, or makes it: a link there is replaced, never followed,
    // for a file of the program's own that nobody else is to choose the place of
    ReplaceEntry,
};

struct WriteResult
{
    FileError error;
    // The file holds the new bytes although `error` is set: they were written and put in place,
    // but the system could not confirm that the folder entry reached the disk.
    bool replaced = false;
    bool ok() const { return !error.has_value(); }
};

// Writes a file through a temporary file in the same folder, so that a failure or a crash at any
// point leaves the old file as it was: the bytes are written in full and synced to the disk,
// only then put in the file's place, and the folder is synced after. An existing file's
// permissions are kept, a link is written through to the file it names, and a file that is not
// writable is refused. The bytes may come in pieces of any size; a writer destroyed before its
// commit leaves nothing behind.
class SafeFileWriter
{
public:
    explicit SafeFileWriter(const QString &path, WriteMode mode = WriteMode::Replace);
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter &) = delete;
    SafeFileWriter &operator=(const SafeFileWriter &) = delete;

    // Why the file cannot be written: set when the start or a write failed.
    const FileError &error() const;
    // Appends `bytes`; false, writing nothing more, once something failed.
    bool write(QByteArrayView bytes);
    // Syncs the bytes and puts them in the file's place.
    WriteResult commit();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// The whole of `bytes` through a SafeFileWriter.
WriteResult writeWholeFile(const QString &path, QByteArrayView bytes,
                           WriteMode mode = WriteMode::Replace);

// The text of a "file already there" failure.
QString alreadyExistsText();

// Temporary files of a save are hidden and start with this, then six random letters, a '-' and
// the name of the file being saved.
inline constexpr char kSaveTempPrefix[] = ".qbsave-";

// True for a name SafeFileWriter gives its temporary files.
bool isSaveTempName(QByteArrayView fileName);

} // namespace qb
