#include "platform/DirScan.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_WIN
#include <QDirIterator>
#else
#include <QScopeGuard>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#endif

using namespace Qt::StringLiterals;

namespace qb {

namespace {

bool isAscii(QByteArrayView name)
{
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

bool DirEntry::appendDecodedName(QString &out) const
{
    if (isAscii(m_name)) {
        out.append(QLatin1StringView(m_name.data(), m_name.size()));
        return true;
    }
#ifdef Q_OS_WIN
    out.append(QString::fromUtf8(m_name));
    return true;
#else
    const QByteArray bytes = QByteArray::fromRawData(m_name.data(), m_name.size());
    const QString decoded = QFile::decodeName(bytes);
    if (QFile::encodeName(decoded) != bytes)
        return false;
    out.append(decoded);
    return true;
#endif
}

#ifdef Q_OS_WIN

// Hidden files are marked by an attribute here, which QDirIterator reads from the directory
// listing itself; system files are left out, as a plain listing leaves them out.
class DirScanner
{
public:
    static bool visit(const QFileInfo &info, const QByteArray &name,
                      const std::function<bool(const DirEntry &)> &visit)
    {
        DirEntry entry;
        entry.m_name = name;
        entry.m_hidden = info.isHidden();
        entry.m_system = &info;
        return visit(entry);
    }
};

bool DirEntry::isRegularFile() const
{
    return static_cast<const QFileInfo *>(m_system)->isFile();
}

QString scanDirectoryWhile(const QString &dirPath,
                           const std::function<bool(const DirEntry &)> &visit)
{
    if (!QFileInfo(dirPath).isDir())
        return u"The folder does not exist."_s;
    QDirIterator it(dirPath, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (!DirScanner::visit(info, info.fileName().toUtf8(), visit))
            return {};
    }
    return {};
}

#else

struct PosixEntry
{
    DIR *dir;
    const dirent *entry;
};

class DirScanner
{
public:
    static bool visit(DIR *dir, const dirent *raw,
                      const std::function<bool(const DirEntry &)> &visit)
    {
        const PosixEntry system{dir, raw};
        DirEntry entry;
        entry.m_name = QByteArrayView(raw->d_name);
        entry.m_hidden = raw->d_name[0] == '.';
        entry.m_system = &system;
        return visit(entry);
    }
};

// The type comes from the directory entry where the file system gives it, so that only links
// (followed) and untyped entries cost a stat.
bool DirEntry::isRegularFile() const
{
    const auto *system = static_cast<const PosixEntry *>(m_system);
#ifdef DT_REG
    if (system->entry->d_type == DT_REG)
        return true;
    if (system->entry->d_type != DT_LNK && system->entry->d_type != DT_UNKNOWN)
        return false;
#endif
    struct stat status;
    return ::fstatat(::dirfd(system->dir), system->entry->d_name, &status, 0) == 0 &&
           S_ISREG(status.st_mode);
}

QString scanDirectoryWhile(const QString &dirPath,
                           const std::function<bool(const DirEntry &)> &visit)
{
    DIR *dir = ::opendir(QFile::encodeName(dirPath).constData());
    if (!dir)
        return qt_error_string(errno);
    const auto closeDir = qScopeGuard([dir] { ::closedir(dir); });
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry)
            return errno != 0 ? qt_error_string(errno) : QString();
        const QByteArrayView name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        if (!DirScanner::visit(dir, entry, visit))
            return {};
    }
}

#endif

QString scanDirectory(const QString &dirPath, const std::function<void(const DirEntry &)> &visit)
{
    return scanDirectoryWhile(dirPath, [&visit](const DirEntry &entry) {
        visit(entry);
        return true;
    });
}

} // namespace qb
