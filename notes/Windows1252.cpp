// Windows-1252 by table: Qt 6 has no codec for it without ICU.
#include "notes/NoteCodec.h"

#include <array>

namespace qb {
namespace {

// Characters of bytes 0x80..0x9F. The five bytes Windows leaves unassigned map to the C1 control
// of the same value, so that every byte has a character and back.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

int ByteOf(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < int(kHigh.size()); ++i) {
        if (kHigh[i] == c)
            return 0x80 + i;
    }
    return -1;
}

} // namespace

QString DecodeWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        *out++ = (u >= 0x80 && u < 0xA0) ? kHigh[u - 0x80] : char16_t(u);
    }
    return text;
}

std::optional<QByteArray> EncodeWindows1252(QStringView text, qsizetype *badIndex)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int b = ByteOf(text[i].unicode());
        if (b < 0) {
            if (badIndex)
                *badIndex = i;
            return std::nullopt;
        }
        *out++ = char(b);
    }
    return bytes;
}

} // namespace qb
