#pragma once

#include "platform/SafeFile.h"

#include <QString>

namespace qb {

// Creates `path` holding one empty line (CR LF). Refuses, and leaves alone, an existing file.
FileError createNoteFile(const QString &path);

// Copies the file `source`, at most `largest` bytes, to the path `destination`, replacing a file
// there only when `replaceExisting` is set. The destination never holds part of the copy: it is
// written whole or not at all. Copying a file onto itself leaves it as it is.
FileError copyNoteFile(const QString &source, const QString &destination, bool replaceExisting,
                       qint64 largest);

} // namespace qb
