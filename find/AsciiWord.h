#pragma once

#include "find/ByteAnchors.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

namespace qb {

// True when the bytes hold, in UTF-8 or as Windows-1252 bytes, a character outside ASCII that
// Find's case folding takes to an ASCII character (the Kelvin sign to 'k', the long s to 's').
// A note that holds none decodes to text whose ASCII characters are its ASCII bytes, one for
// one, and no other character of it matches an ASCII one: an ASCII word is in its text exactly
// where it is in its bytes, letter case aside.
bool holdsAsciiKin(QByteArrayView noteBytes);

// A word of ASCII characters, looked for in a note's raw bytes with ASCII letter case ignored.
class AsciiWord
{
public:
    // True for a word of ASCII characters other than CR and LF, whose bytes in a note are the
    // same in either encoding and never part of a line end.
    static bool fits(QStringView word);

    explicit AsciiWord(QStringView word);

    // Whether `bytes` hold the word. For a note without holdsAsciiKin, the same answer as
    // NoteMatcher (case-insensitive) gives on the note's decoded text.
    bool isIn(QByteArrayView bytes) const;

private:
    bool matchesAt(const uchar *bytes) const;

    QByteArray m_lower;           // the word, its letters in lower case
    QByteArray m_masks;           // 0x20 under a letter: the bit letter case may flip
    ByteAnchor m_first, m_second; // the rarest two places, compared sixteen places at a time
};

} // namespace qb
