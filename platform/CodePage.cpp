#include "platform/CodePage.h"

#include <algorithm>
#include <cstring>

namespace qb {

namespace {

// Bytes 0x80..0x9F of Windows-1252. The five bytes the code page leaves unassigned map to the C1
// control of the same value, so that any file can be read and written back unchanged.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

std::optional<char> windows1252Byte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    const auto *hit = std::find(std::begin(kWindows1252High), std::end(kWindows1252High), c);
    if (hit == std::end(kWindows1252High))
        return std::nullopt;
    return char(0x80 + (hit - std::begin(kWindows1252High)));
}

namespace {

bool AsciiWord(const unsigned char *p)
{
    quint64 word;
    std::memcpy(&word, p, sizeof word);
    return (word & 0x8080808080808080ULL) == 0;
}

// The length of the UTF-8 sequence `lead` starts; 1 for a byte that starts none.
int sequenceLength(unsigned char lead)
{
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 1;
}

// Where a sequence that the end of `bytes` cuts short starts; bytes.size() when none is.
qsizetype cutSequenceStart(QByteArrayView bytes)
{
    for (qsizetype i = bytes.size() - 1; i >= 0 && i >= bytes.size() - 3; --i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if ((byte & 0xC0) == 0x80)
            continue; // a trail byte: its lead comes before
        return bytes.size() - i < sequenceLength(byte) ? i : bytes.size();
    }
    return bytes.size();
}

} // namespace

// Unicode's Table 3-7. QString::fromUtf8 would accept more and mend it, and a mended note is no
// longer the file it was read from.
bool isStrictUtf8(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = p + bytes.size();
    while (p < end) {
        while (end - p >= 8 && AsciiWord(p))
            p += 8;
        if (p == end)
            break;
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        int trail = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            trail = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            trail = 2;
            if (lead == 0xE0)
                low = 0xA0; // overlong below U+0800
            else if (lead == 0xED)
                high = 0x9F; // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            trail = 3;
            if (lead == 0xF0)
                low = 0x90; // overlong below U+10000
            else if (lead == 0xF4)
                high = 0x8F; // above U+10FFFF
        } else {
            return false;
        }
        if (end - p <= trail || p[1] < low || p[1] > high)
            return false;
        for (int i = 2; i <= trail; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
        }
        p += trail + 1;
    }
    return true;
}

QString decodeWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    auto *out = reinterpret_cast<char16_t *>(text.data());
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        *out++ = (u & 0xE0) == 0x80 ? kWindows1252High[u - 0x80] : char16_t(u);
    }
    return text;
}

std::optional<QByteArray> encodeWindows1252(QStringView text, qsizetype *badIndex)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const std::optional<char> b = windows1252Byte(text[i].unicode());
        if (!b) {
            if (badIndex)
                *badIndex = i;
            return std::nullopt;
        }
        bytes[i] = *b;
    }
    return bytes;
}

bool readsBackAsUtf8(QByteArrayView windows1252Bytes)
{
    ReadsBackAsUtf8Check check;
    check.add(windows1252Bytes);
    return check.result();
}

void ReadsBackAsUtf8Check::add(QByteArrayView piece)
{
    if (!m_valid)
        return;
    if (!m_nonAscii) {
        m_nonAscii = std::any_of(piece.begin(), piece.end(),
                                 [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    }
    if (!m_carry.isEmpty()) {
        const qsizetype wanted = sequenceLength(static_cast<unsigned char>(m_carry[0]));
        const qsizetype taken = std::min(wanted - m_carry.size(), piece.size());
        m_carry.append(piece.first(taken));
        piece = piece.sliced(taken);
        if (m_carry.size() < wanted)
            return;
        m_valid = isStrictUtf8(m_carry);
        m_carry.clear();
    }
    const qsizetype cut = cutSequenceStart(piece);
    m_valid = m_valid && isStrictUtf8(piece.first(cut));
    m_carry = piece.sliced(cut).toByteArray();
}

} // namespace qb
