#pragma once

#include <QtGlobal>

namespace qb {

// Large notes pass through several buffers of their own size on every load, save, search and
// encode. By default glibc maps each such buffer afresh and unmaps it when freed, so every use
// pays the page faults of the whole buffer again, which costs more than the work itself on many
// machines. Called once at start: freed large blocks stay with the process (up to a bound) and
// are reused. Does nothing with other C libraries.
void KeepLargeBlocksForReuse();

// The machine's physical memory in bytes; 0 when the system does not say.
qint64 PhysicalMemoryBytes();

} // namespace qb
