#include "encoder/Utf8Kernels.h"

#include <QChar>

#include <bit>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QB_HAVE_SSE2 1
#endif
// SSSE3 is not part of every x86-64, so its code is chosen at run time.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <tmmintrin.h>
#define QB_HAVE_SSSE3_CHOICE 1
#endif

namespace qb::kernels {

bool isLineBreak(char16_t c)
{
    return c == 0x2029 || c == 0x2028;
}

// Most of a note is ASCII, and both encoders write it as it is, eight units at a time with SSE2.
qsizetype copyAsciiPrefix(const char16_t *in, const char16_t *end, unsigned char *out)
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

// Prose mixes one-, two- and three-byte characters and line breaks at random; working out the
// bytes for every kind and then choosing leaves fewer branches to mispredict than a chain of ifs
// does.
unsigned char *PutUnitUtf8(unsigned char *out, char16_t c, bool lineBreaks, bool crLf)
{
    const bool multi = c >= 0x80;
    const bool three = c >= 0x800;
    const bool lineBreak = lineBreaks && isLineBreak(c);
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
namespace {

// For each choice of which of eight code units take two bytes in UTF-8: the byte order that
// keeps the first byte of every unit and the second byte of the two-byte ones, and its length.
struct TwoByteShuffles
{
    alignas(16) unsigned char order[256][16];
    unsigned char length[256];
};

constexpr TwoByteShuffles makeTwoByteShuffles()
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

constexpr TwoByteShuffles kTwoByteShuffles = makeTwoByteShuffles();

// Eight code units at a time, placing the bytes of the one- and two-byte characters (ASCII,
// accented Latin, Greek, Cyrillic) with one shuffle and no branch on which unit is which. A
// longer character, such as a line break, ends the block early and is written on its own.
__attribute__((target("ssse3"))) const char16_t *PutUnitsUtf8Ssse3(const char16_t *in,
                                                                   const char16_t *end,
                                                                   unsigned char *&out,
                                                                   bool lineBreaks, bool crLf)
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

bool haveSsse3()
{
    static const bool have = __builtin_cpu_supports("ssse3");
    return have;
}

} // namespace
#endif

const char16_t *putUnitsUtf8(const char16_t *in, const char16_t *end, unsigned char *&out,
                             bool lineBreaks, bool crLf)
{
#ifdef QB_HAVE_SSSE3_CHOICE
    if (haveSsse3())
        return PutUnitsUtf8Ssse3(in, end, out, lineBreaks, crLf);
#endif
    Q_UNUSED(end);
    Q_UNUSED(out);
    Q_UNUSED(lineBreaks);
    Q_UNUSED(crLf);
    return in;
}

} // namespace qb::kernels
