#pragma once

// Base64 as the age format writes it: unpadded in the header, padded in the armour's lines.

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace qb::age {

// Base64 without padding, as the header writes it.
QByteArray encodeUnpadded(QByteArrayView bytes);
// Canonical unpadded base64 only: no padding, no stray bits, no other character.
std::optional<QByteArray> decodeUnpadded(QByteArrayView text);

// Up to 48 bytes as one armour line, padded, with its LF; returns where it ends.
char *encodeArmourLine(const unsigned char *bytes, qsizetype count, char *out);
// One armour line without its line end, padding allowed at its end: the count of bytes, or -1
// when it is not canonical base64.
qsizetype decodeArmourLine(QByteArrayView line, unsigned char *out);

} // namespace qb::age
