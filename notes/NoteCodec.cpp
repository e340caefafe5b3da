#include "notes/NoteCodec.h"

#include <QStringDecoder>

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QB_HAVE_SSE2 1
#endif
// SSSE3 is not part of every x86-64, so its code is chosen at run time.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <tmmintrin.h>
#define QB_HAVE_SSSE3_CHOICE 1
#endif

namespace qb {

namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

// Bytes 0x80..0x9F of Windows-1252. The five bytes the code page leaves unassigned map to the C1
// control of the same value, so that any file can be read and written back unchanged.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::optional<char> Windows1252Byte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    const auto *hit = std::find(std::begin(kWindows1252High), std::end(kWindows1252High), c);
    if (hit == std::end(kWindows1252High))
        return std::nullopt;
    return char(0x80 + (hit - std::begin(kWindows1252High)));
}

// Eight bytes at a time while the text is ASCII, which is most of any note.
bool AsciiWord(const unsigned char *p)
{
    quint64 word;
    std::memcpy(&word, p, sizeof word);
    return (word & 0x8080808080808080ULL) == 0;
}

} // namespace

// Unicode's Table 3-7. QString::fromUtf8 would accept more and mend it, and a mended note is no
// longer the file it was read from.
bool IsStrictUtf8(QByteArrayView bytes)
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

namespace {

LineEnd DetectLineEnd(QByteArrayView bytes)
{
    const qsizetype lf = bytes.indexOf('\n');
    if (lf > 0 && bytes[lf - 1] == '\r')
        return LineEnd::CrLf;
    return lf < 0 ? LineEnd::CrLf : LineEnd::Lf;
}

// Folds the note's line ends into '\n' and puts a stand-in in place of every character the
// editor cannot hold, in place: the text only shrinks.
void PlaceStandIns(DecodedNote &note)
{
    const bool crLf = note.format.lineEnd == LineEnd::CrLf;
    auto *begin = reinterpret_cast<char16_t *>(note.text.data());
    const char16_t *in = begin;
    const char16_t *end = begin + note.text.size();
    char16_t *out = begin;
    while (in < end) {
        const char16_t c = *in++;
        if (c > u'\r' && c < 0x2028) {
            *out++ = c;
        } else if (crLf && c == u'\r' && in < end && *in == u'\n') {
            ++in;
            *out++ = u'\n';
        } else if (NeedsStandIn(c, note.format)) {
            note.standIns.append({out - begin, c});
            *out++ = StandInFor(c);
        } else {
            *out++ = c;
        }
    }
    note.text.truncate(out - begin);
}

DecodedNote Decode(QByteArrayView bytes, const NoteFormat &format, bool strictUtf8)
{
    DecodedNote note;
    note.format = format;
    if (format.encoding == TextEncoding::Utf8 && strictUtf8) {
        note.format.byteOrderMark = format.byteOrderMark && bytes.startsWith(kBom);
        // QString::fromUtf8 would drop a byte order mark that is part of the text: a second one,
        // or one the chosen format does not treat as a mark.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        note.text = decoder.decode(note.format.byteOrderMark ? bytes.sliced(3) : bytes);
    } else {
        note.format.encoding = TextEncoding::Windows1252;
        note.format.byteOrderMark = false;
        note.text = DecodeWindows1252(bytes);
    }
    PlaceStandIns(note);
    return note;
}

// Grows geometrically, so that a note built from many small pieces is not copied over and over.
void EnsureCapacity(QByteArray &bytes, qsizetype needed)
{
    if (bytes.capacity() < needed)
        bytes.reserve(std::max(needed, bytes.capacity() * 2));
}

bool IsLineBreak(char16_t c)
{
    return c == 0x2029 || c == 0x2028;
}

// Copies the ASCII code units that [in, end) starts with to out, as bytes, and returns how many
// there were. Most of a note is ASCII, and both encoders write it as it is. With SSE2 it may
// write up to seven bytes past that count, so out must have room for as many bytes as there
// are code units.
qsizetype CopyAsciiPrefix(const char16_t *in, const char16_t *end, unsigned char *out)
{
    const char16_t *const start = in;
#ifdef QB_HAVE_SSE2
    const __m128i nonAsciiBits = _mm_set1_epi16(static_cast<short>(0xFF80));
    while (end - in >= 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in));
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out), _mm_packus_epi16(units, units));
        const auto ascii = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_cmpeq_epi16(_mm_and_si128(units, nonAsciiBits), _mm_setzero_si128())));
        if (ascii != 0xFFFF)
            return (in - start) + std::countr_one(ascii) / 2;
        in += 8;
        out += 8;
    }
#endif
    while (in < end && *in < 0x80)
        *out++ = static_cast<unsigned char>(*in++);
    return in - start;
}

// Writes the UTF-8 of a code unit that is no surrogate, or the line end for a line break, and
// returns the new end. Always stores three bytes, so out needs that room. Prose mixes one-, two-
// and three-byte characters and line breaks at random; working out the bytes for every kind and
// then choosing leaves fewer branches to mispredict than a chain of ifs does.
unsigned char *PutUnitUtf8(unsigned char *out, char16_t c, bool lineBreaks, bool crLf)
{
    const bool multi = c >= 0x80;
    const bool three = c >= 0x800;
    const bool lineBreak = lineBreaks && IsLineBreak(c);
    const unsigned low = 0x80 | (c & 0x3F);
    const unsigned middle = 0x80 | ((c >> 6) & 0x3F);
    unsigned b0 = three ? 0xE0 | (c >> 12) : multi ? 0xC0 | (c >> 6) : c;
    unsigned b1 = three ? middle : low;
    unsigned length = 1 + unsigned(multi) + unsigned(three);
    b0 = lineBreak ? (crLf ? '\r' : '\n') : b0;
    b1 = lineBreak ? '\n' : b1;
    length = lineBreak ? 1 + unsigned(crLf) : length;
    out[0] = static_cast<unsigned char>(b0);
    out[1] = static_cast<unsigned char>(b1);
    out[2] = static_cast<unsigned char>(low);
    return out + length;
}

#ifdef QB_HAVE_SSSE3_CHOICE
// For each choice of which of eight code units take two bytes in UTF-8: the byte order that
// keeps the first byte of every unit and the second byte of the two-byte ones, and its length.
struct TwoByteShuffles
{
    alignas(16) unsigned char order[256][16];
    unsigned char length[256];
};

constexpr TwoByteShuffles MakeTwoByteShuffles()
{
    TwoByteShuffles shuffles{};
    for (unsigned mask = 0; mask < 256; ++mask) {
        unsigned n = 0;
        for (unsigned unit = 0; unit < 8; ++unit) {
            shuffles.order[mask][n++] = static_cast<unsigned char>(2 * unit);
            if (mask & (1U << unit))
                shuffles.order[mask][n++] = static_cast<unsigned char>(2 * unit + 1);
        }
        shuffles.length[mask] = static_cast<unsigned char>(n);
        while (n < 16)
            shuffles.order[mask][n++] = 0x80; // a zero byte, written past the end
    }
    return shuffles;
}

constexpr TwoByteShuffles kTwoByteShuffles = MakeTwoByteShuffles();

// Encodes [in, end) as UTF-8 eight code units at a time, placing the bytes of the one- and
// two-byte characters (ASCII, accented Latin, Greek, Cyrillic) with one shuffle and no branch on
// which unit is which. A longer character, such as a line break, ends the block early and is
// written on its own. Stops at a surrogate, which the caller pairs up, and before the last few
// code units; returns where. out needs three bytes of room per code unit; it is moved past what
// was written.
__attribute__((target("ssse3"))) const char16_t *PutUnitsUtf8(const char16_t *in,
                                                              const char16_t *end,
                                                              unsigned char *&out, bool lineBreaks,
                                                              bool crLf)
{
    const __m128i longBits = _mm_set1_epi16(static_cast<short>(0xF800));
    const __m128i asciiMax = _mm_set1_epi16(0x7F);
    const __m128i leadMark = _mm_set1_epi16(0xC0);
    const __m128i lowBits = _mm_set1_epi16(0x3F);
    const __m128i trailMark = _mm_set1_epi16(0x80);
    while (end - in >= 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in));
        // A signed compare: units from U+8000 up do not count as two-byte ones, which does not
        // matter, as nothing from the first unit at or above U+0800 on is kept.
        const __m128i twoBytes = _mm_cmpgt_epi16(units, asciiMax);
        const __m128i lead = _mm_or_si128(_mm_srli_epi16(units, 6), leadMark);
        const __m128i first =
            _mm_or_si128(_mm_and_si128(twoBytes, lead), _mm_andnot_si128(twoBytes, units));
        const __m128i trail = _mm_or_si128(_mm_and_si128(units, lowBits), trailMark);
        const __m128i pairs = _mm_or_si128(first, _mm_slli_epi16(trail, 8));
        const auto mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_packs_epi16(twoBytes, _mm_setzero_si128())));
        const __m128i order =
            _mm_load_si128(reinterpret_cast<const __m128i *>(kTwoByteShuffles.order[mask]));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_shuffle_epi8(pairs, order));
        // Two bits per long unit; what was stored for it and after it is written over.
        const auto longUnits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(
                                   _mm_and_si128(units, longBits), _mm_setzero_si128()))) ^
                               0xFFFFU;
        if (longUnits == 0) {
            out += kTwoByteShuffles.length[mask];
            in += 8;
            continue;
        }
        const int shortUnits = std::countr_zero(longUnits) / 2;
        // The short units' bytes: the table's length for their arrangement, less one byte for
        // each unit after them.
        out += kTwoByteShuffles.length[mask & ((1U << shortUnits) - 1)] - (8 - shortUnits);
        in += shortUnits;
        if (QChar::isSurrogate(*in))
            break;
        out = PutUnitUtf8(out, *in++, lineBreaks, crLf);
    }
    return in;
}

bool HaveSsse3()
{
    static const bool have = __builtin_cpu_supports("ssse3");
    return have;
}
#endif

} // namespace

NoteFormat DetectNoteFormat(QByteArrayView bytes)
{
    NoteFormat format;
    if (IsStrictUtf8(bytes)) {
        format.encoding = TextEncoding::Utf8;
        format.byteOrderMark = bytes.startsWith(kBom);
    } else {
        format.encoding = TextEncoding::Windows1252;
    }
    format.lineEnd = DetectLineEnd(bytes);
    return format;
}

DecodedNote DecodeNoteBytes(QByteArrayView bytes)
{
    const NoteFormat format = DetectNoteFormat(bytes);
    return Decode(bytes, format, format.encoding == TextEncoding::Utf8);
}

DecodedNote DecodeNoteBytes(QByteArrayView bytes, const NoteFormat &format)
{
    return Decode(bytes, format, format.encoding == TextEncoding::Utf8 && IsStrictUtf8(bytes));
}

bool NeedsStandIn(char16_t c, const NoteFormat &format)
{
    switch (c) {
    case u'\r':
    case 0x2028:
    case 0x2029:
    case 0xFDD0:
    case 0xFDD1:
        return true;
    case u'\n':
        return format.lineEnd == LineEnd::CrLf;
    default:
        return false;
    }
}

char16_t StandInFor(char16_t original)
{
    switch (original) {
    case u'\r':
        return 0x240D; // SYMBOL FOR CARRIAGE RETURN
    case u'\n':
        return 0x240A; // SYMBOL FOR LINE FEED
    case 0x2028:
        return 0x2424; // SYMBOL FOR NEWLINE
    case 0x2029:
        return 0x00B6; // PILCROW SIGN
    case 0xFDD0:
        return 0x27E6; // the frame marks: white square brackets, opening and closing
    case 0xFDD1:
        return 0x27E7;
    default:
        return original;
    }
}

QString DecodeWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    auto *out = reinterpret_cast<char16_t *>(text.data());
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        *out++ = (u & 0xE0) == 0x80 ? kWindows1252High[u - 0x80] : char16_t(u);
    }
    return text;
}

std::optional<QByteArray> EncodeWindows1252(QStringView text, qsizetype *badIndex)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const std::optional<char> b = Windows1252Byte(text[i].unicode());
        if (!b) {
            if (badIndex)
                *badIndex = i;
            return std::nullopt;
        }
        bytes[i] = *b;
    }
    return bytes;
}

bool ReadsBackAsUtf8(QByteArrayView windows1252Bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(windows1252Bytes.data());
    const auto *end = p + windows1252Bytes.size();
    while (end - p >= 8 && AsciiWord(p))
        p += 8;
    while (p < end && *p < 0x80)
        ++p;
    return p < end && IsStrictUtf8(windows1252Bytes.sliced(p - reinterpret_cast<const unsigned char *>(windows1252Bytes.data())));
}

NoteEncoder::NoteEncoder(const NoteFormat &format) : m_format(format)
{
    if (format.encoding == TextEncoding::Utf8 && format.byteOrderMark)
        m_bytes.append(kBom);
}

void NoteEncoder::reserve(qsizetype units)
{
    const qsizetype perUnit = m_format.encoding == TextEncoding::Utf8 ? 3 : 2;
    EnsureCapacity(m_bytes, m_bytes.size() + perUnit * units);
}

void NoteEncoder::appendText(QStringView text)
{
    appendEncoded(text, true);
}

void NoteEncoder::appendOriginal(QStringView originals)
{
    appendEncoded(originals, false);
}

QByteArray NoteEncoder::takeBytes()
{
    return std::exchange(m_bytes, {});
}

void NoteEncoder::appendEncoded(QStringView text, bool lineBreaks)
{
    if (!ok() || text.isEmpty())
        return;
    if (m_format.encoding == TextEncoding::Utf8)
        appendUtf8(text, lineBreaks);
    else
        appendWindows1252(text, lineBreaks);
}

void NoteEncoder::appendUtf8(QStringView text, bool lineBreaks)
{
    const bool crLf = m_format.lineEnd == LineEnd::CrLf;
    const qsizetype start = m_bytes.size();
    // Three bytes per code unit is the most UTF-8 or a line end can take (reserve() agrees).
    EnsureCapacity(m_bytes, start + 3 * text.size());
    m_bytes.resize(start + 3 * text.size());
    auto *out = reinterpret_cast<unsigned char *>(m_bytes.data() + start);
    const char16_t *in = text.utf16();
    const char16_t *end = in + text.size();
#ifdef QB_HAVE_SSSE3_CHOICE
    const bool ssse3 = HaveSsse3();
#endif
    while (in < end) {
#ifdef QB_HAVE_SSSE3_CHOICE
        if (ssse3)
            in = PutUnitsUtf8(in, end, out, lineBreaks, crLf);
#endif
        const qsizetype ascii = CopyAsciiPrefix(in, end, out);
        in += ascii;
        out += ascii;
        if (in == end)
            break;
        const char16_t c = *in++;
        if (!QChar::isSurrogate(c)) {
            out = PutUnitUtf8(out, c, lineBreaks, crLf);
        } else if (QChar::isHighSurrogate(c) && in < end && QChar::isLowSurrogate(*in)) {
            const char32_t u = QChar::surrogateToUcs4(c, *in++);
            *out++ = static_cast<unsigned char>(0xF0 | (u >> 18));
            *out++ = static_cast<unsigned char>(0x80 | ((u >> 12) & 0x3F));
            *out++ = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
            *out++ = static_cast<unsigned char>(0x80 | (u & 0x3F));
        } else {
            markUnencodable(text, in - 1 - text.utf16());
            break;
        }
    }
    m_bytes.resize(reinterpret_cast<char *>(out) - m_bytes.data());
}

void NoteEncoder::appendWindows1252(QStringView text, bool lineBreaks)
{
    const QByteArray lineEnd = m_format.lineEndBytes();
    const qsizetype start = m_bytes.size();
    // Two bytes per code unit: a CR LF line end (reserve() agrees).
    EnsureCapacity(m_bytes, start + 2 * text.size());
    m_bytes.resize(start + 2 * text.size());
    char *out = m_bytes.data() + start;
    const char16_t *const units = text.utf16();
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype ascii =
            CopyAsciiPrefix(units + i, units + text.size(), reinterpret_cast<unsigned char *>(out));
        i += ascii;
        out += ascii;
        if (i == text.size())
            break;
        const char16_t c = units[i++];
        if (lineBreaks && IsLineBreak(c)) {
            out = std::copy(lineEnd.cbegin(), lineEnd.cend(), out);
        } else if (const std::optional<char> b = Windows1252Byte(c)) {
            *out++ = *b;
        } else {
            markUnencodable(text, i - 1);
            break;
        }
    }
    m_bytes.resize(out - m_bytes.data());
}

void NoteEncoder::markUnencodable(QStringView text, qsizetype index)
{
    const char16_t c = text[index].unicode();
    if (QChar::isHighSurrogate(c) && index + 1 < text.size() && text[index + 1].isLowSurrogate())
        m_unencodable = QChar::surrogateToUcs4(c, text[index + 1].unicode());
    else
        m_unencodable = c;
}

} // namespace qb
