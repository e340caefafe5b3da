#pragma once

// Base64 and the ASCII armour of age files. Used by AgeFile only.

#include "encoder/AgeFile.h"

#include <optional>

namespace qb::age {

inline constexpr QByteArrayView ArmourBegin = "-----BEGIN AGE ENCRYPTED FILE-----";
inline constexpr QByteArrayView ArmourEnd = "-----END AGE ENCRYPTED FILE-----";
// Armour lines hold 48 bytes in 64 characters.
inline constexpr qsizetype ArmourLineBytes = 48;
inline constexpr qsizetype ArmourLineChars = 64;

// Base64 without padding, as the header writes it.
QByteArray EncodeUnpadded(QByteArrayView bytes);
// Canonical unpadded base64 only: no padding, no stray bits, no other character.
std::optional<QByteArray> DecodeUnpadded(QByteArrayView text);

// Only spaces, tabs and line ends.
bool IsBlank(QByteArrayView text);
// The bytes begin, after blank lines, with the armour's first line.
bool LooksArmoured(QByteArrayView text);

qsizetype ArmouredSize(qsizetype binarySize);

// Writes armour piece by piece into a buffer made once at its final size.
class ArmourWriter
{
public:
    explicit ArmourWriter(qsizetype binarySize);
    void add(QByteArrayView bytes);
    QByteArray finish();

private:
    void putLine(const unsigned char *bytes, qsizetype count);

    QByteArray m_out;
    char *m_at = nullptr;
    unsigned char m_carry[ArmourLineBytes] = {};
    qsizetype m_carried = 0;
};

// Reads armour: the constructor checks its lines, read() decodes them in order.
class ArmourReader
{
public:
    explicit ArmourReader(QByteArrayView text);

    // The lines' check, then the decoding's: Ok while all is well.
    const AgeOutcome &outcome() const { return m_outcome; }
    // The binary file's size, when the lines are right.
    qsizetype size() const { return m_size; }
    // Decodes the next `length` bytes, no more than remain; false on a line that is not base64.
    bool read(unsigned char *out, qsizetype length);
    // Back to the first byte.
    void rewind();

private:
    bool fail(AgeStatus status, const QString &message);
    bool nextLine(QByteArrayView &line);

    QByteArrayView m_text;
    AgeOutcome m_outcome;
    qsizetype m_size = 0;
    qsizetype m_first = 0; // where the first body line starts
    qsizetype m_at = 0;    // where the next line to decode starts
    unsigned char m_carry[ArmourLineBytes] = {};
    qsizetype m_carryAt = 0;
    qsizetype m_carryEnd = 0;
};

} // namespace qb::age
