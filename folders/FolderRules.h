#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace qb {

// The rules behind the folder commands and dialogs, kept apart from the widgets.

// The path of `name` inside `dir`: no second separator after a root such as "/" or "C:\".
QString joinDirectory(const QString &dir, const QString &name);
// The directory Create would make, or an empty string when `name` is not one plain name.
QString newDirectoryPath(const QString &dir, const QString &name);

// The places the drive list offers: drives on Windows; elsewhere "/", the user's home and the
// mounted volumes that are ready.
QStringList driveRoots();
// The entry of `drives` that holds `path` (the longest one that is a prefix of it).
QString driveOf(const QString &path, const QStringList &drives);
// `dir` and its ancestors, the root first and `dir` itself last.
QStringList directoryChain(const QString &dir);

QString renameFolderPrompt(const QString &folderName);
QString newFolderNamePrompt(const QString &directory);
QString driveAccessText(const QString &drive);
QString folderDeleteErrorText(const QString &directory);

// Why the directory `dir` must not be emptied and removed, or an empty string. Refused: a link
// to a directory, the file system's root, the user's home and a directory holding the open
// book's file.
QString deleteRefusal(const QString &dir, const QString &homeDir, const QString &bookFilePath);

// Moves a file to the system's trash; false when that cannot be done.
using TrashFile = std::function<bool(const QString &path)>;
bool moveFileToTrash(const QString &path);

// Empties `dir` of its files into the trash and removes it. A file the trash does not take
// stays, and so does a subdirectory (never touched), and with them the directory. True when
// `dir` is gone; a directory already gone counts as removed.
bool removeDirectoryWithFiles(const QString &dir, const TrashFile &trash = moveFileToTrash);

} // namespace qb
