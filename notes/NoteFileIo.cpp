#include "notes/NoteFileIo.h"

#include "encoder/AgeFile.h"
#include "encoder/EncodedNote.h"
#include "notes/NoteSaver.h"
#include "platform/SizeText.h"

namespace qb {

ShowableNote::Kind noteKindOf(QByteArrayView bytes)
{
    if (isAgeFile(bytes))
        return ShowableNote::Kind::Encrypted;
    if (IsNoteEncoded(bytes))
        return ShowableNote::Kind::Encoded;
    return ShowableNote::Kind::Plain;
}

ShowableNote showableNoteOf(QByteArray bytes)
{
    ShowableNote showable;
    showable.kind = noteKindOf(bytes);
    if (showable.kind == ShowableNote::Kind::Encrypted) {
        // Armour begins with a dash; a binary file with the format's name.
        showable.note = decodeNoteBytes(bytes.trimmed().startsWith('-') ? bytes : armourAge(bytes));
        showable.fileBytes = std::move(bytes);
        return showable;
    }
    showable.note = decodeNoteBytes(bytes);
    if (showable.kind == ShowableNote::Kind::Encoded)
        showable.fileBytes = std::move(bytes);
    return showable;
}

LoadedNote NoteFileIo::read(const QString &path) const
{
    LoadedNote loaded;
    ReadResult read = readWholeFile(path, m_sizeLimits.refuseAbove);
    if (!read.ok()) {
        loaded.error = read.tooLarge ? tooLargeToOpenText(read.size) : read.error;
        return loaded;
    }
    loaded.fingerprint = takeFingerprint(path, read.bytes);
    if (read.bytes.size() <= kKeptBaseBytes)
        loaded.keptBytes = read.bytes; // shared, not copied
    loaded.showable = showableNoteOf(std::move(read.bytes));
    return loaded;
}

void NoteFileIo::take(const NoteFingerprint &fingerprint, std::optional<QByteArray> bytes)
{
    m_fingerprint = fingerprint;
    if (bytes && bytes->size() > kKeptBaseBytes)
        bytes.reset();
    m_bytes = std::move(bytes);
}

void NoteFileIo::forget()
{
    m_fingerprint = {};
    m_bytes.reset();
}

FingerprintCheck NoteFileIo::check(const QString &path) const
{
    return checkFingerprint(path, m_fingerprint);
}

WriteResult NoteFileIo::write(NoteSaver &saver)
{
    const WriteResult written = saver.commit();
    // Bytes that reached the file are no other program's, whether or not all went well.
    if (written.ok() || written.replaced) {
        m_fingerprint = saver.fingerprint();
        m_bytes = saver.writtenBytes();
    }
    return written;
}

} // namespace qb
