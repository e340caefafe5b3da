#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qb {
namespace {

constexpr int kHandled[] = {SIGTERM, SIGHUP, SIGINT};

// The handler may only write to a descriptor: the window's thread reads it.
int writeEnd = -1;

extern "C" void Forward(int signal)
{
    const int saved = errno;
    const char number = char(signal);
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &number, 1);
    errno = saved;
}

} // namespace

struct TerminationSignals::Impl
{
    int pair[2] = {-1, -1};
    QSocketNotifier *notifier = nullptr;
    struct sigaction previous[std::size(kHandled)] = {};
};

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent), d(new Impl)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, d->pair) != 0)
        return;
    writeEnd = d->pair[0];
    d->notifier = new QSocketNotifier(d->pair[1], QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, [this] {
        char number = 0;
        while (::read(d->pair[1], &number, 1) == 1)
            Q_EMIT received(int(number));
    });
    struct sigaction action = {};
    action.sa_handler = Forward;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kHandled); ++i)
        ::sigaction(kHandled[i], &action, &d->previous[i]);
}

TerminationSignals::~TerminationSignals()
{
    if (d->notifier) {
        for (std::size_t i = 0; i < std::size(kHandled); ++i)
            ::sigaction(kHandled[i], &d->previous[i], nullptr);
        writeEnd = -1;
        ::close(d->pair[0]);
        ::close(d->pair[1]);
    }
    delete d;
}

} // namespace qb
