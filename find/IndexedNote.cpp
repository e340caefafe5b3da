#include "find/IndexedNote.h"

#include "encoder/EncodedNote.h"
#include "find/AsciiWord.h"
#include "notes/NoteNames.h"
#include "platform/CodePage.h"
#include "platform/SafeFile.h"

#include <algorithm>

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

// One read of the note; false when the file changed size meanwhile.
bool readOnce(const QString &path, qint64 largest, IndexedNote &note)
{
    FileReader reader(path);
    if (!reader.isOpen())
        return true;
    const NoteStamp stamp{reader.modifiedNs(), reader.size()};
    const bool whole = stamp.size <= largest;
    const qint64 wanted = whole ? stamp.size : std::min(stamp.size, kHeadBytes);
    note.bytes = QByteArray(wanted, Qt::Uninitialized);
    const qint64 got = reader.read(note.bytes.data(), wanted);
    if (got < 0) {
        note.bytes = QByteArray();
        return true;
    }
    if (got < wanted || (whole && !reader.atExpectedEnd(got))) {
        note.bytes = QByteArray();
        return false;
    }
    note.stamp = stamp;
    note.ownFile = reader.isOwnFile();
    classify(note, whole);
    return true;
}

} // namespace

QDateTime NoteStamp::modified() const
{
    return modifiedNs < 0 ? QDateTime() : QDateTime::fromMSecsSinceEpoch(modifiedNs / 1'000'000);
}

NoteStamp stampOfFile(const QString &path)
{
    const FileProbe probe = probeFile(path);
    if (probe.kind != FileProbe::Kind::Regular)
        return {};
    return {probe.modifiedNs, probe.size};
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
    for (int i = 0; i < kReadTries && !readOnce(path, largest, note); ++i) {
    }
    return note;
}

} // namespace qb
