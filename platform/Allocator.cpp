#include "platform/Allocator.h"

#include <QCoreApplication>
#include <QThreadPool>
#include <QTimer>

#include <atomic>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <unistd.h>
#endif

namespace qb {
namespace {

// How long after a large command its freed memory is given back.
constexpr int kQuietMilliseconds = 2000;

} // namespace

void releaseFreedMemory()
{
#if defined(__GLIBC__)
    // The C library holds its main heap locked while it gives that heap's freed memory back, and
    // the window's thread waits on that lock at its next allocation: the release waits for a
    // quiet moment, the last of several asked for in a row.
    static std::atomic_int asked = 0;
    const int mine = ++asked;
    const auto release = [mine] {
        if (mine == asked)
            QThreadPool::globalInstance()->start([] { malloc_trim(0); });
    };
    if (QCoreApplication *application = QCoreApplication::instance())
        QTimer::singleShot(kQuietMilliseconds, application, release);
    else
        malloc_trim(0);
#endif
}

qint64 physicalMemoryBytes()
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
