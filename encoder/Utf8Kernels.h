#pragma once

// The encoder's inner loops: UTF-16 into UTF-8 or ASCII, many code units at a time where the
// processor allows. Used by NoteEncoder only.

#include <QtGlobal>

namespace qb::kernels {

// Copies the ASCII code units that [in, end) starts with to out, as bytes, and returns how many
// there were. It may write up to seven bytes past that count, so out must have room for as many
// bytes as there are code units.
qsizetype copyAsciiPrefix(const char16_t *in, const char16_t *end, unsigned char *out);

// Writes the UTF-8 of a code unit that is no surrogate, or the note's line end for a line break
// (U+2028, U+2029) when `lineBreaks`, and returns the new end. Always stores three bytes.
unsigned char *PutUnitUtf8(unsigned char *out, char16_t c, bool lineBreaks, bool crLf);

// Encodes [in, end) as UTF-8 as far as the fast path goes: it stops at a surrogate, which the
// caller pairs up, and before the last few code units; returns where. `out` needs three bytes of
// room per code unit and is moved past what was written. Returns `in` where the processor has
// no fast path.
const char16_t *putUnitsUtf8(const char16_t *in, const char16_t *end, unsigned char *&out,
                             bool lineBreaks, bool crLf);

bool isLineBreak(char16_t c);

} // namespace qb::kernels
