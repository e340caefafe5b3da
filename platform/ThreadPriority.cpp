#include "platform/ThreadPriority.h"

#include <QThread>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#endif

namespace qb {

void lowerThreadPriority()
{
#ifdef Q_OS_LINUX
    // On Linux a nice value belongs to each thread. Five steps weigh a thread at a third of the
    // window's thread when they compete.
    constexpr int kSteps = 5;
    const pid_t thread = ::gettid();
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, id_t(thread));
    if (errno == 0 && nice < kSteps)
        ::setpriority(PRIO_PROCESS, id_t(thread), std::min(nice + kSteps, 19));
#else
    QThread::currentThread()->setPriority(QThread::LowPriority);
#endif
}

} // namespace qb
