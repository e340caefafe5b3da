#pragma once

namespace qb {

// Core dumps are off while any hold is taken, so that a crash never writes secrets to the disk;
// the process's own settings come back when the last hold goes. Safe from any thread.
void holdCoreDumpsOff();
void releaseCoreDumpsOff();

} // namespace qb
