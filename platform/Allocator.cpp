#include "platform/Allocator.h"

#include <QtGlobal>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace qb {

void KeepLargeBlocksForReuse()
{
#if defined(__GLIBC__)
    // Enough for the text of a 50 MiB note in UTF-16 and its bytes, and no more.
    constexpr int kBound = 256 * 1024 * 1024;
    mallopt(M_MMAP_THRESHOLD, kBound);
    mallopt(M_TRIM_THRESHOLD, kBound);
#endif
}

} // namespace qb
