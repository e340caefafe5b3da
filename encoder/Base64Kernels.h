#pragma once

// Base64's inner loops over whole armour lines, sixteen characters to twelve bytes and back at
// a time where the processor allows. Used by AgeArmour only.

#include <QtGlobal>

namespace qb::kernels {

// Decodes `lines` lines of 64 characters into 48 bytes each. Each line starts `stride` bytes
// after the one before; the line ends between them are not read. Returns how many lines it
// decoded: all, or 0 where the processor has no fast way. Sets `bad` for a character outside the
// alphabet, '=' included.
qsizetype decodeBase64Lines(const char *in, qsizetype lines, qsizetype stride, unsigned char *out,
                            bool &bad);
// Encodes `lines` times 48 bytes into lines of 64 characters and an LF; returns how many, as
// above.
qsizetype encodeBase64Lines(const unsigned char *in, qsizetype lines, char *out);

} // namespace qb::kernels
