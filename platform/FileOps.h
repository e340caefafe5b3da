#pragma once

#include "platform/SafeFile.h"

#include <QString>

namespace qb {

// True when both paths name one existing file (through links or another spelling too).
bool isSameFile(const QString &a, const QString &b);

// Renames the file `from` to `to`, never onto another existing file; on failure nothing has
// changed. A rename that changes only letter case works on any file system.
FileError renameFile(const QString &from, const QString &to);

// Moves `path` to the system's trash. Deletes it only on a system that has no trash; a move
// that fails for any other reason is reported and the file stays.
FileError moveToTrash(const QString &path);

} // namespace qb
