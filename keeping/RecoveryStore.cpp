#include "keeping/RecoveryStore.h"

#include "platform/DirScan.h"
#include "platform/PrivateFiles.h"
#include "platform/QuotedPath.h"
#include "platform/SizeText.h"
#include "platform/StateFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qb {

namespace {

constexpr char kSuffix[] = ".recovery";
// Hex digits of the path's hash in a file name: 128 bits, where no two notes ever meet.
constexpr qsizetype kHashDigits = 32;
// The largest file read whole: a note as large as the editor can hold, and its header.
constexpr qint64 kLargestFile = 2048LL * 1024 * 1024 + 1024 * 1024;
// The header is looked for in the first this many bytes; the rest is read in pieces this size.
constexpr qsizetype kReadAtOnce = 1024 * 1024;

bool isCopyName(QByteArrayView name)
{
    const QByteArrayView suffix(kSuffix);
    if (name.size() != kHashDigits + suffix.size() || !name.endsWith(suffix))
        return false;
    return std::all_of(name.begin(), name.begin() + kHashDigits,
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// The mark markOlder leaves: by the file's mode, whoever may write it (root may write any).
bool markedOlder(const QFileInfo &info)
{
    return !(info.permissions() & QFile::WriteOwner);
}

QString notAStoreFileText()
{
    return u"It is not a recovery copy of Quirebox."_s;
}

} // namespace

QString defaultRecoveryFolder()
{
    return QDir::cleanPath(stateHome() + u"/quirebox/recovery"_s);
}

QString recoveryNoteKey(const QString &notePath)
{
    return QDir::cleanPath(QFileInfo(notePath).absoluteFilePath());
}

RecoveryStore::RecoveryStore() : RecoveryStore(defaultRecoveryFolder()) {}

RecoveryStore::RecoveryStore(const QString &folder)
    : m_folder(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()))
{
}

QString RecoveryStore::fileFor(const QString &notePath) const
{
    const QByteArray hash =
        QCryptographicHash::hash(recoveryNoteKey(notePath).toUtf8(), QCryptographicHash::Sha256);
    return m_folder + u'/' + QLatin1StringView(hash.toHex().first(kHashDigits)) +
           QLatin1StringView(kSuffix);
}

FileError RecoveryStore::makeFolder() const
{
    return makePrivateFolder(m_folder);
}

WriteResult RecoveryStore::write(const RecoveryCopy &copy) const
{
    if (FileError error = makeFolder())
        return {error, false};
    // The header names the note as its file name does. The bytes are shared, not copied.
    RecoveryCopy stored = copy;
    stored.notePath = recoveryNoteKey(copy.notePath);
    const QString file = fileFor(stored.notePath);
    // An older copy is replaced as any other.
    if (const QFileInfo info(file); info.isFile() && !info.isSymLink() && markedOlder(info))
        QFile::setPermissions(file, kPrivateFilePermissions);
    // Nothing at the copy's name is followed: a link there is replaced.
    SafeFileWriter writer(file, WriteMode::ReplaceEntry);
    writer.write(recoveryHeaderBytes(stored));
    writer.write(stored.bytes);
    const WriteResult result = writer.commit();
    // A file replaced keeps its permissions; only a new one needs them set. The folder is the
    // user's alone meanwhile.
    if (result.ok() || result.replaced)
        QFile::setPermissions(file, kPrivateFilePermissions);
    return result;
}

QString RecoveryStore::setAside(const QString &file) const
{
    for (int n = 1; n < 100; ++n) {
        const QString aside = file + (n == 1 ? u".damaged"_s : u".damaged-%1"_s.arg(n));
        if (QFileInfo::exists(aside))
            continue;
        return QFile::rename(file, aside) ? aside : QString();
    }
    return {};
}

void RecoveryStore::markOlder(const QString &notePath) const
{
    const QString file = fileFor(notePath);
    if (const QFileInfo info(file); info.isFile() && !info.isSymLink())
        QFile::setPermissions(file, QFile::ReadOwner);
}

FileError RecoveryStore::remove(const QString &notePath) const
{
    return removeFile(fileFor(notePath));
}

FileError RecoveryStore::removeFile(const QString &file) const
{
    const QFileInfo info(file);
    if (info.absolutePath() != m_folder || !isCopyName(QFile::encodeName(info.fileName())))
        return notAStoreFileText();
    if (!info.exists() && !info.isSymLink())
        return std::nullopt;
    QFile target(file);
    if (!target.remove() && QFileInfo(file).exists())
        return target.errorString();
    return std::nullopt;
}

RecoveryRead RecoveryStore::read(const QString &notePath) const
{
    const QString key = recoveryNoteKey(notePath);
    RecoveryRead read = readFile(fileFor(key));
    if (read.copy && read.copy->notePath != key)
        return {std::nullopt, u"It holds the copy of another note: %1."_s.arg(
                                  quoted(QDir::toNativeSeparators(read.copy->notePath)))};
    return read;
}

RecoveryRead RecoveryStore::readFile(const QString &file) const
{
    const FileProbe probe = probeFile(file);
    if (probe.kind == FileProbe::Kind::Missing)
        return {};
    ReadResult result = readWholeFile(file, kLargestFile);
    if (!result.ok())
        return {std::nullopt, result.tooLarge ? tooLargeToOpenText(result.size) : result.error};
    RecoveryParse parse = parseRecoveryFile(std::move(result.bytes));
    return {std::move(parse.copy), parse.damage};
}

RecoveryEntry RecoveryStore::inspect(const QString &file) const
{
    const QFileInfo info(file);
    RecoveryEntry entry{file, {}, info.lastModified(), {}, markedOlder(info)};
    FileReader reader(file);
    if (!reader.isOpen()) {
        entry.damage = reader.error();
        return entry;
    }
    QByteArray piece(kReadAtOnce, Qt::Uninitialized);
    qint64 filled = reader.read(piece.data(), piece.size());
    if (filled < 0) {
        entry.damage = reader.error();
        return entry;
    }
    const RecoveryHeaderRead read = readRecoveryHeader(QByteArrayView(piece).first(filled));
    if (!read.header) {
        entry.damage = read.incomplete && filled == piece.size()
                           ? u"Its header is damaged: it does not end."_s
                           : read.damage;
        return entry;
    }
    const RecoveryHeader &header = *read.header;
    // The name was made from the note's path: where they agree, the path is the note's even
    // when the rest of the file is damaged.
    const bool nameAgrees = fileFor(header.copy.notePath) == file;
    if (nameAgrees)
        entry.notePath = header.copy.notePath;

    RecoveryChecksum checksum;
    checksum.add(QByteArrayView(piece).first(header.checked));
    checksum.add(QByteArrayView(piece).sliced(header.size, filled - header.size));
    qint64 total = filled;
    while (filled == piece.size()) {
        filled = reader.read(piece.data(), piece.size());
        if (filled < 0) {
            entry.damage = reader.error();
            return entry;
        }
        checksum.add(QByteArrayView(piece).first(filled));
        total += filled;
    }
    const qint64 body = total - header.size;
    if (!reader.atExpectedEnd(total))
        entry.damage = reader.error();
    else if (body < header.length)
        entry.damage = recoveryCutShortText(body, header.length);
    else if (body > header.length)
        entry.damage = recoveryTooLongText(header.length);
    else if (checksum.value() != header.checksum)
        entry.damage = recoveryChecksumText();
    if (entry.isDamaged())
        return entry;
    // A whole file vouches for its own header, whatever its name.
    entry.notePath = header.copy.notePath;
    if (header.copy.taken.isValid())
        entry.taken = header.copy.taken;
    return entry;
}

RecoveryListing RecoveryStore::list(const QStringList &folderDirs) const
{
    RecoveryListing listing;
    if (!QFileInfo(m_folder).exists())
        return listing;
    QStringList files;
    listing.error = scanDirectory(m_folder, [&](const DirEntry &entry) {
        const QByteArrayView name = entry.name();
        // A copy's own temporary files are hidden: a listing writes nothing and removes nothing.
        if (entry.isHidden())
            return;
        if (isCopyName(name) && entry.isRegularFile())
            files.append(m_folder + u'/' + QLatin1StringView(name));
    });

    // A folder is matched by its spelling, or as the same folder reached through links.
    QStringList dirs, canonicalDirs;
    for (const QString &dir : folderDirs) {
        dirs.append(QDir::cleanPath(QFileInfo(dir).absoluteFilePath()));
        if (const QString canonical = QFileInfo(dir).canonicalFilePath(); !canonical.isEmpty())
            canonicalDirs.append(canonical);
    }
    const auto inFolders = [&](const QString &notePath) {
        const QFileInfo dir(QFileInfo(notePath).absolutePath());
        if (dirs.contains(QDir::cleanPath(dir.absoluteFilePath())))
            return true;
        const QString canonical = dir.canonicalFilePath();
        return !canonical.isEmpty() && canonicalDirs.contains(canonical);
    };
    for (const QString &file : std::as_const(files)) {
        RecoveryEntry entry = inspect(file);
        if (entry.notePath.isEmpty() || inFolders(entry.notePath))
            listing.entries.append(std::move(entry));
    }
    std::stable_sort(
        listing.entries.begin(), listing.entries.end(),
        [](const RecoveryEntry &a, const RecoveryEntry &b) { return a.taken < b.taken; });
    return listing;
}

} // namespace qb
