#include "platform/CoreDumps.h"

#include <QtGlobal>

#include <mutex>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace qb {

namespace {

struct Holds
{
    std::mutex mutex;
    int count = 0;
#ifdef Q_OS_UNIX
    rlimit core{};
    bool coreKept = false;
#endif
#ifdef Q_OS_LINUX
    int dumpable = 0;
#endif
};

Holds &holds()
{
    static Holds h;
    return h;
}

} // namespace

void holdCoreDumpsOff()
{
    Holds &h = holds();
    const std::lock_guard lock(h.mutex);
    if (h.count++ > 0)
        return;
#ifdef Q_OS_LINUX
    // Not dumpable also keeps other processes of the same user from reading this one's memory.
    h.dumpable = ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0);
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
#ifdef Q_OS_UNIX
    h.coreKept = ::getrlimit(RLIMIT_CORE, &h.core) == 0;
    if (h.coreKept) {
        rlimit none = h.core;
        none.rlim_cur = 0;
        ::setrlimit(RLIMIT_CORE, &none);
    }
#endif
}

void releaseCoreDumpsOff()
{
    Holds &h = holds();
    const std::lock_guard lock(h.mutex);
    if (h.count == 0 || --h.count > 0)
        return;
#ifdef Q_OS_UNIX
    if (h.coreKept)
        ::setrlimit(RLIMIT_CORE, &h.core);
#endif
#ifdef Q_OS_LINUX
    // Only 0 and 1 can be set again; any other setting came from the system and stays at 0.
    if (h.dumpable == 1)
        ::prctl(PR_SET_DUMPABLE, 1, 0, 0, 0);
#endif
}

} // namespace qb
