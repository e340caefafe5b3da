#include "notes/NoteFiles.h"

#include "platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHashFunctions>
#include <QScopeGuard>
#include <QStandardPaths>

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <vector>

#ifdef Q_OS_WIN
#include <QDirIterator>
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace qb {

namespace {

// Longest file name the common file systems take: 255 bytes (ext4, XFS, Btrfs, APFS) or 255
// UTF-16 units (NTFS, exFAT).
constexpr qsizetype MaxFileNameLength = 255;

// The digest of a note's bytes, taken in pieces of a fixed size, so that a file read piece by
// piece has the digest of the same bytes held whole. A digest lives only as long as one run of
// the program (Qt seeds its hash anew in every process) and has to catch another program's
// rewrite, not a collision someone forged, so Qt's table hash does: it runs at memory speed
// (half a millisecond per 10 MiB here, where Blake2b took 20 ms, longer than writing the note).
class ContentDigest
{
public:
    static constexpr qsizetype PieceSize = 1 << 18;

    void addPiece(QByteArrayView piece)
    {
        m_digest = qHashBits(piece.data(), size_t(piece.size()), m_digest);
    }

    QByteArray result() const
    {
        return QByteArray(reinterpret_cast<const char *>(&m_digest), sizeof m_digest);
    }

private:
    size_t m_digest = 0;
};

} // namespace

bool IsSameFile(const QString &a, const QString &b)
{
    std::error_code error;
    const bool same = std::filesystem::equivalent(QFileInfo(a).filesystemFilePath(),
                                                  QFileInfo(b).filesystemFilePath(), error);
    return same && !error;
}

namespace {

QStringView noteNameView(QStringView fileName)
{
    return fileName.first(std::max<qsizetype>(0, fileName.size() - 4));
}

// Simple case folding, one UTF-16 unit at a time; it keeps every BMP character in the BMP.
char16_t foldedUnit(QChar c)
{
    const char32_t folded = QChar::toCaseFolded(char32_t(c.unicode()));
    return folded <= 0xffff ? char16_t(folded) : c.unicode();
}

// A key whose plain unit-by-unit order is that of compareFolded, made once per name so that
// sorting a large folder folds nothing twice.
QString foldedKey(QStringView noteName)
{
    QString key(noteName.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(key.data());
    for (const QChar c : noteName)
        *out++ = foldedUnit(c);
    return key;
}

int compareFolded(QStringView a, QStringView b)
{
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const char16_t x = foldedUnit(a[i]);
        const char16_t y = foldedUnit(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// For names equal once folded: the note name as it is, then the whole file name.
bool lessInFoldedTie(QStringView fileNameA, QStringView fileNameB)
{
    if (const int byNote = noteNameView(fileNameA).compare(noteNameView(fileNameB)); byNote != 0)
        return byNote < 0;
    return fileNameA.compare(fileNameB) < 0;
}

struct SortEntry
{
    QString key;
    QString fileName;
};

SortEntry sortEntryOf(QString fileName)
{
    return {foldedKey(noteNameView(fileName)), std::move(fileName)};
}

std::u16string_view unitsOf(const QString &text)
{
    return {reinterpret_cast<const char16_t *>(text.constData()), size_t(text.size())};
}

// A plain unit compare the compiler inlines; on 100,000 names it sorts a fifth faster than
// QString::compare.
bool sortEntryLess(const SortEntry &a, const SortEntry &b)
{
    if (const int byKey = unitsOf(a.key).compare(unitsOf(b.key)); byKey != 0)
        return byKey < 0;
    return lessInFoldedTie(a.fileName, b.fileName);
}

#ifdef Q_OS_WIN

// Hidden and system files are marked by attributes here, which QDir's filters read from the
// directory listing itself.
std::vector<SortEntry> collectNoteFiles(const QString &dirPath, QString *error)
{
    std::vector<SortEntry> entries;
    if (!QFileInfo(dirPath).isDir()) {
        *error = u"The folder does not exist."_s;
        return entries;
    }
    QDirIterator it(dirPath, {u"*.txt"_s}, QDir::Files);
    while (it.hasNext()) {
        it.next();
        entries.push_back(sortEntryOf(it.fileName()));
    }
    QDirIterator leftovers(dirPath, {QLatin1String(SaveTempPrefix) + u'*'}, QDir::Files | QDir::Hidden);
    while (leftovers.hasNext())
        RemoveStaleSaveTemp(leftovers.next());
    return entries;
}

#else

bool hasTxtEnding(std::string_view name)
{
    if (name.size() < 4)
        return false;
    const std::string_view end = name.substr(name.size() - 4);
    return end[0] == '.' && (end[1] | 0x20) == 't' && (end[2] | 0x20) == 'x'
           && (end[3] | 0x20) == 't';
}

// The type comes from the directory entry where the file system gives it, so that only links
// (followed) and untyped entries cost a stat.
bool isRegularFile(DIR *dir, const dirent *entry)
{
#ifdef DT_REG
    if (entry->d_type == DT_REG)
        return true;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
        return false;
#endif
    struct stat status;
    return ::fstatat(::dirfd(dir), entry->d_name, &status, 0) == 0 && S_ISREG(status.st_mode);
}

std::optional<QString> decodedFileName(std::string_view name)
{
    const auto isAscii = [](char c) { return static_cast<unsigned char>(c) < 0x80; };
    if (std::all_of(name.begin(), name.end(), isAscii))
        return QString::fromLatin1(name.data(), qsizetype(name.size()));
    const QByteArray bytes = QByteArray::fromRawData(name.data(), qsizetype(name.size()));
    QString decoded = QFile::decodeName(bytes);
    // A name not valid in the file name encoding would be shown garbled and open nothing.
    if (QFile::encodeName(decoded) != bytes)
        return std::nullopt;
    return decoded;
}

// Reads the raw names, so that only the few that can be notes are decoded.
std::vector<SortEntry> collectNoteFiles(const QString &dirPath, QString *error)
{
    std::vector<SortEntry> entries;
    DIR *dir = ::opendir(QFile::encodeName(dirPath).constData());
    if (!dir) {
        *error = qt_error_string(errno);
        return entries;
    }
    const auto closeDir = qScopeGuard([dir] { ::closedir(dir); });
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry) {
            if (errno != 0)
                *error = qt_error_string(errno);
            return entries;
        }
        const std::string_view name(entry->d_name);
        if (name.front() == '.') {
            // Dot-files are hidden; a save's own temporary files are among them.
            if (IsSaveTempName(QByteArrayView(name.data(), qsizetype(name.size()))))
                RemoveStaleSaveTemp(dirPath + u'/' + QFile::decodeName(entry->d_name));
            continue;
        }
        if (!hasTxtEnding(name) || !isRegularFile(dir, entry))
            continue;
        if (std::optional<QString> fileName = decodedFileName(name))
            entries.push_back(sortEntryOf(std::move(*fileName)));
    }
}

#endif

} // namespace

NoteListing ListNoteFiles(const QString &dirPath)
{
    NoteListing listing;
    std::vector<SortEntry> entries = collectNoteFiles(dirPath, &listing.error);
    std::sort(entries.begin(), entries.end(), sortEntryLess);
    listing.fileNames.reserve(qsizetype(entries.size()));
    for (SortEntry &entry : entries)
        listing.fileNames.append(std::move(entry.fileName));
    return listing;
}

bool NoteFileNameLess(const QString &fileNameA, const QString &fileNameB)
{
    if (const int byFolded = compareFolded(noteNameView(fileNameA), noteNameView(fileNameB));
        byFolded != 0)
        return byFolded < 0;
    return lessInFoldedTie(fileNameA, fileNameB);
}

QString NoteNameOf(const QString &fileName)
{
    return noteNameView(fileName).toString();
}

QString EnsureTxtExtension(const QString &name)
{
    if (name.endsWith(u".txt", Qt::CaseInsensitive))
        return name;
    return name + u".txt"_s;
}

QString FileNamePart(const QString &path)
{
    const qsizetype separator = std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
    return path.sliced(separator + 1);
}

QString NoteFilePath(const QString &dirPath, const QString &fileName)
{
    return QDir(dirPath).filePath(fileName);
}

std::optional<QString> CheckNoteFileName(const QString &fileName)
{
    const QString noteName = fileName.endsWith(u".txt", Qt::CaseInsensitive)
                                 ? NoteNameOf(fileName) : fileName;
    if (noteName.isEmpty())
        return u"The name is empty."_s;
    if (noteName == u"."_s || noteName == u".."_s)
        return u"\".\" and \"..\" are names of folders, not of notes."_s;
    for (const QChar c : fileName) {
        if (c == u'/' || c == u'\\')
            return u"A name cannot contain a slash (/) or a backslash (\\)."_s;
        const char16_t code = c.unicode();
        if (code < 0x20 || (code >= 0x7f && code <= 0x9f))
            return u"A name cannot contain control characters, such as tabs or line breaks."_s;
    }
    if (noteName.startsWith(u'.'))
        return u"A name cannot start with a dot: the note would be a hidden file and would not "
               u"be listed."_s;
#ifdef Q_OS_WIN
    const qsizetype length = fileName.size();
#else
    const qsizetype length = QFile::encodeName(fileName).size();
#endif
    if (length > MaxFileNameLength)
        return u"The name is too long: a file name holds at most 255 bytes, \".txt\" included, "
               u"and a letter outside plain English takes two or more of them."_s;
    return std::nullopt;
}

FileError CreateNoteFile(const QString &path)
{
    return WriteWholeFile(path, "\r\n", WriteMode::CreateNew).error;
}

FileError CopyNoteFile(const QString &source, const QString &destination, bool replaceExisting,
                       qint64 largest)
{
    // Rewriting a file with its own bytes would gain nothing and break any hard link to it.
    if (IsSameFile(source, destination))
        return replaceExisting ? FileError() : FileError(AlreadyExistsText());
    const ReadResult read = ReadWholeFile(source, largest);
    if (!read.ok())
        return read.error;
    return WriteWholeFile(destination, read.bytes,
                          replaceExisting ? WriteMode::Replace : WriteMode::CreateNew)
        .error;
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
        return {false, true, AlreadyExistsText()};
    return {false, false, qt_error_string(int(code))};
}

#else

RenameOutcome renameFailure(int code)
{
    if (code == EEXIST)
        return {false, true, AlreadyExistsText()};
    return {false, false, qt_error_string(code)};
}

RenameOutcome renameNoReplace(const QString &from, const QString &to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
#ifdef Q_OS_LINUX
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(),
                    RENAME_NOREPLACE) == 0)
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
            return back.reason + u" The file is now named \""_s + FileNamePart(between)
                   + u"\"."_s;
        return back.reason;
    }
    return AlreadyExistsText();
}

} // namespace

FileError RenameNoteFile(const QString &from, const QString &to)
{
    if (from == to)
        return std::nullopt;
    const bool caseOnly = from.compare(to, Qt::CaseInsensitive) == 0;
    if (caseOnly && IsSameFile(from, to))
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

FileError MoveNoteToTrash(const QString &path)
{
    QFile file(path);
#if defined(Q_OS_ANDROID) || defined(Q_OS_IOS) || defined(Q_OS_TVOS) || defined(Q_OS_WATCHOS) \
    || defined(Q_OS_WASM)
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

NoteFingerprint TakeFingerprint(const QString &path, const QByteArray &bytes)
{
    const QFileInfo info(path);
    ContentDigest digest;
    for (qsizetype at = 0; at < bytes.size(); at += ContentDigest::PieceSize)
        digest.addPiece(QByteArrayView(bytes).sliced(
            at, std::min(ContentDigest::PieceSize, bytes.size() - at)));
    return {bytes.size(), info.isFile() ? info.lastModified() : QDateTime(), digest.result()};
}

FingerprintCheck CheckFingerprint(const QString &path, const NoteFingerprint &fingerprint)
{
    using Outcome = FingerprintCheck::Outcome;
    if (!fingerprint.isValid() || !fingerprint.modified.isValid())
        return {Outcome::Changed, {}};
    const FileProbe probe = ProbeFile(path);
    if (probe.kind == FileProbe::Kind::Missing)
        return {Outcome::Changed, {}};
    if (probe.kind != FileProbe::Kind::Regular)
        return {Outcome::Unreadable, probe.error};
    const QFileInfo info(path);
    if (probe.size != fingerprint.size || info.lastModified() != fingerprint.modified)
        return {Outcome::Changed, {}};

    FileReader reader(path);
    if (!reader.isOpen())
        return {Outcome::Unreadable, reader.error()};
    if (reader.size() != fingerprint.size)
        return {Outcome::Changed, {}};
    ContentDigest digest;
    QByteArray piece(ContentDigest::PieceSize, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        // Whole pieces, however the reads come back, so that the digest is taken as it was.
        const qint64 filled = reader.read(piece.data(), piece.size());
        if (filled < 0)
            return {Outcome::Unreadable, reader.error()};
        digest.addPiece(QByteArrayView(piece.constData(), filled));
        total += filled;
        if (filled < piece.size())
            break;
    }
    // A file that shrank or grew while it was read is not the one the fingerprint was taken of.
    if (total != fingerprint.size)
        return {Outcome::Changed, {}};
    if (!reader.atExpectedEnd(total)) {
        if (reader.changedWhileRead())
            return {Outcome::Changed, {}};
        return {Outcome::Unreadable, reader.error()};
    }
    return {digest.result() == fingerprint.digest ? Outcome::Same : Outcome::Changed, {}};
}

} // namespace qb
