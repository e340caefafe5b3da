#include "notes/NoteFiles.h"

#include "platform/FileOps.h"
#include "platform/SizeText.h"

namespace qb {

FileError createNoteFile(const QString &path)
{
    return writeWholeFile(path, "\r\n", WriteMode::CreateNew).error;
}

FileError copyNoteFile(const QString &source, const QString &destination, bool replaceExisting,
                       qint64 largest)
{
    // Rewriting a file with its own bytes would gain nothing and break any hard link to it.
    if (isSameFile(source, destination))
        return replaceExisting ? FileError() : FileError(alreadyExistsText());
    const ReadResult read = readWholeFile(source, largest);
    if (!read.ok())
        return read.tooLarge ? tooLargeToOpenText(read.size) : read.error;
    return writeWholeFile(destination, read.bytes,
                          replaceExisting ? WriteMode::Replace : WriteMode::CreateNew)
        .error;
}

} // namespace qb
