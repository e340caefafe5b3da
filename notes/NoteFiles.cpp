#include "notes/NoteFiles.h"

#include "notes/NoteSize.h"
#include "platform/FileOps.h"

namespace qb {

FileError CreateNoteFile(const QString &path)
{
    return WriteWholeFile(path, "\r\n", WriteMode::CreateNew).error;
}

FileError CopyNoteFile(const QString &source, const QString &destination, bool replaceExisting,
                       qint64 largest)
{
    // Rewriting a file with its own bytes would gain nothing and break any hard link to it.
    if (IsSameFile(source, destination))
        return replaceExisting ? FileError() : FileError(AlreadyExistsText());
    const ReadResult read = ReadWholeFile(source, largest);
    if (!read.ok())
        return read.tooLarge ? TooLargeToOpenText(read.size) : read.error;
    return WriteWholeFile(destination, read.bytes,
                          replaceExisting ? WriteMode::Replace : WriteMode::CreateNew)
        .error;
}

} // namespace qb
