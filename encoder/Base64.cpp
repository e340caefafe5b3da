#include "encoder/Base64.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace qb::age {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::uint32_t kInvalid = 1U << 24;

// Four characters decode to the OR of one entry of each table: their 24 bits, or a bit above
// them for a character outside the alphabet, so a quantum takes one test.
constexpr std::array<std::array<std::uint32_t, 256>, 4> makeDecodeTables()
{
    std::array<std::array<std::uint32_t, 256>, 4> tables{};
    for (auto &table : tables)
        table.fill(kInvalid);
    for (std::uint32_t v = 0; v < 64; ++v) {
        const auto c = static_cast<unsigned char>(kAlphabet[v]);
        for (int i = 0; i < 4; ++i)
            tables[std::size_t(i)][c] = v << (18 - 6 * i);
    }
    return tables;
}
constexpr auto decode = makeDecodeTables();

// Two characters at once for twelve bits, in memory order.
constexpr std::array<std::array<char, 2>, 4096> makePairTable()
{
    std::array<std::array<char, 2>, 4096> pairs{};
    for (std::size_t v = 0; v < 4096; ++v)
        pairs[v] = {kAlphabet[v >> 6], kAlphabet[v & 63]};
    return pairs;
}
constexpr auto kPairs = makePairTable();

std::uint32_t quantum(const char *in)
{
    const auto *u = reinterpret_cast<const unsigned char *>(in);
    return decode[0][u[0]] | decode[1][u[1]] | decode[2][u[2]] | decode[3][u[3]];
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
    return (bad & kInvalid) == 0;
}

void encodeQuanta(const unsigned char *in, qsizetype quanta, char *out)
{
    for (qsizetype q = 0; q < quanta; ++q, in += 3, out += 4) {
        const std::uint32_t v = std::uint32_t(in[0]) << 16 | std::uint32_t(in[1]) << 8 | in[2];
        std::memcpy(out, kPairs[v >> 12].data(), 2);
        std::memcpy(out + 2, kPairs[v & 0xFFF].data(), 2);
    }
}

// The one or two bytes after the whole quanta, as 3 or 2 characters (`padded`: then padding).
void encodeTail(const unsigned char *in, qsizetype count, char *out, bool padded)
{
    const std::uint32_t v =
        std::uint32_t(in[0]) << 16 | (count == 2 ? std::uint32_t(in[1]) << 8 : 0);
    out[0] = kAlphabet[v >> 18];
    out[1] = kAlphabet[(v >> 12) & 63];
    if (count == 2)
        out[2] = kAlphabet[(v >> 6) & 63];
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
    if ((v & kInvalid) || (v & stray))
        return false;
    out[0] = static_cast<unsigned char>(v >> 16);
    if (chars == 3)
        out[1] = static_cast<unsigned char>(v >> 8);
    return true;
}

} // namespace

qsizetype decodeArmourLine(QByteArrayView line, unsigned char *out)
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

char *encodeArmourLine(const unsigned char *bytes, qsizetype count, char *out)
{
    encodeQuanta(bytes, count / 3, out);
    out += 4 * (count / 3);
    if (count % 3) {
        encodeTail(bytes + count - count % 3, count % 3, out, true);
        out += 4;
    }
    *out++ = '\n';
    return out;
}

QByteArray encodeUnpadded(QByteArrayView bytes)
{
    const qsizetype whole = bytes.size() / 3, rest = bytes.size() % 3;
    QByteArray text(4 * whole + (rest ? rest + 1 : 0), Qt::Uninitialized);
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    encodeQuanta(in, whole, text.data());
    if (rest)
        encodeTail(in + 3 * whole, rest, text.data() + 4 * whole, false);
    return text;
}

std::optional<QByteArray> decodeUnpadded(QByteArrayView text)
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

} // namespace qb::age
