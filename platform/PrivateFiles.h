#pragma once

#include "platform/SafeFile.h"

#include <QFile>
#include <QString>

namespace qb {

// The program's own files that hold the user's text (recovery copies, the notes' history) are
// the user's alone: folders 0700, files 0600.
inline constexpr QFile::Permissions kPrivateFolderPermissions =
    QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
inline constexpr QFile::Permissions kPrivateFilePermissions = QFile::ReadOwner | QFile::WriteOwner;

// Makes the folder `path`, and each folder missing on the way, for the user alone; a `path` that
// is there but open to others is closed to them. nullopt once it is there.
FileError makePrivateFolder(const QString &path);

// Whether others may enter or read `path`.
bool isOpenToOthers(const QString &path);

// Closes `root` and every folder and file in it to others. Links are left as they are, and
// whatever they name.
void closeToOthers(const QString &root);

} // namespace qb
