// Any keyword and text: the cipher gives what the rule gives byte by byte (or fails exactly when
// the rule does), and a text it enciphers deciphers back to itself, and the other way round.
#include "FuzzCheck.h"
#include "encoder/KeyWordCipher.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>

using qb::CipherDirection;
using qb::fuzz::require;

namespace {

std::optional<QByteArray> ruleCipher(QByteArrayView text, QByteArrayView keyword,
                                     CipherDirection direction)
{
    QByteArray out;
    for (qsizetype p = 0; p < text.size() && !keyword.empty(); ++p) {
        const int t = static_cast<unsigned char>(text[p]);
        const int k = static_cast<unsigned char>(keyword[p % keyword.size()]);
        const int code = direction == CipherDirection::Encipher ? t + k - 64 : t - k + 64;
        if (code < 0 || code > 255)
            return std::nullopt;
        out.append(static_cast<char>(code));
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte tells how many of the following bytes are the keyword; the rest is the text.
    const QByteArrayView rest(data + 1, qsizetype(size - 1));
    const qsizetype keywordLength = std::min<qsizetype>(data[0], rest.size());
    const QByteArrayView keyword = rest.first(keywordLength);
    const QByteArrayView text = rest.sliced(keywordLength);

    for (const auto &[direction, back] :
         {std::pair{CipherDirection::Encipher, CipherDirection::Decipher},
          std::pair{CipherDirection::Decipher, CipherDirection::Encipher}}) {
        const std::optional<QByteArray> result = qb::KeyWordCipher(text, keyword, direction);
        require(result == ruleCipher(text, keyword, direction), "the cipher differs from its rule");
        if (result && !keyword.empty()) {
            require(qb::KeyWordCipher(*result, keyword, back) == text.toByteArray(),
                    "a ciphered text does not cipher back");
        }
    }
    return 0;
}
