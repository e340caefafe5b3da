#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace qb {

// How a note file's bytes become characters and back. Chosen from the bytes when a note is read
// and kept, so that saving writes the note in the form it was found in.
enum class TextEncoding { Utf8, Windows1252 };
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

struct DecodedNote
{
    NoteFormat format;
    QString text;             // the note's line breaks as '\n', stand-ins in place
    QList<StandIn> standIns;  // ascending positions into text
};

// UTF-8 when the bytes are valid UTF-8 (plain ASCII and empty notes included), else Windows-1252.
// The first line end in the bytes decides the style; CR LF when there is none.
NoteFormat DetectNoteFormat(QByteArrayView bytes);

DecodedNote DecodeNoteBytes(QByteArrayView bytes);
// The same rules with a format already chosen (used when re-showing bytes in a known form).
DecodedNote DecodeNoteBytes(QByteArrayView bytes, const NoteFormat &format);

// True for characters the editor cannot hold as they are.
bool NeedsStandIn(char16_t c, const NoteFormat &format);
char16_t StandInFor(char16_t original);

// Windows-1252 with the five unassigned bytes mapped to the C1 controls of the same value,
// so that every byte has a character and every such character its byte.
QString DecodeWindows1252(QByteArrayView bytes);
// nullopt when `text` holds a character Windows-1252 cannot store; `badIndex` then names it.
std::optional<QByteArray> EncodeWindows1252(QStringView text, qsizetype *badIndex = nullptr);

// Builds a note's bytes from the editor's content, piece by piece.
class NoteEncoder
{
public:
    explicit NoteEncoder(const NoteFormat &format);

    // Ordinary text: U+2029 (the editor's paragraph break) and U+2028 (a typed soft break)
    // become the note's line end; everything else is stored as it stands.
    void appendText(QStringView text);
    // The originals behind stand-ins, stored as they are (a lone CR stays a lone CR).
    void appendOriginal(QStringView originals);

    // False when a character could not be stored in the note's encoding (Windows-1252 only).
    bool ok() const { return !m_unencodable.has_value(); }
    std::optional<char32_t> firstUnencodable() const { return m_unencodable; }
    QByteArray takeBytes();

private:
    void appendEncoded(QStringView text);

    NoteFormat m_format;
    QByteArray m_bytes;
    std::optional<char32_t> m_unencodable;
};

} // namespace qb
