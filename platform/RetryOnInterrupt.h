#pragma once

#include <cerrno>

namespace qb {

// Makes `call`, a system call that returns a negative number on failure, again while a signal
// interrupts it: an interruption is no failure of the file.
auto retryOnInterrupt(auto call)
{
    decltype(call()) result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

} // namespace qb
