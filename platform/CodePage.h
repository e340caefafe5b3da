#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

namespace qb {

// The character sets notes and books are stored in. Windows-1252 is the code page the files of
// the program's Windows past were written in.
enum class TextEncoding { Utf8, Windows1252 };

// Windows-1252 with the five unassigned bytes mapped to the C1 controls of the same value,
// so that every byte has a character and every such character its byte.
QString decodeWindows1252(QByteArrayView bytes);
// nullopt when `text` holds a character Windows-1252 cannot store; `badIndex` then names it.
std::optional<QByteArray> encodeWindows1252(QStringView text, qsizetype *badIndex = nullptr);
// The Windows-1252 byte of `c`; nullopt when the code page has none.
std::optional<char> windows1252Byte(char16_t c);

// Well-formed UTF-8 in the strict sense: no overlong forms, no surrogates, nothing above
// U+10FFFF, so that decoding and encoding again gives back the same bytes.
bool isStrictUtf8(QByteArrayView bytes);

// True when Windows-1252 bytes would be taken for UTF-8 when read again, and so show other
// characters than were written: they are not all ASCII, and they are valid UTF-8.
bool readsBackAsUtf8(QByteArrayView windows1252Bytes);

// readsBackAsUtf8 of bytes given piece by piece, pieces cut anywhere.
class ReadsBackAsUtf8Check
{
public:
    void add(QByteArrayView piece);
    bool result() const { return m_valid && m_nonAscii && m_carry.isEmpty(); }

private:
    bool m_valid = true;
    bool m_nonAscii = false;
    QByteArray m_carry; // a sequence cut by the end of a piece
};

} // namespace qb
