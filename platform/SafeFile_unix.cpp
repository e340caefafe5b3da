#include "platform/RetryOnInterrupt.h"
#include "platform/SafeFile.h"
#include "platform/SafeFile_p.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using namespace Qt::StringLiterals;

namespace qb {

using safefile::folderText;
using safefile::notRegularText;

namespace {

// The longest name the common file systems take, in bytes.
constexpr qsizetype kMaxNameBytes = 255;

QString systemText(int code)
{
    return qt_error_string(code);
}

qint64 modifiedNsOf(const struct stat &status)
{
#ifdef Q_OS_DARWIN
    const struct timespec &time = status.st_mtimespec;
#else
    const struct timespec &time = status.st_mtim;
#endif
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// Six letters or digits: enough that two saves in one folder never pick the same name twice in
// a row, and plain enough for any file system.
QByteArray randomLetters()
{
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray letters(6, Qt::Uninitialized);
    for (char &c : letters)
        c = alphabet[QRandomGenerator::global()->bounded(int(sizeof alphabet - 1))];
    return letters;
}

} // namespace

struct FileReader::Handle
{
    int fd = -1;
    ~Handle()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

FileReader::FileReader(const QString &path) : m_handle(std::make_unique<Handle>())
{
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: opening a pipe for reading would otherwise wait for a writer. A link is
    // followed, once it is known to be one.
    const auto open = [&](int flags) {
        return retryOnInterrupt([&] {
            return ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | flags);
        });
    };
    int fd = open(O_NOFOLLOW);
    const bool link = fd < 0 && errno == ELOOP;
    if (link)
        fd = open(0);
    if (fd < 0) {
        m_error = systemText(errno);
        return;
    }
    m_handle->fd = fd;
    struct stat status;
    if (::fstat(fd, &status) != 0) {
        m_error = systemText(errno);
    } else if (S_ISDIR(status.st_mode)) {
        m_error = folderText();
    } else if (!S_ISREG(status.st_mode)) {
        m_error = notRegularText();
    } else {
        m_size = status.st_size;
        m_modifiedNs = modifiedNsOf(status);
        m_ownFile = !link && status.st_nlink == 1;
        // A regular file never blocks, but a network file system may act on the flag. Of the
        // flags F_SETFL sets, the open gave only this one.
        ::fcntl(fd, F_SETFL, 0);
#ifdef POSIX_FADV_SEQUENTIAL
        // The system reads this much ahead anyway; a book search opens thousands of small notes.
        if (m_size > 128 * 1024)
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
        return;
    }
    m_handle.reset();
}

FileReader::~FileReader() = default;

qint64 FileReader::readOnce(char *buffer, qint64 length)
{
    const ssize_t got =
        retryOnInterrupt([&] { return ::read(m_handle->fd, buffer, size_t(length)); });
    if (got < 0)
        m_error = systemText(errno);
    return got;
}

FileProbe probeFile(const QString &path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        const int code = errno;
        if (code == ENOENT || code == ENOTDIR)
            return {FileProbe::Kind::Missing, 0, systemText(code)};
        return {FileProbe::Kind::Unreadable, 0, systemText(code)};
    }
    if (S_ISDIR(status.st_mode))
        return {FileProbe::Kind::NotRegular, 0, folderText()};
    if (!S_ISREG(status.st_mode))
        return {FileProbe::Kind::NotRegular, 0, notRegularText()};
    return {FileProbe::Kind::Regular, status.st_size, {}, modifiedNsOf(status)};
}

namespace {

// A folder held open for the *at calls of one save, so that every step names the same folder
// even if it is renamed meanwhile.
class Folder
{
public:
    explicit Folder(const QString &path)
        : m_fd(retryOnInterrupt([&] {
              return ::open(QFile::encodeName(path).constData(),
                            O_RDONLY | O_DIRECTORY | O_CLOEXEC);
          }))
    {
        if (m_fd < 0)
            m_error = systemText(errno);
    }
    ~Folder()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Folder(const Folder &) = delete;
    Folder &operator=(const Folder &) = delete;

    int fd() const { return m_fd; }
    const QString &error() const { return m_error; }

private:
    int m_fd;
    QString m_error;
};

// The temporary file of one save: unnamed while it is written where the system can do that
// (Linux's O_TMPFILE), so that a crash during the write leaves nothing behind; named, hidden and
// recognisable elsewhere.
class TempFile
{
public:
    TempFile(int dirFd, const QByteArray &targetName) : m_dirFd(dirFd), m_targetName(targetName) {}
    ~TempFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_name.isEmpty())
            ::unlinkat(m_dirFd, m_name.constData(), 0);
    }
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;

    FileError open()
    {
#ifdef O_TMPFILE
        if (::access("/proc/self/fd", F_OK) == 0) {
            m_fd = retryOnInterrupt(
                [&] { return ::openat(m_dirFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666); });
            if (m_fd >= 0)
                return std::nullopt;
            // Not every file system or kernel has unnamed files; a named one does as well.
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT)
                return systemText(errno);
        }
#endif
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QByteArray name = freshName();
            m_fd = retryOnInterrupt([&] {
                return ::openat(m_dirFd, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                                0666);
            });
            if (m_fd >= 0) {
                m_name = name;
                return std::nullopt;
            }
            if (errno != EEXIST)
                return systemText(errno);
        }
        return systemText(EEXIST);
    }

    int fd() const
    {
        return m_fd;
    }

    FileError writeAll(QByteArrayView bytes)
    {
        qint64 done = 0;
        while (done < bytes.size()) {
            const ssize_t wrote = retryOnInterrupt(
                [&] { return ::write(m_fd, bytes.data() + done, size_t(bytes.size() - done)); });
            if (wrote < 0)
                return systemText(errno);
            // A write of nothing with no error would repeat for ever; a full disk is the cause
            // on the systems known to do it.
            if (wrote == 0)
                return systemText(ENOSPC);
            done += wrote;
        }
        return std::nullopt;
    }

    FileError sync()
    {
#if defined(Q_OS_DARWIN)
        // fsync on macOS leaves the data in the drive's cache.
        if (::fcntl(m_fd, F_FULLFSYNC) == 0)
            return std::nullopt;
#elif defined(_POSIX_SYNCHRONIZED_IO) && _POSIX_SYNCHRONIZED_IO > 0
        if (retryOnInterrupt([&] { return ::fdatasync(m_fd); }) == 0)
            return std::nullopt;
#else
        if (retryOnInterrupt([&] { return ::fsync(m_fd); }) == 0)
            return std::nullopt;
#endif
        return systemText(errno);
    }

    // Puts the written file at `name` in the folder: replacing a file there, or never.
    FileError putInPlace(const QByteArray &name, WriteMode mode)
    {
        if (m_name.isEmpty()) {
            // An unnamed file gets a name by a link, which never replaces anything.
            const QByteArray linkName = mode == WriteMode::CreateNew ? name : freshName();
            const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd);
            if (::linkat(AT_FDCWD, self.constData(), m_dirFd, linkName.constData(),
                         AT_SYMLINK_FOLLOW) != 0) {
                return errno == EEXIST && mode == WriteMode::CreateNew ? alreadyExistsText()
                                                                       : systemText(errno);
            }
            if (mode == WriteMode::CreateNew) {
                if (FileError error = closeFile()) {
                    ::unlinkat(m_dirFd, name.constData(), 0);
                    return error;
                }
                return std::nullopt;
            }
            m_name = linkName;
        }
        if (FileError error = closeFile())
            return error;
        if (mode == WriteMode::CreateNew)
            return renameNoReplace(name);
        if (::renameat(m_dirFd, m_name.constData(), m_dirFd, name.constData()) != 0)
            return systemText(errno);
        m_name.clear();
        return std::nullopt;
    }

private:
    QByteArray freshName() const
    {
        QByteArray name = kSaveTempPrefix + randomLetters() + '-';
        // A long note name is cut short in the temporary name: the prefix is what counts.
        name += m_targetName.first(std::min(m_targetName.size(), kMaxNameBytes - name.size()));
        return name;
    }

    FileError closeFile()
    {
        const int fd = std::exchange(m_fd, -1);
        // A network file system may report a failed write only here.
        if (::close(fd) != 0 && errno != EINTR)
            return systemText(errno);
        return std::nullopt;
    }

    FileError renameNoReplace(const QByteArray &name)
    {
#ifdef RENAME_NOREPLACE
        if (::renameat2(m_dirFd, m_name.constData(), m_dirFd, name.constData(), RENAME_NOREPLACE) ==
            0) {
            m_name.clear();
            return std::nullopt;
        }
        if (errno == EEXIST)
            return alreadyExistsText();
        if (errno != EINVAL && errno != ENOSYS)
            return systemText(errno);
#endif
        // A link refuses a taken name too; the temporary name then goes.
        if (::linkat(m_dirFd, m_name.constData(), m_dirFd, name.constData(), 0) != 0)
            return errno == EEXIST ? alreadyExistsText() : systemText(errno);
        return std::nullopt; // the destructor removes the temporary name
    }

    int m_dirFd;
    QByteArray m_targetName;
    QByteArray m_name; // empty while the file has no name
    int m_fd = -1;
};

// The file a save writes to: a link is followed, so that it stays a link to the saved file.
QString savedFilePath(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return info.absoluteFilePath();
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

} // namespace

struct SafeFileWriter::Impl
{
    Impl(const QString &path, WriteMode writeMode)
        : mode(writeMode), target(mode == WriteMode::Replace ? savedFilePath(path)
                                                             : QFileInfo(path).absoluteFilePath()),
          folder(target.absolutePath()), name(QFile::encodeName(target.fileName())),
          temp(folder.fd(), name)
    {
        if (folder.fd() < 0) {
            error = folder.error();
            return;
        }
        const int follow = mode == WriteMode::ReplaceEntry ? AT_SYMLINK_NOFOLLOW : 0;
        exists = ::fstatat(folder.fd(), name.constData(), &old, follow) == 0;
        // A link is replaced as a whole: nothing of it is kept.
        if (exists && S_ISLNK(old.st_mode))
            exists = false;
        if (exists) {
            if (mode == WriteMode::CreateNew)
                error = alreadyExistsText();
            else if (S_ISDIR(old.st_mode))
                error = folderText();
            else if (!S_ISREG(old.st_mode))
                error = notRegularText();
            // The folder may let the file be replaced, but the user made it read-only.
            else if (::faccessat(folder.fd(), name.constData(), W_OK, 0) != 0)
                error = systemText(errno);
            if (error)
                return;
        }
        error = temp.open();
    }

    WriteMode mode;
    QFileInfo target;
    Folder folder;
    QByteArray name;
    struct stat old = {};
    bool exists = false;
    TempFile temp;
    FileError error;
};

bool SafeFileWriter::write(QByteArrayView bytes)
{
    if (!d->error)
        d->error = d->temp.writeAll(bytes);
    return !d->error;
}

WriteResult SafeFileWriter::commit()
{
    if (d->error)
        return {d->error, false};
    TempFile &temp = d->temp;
    if (d->exists) {
        ::fchmod(temp.fd(), d->old.st_mode & 07777);
        // Another owner's file in a shared folder keeps its owner where the system allows it;
        // where not, it belongs to the user who saved it, as any new file would.
        if ((d->old.st_uid != ::geteuid() || d->old.st_gid != ::getegid()) &&
            ::fchown(temp.fd(), d->old.st_uid, d->old.st_gid) != 0) {
        }
    }
    if ((d->error = temp.sync()))
        return {d->error, false};
    if ((d->error = temp.putInPlace(d->name, d->mode)))
        return {d->error, false};
    if (retryOnInterrupt([&] { return ::fsync(d->folder.fd()); }) != 0) {
        d->error = u"The file was written, but its folder could not be stored on the disk: "_s +
                   systemText(errno);
        return {d->error, true};
    }
    return {std::nullopt, false};
}

} // namespace qb

// The members that need this platform's Impl whole.
#include "platform/SafeFileWriter_p.h"
