#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace qb {

enum class CipherDirection { Encipher, Decipher };

// Additive keyword cipher over byte codes: each text byte is shifted by the code of the keyword
// byte beside it, less 64, the keyword repeating along the text. nullopt when any result code
// falls outside 0..255 (no partial result). An empty text or keyword gives an empty result.
std::optional<QByteArray> KeyWordCipher(QByteArrayView text, QByteArrayView keyword,
                                        CipherDirection direction);

} // namespace qb
