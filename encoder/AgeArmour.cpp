#include "encoder/AgeArmour.h"

#include <array>
#include <cstdint>
#include <cstring>

using namespace Qt::StringLiterals;

namespace qb::age {

namespace {

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::uint32_t Invalid = 1U << 24;

// Four characters decode to the OR of one entry of each table: their 24 bits, or a bit above
// them for a character outside the alphabet, so a quantum takes one test.
constexpr std::array<std::array<std::uint32_t, 256>, 4> makeDecodeTables()
{
    std::array<std::array<std::uint32_t, 256>, 4> tables{};
    for (auto &table : tables)
        table.fill(Invalid);
    for (std::uint32_t v = 0; v < 64; ++v) {
        const auto c = static_cast<unsigned char>(Alphabet[v]);
        for (int i = 0; i < 4; ++i)
            tables[std::size_t(i)][c] = v << (18 - 6 * i);
    }
    return tables;
}
constexpr auto Decode = makeDecodeTables();

// Two characters at once for twelve bits, in memory order.
constexpr std::array<std::array<char, 2>, 4096> makePairTable()
{
    std::array<std::array<char, 2>, 4096> pairs{};
    for (std::size_t v = 0; v < 4096; ++v)
        pairs[v] = {Alphabet[v >> 6], Alphabet[v & 63]};
    return pairs;
}
constexpr auto Pairs = makePairTable();

std::uint32_t quantum(const char *in)
{
    const auto *u = reinterpret_cast<const unsigned char *>(in);
    return Decode[0][u[0]] | Decode[1][u[1]] | Decode[2][u[2]] | Decode[3][u[3]];
}

// Decodes whole quanta without padding; false on any other character.
bool decodeQuanta(const char *in, qsizetype quanta, unsigned char *out)
{
    std::uint32_t bad = 0;
    for (qsizetype q = 0; q < quanta; ++q, in += 4, out += 3) {
        const std::uint32_t v = quantum(in);
        bad |= v;
        out[0] = static_cast<unsigned char>(v >> 16);
        out[1] = static_cast<unsigned char>(v >> 8);
        out[2] = static_cast<unsigned char>(v);
    }
    return (bad & Invalid) == 0;
}

void encodeQuanta(const unsigned char *in, qsizetype quanta, char *out)
{
    for (qsizetype q = 0; q < quanta; ++q, in += 3, out += 4) {
        const std::uint32_t v = std::uint32_t(in[0]) << 16 | std::uint32_t(in[1]) << 8 | in[2];
        std::memcpy(out, Pairs[v >> 12].data(), 2);
        std::memcpy(out + 2, Pairs[v & 0xFFF].data(), 2);
    }
}

// The one or two bytes after the whole quanta, as 3 or 2 characters (`padded`: then padding).
void encodeTail(const unsigned char *in, qsizetype count, char *out, bool padded)
{
    const std::uint32_t v =
        std::uint32_t(in[0]) << 16 | (count == 2 ? std::uint32_t(in[1]) << 8 : 0);
    out[0] = Alphabet[v >> 18];
    out[1] = Alphabet[(v >> 12) & 63];
    if (count == 2)
        out[2] = Alphabet[(v >> 6) & 63];
    if (padded) {
        if (count == 1)
            out[2] = '=';
        out[3] = '=';
    }
}

// The last 2 or 3 characters of canonical base64 into 1 or 2 bytes: every character in the
// alphabet, and the bits that do not fill a byte zero.
bool decodeTail(const char *in, qsizetype chars, unsigned char *out)
{
    char quad[4] = {in[0], in[1], chars == 3 ? in[2] : 'A', 'A'};
    const std::uint32_t v = quantum(quad);
    const std::uint32_t stray = chars == 2 ? 0xFFFF : 0xFF;
    if ((v & Invalid) || (v & stray))
        return false;
    out[0] = static_cast<unsigned char>(v >> 16);
    if (chars == 3)
        out[1] = static_cast<unsigned char>(v >> 8);
    return true;
}

// One armour line, padding allowed at its end; the count of bytes, or -1.
qsizetype decodeLine(QByteArrayView line, unsigned char *out)
{
    const qsizetype n = line.size();
    if (n % 4 != 0)
        return -1;
    const qsizetype padding = line.endsWith("==") ? 2 : line.endsWith('=') ? 1 : 0;
    const qsizetype whole = n / 4 - (padding ? 1 : 0);
    if (!decodeQuanta(line.data(), whole, out))
        return -1;
    if (padding && !decodeTail(line.data() + 4 * whole, 4 - padding, out + 3 * whole))
        return -1;
    return 3 * whole + (padding ? 3 - padding : 0);
}

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

// Where the armour's first line starts after blank lines, or -1 when it does not.
qsizetype armourStart(QByteArrayView text)
{
    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype next = 0;
        const QByteArrayView line = lineAt(text, at, next);
        if (line.startsWith(ArmourBegin))
            return line == ArmourBegin ? next : -1;
        if (!IsBlank(line) || next == text.size())
            return -1;
        at = next;
    }
    return -1;
}

} // namespace

QByteArray EncodeUnpadded(QByteArrayView bytes)
{
    const qsizetype whole = bytes.size() / 3, rest = bytes.size() % 3;
    QByteArray text(4 * whole + (rest ? rest + 1 : 0), Qt::Uninitialized);
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    encodeQuanta(in, whole, text.data());
    if (rest)
        encodeTail(in + 3 * whole, rest, text.data() + 4 * whole, false);
    return text;
}

std::optional<QByteArray> DecodeUnpadded(QByteArrayView text)
{
    const qsizetype whole = text.size() / 4, rest = text.size() % 4;
    if (rest == 1)
        return std::nullopt;
    QByteArray bytes(3 * whole + (rest ? rest - 1 : 0), Qt::Uninitialized);
    auto *out = reinterpret_cast<unsigned char *>(bytes.data());
    if (!decodeQuanta(text.data(), whole, out))
        return std::nullopt;
    if (rest && !decodeTail(text.data() + 4 * whole, rest, out + 3 * whole))
        return std::nullopt;
    return bytes;
}

bool IsBlank(QByteArrayView text)
{
    return std::all_of(text.begin(), text.end(), isSpace);
}

bool LooksArmoured(QByteArrayView text)
{
    return armourStart(text) >= 0;
}

qsizetype ArmouredSize(qsizetype binarySize)
{
    const qsizetype lines = (binarySize + ArmourLineBytes - 1) / ArmourLineBytes;
    return ArmourBegin.size() + 1 + 4 * ((binarySize + 2) / 3) + lines + ArmourEnd.size() + 1;
}

ArmourWriter::ArmourWriter(qsizetype binarySize)
    : m_out(ArmouredSize(binarySize), Qt::Uninitialized), m_at(m_out.data())
{
    std::memcpy(m_at, ArmourBegin.data(), size_t(ArmourBegin.size()));
    m_at += ArmourBegin.size();
    *m_at++ = '\n';
}

void ArmourWriter::putLine(const unsigned char *bytes, qsizetype count)
{
    encodeQuanta(bytes, count / 3, m_at);
    m_at += 4 * (count / 3);
    if (count % 3) {
        encodeTail(bytes + count - count % 3, count % 3, m_at, true);
        m_at += 4;
    }
    *m_at++ = '\n';
}

void ArmourWriter::add(QByteArrayView bytes)
{
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    qsizetype left = bytes.size();
    if (m_carried > 0) {
        const qsizetype take = std::min(left, ArmourLineBytes - m_carried);
        std::memcpy(m_carry + m_carried, in, size_t(take));
        m_carried += take;
        in += take;
        left -= take;
        if (m_carried < ArmourLineBytes)
            return;
        putLine(m_carry, ArmourLineBytes);
        m_carried = 0;
    }
    for (; left >= ArmourLineBytes; in += ArmourLineBytes, left -= ArmourLineBytes)
        putLine(in, ArmourLineBytes);
    std::memcpy(m_carry, in, size_t(left));
    m_carried = left;
}

QByteArray ArmourWriter::finish()
{
    if (m_carried > 0)
        putLine(m_carry, m_carried);
    std::memcpy(m_at, ArmourEnd.data(), size_t(ArmourEnd.size()));
    m_at += ArmourEnd.size();
    *m_at++ = '\n';
    Q_ASSERT(m_at == m_out.data() + m_out.size());
    return std::move(m_out);
}

ArmourReader::ArmourReader(QByteArrayView text) : m_text(text)
{
    const qsizetype start = armourStart(text);
    if (start < 0) {
        fail(AgeStatus::NotAgeFile, u"This is not an age file."_s);
        return;
    }
    m_first = m_at = start;
    bool shortSeen = false;
    for (qsizetype at = start;;) {
        if (at >= text.size()) {
            fail(AgeStatus::Truncated, u"The armour ends without its closing line."_s);
            return;
        }
        qsizetype next = 0;
        const QByteArrayView line = lineAt(text, at, next);
        if (line == ArmourEnd) {
            if (!IsBlank(text.sliced(next)))
                fail(AgeStatus::TrailingData, u"Something follows the armour's closing line."_s);
            return;
        }
        if (shortSeen)
            fail(AgeStatus::Malformed, u"A short armour line is not the last one."_s);
        else if (line.size() > ArmourLineChars)
            fail(AgeStatus::Malformed, u"An armour line is longer than 64 characters."_s);
        else if (line.size() % 4 != 0)
            fail(AgeStatus::Malformed, u"An armour line is cut inside a base64 group."_s);
        if (!m_outcome.ok())
            return;
        const qsizetype padding = line.endsWith("==") ? 2 : line.endsWith('=') ? 1 : 0;
        const qsizetype bytes = line.size() / 4 * 3 - padding;
        shortSeen = bytes < ArmourLineBytes;
        m_size += bytes;
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
        // A whole line goes straight to `out`; one with padding, or of which only a part is
        // wanted, through the carry.
        const char *p = m_text.data() + m_at;
        const qsizetype rest = m_text.size() - m_at;
        const qsizetype eol = rest > ArmourLineChars && p[ArmourLineChars] == '\n' ? 1
                              : rest > ArmourLineChars + 1 && p[ArmourLineChars] == '\r' &&
                                      p[ArmourLineChars + 1] == '\n'
                                  ? 2
                                  : 0;
        if (eol && length >= ArmourLineBytes && decodeQuanta(p, ArmourLineChars / 4, out)) {
            m_at += ArmourLineChars + eol;
            out += ArmourLineBytes;
            length -= ArmourLineBytes;
            continue;
        }
        if (m_at >= m_text.size())
            return fail(AgeStatus::Truncated, u"The armour ends early."_s);
        qsizetype next = 0;
        const qsizetype n = decodeLine(lineAt(m_text, m_at, next), m_carry);
        if (n < 0)
            return fail(AgeStatus::Malformed,
                        u"The armour holds text that is not canonical base64."_s);
        m_carryAt = 0;
        m_carryEnd = n;
        m_at = next;
    }
    return m_outcome.ok();
}

void ArmourReader::rewind()
{
    m_at = m_first;
    m_carryAt = m_carryEnd = 0;
}

} // namespace qb::age
