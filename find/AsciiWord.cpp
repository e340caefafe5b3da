#include "find/AsciiWord.h"

#include "find/ByteAnchors.h"

#include "platform/CodePage.h"

#include <QChar>
#include <QString>

#include <algorithm>
#include <array>
#include <bit>
#include <memory>
#include <utility>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace qb {

namespace {

// The bytes such characters leave in a note: their UTF-8, and their Windows-1252 byte. There are
// two (the Kelvin sign and the long s), and their last bytes are rare in text: a note is scanned
// for those.
struct KinBytes
{
    std::vector<QByteArray> sequences;
    std::vector<char> lastBytes; // of the sequences, each once
    std::array<bool, 256> isLast{};
};

const KinBytes &kinBytes()
{
    static const std::unique_ptr<const KinBytes> kin = [] {
        auto table = std::make_unique<KinBytes>();
        const auto add = [&](const QByteArray &bytes) {
            table->sequences.push_back(bytes);
            if (!std::exchange(table->isLast[uchar(bytes.back())], true))
                table->lastBytes.push_back(bytes.back());
        };
        for (char32_t c = 0x80; c <= 0x10FFFF; ++c) {
            if ((c < 0xD800 || c > 0xDFFF) && QChar::toCaseFolded(c) < 0x80)
                add(QString::fromUcs4(&c, 1).toUtf8());
        }
        for (int b = 0x80; b < 0x100; ++b) {
            const char byte = char(b);
            const QString c = decodeWindows1252(QByteArrayView(&byte, 1));
            if (QChar::toCaseFolded(c[0].unicode()) < 0x80)
                add(QByteArray(1, byte));
        }
        return table;
    }();
    return *kin;
}

} // namespace

bool holdsAsciiKin(QByteArrayView noteBytes)
{
    const KinBytes &kin = kinBytes();
    const auto *bytes = reinterpret_cast<const uchar *>(noteBytes.data());
    const qsizetype size = noteBytes.size();
    const auto kinEndsAt = [&](qsizetype at) {
        if (!kin.isLast[bytes[at]])
            return false;
        const QByteArrayView upTo = noteBytes.first(at + 1);
        return std::any_of(kin.sequences.cbegin(), kin.sequences.cend(),
                           [&](const QByteArray &sequence) { return upTo.endsWith(sequence); });
    };
    qsizetype at = 0;
#ifdef __SSE2__
    // Sixteen bytes at a time, for each last byte.
    constexpr size_t kMostCompared = 4;
    if (kin.lastBytes.size() <= kMostCompared) {
        __m128i last[kMostCompared];
        for (size_t i = 0; i < kin.lastBytes.size(); ++i)
            last[i] = _mm_set1_epi8(kin.lastBytes[i]);
        for (; at + 16 <= size; at += 16) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + at));
            __m128i any = _mm_setzero_si128();
            for (size_t i = 0; i < kin.lastBytes.size(); ++i)
                any = _mm_or_si128(any, _mm_cmpeq_epi8(chunk, last[i]));
            for (unsigned found = unsigned(_mm_movemask_epi8(any)); found != 0;
                 found &= found - 1) {
                if (kinEndsAt(at + std::countr_zero(found)))
                    return true;
            }
        }
    }
#endif
    for (; at < size; ++at) {
        if (kinEndsAt(at))
            return true;
    }
    return false;
}

bool AsciiWord::fits(QStringView word)
{
    return !word.isEmpty() && std::all_of(word.begin(), word.end(), [](QChar c) {
        return c.unicode() < 0x80 && c != u'\r' && c != u'\n';
    });
}

AsciiWord::AsciiWord(QStringView word)
{
    Q_ASSERT(fits(word));
    for (const QChar c : word) {
        const char byte = char(c.unicode());
        const bool letter = isAsciiLetter(char16_t(byte));
        m_lower.append(letter ? char(byte | 0x20) : byte);
        m_masks.append(letter ? char(0x20) : char(0));
    }
    std::vector<qsizetype> places(size_t(m_lower.size()));
    for (size_t i = 0; i < places.size(); ++i)
        places[i] = qsizetype(i);
    std::stable_sort(places.begin(), places.end(), [&](qsizetype a, qsizetype b) {
        return proseCommonness(char16_t(m_lower[a])) < proseCommonness(char16_t(m_lower[b]));
    });
    const auto anchor = [&](qsizetype place) {
        return ByteAnchor{place, uchar(m_masks[place]), uchar(m_lower[place])};
    };
    m_first = anchor(places[0]);
    m_second = anchor(places.size() > 1 ? places[1] : places[0]);
}

bool AsciiWord::matchesAt(const uchar *bytes) const
{
    for (qsizetype i = 0; i < m_lower.size(); ++i) {
        if ((bytes[i] | uchar(m_masks[i])) != uchar(m_lower[i]))
            return false;
    }
    return true;
}

bool AsciiWord::isIn(QByteArrayView noteBytes) const
{
    const qsizetype length = m_lower.size();
    if (noteBytes.size() < length)
        return false;
    const auto *bytes = reinterpret_cast<const uchar *>(noteBytes.data());
    // The last place the word can start; both anchor bytes must match before it is tried.
    return foundAtAnchors(bytes, noteBytes.size() - length, m_first, m_second,
                          [this](const uchar *place) { return matchesAt(place); });
}

} // namespace qb
