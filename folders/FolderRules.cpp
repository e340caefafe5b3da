#include "folders/FolderRules.h"

#include "platform/FileOps.h"
#include "platform/QuotedPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

#ifdef Q_OS_WIN
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kPathCase = Qt::CaseSensitive;
#endif

bool endsWithSeparator(const QString &path)
{
    return path.endsWith(u'/') || path.endsWith(u'\\');
}

// The path with links resolved where it exists, so that two names of one directory compare equal.
QString comparablePath(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

bool samePath(const QString &a, const QString &b)
{
    return comparablePath(a).compare(comparablePath(b), kPathCase) == 0;
}

} // namespace

QString joinDirectory(const QString &dir, const QString &name)
{
    return endsWithSeparator(dir) ? dir + name : dir + u'/' + name;
}

QString newDirectoryPath(const QString &dir, const QString &name)
{
    if (name.isEmpty() || name == u"." || name == u".." || name.contains(u'/'))
        return {};
#ifdef Q_OS_WIN
    if (name.contains(u'\\'))
        return {};
#endif
    return joinDirectory(dir, name);
}

QStringList driveRoots()
{
    QStringList roots;
#ifdef Q_OS_WIN
    for (const QFileInfo &drive : QDir::drives())
        roots.append(drive.absoluteFilePath());
#else
    roots = {u"/"_s, QDir::homePath()};
    QStringList volumes;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        // Files mounted over files (a container's /etc/hosts) are no place for notes.
        if (volume.isValid() && volume.isReady() && QFileInfo(volume.rootPath()).isDir())
            volumes.append(volume.rootPath());
    }
    volumes.sort();
    for (const QString &volume : std::as_const(volumes)) {
        if (!roots.contains(volume))
            roots.append(volume);
    }
#endif
    return roots;
}

QString driveOf(const QString &path, const QStringList &drives)
{
    QString best;
    for (const QString &drive : drives) {
        const QString prefix = endsWithSeparator(drive) ? drive : drive + u'/';
        const bool holds =
            path.compare(drive, kPathCase) == 0 || path.startsWith(prefix, kPathCase);
        if (holds && drive.size() > best.size())
            best = drive;
    }
    return best;
}

QStringList directoryChain(const QString &dir)
{
    QStringList chain;
    QString path = QDir::cleanPath(dir);
    while (!path.isEmpty()) {
        chain.prepend(path);
        const QString parent = QFileInfo(path).path();
        if (parent == path || parent == u".")
            break;
        path = parent;
    }
    return chain;
}

QString renameFolderPrompt(const QString &folderName)
{
    return u"Old Folder name: "_s + folderName + u"\r\nInsert the new name for the Folder:"_s;
}

QString newFolderNamePrompt(const QString &directory)
{
    return u"Directory: "_s + directory + u"\r\n\r\nPlease insert the name for the new Folder:"_s;
}

QString driveAccessText(const QString &drive)
{
    return u"Quirebox can't read drive "_s + drive.toUpper() + u". Please check it."_s;
}

QString folderDeleteErrorText(const QString &directory)
{
    return u"Quirebox is unable to delete "_s + quoted(directory) + u" and/or all its files."_s;
}

QString deleteRefusal(const QString &dir, const QString &homeDir, const QString &bookFilePath)
{
    QString reason;
    const QFileInfo info(QDir::cleanPath(dir));
    if (info.isSymLink() || info.isJunction())
        reason = u"it is a link to the directory \""_s +
                 QDir::toNativeSeparators(info.symLinkTarget()) +
                 u"\", whose files are not the folder's own"_s;
    else if (QDir(comparablePath(dir)).isRoot())
        reason = u"it is the root of the file system"_s;
    else if (samePath(dir, homeDir))
        reason = u"it is your home directory"_s;
    else if (!bookFilePath.isEmpty() && samePath(dir, QFileInfo(bookFilePath).absolutePath()))
        reason = u"it holds the file of the open book"_s;
    if (reason.isEmpty())
        return {};
    return u"Quirebox won't delete \""_s + QDir::toNativeSeparators(dir) + u"\": "_s + reason +
           u".\r\nKeep the directory with all the files to take the folder out of the book."_s;
}

bool moveFileToTrash(const QString &path)
{
    return !moveToTrash(path);
}

bool removeDirectoryWithFiles(const QString &dir, const TrashFile &trash)
{
    // An empty or relative path would name the process's current directory; a link would have
    // the files of its target emptied and then could not be removed itself.
    if (dir.isEmpty() || QDir::isRelativePath(dir) || QFileInfo(QDir::cleanPath(dir)).isSymLink())
        return false;
    const QDir directory(dir);
    // Already gone: there is nothing left to delete.
    if (!directory.exists())
        return true;
    const QFileInfoList files = directory.entryInfoList(
        QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    // A file the trash does not take stays, and the directory with it: the trash itself
    // deletes only on systems that have none.
    for (const QFileInfo &file : files)
        trash(file.absoluteFilePath());
    return QDir().rmdir(directory.absolutePath());
}

} // namespace qb
