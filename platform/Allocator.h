#pragma once

#include <QtGlobal>

namespace qb {

// How the program treats memory: a buffer as large as a note is freed as soon as its command is
// done, and the memory goes back to the system (the C library's own rule for large blocks), so
// that a large note opened or searched once does not leave the program large. Saving and Find
// in the note never make such a buffer: they work on the editor's text piece by piece; each
// thread of Find in Book reuses one until the search ends. What a command on a large note freed
// in small pieces is given back by releaseFreedMemory a moment after the command ends, on a
// thread of the pool: going through all that was freed takes the C library a while.
// One thing is kept on purpose: the shown note's bytes, in pieces, for its next save
// (NoteBytesCache), about as much memory again as its file, against the ten times that the
// editor takes; reading a large note's text back out of the editor costs more than writing it.
// They go when another note is shown.
void releaseFreedMemory();

// The machine's physical memory in bytes; 0 when the system does not say.
qint64 physicalMemoryBytes();

} // namespace qb
