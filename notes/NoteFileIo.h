#pragma once

#include "encoder/NoteCodec.h"
#include "notes/NoteSize.h"
#include "platform/NoteFingerprint.h"
#include "platform/SafeFile.h"

#include <optional>

namespace qb {

class NoteSaver;

// What a note's file holds, as the editor shows it.
struct ShowableNote
{
    enum class Kind {
        Plain,
        Encoded,   // enciphered with a keyword: shown as it is, until Decode
        Encrypted, // age-encrypted with a passphrase: shown as armour, until Decrypt
    };
    Kind kind = Kind::Plain;
    DecodedNote note;
    std::optional<QByteArray> fileBytes; // an encoded or encrypted note's bytes as read
};

// How a note's file keeps its text, told by its first bytes.
ShowableNote::Kind noteKindOf(QByteArrayView bytes);
// The first bytes of a file that noteKindOf needs: an encoded note's header, or an age file's
// first line after a few blank ones.
inline constexpr qsizetype kNoteKindBytes = 4096;

// `bytes`, read from a note's file, as the editor is to show them: an age file in its armour
// even when it is stored binary, never as the bytes it is made of.
ShowableNote showableNoteOf(QByteArray bytes);

// The largest note whose bytes as read or saved are kept beside its text.
inline constexpr qsizetype kKeptBaseBytes = 1024 * 1024;

// A note's file read whole.
struct LoadedNote
{
    QString error; // why it could not be read; empty when it was
    ShowableNote showable;
    NoteFingerprint fingerprint;
    // The bytes read, for a note of no more than kKeptBaseBytes read on the window's thread.
    std::optional<QByteArray> keptBytes;
};

// The file of the note shown, as far as reading and writing it go: how large a file may be
// read, and what the file held when it was last read or written, which tells whether another
// program changed it since, and is the base of a merge with that change.
class NoteFileIo
{
public:
    // When opening a note asks first, and when it refuses.
    const NoteSizeLimits &sizeLimits() const { return m_sizeLimits; }
    void setSizeLimits(const NoteSizeLimits &limits) { m_sizeLimits = limits; }

    // Reads the note at `path` whole, if it is no larger than sizeLimits() let it be. What it
    // held counts once take() is told.
    LoadedNote read(const QString &path) const;
    // The file holds what `fingerprint` was taken of: `bytes`, which are kept when they are
    // known and no more than kKeptBaseBytes.
    void take(const NoteFingerprint &fingerprint, std::optional<QByteArray> bytes);
    // No file: the fingerprint matches none.
    void forget();

    // Whether the file at `path` still holds what was read or last written.
    FingerprintCheck check(const QString &path) const;
    // Puts what `saver` wrote in place of its file. Bytes that reached the file, whether or not
    // all went well, are what it holds.
    WriteResult write(NoteSaver &saver);

    const NoteFingerprint &fingerprint() const { return m_fingerprint; }
    // What the file held, for a note small enough to be held twice.
    const std::optional<QByteArray> &bytes() const { return m_bytes; }

private:
    NoteSizeLimits m_sizeLimits = NoteSizeLimits::forThisMachine();
    NoteFingerprint m_fingerprint;
    std::optional<QByteArray> m_bytes;
};

} // namespace qb
