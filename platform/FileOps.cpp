#include "platform/FileOps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <filesystem>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace qb {

bool isSameFile(const QString &a, const QString &b)
{
    std::error_code error;
    const bool same = std::filesystem::equivalent(QFileInfo(a).filesystemFilePath(),
                                                  QFileInfo(b).filesystemFilePath(), error);
    return same && !error;
}

namespace {

struct RenameOutcome
{
    bool done = false;
    bool nameTaken = false;
    QString reason;
};

#ifdef Q_OS_WIN

RenameOutcome renameNoReplace(const QString &from, const QString &to)
{
    // Without MOVEFILE_REPLACE_EXISTING the move refuses a taken name in the same step.
    const QString source = QDir::toNativeSeparators(from);
    const QString target = QDir::toNativeSeparators(to);
    if (MoveFileExW(reinterpret_cast<const wchar_t *>(source.utf16()),
                    reinterpret_cast<const wchar_t *>(target.utf16()), 0))
        return {true, false, {}};
    const DWORD code = GetLastError();
    if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS)
        return {false, true, alreadyExistsText()};
    return {false, false, qt_error_string(int(code))};
}

#else

RenameOutcome renameFailure(int code)
{
    if (code == EEXIST)
        return {false, true, alreadyExistsText()};
    return {false, false, qt_error_string(code)};
}

RenameOutcome renameNoReplace(const QString &from, const QString &to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
#ifdef Q_OS_LINUX
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0)
        return {true, false, {}};
    if (errno != EINVAL && errno != ENOSYS)
        return renameFailure(errno);
#endif
    // Where the file system cannot refuse a taken name within the rename, a hard link can.
    if (::link(source.constData(), target.constData()) == 0) {
        if (::unlink(source.constData()) == 0)
            return {true, false, {}};
        const int code = errno;
        ::unlink(target.constData());
        return renameFailure(code);
    }
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP)
        return renameFailure(errno);
    // No hard links either (FAT): look, then rename; the one way left.
    const QFileInfo taken(to);
    if (taken.exists() || taken.isSymLink())
        return renameFailure(EEXIST);
    if (::rename(source.constData(), target.constData()) == 0)
        return {true, false, {}};
    return renameFailure(errno);
}

#endif

// On a file system that ignores letter case the new name is taken by the file itself, so the
// file goes through a free name in between; if the second step fails it is put back.
FileError renameThroughFreeName(const QString &from, const QString &to)
{
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const QString between = from + u".renaming-"_s + QString::number(attempt);
        const RenameOutcome away = renameNoReplace(from, between);
        if (away.nameTaken)
            continue;
        if (!away.done)
            return away.reason;
        const RenameOutcome back = renameNoReplace(between, to);
        if (back.done)
            return std::nullopt;
        if (!renameNoReplace(between, from).done)
            return back.reason + u" The file is now named \""_s + QFileInfo(between).fileName() +
                   u"\"."_s;
        return back.reason;
    }
    return alreadyExistsText();
}

} // namespace

FileError renameFile(const QString &from, const QString &to)
{
    if (from == to)
        return std::nullopt;
    const bool caseOnly = from.compare(to, Qt::CaseInsensitive) == 0;
    if (caseOnly && isSameFile(from, to))
        return renameThroughFreeName(from, to);
    const RenameOutcome outcome = renameNoReplace(from, to);
    if (outcome.done)
        return std::nullopt;
    return outcome.reason;
}

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID) && !defined(Q_OS_WASM)
#define QB_FREEDESKTOP_TRASH

namespace {

// When Qt 6.4 cannot make the home trash it moves the file into "files" under the current
// directory, and reports success; with a missing home it picks the trash of the file's volume.
// So the home trash is made here first, or the move is refused.
FileError prepareHomeTrash()
{
    if (!QDir::home().exists())
        return u"The trash cannot be used: the home folder does not exist."_s;
    const QString dataDir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString trashDir = dataDir + u"/Trash"_s;
    if (QDir().mkpath(dataDir) && !QFileInfo(trashDir).isDir())
        QDir(dataDir).mkdir(u"Trash"_s, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (!QFileInfo(trashDir).isDir())
        return u"The trash folder could not be made: "_s + trashDir;
    return std::nullopt;
}

} // namespace

#endif

FileError moveToTrash(const QString &path)
{
    QFile file(path);
#if defined(Q_OS_ANDROID) || defined(Q_OS_IOS) || defined(Q_OS_TVOS) || defined(Q_OS_WATCHOS) ||   \
    defined(Q_OS_WASM)
    // These systems have no trash: QFile::moveToTrash always fails there.
    if (file.remove())
        return std::nullopt;
    return file.errorString();
#else
#ifdef QB_FREEDESKTOP_TRASH
    if (FileError unusable = prepareHomeTrash())
        return unusable;
#endif
    if (file.moveToTrash())
        return std::nullopt;
    if (file.errorString().isEmpty())
        return u"The file could not be moved to the trash."_s;
    return file.errorString();
#endif
}

} // namespace qb
