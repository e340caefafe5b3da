#include "encoder/AgeArmour.h"

#include "encoder/Base64Kernels.h"
#include "encoder/WorkParts.h"

#include <cstring>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define QB_HAVE_SSE2 1
#endif

using namespace Qt::StringLiterals;

namespace qb::age {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The line at `at` without its LF or CR LF, and where the next one starts.
QByteArrayView lineAt(QByteArrayView text, qsizetype at, qsizetype &next)
{
    const qsizetype lf = text.indexOf('\n', at);
    next = lf < 0 ? text.size() : lf + 1;
    QByteArrayView line = text.sliced(at, (lf < 0 ? text.size() : lf) - at);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

// An LF among the 64 characters from `p` on.
bool hasLineFeed(const char *p)
{
#ifdef QB_HAVE_SSE2
    const __m128i lf = _mm_set1_epi8('\n');
    const auto *blocks = reinterpret_cast<const __m128i *>(p);
    const __m128i found =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(_mm_loadu_si128(blocks), lf),
                                  _mm_cmpeq_epi8(_mm_loadu_si128(blocks + 1), lf)),
                     _mm_or_si128(_mm_cmpeq_epi8(_mm_loadu_si128(blocks + 2), lf),
                                  _mm_cmpeq_epi8(_mm_loadu_si128(blocks + 3), lf)));
    return _mm_movemask_epi8(found) != 0;
#else
    return std::memchr(p, '\n', kArmourLineChars) != nullptr;
#endif
}

// The length of the line end after a line of 64 characters at `at`; 0 when the line there is
// another one.
qsizetype fullLineEnd(QByteArrayView text, qsizetype at)
{
    const char *p = text.data() + at;
    const qsizetype rest = text.size() - at;
    if (rest <= kArmourLineChars || p[kArmourLineChars - 1] == '\r' || hasLineFeed(p))
        return 0;
    if (p[kArmourLineChars] == '\n')
        return 1;
    return rest > kArmourLineChars + 1 && p[kArmourLineChars] == '\r' &&
                   p[kArmourLineChars + 1] == '\n'
               ? 2
               : 0;
}

// Lines of 64 characters without padding, as nearly all are.
struct WholeLines
{
    qsizetype end = 0; // where the first other line starts, or the first line from `stop` on
    qsizetype count = 0;
    qsizetype eol = 0; // the length of their line ends when all alike, else -1; 0 for no lines
};

WholeLines wholeLines(QByteArrayView text, qsizetype at, qsizetype stop)
{
    WholeLines lines{at, 0, 0};
    while (lines.end < stop) {
        const qsizetype eol = fullLineEnd(text, lines.end);
        if (eol == 0 || text[lines.end + kArmourLineChars - 1] == '=')
            break;
        lines.eol = lines.count == 0 || lines.eol == eol ? eol : -1;
        ++lines.count;
        lines.end += kArmourLineChars + eol;
    }
    return lines;
}

// The whole lines from `start` on. Large armour is cut at line starts into pieces read on
// several threads; when a piece ends before the next one starts, the lines are read again in one.
WholeLines allWholeLines(QByteArrayView text, qsizetype start)
{
    constexpr qsizetype kThreadShare = 4 << 20;
    const qsizetype pieces = std::max<qsizetype>(1, (text.size() - start) / kThreadShare);
    std::vector<qsizetype> starts = {start};
    for (qsizetype piece = 1; piece < pieces; ++piece) {
        const qsizetype lf = text.indexOf('\n', start + piece * kThreadShare);
        starts.push_back(lf < 0 ? text.size() : lf + 1);
    }
    starts.push_back(text.size());
    std::vector<WholeLines> found(static_cast<std::size_t>(pieces));
    runBatches(partsFor(text.size() - start), pieces, 1, [&](qsizetype piece, qsizetype) {
        const auto i = size_t(piece);
        found[i] = wholeLines(text, starts[i], starts[i + 1]);
    });
    WholeLines all{start, 0, 0};
    for (size_t piece = 0; piece < found.size(); ++piece) {
        const WholeLines &lines = found[piece];
        if (piece + 1 < found.size() && lines.end != starts[piece + 1])
            return wholeLines(text, start, text.size());
        if (lines.count > 0)
            all.eol = all.count == 0 || all.eol == lines.eol ? lines.eol : -1;
        all.count += lines.count;
        all.end = lines.end;
    }
    return all;
}

// Where the armour's first line starts after blank lines, or -1 when it does not.
qsizetype armourStart(QByteArrayView text)
{
    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype next = 0;
        const QByteArrayView line = lineAt(text, at, next);
        if (line.startsWith(kArmourBegin))
            return line == kArmourBegin ? next : -1;
        if (!isBlank(line) || next == text.size())
            return -1;
        at = next;
    }
    return -1;
}

} // namespace

bool isBlank(QByteArrayView text)
{
    return std::all_of(text.begin(), text.end(), isSpace);
}

bool looksArmoured(QByteArrayView text)
{
    return armourStart(text) >= 0;
}

qsizetype armouredSize(qsizetype binarySize)
{
    const qsizetype lines = (binarySize + kArmourLineBytes - 1) / kArmourLineBytes;
    return kArmourBegin.size() + 1 + 4 * ((binarySize + 2) / 3) + lines + kArmourEnd.size() + 1;
}

void putArmourFrame(QByteArray &armour)
{
    char *text = armour.data();
    std::memcpy(text, kArmourBegin.data(), size_t(kArmourBegin.size()));
    text[kArmourBegin.size()] = '\n';
    char *end = text + armour.size() - kArmourEnd.size() - 1;
    std::memcpy(end, kArmourEnd.data(), size_t(kArmourEnd.size()));
    end[kArmourEnd.size()] = '\n';
}

QByteArray toArmour(QByteArrayView binary)
{
    QByteArray armour(armouredSize(binary.size()), Qt::Uninitialized);
    putArmourFrame(armour);
    ArmourLines lines(armour.data() + armourLineStart(0));
    lines.add(binary);
    lines.finish();
    return armour;
}

void ArmourLines::putLine(const unsigned char *bytes, qsizetype count)
{
    m_at = encodeArmourLine(bytes, count, m_at);
}

void ArmourLines::add(QByteArrayView bytes)
{
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    qsizetype left = bytes.size();
    if (m_carried > 0) {
        const qsizetype take = std::min(left, kArmourLineBytes - m_carried);
        std::memcpy(m_carry + m_carried, in, size_t(take));
        m_carried += take;
        in += take;
        left -= take;
        if (m_carried < kArmourLineBytes)
            return;
        putLine(m_carry, kArmourLineBytes);
        m_carried = 0;
    }
    const qsizetype fast = kernels::encodeBase64Lines(in, left / kArmourLineBytes, m_at);
    in += fast * kArmourLineBytes;
    left -= fast * kArmourLineBytes;
    m_at += fast * (kArmourLineChars + 1);
    for (; left >= kArmourLineBytes; in += kArmourLineBytes, left -= kArmourLineBytes)
        putLine(in, kArmourLineBytes);
    std::memcpy(m_carry, in, size_t(left));
    m_carried = left;
}

void ArmourLines::finish()
{
    if (m_carried > 0)
        putLine(m_carry, m_carried);
    m_carried = 0;
}

ArmourReader::ArmourReader(QByteArrayView text) : m_text(text)
{
    const qsizetype start = armourStart(text);
    if (start < 0) {
        fail(AgeStatus::NotAgeFile, u"This is not an age file."_s);
        return;
    }
    m_first = m_at = start;
    const WholeLines whole = allWholeLines(text, start);
    m_size = whole.count * kArmourLineBytes;
    bool shortSeen = false;
    // The line end of the line before, now known not to be the last.
    qsizetype lastEol = whole.count > 0 ? std::max<qsizetype>(whole.eol, 1) : -1;
    qsizetype stride = 0;
    bool sameEnds = whole.eol >= 0;
    for (qsizetype at = whole.end;;) {
        if (at >= text.size()) {
            fail(AgeStatus::Truncated, u"The armour ends without its closing line."_s);
            return;
        }
        if (lastEol >= 0) {
            sameEnds = sameEnds && (stride == 0 || stride == kArmourLineChars + lastEol);
            stride = kArmourLineChars + lastEol;
        }
        qsizetype next = 0;
        const QByteArrayView line = lineAt(text, at, next);
        if (line == kArmourEnd) {
            if (!isBlank(text.sliced(next)))
                fail(AgeStatus::TrailingData, u"Something follows the armour's closing line."_s);
            m_stride = sameEnds ? std::max(stride, kArmourLineChars + 1) : 0;
            return;
        }
        if (shortSeen)
            fail(AgeStatus::Malformed, u"A short armour line is not the last one."_s);
        else if (line.isEmpty())
            fail(AgeStatus::Malformed, u"The armour holds an empty line."_s);
        else if (line.size() > kArmourLineChars)
            fail(AgeStatus::Malformed, u"An armour line is longer than 64 characters."_s);
        else if (line.size() % 4 != 0)
            fail(AgeStatus::Malformed, u"An armour line is cut inside a base64 group."_s);
        if (!m_outcome.ok())
            return;
        const qsizetype padding = line.endsWith("==") ? 2 : line.endsWith('=') ? 1 : 0;
        const qsizetype bytes = line.size() / 4 * 3 - padding;
        shortSeen = bytes < kArmourLineBytes;
        m_size += bytes;
        lastEol = next - at - line.size();
        at = next;
    }
}

bool ArmourReader::fail(AgeStatus status, const QString &message)
{
    m_outcome = {status, message};
    return false;
}

bool ArmourReader::read(unsigned char *out, qsizetype length)
{
    while (length > 0 && m_outcome.ok()) {
        if (m_carryAt < m_carryEnd) {
            const qsizetype n = std::min(length, m_carryEnd - m_carryAt);
            std::memcpy(out, m_carry + m_carryAt, size_t(n));
            m_carryAt += n;
            out += n;
            length -= n;
            continue;
        }
        // Runs of whole lines go straight to `out`, together where they end alike; a line with
        // padding, or of which only a part is wanted, through the carry.
        const char *p = m_text.data() + m_at;
        if (m_stride > 0 && length >= kArmourLineBytes) {
            const qsizetype line = (m_at - m_first) / m_stride;
            const qsizetype lines =
                std::min(length, m_size - line * kArmourLineBytes) / kArmourLineBytes;
            bool bad = false;
            const qsizetype done = kernels::decodeBase64Lines(p, lines, m_stride, out, bad);
            if (bad)
                return fail(AgeStatus::Malformed,
                            u"The armour holds text that is not canonical base64."_s);
            m_at += done * m_stride;
            out += done * kArmourLineBytes;
            length -= done * kArmourLineBytes;
            if (done > 0)
                continue;
        }
        const qsizetype rest = m_text.size() - m_at;
        const qsizetype eol = rest > kArmourLineChars && p[kArmourLineChars] == '\n' ? 1
                              : rest > kArmourLineChars + 1 && p[kArmourLineChars] == '\r' &&
                                      p[kArmourLineChars + 1] == '\n'
                                  ? 2
                                  : 0;
        if (eol && length >= kArmourLineBytes &&
            decodeArmourLine(QByteArrayView(p, kArmourLineChars), out) == kArmourLineBytes) {
            m_at += kArmourLineChars + eol;
            out += kArmourLineBytes;
            length -= kArmourLineBytes;
            continue;
        }
        if (m_at >= m_text.size())
            return fail(AgeStatus::Truncated, u"The armour ends early."_s);
        qsizetype next = 0;
        const qsizetype n = decodeArmourLine(lineAt(m_text, m_at, next), m_carry);
        if (n < 0)
            return fail(AgeStatus::Malformed,
                        u"The armour holds text that is not canonical base64."_s);
        m_carryAt = 0;
        m_carryEnd = n;
        m_at = next;
    }
    return m_outcome.ok();
}

void ArmourReader::seek(qsizetype position)
{
    m_at = m_first;
    m_carryAt = m_carryEnd = 0;
    if (m_stride > 0) {
        m_at += position / kArmourLineBytes * m_stride;
        position %= kArmourLineBytes;
    }
    for (unsigned char skipped[kArmourLineBytes]; position > 0;) {
        const qsizetype n = std::min(position, kArmourLineBytes);
        if (!read(skipped, n))
            return;
        position -= n;
    }
}

} // namespace qb::age
