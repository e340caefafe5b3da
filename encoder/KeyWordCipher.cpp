#include "encoder/KeyWordCipher.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace qb {

namespace {

// The keyword is laid out as a block of shifts a whole number of keywords long, so the text can be
// walked block by block without a modulo per byte. About 2 KiB of text per block keeps the shifts
// in the first-level cache and gives the vector loop long runs.
constexpr qsizetype kBlockTarget = 2048;
constexpr int kStep = 16;

// Shift bytes by per-position amounts in 16-bit lanes. A result outside 0..255 leaves bits above
// the low byte set in its 16-bit pattern (negative values included), so OR-ing every result
// together tells at the end whether any code fell out of range, without a branch per byte.
// The main loop takes fixed steps of one vector and ORs into one accumulator per lane: the
// compiler then keeps the accumulators in registers and vectorises even at -O2, where it will
// not vectorise a loop that needs a scalar tail.
std::uint16_t shiftBlock(const unsigned char *__restrict text, const std::int16_t *__restrict shift,
                         unsigned char *__restrict out, qsizetype length)
{
    std::uint16_t lanes[kStep] = {};
    qsizetype i = 0;
    for (; i + kStep <= length; i += kStep) {
        const unsigned char *t = text + i;
        const std::int16_t *s = shift + i;
        unsigned char *o = out + i;
        for (int j = 0; j < kStep; ++j) {
            const auto code = static_cast<std::int16_t>(t[j] + s[j]);
            o[j] = static_cast<unsigned char>(code);
            lanes[j] |= static_cast<std::uint16_t>(code);
        }
    }
    std::uint16_t seen = 0;
    for (; i < length; ++i) {
        const auto code = static_cast<std::int16_t>(text[i] + shift[i]);
        out[i] = static_cast<unsigned char>(code);
        seen |= static_cast<std::uint16_t>(code);
    }
    for (std::uint16_t lane : lanes)
        seen |= lane;
    return seen;
}

constexpr bool outOfRange(std::uint16_t seen)
{
    return (seen & 0xFF00U) != 0;
}

} // namespace

std::optional<QByteArray> KeyWordCipher(QByteArrayView text, QByteArrayView keyword,
                                        CipherDirection direction)
{
    const qsizetype n = text.size();
    if (n == 0 || keyword.empty())
        return QByteArray();

    // Keyword bytes past the end of the text are never used.
    const qsizetype m = std::min(keyword.size(), n);
    const qsizetype block = std::min(n, m * ((kBlockTarget + m - 1) / m));

    const auto *key = reinterpret_cast<const unsigned char *>(keyword.data());
    const int sign = direction == CipherDirection::Encipher ? 1 : -1;
    std::vector<std::int16_t> shift(static_cast<std::size_t>(block));
    for (qsizetype k = 0; k < m; ++k)
        shift[static_cast<std::size_t>(k)] = static_cast<std::int16_t>(sign * (key[k] - 64));
    for (std::size_t i = static_cast<std::size_t>(m); i < shift.size(); ++i)
        shift[i] = shift[i - static_cast<std::size_t>(m)];

    QByteArray result(n, Qt::Uninitialized);
    const auto *in = reinterpret_cast<const unsigned char *>(text.data());
    auto *out = reinterpret_cast<unsigned char *>(result.data());
    for (qsizetype pos = 0; pos < n; pos += block) {
        const qsizetype length = std::min(block, n - pos);
        // Checked per block rather than once at the end, so a failing text stops early.
        if (outOfRange(shiftBlock(in + pos, shift.data(), out + pos, length)))
            return std::nullopt;
    }
    return result;
}

} // namespace qb
