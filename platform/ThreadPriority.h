#pragma once

namespace qb {

// For a thread that works while the user types: it gives way to the window's thread when both
// want a processor, and still gets a fair share beside other programs. (Qt's idle priority would
// starve it while any other program is busy; its low priority does nothing on Linux.)
void lowerThreadPriority();

} // namespace qb
