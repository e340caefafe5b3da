#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

namespace qb {

// What a note file was when it was read: its modification time and size. A note whose file no
// longer has the same is not the one the index holds.
struct NoteStamp
{
    qint64 modifiedNs = -1; // since 1970 UTC; -1: no file seen, matches none
    qint64 size = -1;

    bool isValid() const { return size >= 0; }
    QDateTime modified() const;
    friend bool operator==(const NoteStamp &, const NoteStamp &) = default;
};

// The stamp of the regular file at `path` (through a link); an invalid one when there is none.
NoteStamp stampOfFile(const QString &path);

// What the index keeps of a note's content.
enum class IndexedKind : quint8 {
    Text,       // the bytes as read
    Encoded,    // enciphered with a keyword (IsNoteEncoded): no text kept
    Encrypted,  // an age file, binary or armoured: no text kept
    TooLarge,   // larger than the index takes: no text kept
    Unreadable, // the file could not be read: no text kept
};

// True for the start of an age file: the binary header line, or the armour's first line.
bool isAgeEncrypted(QByteArrayView noteBytes);

// One note of a folder as the index holds it. Copies share the name and the bytes.
struct IndexedNote
{
    QString fileName;
    QByteArray bytes; // the file's bytes exactly as read; empty unless kind is Text
    NoteStamp stamp;
    IndexedKind kind = IndexedKind::Unreadable;
    bool asciiKin = false; // holdsAsciiKin(bytes): ASCII words are not found in the bytes alone
    bool utf8 = false;     // isStrictUtf8(bytes): decodeNoteBytes reads them as UTF-8
    // Neither a link nor one of several names of its file: a write to it shows as a change of
    // its folder (FolderChanges).
    bool ownFile = false;

    QStringView name() const;
    bool hasText() const { return kind == IndexedKind::Text; }
};

// Reads the note `fileName` of the folder `dirPath`, never waiting on a pipe or a device named
// like a note. A file larger than `largest` bytes keeps no text. The stamp is taken before the
// bytes are read, so that a file changed during the read never passes for what was read.
IndexedNote readIndexedNote(const QString &dirPath, const QString &fileName, qint64 largest);

} // namespace qb
