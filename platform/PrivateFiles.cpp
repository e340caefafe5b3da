#include "platform/PrivateFiles.h"

#include "platform/QuotedPath.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <sys/stat.h>
#endif

using namespace Qt::StringLiterals;

namespace qb {

namespace {

constexpr QFile::Permissions kOthersPermissions = QFile::ReadGroup | QFile::WriteGroup |
                                                  QFile::ExeGroup | QFile::ReadOther |
                                                  QFile::WriteOther | QFile::ExeOther;

// Makes one folder for the user alone; nullopt when it was made or is there.
FileError makeOneFolder(const QString &path)
{
#ifdef Q_OS_UNIX
    if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0 && errno != EEXIST)
        return qt_error_string(errno);
#else
    QDir().mkdir(path, kPrivateFolderPermissions);
#endif
    if (!QFileInfo(path).isDir())
        return u"The folder %1 cannot be made."_s.arg(quoted(QDir::toNativeSeparators(path)));
    return std::nullopt;
}

} // namespace

bool isOpenToOthers(const QString &path)
{
    return (QFile::permissions(path) & kOthersPermissions) != 0;
}

FileError makePrivateFolder(const QString &path)
{
    // Each folder missing on the way is made for the user alone, as XDG asks of its own.
    QStringList missing;
    for (QString folder = path; !QFileInfo(folder).isDir();) {
        missing.prepend(folder);
        const QString parent = QFileInfo(folder).absolutePath();
        if (parent == folder)
            break;
        folder = parent;
    }
    for (const QString &folder : std::as_const(missing)) {
        if (FileError error = makeOneFolder(folder))
            return error;
    }
    if (isOpenToOthers(path))
        QFile::setPermissions(path, kPrivateFolderPermissions);
    return std::nullopt;
}

void closeToOthers(const QString &root)
{
    const QFileInfo top(root);
    if (!top.isDir() || top.isSymLink())
        return;
    QDirIterator entries(root,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QFileInfo entry = entries.nextFileInfo();
        if (entry.isSymLink())
            continue;
        const QFile::Permissions mode =
            entry.isDir() ? kPrivateFolderPermissions : kPrivateFilePermissions;
        if (entry.permissions() & kOthersPermissions)
            QFile::setPermissions(entry.filePath(), entry.permissions() & mode);
    }
    QFile::setPermissions(root, kPrivateFolderPermissions);
}

} // namespace qb
