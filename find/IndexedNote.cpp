#include "find/IndexedNote.h"

#include "encoder/EncodedNote.h"
#include "find/AsciiWord.h"
#include "notes/NoteNames.h"
#include "platform/CodePage.h"
#include "platform/RetryOnInterrupt.h"
#include "platform/SafeFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qb {

namespace {

// Enough of a note too large to keep to tell whether it is enciphered or encrypted.
constexpr qint64 kHeadBytes = 4096;
// A file that changes size while it is read is read again, this many times at most.
constexpr int kReadTries = 3;

void classify(IndexedNote &note, bool whole)
{
    if (IsNoteEncoded(note.bytes))
        note.kind = IndexedKind::Encoded;
    else if (isAgeEncrypted(note.bytes))
        note.kind = IndexedKind::Encrypted;
    else
        note.kind = whole ? IndexedKind::Text : IndexedKind::TooLarge;
    if (note.kind == IndexedKind::Text) {
        note.asciiKin = holdsAsciiKin(note.bytes);
        note.utf8 = isStrictUtf8(note.bytes);
    } else {
        note.bytes = QByteArray();
    }
}

#ifdef Q_OS_UNIX

NoteStamp stampOf(const struct stat &status)
{
#ifdef Q_OS_DARWIN
    const struct timespec &time = status.st_mtimespec;
#else
    const struct timespec &time = status.st_mtim;
#endif
    return {qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec, qint64(status.st_size)};
}

// Reads as much as the file gives up to `length`; -1 after a failure.
qint64 readUpTo(int fd, char *buffer, qint64 length)
{
    qint64 got = 0;
    while (got < length) {
        const ssize_t n =
            retryOnInterrupt([&] { return ::read(fd, buffer + got, size_t(length - got)); });
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += n;
    }
    return got;
}

// One read of the note; false when the file changed size meanwhile.
bool readOnce(const QByteArray &systemPath, qint64 largest, IndexedNote &note)
{
    // O_NONBLOCK: a pipe named like a note is not waited on. A link is followed, once it is
    // known to be one.
    const auto open = [&](int flags) {
        return retryOnInterrupt([&] {
            return ::open(systemPath.constData(),
                          O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | flags);
        });
    };
    int fd = open(O_NOFOLLOW);
    const bool link = fd < 0 && errno == ELOOP;
    if (link)
        fd = open(0);
    if (fd < 0)
        return true;
    struct Closer
    {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return true;
    // A regular file never blocks, but a network file system may act on the flag.
    ::fcntl(fd, F_SETFL, 0);
    const NoteStamp stamp = stampOf(status);
    const bool whole = stamp.size <= largest;
    const qint64 wanted = whole ? stamp.size : std::min(stamp.size, kHeadBytes);
    note.bytes = QByteArray(wanted, Qt::Uninitialized);
    const qint64 got = readUpTo(fd, note.bytes.data(), wanted);
    if (got < 0) {
        note.bytes = QByteArray();
        return true;
    }
    char more = 0;
    if (got < wanted || (whole && readUpTo(fd, &more, 1) != 0)) {
        note.bytes = QByteArray();
        return false;
    }
    note.stamp = stamp;
    note.ownFile = !link && status.st_nlink == 1;
    classify(note, whole);
    return true;
}

#endif

} // namespace

QDateTime NoteStamp::modified() const
{
    return modifiedNs < 0 ? QDateTime() : QDateTime::fromMSecsSinceEpoch(modifiedNs / 1'000'000);
}

NoteStamp stampOfFile(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return {};
    return stampOf(status);
#else
    const QFileInfo info(path);
    if (!info.isFile())
        return {};
    return {info.lastModified().toMSecsSinceEpoch() * 1'000'000, info.size()};
#endif
}

bool isAgeEncrypted(QByteArrayView noteBytes)
{
    constexpr QByteArrayView binary = "age-encryption.org/v1\n";
    constexpr QByteArrayView armour = "-----BEGIN AGE ENCRYPTED FILE-----";
    if (noteBytes.startsWith(binary))
        return true;
    if (!noteBytes.startsWith(armour))
        return false;
    const QByteArrayView rest = noteBytes.sliced(armour.size());
    return rest.isEmpty() || rest.startsWith('\n') || rest.startsWith("\r\n");
}

QStringView IndexedNote::name() const
{
    return noteNameView(fileName);
}

IndexedNote readIndexedNote(const QString &dirPath, const QString &fileName, qint64 largest)
{
    IndexedNote note;
    note.fileName = fileName;
    const QString path = noteFilePath(dirPath, fileName);
#ifdef Q_OS_UNIX
    const QByteArray systemPath = QFile::encodeName(path);
    for (int i = 0; i < kReadTries && !readOnce(systemPath, largest, note); ++i) {
    }
#else
    const NoteStamp stamp = stampOfFile(path);
    if (!stamp.isValid())
        return note;
    if (stamp.size > largest) {
        note.stamp = stamp;
        note.kind = IndexedKind::TooLarge;
        return note;
    }
    ReadResult read = readWholeFile(path, largest);
    if (!read.ok())
        return note;
    note.stamp = stamp;
    note.bytes = std::move(read.bytes);
    classify(note, true);
#endif
    return note;
}

} // namespace qb
