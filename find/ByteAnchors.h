#pragma once

#include <QtGlobal>
#include <qnamespace.h>

#include <bit>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace qb {

// A byte of a pattern, told by (byte | mask) == value: mask 0x20 lets an ASCII letter be of
// either case.
struct ByteAnchor
{
    qsizetype offset = 0; // in the pattern
    uchar mask = 0;
    uchar value = 0;

    bool isAt(const uchar *place) const { return (place[offset] | mask) == value; }
};

inline bool isAsciiLetter(char16_t c)
{
    return (c | 0x20) >= u'a' && (c | 0x20) <= u'z';
}

// How often an ASCII character turns up in prose, to anchor a scan on the rarest two of a
// pattern: they make the fewest false starts. A capital letter whose case counts is rarer.
int proseCommonness(char16_t c, Qt::CaseSensitivity cs = Qt::CaseInsensitive);

// Whether `matchesAt` holds at a place of `bytes`, from 0 to `last`, where both anchors are;
// places are tried in order, sixteen at a time where SSE2 is there.
template <typename MatchesAt>
bool foundAtAnchors(const uchar *bytes, qsizetype last, ByteAnchor first, ByteAnchor second,
                    MatchesAt matchesAt)
{
    qsizetype at = 0;
#ifdef __SSE2__
    const __m128i mask1 = _mm_set1_epi8(char(first.mask));
    const __m128i value1 = _mm_set1_epi8(char(first.value));
    const __m128i mask2 = _mm_set1_epi8(char(second.mask));
    const __m128i value2 = _mm_set1_epi8(char(second.value));
    for (; at + 16 <= last + 1; at += 16) {
        const auto *a = reinterpret_cast<const __m128i *>(bytes + at + first.offset);
        const auto *b = reinterpret_cast<const __m128i *>(bytes + at + second.offset);
        const __m128i both =
            _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(_mm_loadu_si128(a), mask1), value1),
                          _mm_cmpeq_epi8(_mm_or_si128(_mm_loadu_si128(b), mask2), value2));
        for (unsigned found = unsigned(_mm_movemask_epi8(both)); found != 0; found &= found - 1) {
            if (matchesAt(bytes + at + std::countr_zero(found)))
                return true;
        }
    }
#endif
    for (; at <= last; ++at) {
        if (first.isAt(bytes + at) && second.isAt(bytes + at) && matchesAt(bytes + at))
            return true;
    }
    return false;
}

} // namespace qb
