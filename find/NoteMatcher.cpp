#include "find/NoteMatcher.h"

#include "encoder/NoteCodec.h"
#include "find/ByteAnchors.h"
#include "find/TextSearch.h"

#include <algorithm>
#include <bit>
#include <memory>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace qb {

namespace {

// Qt's case folding of one UTF-16 unit, the one indexOf compares outside surrogate pairs.
struct Folding
{
    char16_t unit[0x10000];
    // ASCII characters that a character outside ASCII folds to (the Kelvin sign to 'k').
    bool asciiHasOtherKin[128];
};

const Folding &foldingTable()
{
    static const std::unique_ptr<const Folding> folds = [] {
        auto table = std::make_unique<Folding>();
        std::fill(std::begin(table->asciiHasOtherKin), std::end(table->asciiHasOtherKin), false);
        for (char32_t u = 0; u < 0x10000; ++u) {
            const char32_t folded = QChar::toCaseFolded(u);
            table->unit[u] = folded <= 0xFFFF ? char16_t(folded) : char16_t(u);
            if (u >= 0x80 && table->unit[u] < 0x80)
                table->asciiHasOtherKin[table->unit[u]] = true;
        }
        return table;
    }();
    return *folds;
}

bool hasLoneSurrogate(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return true;
    }
    return false;
}

} // namespace

NoteMatcher::NoteMatcher(QStringView what, Qt::CaseSensitivity cs) : m_cs(cs)
{
    if (what.isEmpty() || what.contains(u'\n')) {
        m_never = true;
        return;
    }
    // The editor's paragraph separators are the decoded text's line feeds: nothing else folds
    // to either, so swapping them keeps every match.
    m_units = what.toString();
    m_units.replace(QChar::ParagraphSeparator, u'\n');
    m_qtSearch = cs == Qt::CaseSensitive || hasLoneSurrogate(m_units);
    if (!m_qtSearch) {
        const char16_t *fold = foldingTable().unit;
        const char16_t *units = reinterpret_cast<const char16_t *>(m_units.utf16());
        for (qsizetype i = 0; i < m_units.size(); ++i) {
            const char16_t u = units[i];
            if (i > 0 && QChar::isLowSurrogate(u) && QChar::isHighSurrogate(units[i - 1]))
                m_keys.push_back(QChar::toCaseFolded(QChar::surrogateToUcs4(units[i - 1], u)));
            else
                m_keys.push_back(fold[u]);
        }
    }
    buildBytePattern();
}

// A run of the text whose every unit only ASCII characters match (not a line feed, which may be
// CR LF) leaves the same run of bytes in a note in either encoding, as every character outside
// ASCII is all bytes above 0x7F. The characters beside the run add a byte each: the last byte of
// the one before and the first of the one after, which are the character itself when it is
// ASCII, a CR or LF when it may be a line end or a stand-in for one, else above 0x7F.
void NoteMatcher::buildBytePattern()
{
    const auto [runStart, runEnd] = longestByteRun();
    if (runStart == runEnd)
        return;
    if (runStart > 0)
        m_pattern.push_back(besideRun(runStart - 1, true));
    std::vector<std::pair<int, ByteAnchor>> anchors;
    for (qsizetype i = runStart; i < runEnd; ++i) {
        const char16_t u = m_units.at(i).unicode();
        const bool folded = m_cs == Qt::CaseInsensitive && isAsciiLetter(u);
        anchors.push_back({proseCommonness(u, m_cs),
                           {qsizetype(m_pattern.size()), uchar(folded ? 0x20 : 0),
                            uchar(folded ? u | 0x20 : u)}});
        m_pattern.push_back(asciiMatching(i));
    }
    if (runEnd < m_units.size())
        m_pattern.push_back(besideRun(runEnd, false));
    std::stable_sort(anchors.begin(), anchors.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    m_first = anchors[0].second;
    m_second = anchors.size() > 1 ? anchors[1].second : m_first;
}

bool NoteMatcher::unitMatches(char16_t c, qsizetype i) const
{
    const char16_t u = m_units.at(i).unicode();
    if (m_cs == Qt::CaseSensitive || QChar::isSurrogate(u))
        return c == u;
    const Folding &folds = foldingTable();
    return folds.unit[c] == folds.unit[u];
}

std::pair<qsizetype, qsizetype> NoteMatcher::longestByteRun() const
{
    const Folding &folds = foldingTable();
    const qsizetype size = m_units.size();
    const auto single = [&](qsizetype i) {
        const char16_t u = m_units.at(i).unicode();
        return u < 0x80 && u != u'\n' &&
               (m_cs == Qt::CaseSensitive || !folds.asciiHasOtherKin[folds.unit[u]]);
    };
    qsizetype runStart = 0;
    qsizetype runLength = 0;
    for (qsizetype i = 0; i < size;) {
        qsizetype end = i;
        while (end < size && single(end))
            ++end;
        if (end - i > runLength) {
            runStart = i;
            runLength = end - i;
        }
        i = std::max(end, i + 1);
    }
    return {runStart, runStart + runLength};
}

NoteMatcher::ByteSet NoteMatcher::asciiMatching(qsizetype i) const
{
    ByteSet set;
    for (char16_t c = 0; c < 0x80; ++c) {
        if (unitMatches(c, i))
            set.add(uchar(c));
    }
    return set;
}

NoteMatcher::ByteSet NoteMatcher::besideRun(qsizetype i, bool before) const
{
    ByteSet set = asciiMatching(i);
    for (int b = 0x80; b < 0x100; ++b)
        set.add(uchar(b));
    if (unitMatches(u'\n', i)) {
        set.add('\n');
        if (!before)
            set.add('\r');
    }
    if (unitMatches(standInFor(u'\r'), i))
        set.add('\r');
    if (unitMatches(standInFor(u'\n'), i))
        set.add('\n');
    return set;
}

bool NoteMatcher::patternAt(const uchar *bytes) const
{
    for (size_t i = 0; i < m_pattern.size(); ++i) {
        if (!m_pattern[i].has(bytes[i]))
            return false;
    }
    return true;
}

bool NoteMatcher::mayMatch(QByteArrayView noteBytes) const
{
    if (m_never)
        return false;
    const qsizetype length = qsizetype(m_pattern.size());
    if (length == 0)
        return true;
    if (noteBytes.size() < length)
        return false;
    const auto *bytes = reinterpret_cast<const uchar *>(noteBytes.data());
    // The last place the pattern can start; both anchor bytes must match before it is tried.
    return foundAtAnchors(bytes, noteBytes.size() - length, m_first, m_second,
                          [this](const uchar *place) { return patternAt(place); });
}

qsizetype NoteMatcher::indexIn(QStringView decodedText, qsizetype from) const
{
    if (m_never)
        return -1;
    if (m_qtSearch)
        return findText(decodedText, m_units, from, m_cs);
    return foldedIndexIn(decodedText, from);
}

// indexOf's rule, one unit at a time: each unit folded alone, but the low half of a surrogate
// pair folded with its high half as one character.
qsizetype NoteMatcher::foldedIndexIn(QStringView text, qsizetype from) const
{
    const char16_t *fold = foldingTable().unit;
    const char16_t *units = text.utf16();
    const qsizetype size = qsizetype(m_keys.size());
    // The first unit of a text without half a pair is no low surrogate: it folds alone.
    const auto matchesAt = [&](qsizetype at) {
        if (fold[units[at]] != m_keys[0])
            return false;
        for (qsizetype i = 1; i < size; ++i) {
            const char16_t u = units[at + i];
            const char32_t key =
                QChar::isLowSurrogate(u) && QChar::isHighSurrogate(units[at + i - 1])
                    ? QChar::toCaseFolded(QChar::surrogateToUcs4(units[at + i - 1], u))
                    : fold[u];
            if (key != m_keys[size_t(i)])
                return false;
        }
        return true;
    };
    const qsizetype last = text.size() - size;
    qsizetype at = std::max<qsizetype>(from, 0);
#ifdef __SSE2__
    // Eight places at a time: a place is tried only when its first two units can fold to the
    // first two keys: an ASCII unit when it is the key up to ASCII case, any unit from 0x80 on.
    const __m128i ascii = _mm_set1_epi16(0x7F);
    const __m128i zero = _mm_setzero_si128();
    const __m128i ones = _mm_cmpeq_epi16(zero, zero);
    const auto mayFoldTo = [&](const char16_t *from, char32_t key) {
        if (key >= 0x10000) // the low half of a pair: left to matchesAt
            return ones;
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from));
        const bool letter = key < 0x80 && isAsciiLetter(char16_t(key));
        const __m128i same = _mm_cmpeq_epi16(_mm_or_si128(x, _mm_set1_epi16(letter ? 0x20 : 0)),
                                             _mm_set1_epi16(short(key < 0x80 ? key : 0xFFFF)));
        const __m128i inAscii = _mm_cmpeq_epi16(_mm_subs_epu16(x, ascii), zero);
        return _mm_or_si128(same, _mm_xor_si128(inAscii, ones));
    };
    const char32_t second = size > 1 ? m_keys[1] : 0x10000;
    for (; at + 8 <= last + 1; at += 8) {
        const __m128i both = _mm_and_si128(mayFoldTo(units + at, m_keys[0]),
                                           mayFoldTo(units + at + (size > 1), second));
        for (unsigned found = unsigned(_mm_movemask_epi8(both)); found != 0; found &= found - 1) {
            const int byte = std::countr_zero(found);
            found &= ~(1u << (byte + 1)); // the other byte of the same unit
            if (matchesAt(at + byte / 2))
                return at + byte / 2;
        }
    }
#endif
    for (; at <= last; ++at) {
        if (matchesAt(at))
            return at;
    }
    return -1;
}

} // namespace qb
