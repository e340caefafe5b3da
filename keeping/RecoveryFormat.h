#pragma once

#include "encoder/NoteCodec.h"
#include "platform/NoteFingerprint.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <optional>

namespace qb {

// What the editor held of a note with unsaved edits, kept so that a crash loses none of it.
struct RecoveryCopy
{
    QString notePath;         // absolute
    NoteFormat format;        // the form a save would write the note in
    QByteArray bytes;         // the note as a save would write it, byte order mark included
    NoteFingerprint noteFile; // what the note file held when the text was last read or saved
    QDateTime taken;          // when the copy was taken
};

// A recovery file is a header of "key: value" lines a person can read, a blank line, then the
// note's bytes:
//
//   Quirebox recovery copy
//   version: 1
//   note: /home/ann/Notes/Plans.txt        ('%', controls and DEL escaped as %XX)
//   encoding: UTF-8                        (or Windows-1252)
//   byte-order-mark: no                    (or yes)
//   line-end: CRLF                         (or LF)
//   note-size: 1234                        (-1: the note file could not be read)
//   note-modified: 2026-06-12T14:05:09.123Z (UTC; "none" when unknown)
//   note-changed: 2026-06-12T14:05:09.123Z
//   note-digest: 0123456789abcdef          ("none" when there is none)
//   taken: 2026-06-12T14:05:11.456Z
//   length: 1250                           (of the bytes after the blank line)
//   crc-32: 89abcdef                       (of every byte of the file but this line and the
//                                           blank line)
//
// Every value has one spelling, so a file that reads as a copy is the very file that copy
// writes: nothing in it goes unchecked.
inline constexpr int kRecoveryVersion = 1;

// The header of `copy`, checksum included; its bytes follow it in the file.
QByteArray recoveryHeaderBytes(const RecoveryCopy &copy);
// The whole file: the header and the bytes.
QByteArray recoveryFileBytes(const RecoveryCopy &copy);

// The checksum of a recovery file, given piece by piece, pieces cut anywhere (CRC-32, the one
// of zip and PNG: it catches every burst of damage up to 32 bits and others all but surely).
class RecoveryChecksum
{
public:
    void add(QByteArrayView piece);
    quint32 value() const { return ~m_state; }

private:
    quint32 m_state = 0xffffffff;
};

// The header read from the start of a recovery file.
struct RecoveryHeader
{
    RecoveryCopy copy;     // every field but the bytes
    qint64 length = 0;     // of the bytes after the header
    quint32 checksum = 0;  // as the file states it
    qsizetype checked = 0; // the header's bytes the checksum covers: those before its own line
    qsizetype size = 0;    // the header's bytes, the blank line included
};

struct RecoveryHeaderRead
{
    std::optional<RecoveryHeader> header;
    QString damage; // why no header could be read
    // The bytes end inside the header: more of the file may complete it.
    bool incomplete = false;
};

// The header at the start of `start`, which may hold more of the file or less.
RecoveryHeaderRead readRecoveryHeader(QByteArrayView start);

struct RecoveryParse
{
    std::optional<RecoveryCopy> copy;
    QString damage; // why the file holds no whole copy
};

// A whole recovery file: the header, exactly `length` bytes, a matching checksum. Any input is
// read safely; whatever is wrong is told in words a person can act on. The copy's bytes are
// `file`'s own, not a copy of them.
RecoveryParse parseRecoveryFile(QByteArray file);

// The reasons, shared by the store that reads files piece by piece.
QString recoveryCutShortText(qint64 held, qint64 length);
QString recoveryTooLongText(qint64 length);
QString recoveryChecksumText();

} // namespace qb
