#pragma once

#include "platform/CodePage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

namespace qb {

// How a note file's bytes become characters and back. Chosen from the bytes when a note is read
// and kept, so that saving writes the note in the form it was found in.
enum class LineEnd { CrLf, Lf };

struct NoteFormat
{
    TextEncoding encoding = TextEncoding::Utf8;
    bool byteOrderMark = false; // a UTF-8 note that started with EF BB BF keeps it
    LineEnd lineEnd = LineEnd::CrLf;

    QByteArray lineEndBytes() const { return lineEnd == LineEnd::CrLf ? "\r\n" : "\n"; }
    friend bool operator==(const NoteFormat &, const NoteFormat &) = default;
};

// A character of the file that the editor would change or swallow (a CR or LF outside the
// note's line-end style, U+2028, U+2029, ...). The editor shows standInFor(original) at
// `position` of DecodedNote::text and the writer puts `original` back.
struct StandIn
{
    qsizetype position = 0;
    char16_t original = 0;
    friend bool operator==(const StandIn &, const StandIn &) = default;
};

// A note's bytes in its own form, as a save writes them.
struct NoteBytes
{
    QByteArray bytes;                    // empty when `unencodable` is set: nothing to write
    std::optional<char32_t> unencodable; // the first character the note's encoding cannot hold
};

struct DecodedNote
{
    NoteFormat format;
    QString text;            // the note's line breaks as '\n', stand-ins in place
    QList<StandIn> standIns; // ascending positions into text
};

// UTF-8 when isStrictUtf8(bytes) (plain ASCII and empty notes included), else Windows-1252.
// The first line end in the bytes decides the style; CR LF when there is none. A CR that is not
// followed by LF does not count.
NoteFormat detectNoteFormat(QByteArrayView bytes);

DecodedNote decodeNoteBytes(QByteArrayView bytes);
// The same rules with a format already chosen (used when re-showing bytes in a known form).
// Nothing is ever lost: bytes that are not valid UTF-8 are read as Windows-1252 whatever
// `format` says, and a byte order mark `format` asks for but the bytes lack is dropped from the
// result's format. The result's format is the one to save with.
DecodedNote decodeNoteBytes(QByteArrayView bytes, const NoteFormat &format);
// The characters [from, to) of `note`, with their stand-ins.
DecodedNote slicedNote(const DecodedNote &note, qsizetype from, qsizetype to);

// True for a character that, found in a note outside a line end of the note's style, the editor
// cannot hold as it is: every CR, an LF in a CR LF note, U+2028, U+2029, U+FDD0 and U+FDD1 (Qt's
// frame marks, which the editor turns into paragraph breaks).
bool needsStandIn(char16_t c, const NoteFormat &format);
// The visible character the editor shows for `original`; `original` itself for other characters.
char16_t standInFor(char16_t original);

// Builds a note's bytes from the editor's content, piece by piece. The byte order mark, when the
// format has one, comes first. The bytes are kept for takeBytes(), or, with a sink, handed to it
// whenever a piece of the given size is full, so that a note of any size is written through a
// buffer of that size.
class NoteEncoder
{
public:
    using Sink = std::function<void(QByteArrayView piece)>;

    explicit NoteEncoder(const NoteFormat &format);
    NoteEncoder(const NoteFormat &format, Sink sink, qsizetype pieceSize);

    // Room for `units` more UTF-16 code units of text at their largest, so that a large note
    // built piece by piece is never copied as it grows.
    void reserve(qsizetype units);

    // Ordinary text: U+2029 (the editor's paragraph break) and U+2028 (a typed soft break)
    // become the note's line end; everything else is stored as it stands.
    void appendText(QStringView text);
    // The originals behind stand-ins, stored as they are (a lone CR stays a lone CR).
    void appendOriginal(QStringView originals);
    // Bytes another encoder of this format made of text, with no byte order mark: stored as
    // they are, handed to the sink without a copy.
    void appendBytes(QByteArrayView bytes);

    const NoteFormat &format() const { return m_format; }

    // False when a character could not be stored: outside Windows-1252 in a Windows-1252 note,
    // or half a surrogate pair. Nothing is appended after the first such character, so the
    // bytes must not be written then.
    bool ok() const { return !m_unencodable.has_value(); }
    std::optional<char32_t> firstUnencodable() const { return m_unencodable; }
    QByteArray takeBytes();
    // Hands the last piece to the sink.
    void finish();

private:
    void flushFullPiece();
    void appendEncoded(QStringView text, bool lineBreaks);
    void appendUtf8(QStringView text, bool lineBreaks);
    void appendWindows1252(QStringView text, bool lineBreaks);
    void markUnencodable(QStringView text, qsizetype index);

    NoteFormat m_format;
    QByteArray m_bytes;
    std::optional<char32_t> m_unencodable;
    Sink m_sink;
    qsizetype m_pieceSize = 0;
};

// The characters at [from, to) of `note`'s text into `encoder` as the editor showing the note
// saves them: a line break as the note's line end, a stand-in as its original.
void encodeNoteText(const DecodedNote &note, qsizetype from, qsizetype to, NoteEncoder &encoder);

} // namespace qb
