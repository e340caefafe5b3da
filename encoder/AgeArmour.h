#pragma once

// The ASCII armour of age files. Used by the age format's own files.

#include "encoder/AgeOutcome.h"
#include "encoder/Base64.h"

namespace qb::age {

inline constexpr QByteArrayView kArmourBegin = "-----BEGIN AGE ENCRYPTED FILE-----";
inline constexpr QByteArrayView kArmourEnd = "-----END AGE ENCRYPTED FILE-----";
// Armour lines hold 48 bytes in 64 characters.
inline constexpr qsizetype kArmourLineBytes = 48;
inline constexpr qsizetype kArmourLineChars = 64;

// Only spaces, tabs and line ends.
bool isBlank(QByteArrayView text);
// The bytes begin, after blank lines, with the armour's first line.
bool looksArmoured(QByteArrayView text);

// The armour of a binary file of `binarySize` bytes: its size, and where its body line `line`
// starts.
qsizetype armouredSize(qsizetype binarySize);
constexpr qsizetype armourLineStart(qsizetype line)
{
    return kArmourBegin.size() + 1 + line * (kArmourLineChars + 1);
}
// Writes the first and the last line into an armour buffer of armouredSize.
void putArmourFrame(QByteArray &armour);
// The whole armour of `binary`.
QByteArray toArmour(QByteArrayView binary);

// Writes the armour's body lines for binary bytes given in order, from the start of a line on.
class ArmourLines
{
public:
    explicit ArmourLines(char *at) : m_at(at) {}
    void add(QByteArrayView bytes);
    // Writes the last line when it is not full.
    void finish();

private:
    void putLine(const unsigned char *bytes, qsizetype count);

    char *m_at;
    unsigned char m_carry[kArmourLineBytes] = {};
    qsizetype m_carried = 0;
};

// Reads armour: the constructor checks its lines, read() decodes them in order. A copy reads on
// its own from where the original was.
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
    // Every line ends alike, so any binary position is found without decoding.
    bool seekable() const { return m_stride > 0; }
    // To the binary byte `position`: at once when seekable, else by decoding from the start.
    void seek(qsizetype position);

private:
    bool fail(AgeStatus status, const QString &message);

    QByteArrayView m_text;
    AgeOutcome m_outcome;
    qsizetype m_size = 0;
    qsizetype m_first = 0;  // where the first body line starts
    qsizetype m_stride = 0; // the length of every line with its line end, when they are alike
    qsizetype m_at = 0;     // where the next line to decode starts
    unsigned char m_carry[kArmourLineBytes] = {};
    qsizetype m_carryAt = 0;
    qsizetype m_carryEnd = 0;
};

} // namespace qb::age
