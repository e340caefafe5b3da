#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace qb {

// An encoded note is the header line, CR LF, and the enciphered bytes of the plain note.
inline constexpr QByteArrayView EncodedHeader = "Mossgrange's Quirebox Encoded v3_[A1]";
inline constexpr QByteArrayView CipherVersion = "3_[A1]";
// The body starts after the header and its CR LF, whatever those bytes hold.
inline constexpr qsizetype kEncodedBodyStart = 39;

// True when the first item of the first line, read as a comma-separated item (it ends at the
// first comma or line end; enclosing double quotes are not part of it), is EncodedHeader.
bool IsNoteEncoded(QByteArrayView noteBytes);

QByteArray encodedNoteBytes(QByteArrayView cipherBody);
// Bytes from kEncodedBodyStart on; empty for a shorter note.
QByteArrayView encodedBody(QByteArrayView noteBytes);

// The keyword prompts of Tools > Encode and Decode for the note `noteName` (no ".txt").
QString encodePrompt(const QString &noteName);
QString decodePrompt(const QString &noteName);

} // namespace qb
