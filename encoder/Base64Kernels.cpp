#include "encoder/Base64Kernels.h"

#include <cstring>

// SSSE3 is not part of every x86-64, so its code is chosen at run time.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <tmmintrin.h>
#define QB_HAVE_SSSE3_CHOICE 1
#endif

namespace qb::kernels {

#ifdef QB_HAVE_SSSE3_CHOICE
namespace {

bool haveSsse3()
{
    static const bool have = __builtin_cpu_supports("ssse3");
    return have;
}

// 16 characters into the 12 bytes at the low end of the result. Each character is classed by
// its two nibbles: a bit of the low nibble's class meets one of the high nibble's only outside
// the alphabet, and those bits gather in `invalid`. Its value is the character plus an offset
// chosen by the high nibble, '/' apart.
__attribute__((target("ssse3"))) inline __m128i decodeBlock(__m128i chars, __m128i &invalid)
{
    const __m128i lowClass = _mm_setr_epi8(0x15, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11,
                                           0x11, 0x13, 0x1A, 0x1B, 0x1B, 0x1B, 0x1A);
    const __m128i highClass = _mm_setr_epi8(0x10, 0x10, 0x01, 0x02, 0x04, 0x08, 0x04, 0x08, 0x10,
                                            0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10);
    const __m128i offsets = _mm_setr_epi8(0, 16, 19, 4, -65, -65, -71, -71, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m128i slash = _mm_set1_epi8(0x2F);
    // The three bytes of each 24-bit group, high first.
    const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    // Masking with 0x2F keeps the nibble and clears the bit that would zero the lookup.
    const __m128i high = _mm_and_si128(_mm_srli_epi32(chars, 4), slash);
    const __m128i low = _mm_and_si128(chars, slash);
    invalid = _mm_or_si128(
        invalid, _mm_and_si128(_mm_shuffle_epi8(lowClass, low), _mm_shuffle_epi8(highClass, high)));
    const __m128i isSlash = _mm_cmpeq_epi8(chars, slash);
    const __m128i values =
        _mm_add_epi8(chars, _mm_shuffle_epi8(offsets, _mm_add_epi8(isSlash, high)));
    // Pairs of 6-bit values into 12 bits, pairs of those into 24.
    const __m128i twelve = _mm_maddubs_epi16(values, _mm_set1_epi32(0x01400140));
    const __m128i groups = _mm_madd_epi16(twelve, _mm_set1_epi32(0x00011000));
    return _mm_shuffle_epi8(groups, order);
}

__attribute__((target("ssse3"))) qsizetype
decodeSsse3(const char *in, qsizetype lines, qsizetype stride, unsigned char *out, bool &bad)
{
    __m128i invalid = _mm_setzero_si128();
    for (qsizetype line = 0; line < lines; ++line, in += stride, out += 48) {
        const auto *chars = reinterpret_cast<const __m128i *>(in);
        // The first three blocks write four bytes too many, which the next block writes over;
        // the last writes its twelve alone.
        for (int b = 0; b < 3; ++b) {
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out + 12 * b),
                             decodeBlock(_mm_loadu_si128(chars + b), invalid));
        }
        const __m128i last = decodeBlock(_mm_loadu_si128(chars + 3), invalid);
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out + 36), last);
        const int tail = _mm_cvtsi128_si32(_mm_srli_si128(last, 8));
        std::memcpy(out + 44, &tail, 4);
    }
    bad = bad || _mm_movemask_epi8(_mm_cmpeq_epi8(invalid, _mm_setzero_si128())) != 0xFFFF;
    return lines;
}

// 12 bytes (from byte `skip` of `bytes` on) into 16 characters. Each 3 bytes are spread over
// a 32-bit lane, their four 6-bit values cut out with two multiplies, then turned into
// characters by an offset looked up from the value's range.
template <int skip> __attribute__((target("ssse3"))) inline __m128i encodeBlock(__m128i bytes)
{
    const __m128i spread = _mm_add_epi8(
        _mm_setr_epi8(1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10), _mm_set1_epi8(skip));
    const __m128i offsets =
        _mm_setr_epi8('a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
                      '0' - 52, '0' - 52, '0' - 52, '0' - 52, '+' - 62, '/' - 63, 'A', 0, 0);
    const __m128i lanes = _mm_shuffle_epi8(bytes, spread);
    const __m128i first = _mm_mulhi_epu16(_mm_and_si128(lanes, _mm_set1_epi32(0x0FC0FC00)),
                                          _mm_set1_epi32(0x04000040));
    const __m128i second = _mm_mullo_epi16(_mm_and_si128(lanes, _mm_set1_epi32(0x003F03F0)),
                                           _mm_set1_epi32(0x01000010));
    const __m128i values = _mm_or_si128(first, second);
    // 0..25 take class 13, 26..51 class 0, 52..63 classes 1..12.
    __m128i range = _mm_subs_epu8(values, _mm_set1_epi8(51));
    const __m128i upper = _mm_cmpgt_epi8(_mm_set1_epi8(26), values);
    range = _mm_or_si128(range, _mm_and_si128(upper, _mm_set1_epi8(13)));
    return _mm_add_epi8(_mm_shuffle_epi8(offsets, range), values);
}

__attribute__((target("ssse3"))) qsizetype encodeSsse3(const unsigned char *in, qsizetype lines,
                                                       char *out)
{
    for (qsizetype line = 0; line < lines; ++line, in += 48, out += 65) {
        auto *chars = reinterpret_cast<__m128i *>(out);
        // The last block is loaded from four bytes earlier, so that no load reads past the line.
        _mm_storeu_si128(chars,
                         encodeBlock<0>(_mm_loadu_si128(reinterpret_cast<const __m128i *>(in))));
        _mm_storeu_si128(
            chars + 1, encodeBlock<0>(_mm_loadu_si128(reinterpret_cast<const __m128i *>(in + 12))));
        _mm_storeu_si128(
            chars + 2, encodeBlock<0>(_mm_loadu_si128(reinterpret_cast<const __m128i *>(in + 24))));
        _mm_storeu_si128(
            chars + 3, encodeBlock<4>(_mm_loadu_si128(reinterpret_cast<const __m128i *>(in + 32))));
        out[64] = '\n';
    }
    return lines;
}

} // namespace
#endif

qsizetype decodeBase64Lines(const char *in, qsizetype lines, qsizetype stride, unsigned char *out,
                            bool &bad)
{
#ifdef QB_HAVE_SSSE3_CHOICE
    if (haveSsse3())
        return decodeSsse3(in, lines, stride, out, bad);
#endif
    Q_UNUSED(in);
    Q_UNUSED(lines);
    Q_UNUSED(stride);
    Q_UNUSED(out);
    Q_UNUSED(bad);
    return 0;
}

qsizetype encodeBase64Lines(const unsigned char *in, qsizetype lines, char *out)
{
#ifdef QB_HAVE_SSSE3_CHOICE
    if (haveSsse3())
        return encodeSsse3(in, lines, out);
#endif
    Q_UNUSED(in);
    Q_UNUSED(lines);
    Q_UNUSED(out);
    return 0;
}

} // namespace qb::kernels
