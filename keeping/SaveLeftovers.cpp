#include "keeping/SaveLeftovers.h"

#include "platform/DirScan.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <optional>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace qb {

namespace {

// The longest name the common file systems take, in bytes: a save cuts its temporary name here.
constexpr qsizetype kMaxNameBytes = 255;
// ".qbsave-", six letters, '-'.
constexpr qsizetype kPrefixBytes = qsizetype(sizeof kSaveTempPrefix - 1) + 7;
constexpr qsizetype kPiece = 1024 * 1024;

QString notRegularText()
{
    return u"It isn't an ordinary file."_s;
}

// The path of `name` in `dirPath`, as the system spells it.
QByteArray systemPathOf(const QString &dirPath, QByteArrayView name)
{
#ifdef Q_OS_WIN
    return dirPath.toUtf8() + '/' + name.toByteArray();
#else
    return QFile::encodeName(dirPath) + '/' + name.toByteArray();
#endif
}

QString textPathOf(const QByteArray &systemPath)
{
#ifdef Q_OS_WIN
    return QString::fromUtf8(systemPath);
#else
    return QFile::decodeName(systemPath);
#endif
}

// A leftover opened for reading through the name the system gave it. Like FileReader it never
// waits on a pipe or a device put there under that name.
class LeftoverFile
{
public:
    explicit LeftoverFile(const QByteArray &systemPath)
    {
#ifdef Q_OS_UNIX
        const int fd = ::open(systemPath.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            m_error = qt_error_string(errno);
            return;
        }
        struct stat status;
        if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
            m_error = notRegularText();
            ::close(fd);
            return;
        }
        ::fcntl(fd, F_SETFL, 0);
        m_size = status.st_size;
        if (!m_file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered,
                         QFileDevice::AutoCloseHandle)) {
            m_error = m_file.errorString();
            ::close(fd);
        }
#else
        m_file.setFileName(textPathOf(systemPath));
        if (!QFileInfo(m_file.fileName()).isFile())
            m_error = notRegularText();
        else if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            m_error = m_file.errorString();
        else
            m_size = m_file.size();
#endif
    }

    bool isOpen() const
    {
        return m_error.isEmpty();
    }
    const QString &error() const
    {
        return m_error;
    }
    qint64 size() const
    {
        return m_size;
    }

    // Until `length` bytes are in or the file ends; -1 after a failure.
    qint64 read(char *buffer, qint64 length)
    {
        qint64 filled = 0;
        while (filled < length) {
            const qint64 got = m_file.read(buffer + filled, length - filled);
            if (got < 0) {
                m_error = m_file.errorString();
                return -1;
            }
            if (got == 0)
                break;
            filled += got;
        }
        return filled;
    }

private:
    QFile m_file;
    QString m_error;
    qint64 m_size = 0;
};

struct Stat
{
    QDateTime modified;
    qint64 size = 0;
};

std::optional<Stat> statOf(const QByteArray &systemPath)
{
#ifdef Q_OS_UNIX
    struct stat status;
    if (::stat(systemPath.constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    // Whole seconds, the time every POSIX system gives: enough to order leftovers and let a
    // save settle.
    return Stat{QDateTime::fromSecsSinceEpoch(status.st_mtime), status.st_size};
#else
    const QFileInfo info(textPathOf(systemPath));
    if (!info.isFile())
        return std::nullopt;
    return Stat{info.lastModified(), info.size()};
#endif
}

// The file among `names` the leftover was saved for: the name after the prefix, or, for a name
// cut at the longest, the one name that starts with what is left of it.
std::optional<QByteArray> noteNameFor(QByteArrayView leftoverName, const QList<QByteArray> &names)
{
    const QByteArrayView rest = leftoverName.sliced(kPrefixBytes);
    if (names.contains(rest))
        return rest.toByteArray();
    if (leftoverName.size() < kMaxNameBytes)
        return rest.toByteArray(); // its note is gone
    const QByteArray *match = nullptr;
    for (const QByteArray &name : names) {
        if (name.startsWith(rest)) {
            if (match)
                return std::nullopt;
            match = &name;
        }
    }
    return match ? std::optional<QByteArray>(*match) : std::nullopt;
}

// The leftovers in `dirPath`; nothing when `more` said no to an entry of the folder.
std::optional<SaveLeftoverListing> leftoversIn(const QString &dirPath,
                                               const std::function<bool()> &more)
{
    SaveLeftoverListing listing;
    QList<QByteArray> leftoverNames;
    bool given = false;
    listing.error = scanDirectoryWhile(dirPath, [&](const DirEntry &entry) {
        if (!more()) {
            given = true;
            return false;
        }
        if (entry.isHidden() && isSaveTempName(entry.name()) && entry.isRegularFile())
            leftoverNames.append(entry.name().toByteArray());
        return true;
    });
    if (given)
        return std::nullopt;
    if (leftoverNames.isEmpty())
        return listing;
    // The folder's other files, read only when there is something to match them with.
    QList<QByteArray> names;
    scanDirectory(dirPath, [&](const DirEntry &entry) {
        if (!entry.isHidden() && entry.isRegularFile())
            names.append(entry.name().toByteArray());
    });

    const QDateTime now = QDateTime::currentDateTime();
    for (const QByteArray &name : std::as_const(leftoverNames)) {
        SaveLeftover leftover;
        leftover.systemPath = systemPathOf(dirPath, name);
        const std::optional<Stat> stat = statOf(leftover.systemPath);
        // Gone meanwhile, or written so lately that a save may still be writing it.
        if (!stat || stat->modified.msecsTo(now) < kLeftoverSettleSeconds * 1000)
            continue;
        leftover.path = textPathOf(leftover.systemPath);
        leftover.modified = stat->modified;
        leftover.size = stat->size;
        if (const std::optional<QByteArray> noteName = noteNameFor(name, names))
            leftover.notePath = textPathOf(systemPathOf(dirPath, *noteName));
        listing.leftovers.append(std::move(leftover));
    }
    std::stable_sort(
        listing.leftovers.begin(), listing.leftovers.end(),
        [](const SaveLeftover &a, const SaveLeftover &b) { return a.modified < b.modified; });
    return listing;
}

} // namespace

SaveLeftoverListing findSaveLeftovers(const QString &dirPath)
{
    return *leftoversIn(dirPath, [] { return true; });
}

std::optional<QList<SaveLeftoverListing>> findSaveLeftovers(const QStringList &dirPaths,
                                                            qsizetype mostEntries,
                                                            const std::function<bool()> &stop)
{
    qsizetype seen = 0;
    // The stop is asked now and then: it may cost more than an entry.
    constexpr qsizetype kAskEvery = 1024;
    const auto more = [&] {
        ++seen;
        return seen <= mostEntries && !(stop && seen % kAskEvery == 0 && stop());
    };
    QList<SaveLeftoverListing> listings;
    for (const QString &dir : dirPaths) {
        std::optional<SaveLeftoverListing> listing = leftoversIn(dir, more);
        if (!listing)
            return std::nullopt;
        listings.append(std::move(*listing));
    }
    if (stop && stop())
        return std::nullopt;
    return listings;
}

LeftoverCheck compareLeftover(const SaveLeftover &leftover)
{
    using Outcome = LeftoverCheck::Outcome;
    if (leftover.notePath.isEmpty())
        return {Outcome::Different, {}};
    const FileProbe probe = probeFile(leftover.notePath);
    if (probe.kind == FileProbe::Kind::Missing)
        return {Outcome::Different, {}};
    if (probe.kind != FileProbe::Kind::Regular)
        return {Outcome::Unreadable, probe.error};
    LeftoverFile file(leftover.systemPath);
    if (!file.isOpen())
        return {Outcome::Unreadable, file.error()};
    if (file.size() != probe.size)
        return {Outcome::Different, {}};
    FileReader note(leftover.notePath);
    if (!note.isOpen())
        return {Outcome::Unreadable, note.error()};
    QByteArray ours(kPiece, Qt::Uninitialized), theirs(kPiece, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(ours.data(), kPiece);
        if (got < 0)
            return {Outcome::Unreadable, file.error()};
        const qint64 gotNote = note.read(theirs.data(), kPiece);
        if (gotNote < 0)
            return {Outcome::Unreadable, note.error()};
        if (got != gotNote || std::memcmp(ours.constData(), theirs.constData(), size_t(got)) != 0)
            return {Outcome::Different, {}};
        if (got < kPiece)
            return {Outcome::Same, {}};
    }
}

ReadResult readSaveLeftover(const SaveLeftover &leftover, qint64 largest)
{
    LeftoverFile file(leftover.systemPath);
    if (!file.isOpen())
        return {{}, file.error(), false};
    if (file.size() > largest)
        return {{}, {}, true, file.size()};
    // One byte more than the size, to tell a file that grew meanwhile.
    QByteArray bytes(file.size() + 1, Qt::Uninitialized);
    const qint64 got = file.read(bytes.data(), bytes.size());
    if (got < 0)
        return {{}, file.error(), false};
    if (got != file.size())
        return {{}, u"The file changed while it was read: another program is writing it."_s, false};
    bytes.truncate(got);
    return {std::move(bytes), {}, false};
}

FileError removeSaveLeftover(const SaveLeftover &leftover)
{
    const QByteArrayView path(leftover.systemPath);
    const qsizetype slash = path.lastIndexOf('/');
    if (!isSaveTempName(path.sliced(slash + 1)))
        return u"It is not the temporary file of a save."_s;
#ifdef Q_OS_UNIX
    if (::unlink(leftover.systemPath.constData()) != 0 && errno != ENOENT)
        return qt_error_string(errno);
#else
    QFile file(textPathOf(leftover.systemPath));
    if (!file.remove() && file.exists())
        return file.errorString();
#endif
    return std::nullopt;
}

} // namespace qb
