#pragma once

#include <QtGlobal>

namespace qb {

// How the program treats memory: a buffer as large as a note is freed as soon as its command is
// done, and the memory goes back to the system (the C library's own rule for large blocks), so
// that a large note opened or searched once does not leave the program large. Saving and Find
// in the note never make such a buffer: they work on the editor's text piece by piece; each
// thread of Find in Book reuses one until the search ends. What a command on a large note freed
// in small pieces is given back by ReleaseFreedMemory when the command ends.
void ReleaseFreedMemory();

// The machine's physical memory in bytes; 0 when the system does not say.
qint64 PhysicalMemoryBytes();

} // namespace qb
