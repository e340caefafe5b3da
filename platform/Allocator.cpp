#include "platform/Allocator.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <unistd.h>
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

qint64 PhysicalMemoryBytes()
{
#ifdef Q_OS_WIN
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? qint64(status.ullTotalPhys) : 0;
#elif defined(_SC_PHYS_PAGES)
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    return pages > 0 && pageSize > 0 ? qint64(pages) * pageSize : 0;
#else
    return 0;
#endif
}

} // namespace qb
