#include "keeping/NoteHistory.h"

#include "platform/PrivateFiles.h"
#include "platform/QuotedPath.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTimeZone>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

constexpr int kNewestKept = 50;
constexpr int kDaysKept = 60;
constexpr qint64 kLargestCap = qint64(2) << 30;
// Folders tried for one note: a hash clash, or a folder whose path file was lost, takes the
// next one.
constexpr int kFolderCandidates = 8;
constexpr int kLargestSequence = 999;
// A path file is a path: anything larger is not one of ours.
constexpr qint64 kLargestPathFile = 64 * 1024;

const QString kPathFileName = u"note-path.txt"_s;
const QString kVersionSuffix = u".zst"_s;

QString absoluteNotePath(const QString &notePath)
{
    return QDir::cleanPath(QFileInfo(notePath).absoluteFilePath());
}

QString versionName(qint64 takenMs, int sequence, qint64 size)
{
    return QString::asprintf("%015lld-%03d-%lld", static_cast<long long>(takenMs), sequence,
                             static_cast<long long>(size)) +
           kVersionSuffix;
}

// The version a file name stands for; false for any other name.
bool parseVersionName(const QString &name, NoteVersion *version)
{
    if (!name.endsWith(kVersionSuffix))
        return false;
    const QList<QStringView> parts = QStringView(name).chopped(kVersionSuffix.size()).split(u'-');
    if (parts.size() != 3)
        return false;
    bool ok[3] = {};
    version->takenMs = parts[0].toLongLong(&ok[0]);
    version->sequence = parts[1].toInt(&ok[1]);
    version->size = parts[2].toLongLong(&ok[2]);
    return ok[0] && ok[1] && ok[2] && version->takenMs >= 0 && version->sequence >= 0 &&
           version->size >= 0 && parts[0].size() == 15 && parts[1].size() == 3;
}

// The versions in one note's folder, newest first.
QList<NoteVersion> versionsIn(const QString &folder)
{
    QList<NoteVersion> versions;
    const QDir dir(folder);
    for (const QString &name : dir.entryList({u"*"_s + kVersionSuffix}, QDir::Files)) {
        NoteVersion version;
        if (parseVersionName(name, &version)) {
            version.filePath = dir.filePath(name);
            versions.append(version);
        }
    }
    std::sort(versions.begin(), versions.end(),
              [](const NoteVersion &a, const NoteVersion &b) { return a.newerThan(b); });
    return versions;
}

// The next sequence number free for `takenMs` among `versions`; -1 when none is left.
int freeSequence(const QList<NoteVersion> &versions, qint64 takenMs)
{
    int sequence = 0;
    for (const NoteVersion &version : versions) {
        if (version.takenMs == takenMs)
            sequence = std::max(sequence, version.sequence + 1);
    }
    return sequence <= kLargestSequence ? sequence : -1;
}

// The note path a folder holds; empty when its path file is missing or unreadable.
QString pathInFolder(const QString &folder)
{
    const ReadResult read = readWholeFile(folder + u'/' + kPathFileName, kLargestPathFile);
    return read.ok() ? QString::fromUtf8(read.bytes) : QString();
}

// Removes a note's folder once it holds no version.
void removeIfEmpty(const QString &folder)
{
    if (!versionsIn(folder).isEmpty())
        return;
    QFile::remove(folder + u'/' + kPathFileName);
    QDir().rmdir(folder);
}

} // namespace

QDateTime NoteVersion::taken() const
{
    return QDateTime::fromMSecsSinceEpoch(takenMs, QTimeZone::utc());
}

NoteHistory::NoteHistory(const QString &root) : m_root(QDir::cleanPath(root)) {}

QString NoteHistory::defaultRoot()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           u"/quirebox/history"_s;
}

QString NoteHistory::folderOf(const QString &notePath, bool make, FileError *error) const
{
    const QString path = absoluteNotePath(notePath);
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex().left(32));
    QString free;
    for (int i = 0; i < kFolderCandidates; ++i) {
        const QString folder = m_root + u'/' + hash + (i == 0 ? QString() : u"-%1"_s.arg(i + 1));
        const QString owner = pathInFolder(folder);
        if (owner == path)
            return folder;
        // A folder without its path file, made by a keep that was cut short, is free while it
        // holds no version.
        if (free.isEmpty() && owner.isEmpty() && versionsIn(folder).isEmpty())
            free = folder;
    }
    if (!make)
        return {};
    if (free.isEmpty()) {
        if (error)
            *error = u"Every history folder for this note is taken by another note."_s;
        return {};
    }
    // A history kept before it was private is closed to others once.
    if (QFileInfo(m_root).isDir() && isOpenToOthers(m_root))
        closeToOthers(m_root);
    if (const FileError made = makePrivateFolder(free)) {
        if (error)
            *error = u"The history folder %1 could not be made: %2"_s.arg(
                quoted(QDir::toNativeSeparators(free)), *made);
        return {};
    }
    const QString pathFile = free + u'/' + kPathFileName;
    const WriteResult written = writeWholeFile(pathFile, path.toUtf8());
    QFile::setPermissions(pathFile, kPrivateFilePermissions);
    if (!written.ok()) {
        if (error)
            *error = written.error;
        return {};
    }
    return free;
}

KeptVersion NoteHistory::startVersion(const QString &notePath, qint64 size, qint64 takenMs) const
{
    KeptVersion started;
    const QString folder = folderOf(notePath, true, &started.error);
    if (folder.isEmpty())
        return started;
    started.version.takenMs = std::max<qint64>(takenMs, 0);
    started.version.size = size;
    started.version.sequence = freeSequence(versionsIn(folder), started.version.takenMs);
    if (started.version.sequence < 0) {
        started.error = u"Too many versions of this note were taken in one moment."_s;
        return started;
    }
    started.version.filePath =
        folder + u'/' +
        versionName(started.version.takenMs, started.version.sequence, started.version.size);
    return started;
}

KeptVersion NoteHistory::finish(SafeFileWriter &writer, KeptVersion started, FileError error)
{
    if (!error) {
        const WriteResult result = writer.commit();
        // A version whose folder entry may not have reached the disk is not counted on.
        if (result.replaced)
            QFile::remove(started.version.filePath);
        else if (result.ok())
            QFile::setPermissions(started.version.filePath, kPrivateFilePermissions);
        error = result.error;
    }
    started.error = error;
    return started;
}

KeptVersion NoteHistory::keep(const QString &notePath, FileReader &reader, qint64 takenMs)
{
    if (!reader.isOpen())
        return {reader.error(), {}};
    KeptVersion started = startVersion(notePath, reader.size(), takenMs);
    if (!started.ok())
        return started;
    SafeFileWriter writer(started.version.filePath, WriteMode::CreateNew);
    const FileError error = compressInto(writer, reader);
    return finish(writer, started, error);
}

KeptVersion NoteHistory::keep(const QString &notePath, QByteArrayView bytes, qint64 takenMs)
{
    KeptVersion started = startVersion(notePath, bytes.size(), takenMs);
    if (!started.ok())
        return started;
    SafeFileWriter writer(started.version.filePath, WriteMode::CreateNew);
    const FileError error = compressInto(writer, bytes);
    return finish(writer, started, error);
}

QList<NoteVersion> NoteHistory::versions(const QString &notePath) const
{
    const QString folder = folderOf(notePath, false);
    return folder.isEmpty() ? QList<NoteVersion>() : versionsIn(folder);
}

VersionBytes NoteHistory::read(const NoteVersion &version, qint64 largest)
{
    return decompressVersion(version.filePath, version.size, largest);
}

int NoteHistory::thin(const QString &notePath, const QDateTime &now)
{
    const QString folder = folderOf(notePath, false);
    if (folder.isEmpty())
        return 0;
    // A keep cut short by a crash, where the system has no unnamed files, leaves its temporary
    // file here; one an hour old belongs to no keep still running.
    const QDir dir(folder);
    const QDateTime anHourAgo = QDateTime::currentDateTimeUtc().addSecs(-60 * 60);
    for (const QFileInfo &temp : dir.entryInfoList({QString::fromLatin1(kSaveTempPrefix) + u'*'},
                                                   QDir::Files | QDir::Hidden)) {
        if (temp.lastModified() < anHourAgo)
            QFile::remove(temp.filePath());
    }

    const QList<NoteVersion> all = versionsIn(folder);
    const QList<NoteVersion> kept = thinnedVersions(all, now);
    int dropped = 0;
    for (const NoteVersion &version : all) {
        const bool keep = std::any_of(kept.begin(), kept.end(), [&](const NoteVersion &k) {
            return k.filePath == version.filePath;
        });
        if (!keep && QFile::remove(version.filePath))
            ++dropped;
    }
    return dropped;
}

int NoteHistory::cap(qint64 capBytes, const QString &keepFilePath)
{
    struct Sized
    {
        NoteVersion version;
        qint64 bytes;
        QString folder;
    };
    QList<Sized> all;
    qint64 total = 0;
    const QDir root(m_root);
    for (const QString &name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString folder = root.filePath(name);
        for (const NoteVersion &version : versionsIn(folder)) {
            const qint64 bytes = QFileInfo(version.filePath).size();
            all.append({version, bytes, folder});
            total += bytes;
        }
    }
    if (total <= capBytes)
        return 0;
    std::sort(all.begin(), all.end(),
              [](const Sized &a, const Sized &b) { return b.version.newerThan(a.version); });
    const QString keep = QDir::cleanPath(keepFilePath);
    QStringList touched;
    int dropped = 0;
    for (const Sized &entry : std::as_const(all)) {
        if (total <= capBytes)
            break;
        if (QDir::cleanPath(entry.version.filePath) == keep ||
            !QFile::remove(entry.version.filePath))
            continue;
        total -= entry.bytes;
        ++dropped;
        if (!touched.contains(entry.folder))
            touched.append(entry.folder);
    }
    for (const QString &folder : std::as_const(touched))
        removeIfEmpty(folder);
    return dropped;
}

FileError NoteHistory::carry(const QString &fromNotePath, const QString &toNotePath)
{
    const QString from = folderOf(fromNotePath, false);
    if (from.isEmpty() || absoluteNotePath(fromNotePath) == absoluteNotePath(toNotePath))
        return std::nullopt;
    FileError error;
    const QString to = folderOf(toNotePath, true, &error);
    if (to.isEmpty())
        return error;
    QList<NoteVersion> there = versionsIn(to);
    for (NoteVersion version : versionsIn(from)) {
        const QString source = version.filePath;
        // A version taken in the same millisecond as one kept there already comes after it.
        if (std::any_of(there.begin(), there.end(), [&](const NoteVersion &v) {
                return v.takenMs == version.takenMs && v.sequence == version.sequence;
            })) {
            version.sequence = freeSequence(there, version.takenMs);
            if (version.sequence < 0)
                return u"Too many versions of this note were taken in one moment."_s;
        }
        version.filePath = to + u'/' + versionName(version.takenMs, version.sequence, version.size);
        QFile file(source);
        if (!file.rename(version.filePath)) {
            return u"The version %1 could not be moved: %2"_s.arg(
                quoted(QDir::toNativeSeparators(source)), file.errorString());
        }
        there.append(version);
    }
    removeIfEmpty(from);
    return std::nullopt;
}

QStringList NoteHistory::notes() const
{
    QStringList paths;
    const QDir root(m_root);
    for (const QString &name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (const QString path = pathInFolder(root.filePath(name)); !path.isEmpty())
            paths.append(path);
    }
    return paths;
}

QList<NoteVersion> thinnedVersions(const QList<NoteVersion> &newestFirst, const QDateTime &now)
{
    const QTimeZone zone = now.timeZone();
    const QDate oldestDay = now.date().addDays(-kDaysKept);
    QList<NoteVersion> kept;
    QDate previousDay;
    for (qsizetype i = 0; i < newestFirst.size(); ++i) {
        const QDate day = QDateTime::fromMSecsSinceEpoch(newestFirst[i].takenMs, zone).date();
        const bool newestOfDay = i == 0 || day != previousDay;
        previousDay = day;
        if (i < kNewestKept || (newestOfDay && day >= oldestDay))
            kept.append(newestFirst[i]);
    }
    return kept;
}

qint64 defaultHistoryCap(qint64 freeBytes)
{
    // Free space that could not be found out is no reason to drop the history.
    if (freeBytes < 0)
        return kLargestCap;
    return std::min(freeBytes / 10, kLargestCap);
}

qint64 freeBytesFor(const QString &path)
{
    QFileInfo existing(path);
    while (!existing.exists() && !existing.isRoot() && existing.filePath() != existing.path())
        existing.setFile(existing.path());
    const QStorageInfo storage(existing.absoluteFilePath());
    return storage.isValid() && storage.isReady() ? storage.bytesAvailable() : -1;
}

} // namespace qb
