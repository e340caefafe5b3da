/* A fault-injection library for the tests, loaded with LD_PRELOAD. It stands between the program
 * and the C library's file calls and, when armed, makes a chosen call on a chosen path fail with
 * a chosen errno, or come back short first, or kills the process right after a chosen call.
 *
 * Armed from the process itself through qbfault_arm() (found with dlsym), or at start from the
 * environment, for child processes:
 *   QBFAULT=call:errno:path-part[:pass-bytes]
 *   QBFAULT_KILL_AFTER=n:path-part     SIGKILL right after the n-th changing call on the path
 *
 * Calls: read, write (pass-bytes go through first, in as many calls as the program makes, the
 * call that reaches the limit coming back short; every call after that fails), fdatasync, fsync,
 * linkat, rename (rename, renameat, renameat2), tmpfile (openat with O_TMPFILE), open (any open
 * or openat), close. A path matches when the file's path contains path-part; for a call on a
 * descriptor that is the path the descriptor was opened with, for a call with a name relative
 * to a folder descriptor the folder's path, '/', and the name.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#define EXPORT __attribute__((visibility("default")))

static struct {
    int armed;
    char call[32];
    int error;
    char pathPart[4096];
    long long passBytes; /* -1: fail at once */
    int hits;
} fault;

static struct {
    long long after; /* 0: off */
    long long seen;
    char pathPart[4096];
} killer;

static void *real(const char *name)
{
    void *function = dlsym(RTLD_NEXT, name);
    if (!function) {
        fprintf(stderr, "qbfault: no %s\n", name);
        abort();
    }
    return function;
}

#define REAL(type, name) static type real_##name; if (!real_##name) real_##name = (type)real(#name)

static void pathOfFd(int fd, char *out, size_t size)
{
    char link[64];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t length = readlink(link, out, size - 1);
    out[length < 0 ? 0 : length] = '\0';
}

static void pathAt(int dirFd, const char *name, char *out, size_t size)
{
    if (!name) {
        out[0] = '\0';
        return;
    }
    if (name[0] == '/' || dirFd == AT_FDCWD) {
        snprintf(out, size, "%s", name);
        return;
    }
    char dir[4096];
    pathOfFd(dirFd, dir, sizeof dir);
    snprintf(out, size, "%s/%s", dir, name);
}

static int matches(const char *path, const char *part)
{
    return part[0] != '\0' && path && strstr(path, part) != NULL;
}

static int faultFor(const char *call, const char *path)
{
    return fault.armed && strcmp(fault.call, call) == 0 && matches(path, fault.pathPart);
}

static void countChange(const char *path)
{
    if (killer.after > 0 && matches(path, killer.pathPart) && ++killer.seen == killer.after)
        raise(SIGKILL);
}

EXPORT void qbfault_arm(const char *call, int error, const char *pathPart, long long passBytes)
{
    snprintf(fault.call, sizeof fault.call, "%s", call);
    snprintf(fault.pathPart, sizeof fault.pathPart, "%s", pathPart);
    fault.error = error;
    fault.passBytes = passBytes;
    fault.hits = 0;
    fault.armed = 1;
}

EXPORT void qbfault_disarm(void)
{
    fault.armed = 0;
}

/* How often the armed fault was met: a test that armed one that never fired has tested nothing. */
EXPORT int qbfault_hits(void)
{
    return fault.hits;
}

__attribute__((constructor)) static void armFromEnvironment(void)
{
    const char *spec = getenv("QBFAULT");
    if (spec) {
        char call[32] = "", part[4096] = "";
        int error = 0;
        long long pass = -1;
        if (sscanf(spec, "%31[^:]:%d:%4095[^:]:%lld", call, &error, part, &pass) >= 3)
            qbfault_arm(call, error, part, pass);
    }
    const char *kill = getenv("QBFAULT_KILL_AFTER");
    if (kill)
        sscanf(kill, "%lld:%4095s", &killer.after, killer.pathPart);
}

/* Short first, then failing, for the calls that move bytes. Returns the count to pass on, or -1
 * when the call must fail. */
static long long byteBudget(size_t count)
{
    ++fault.hits;
    if (fault.passBytes < 0)
        return -1;
    if (fault.passBytes == 0)
        return -1;
    return (long long)count < fault.passBytes ? (long long)count : fault.passBytes;
}

EXPORT ssize_t read(int fd, void *buffer, size_t count)
{
    REAL(ssize_t (*)(int, void *, size_t), read);
    if (fault.armed && strcmp(fault.call, "read") == 0) {
        char path[4096];
        pathOfFd(fd, path, sizeof path);
        if (matches(path, fault.pathPart)) {
            const long long budget = byteBudget(count);
            if (budget < 0) {
                errno = fault.error;
                return -1;
            }
            const ssize_t got = real_read(fd, buffer, (size_t)budget);
            if (got > 0)
                fault.passBytes -= got;
            return got;
        }
    }
    return real_read(fd, buffer, count);
}

EXPORT ssize_t write(int fd, const void *buffer, size_t count)
{
    REAL(ssize_t (*)(int, const void *, size_t), write);
    if ((fault.armed && strcmp(fault.call, "write") == 0) || killer.after > 0) {
        char path[4096];
        pathOfFd(fd, path, sizeof path);
        if (faultFor("write", path)) {
            const long long budget = byteBudget(count);
            if (budget < 0) {
                errno = fault.error;
                return -1;
            }
            const ssize_t wrote = real_write(fd, buffer, (size_t)budget);
            if (wrote > 0)
                fault.passBytes -= wrote;
            countChange(path);
            return wrote;
        }
        const ssize_t wrote = real_write(fd, buffer, count);
        countChange(path);
        return wrote;
    }
    return real_write(fd, buffer, count);
}

static int syncCall(const char *call, int fd, int (*sync)(int))
{
    char path[4096] = "";
    if (fault.armed || killer.after > 0)
        pathOfFd(fd, path, sizeof path);
    if (faultFor(call, path)) {
        ++fault.hits;
        errno = fault.error;
        return -1;
    }
    const int result = sync(fd);
    countChange(path);
    return result;
}

EXPORT int fdatasync(int fd)
{
    REAL(int (*)(int), fdatasync);
    return syncCall("fdatasync", fd, real_fdatasync);
}

EXPORT int fsync(int fd)
{
    REAL(int (*)(int), fsync);
    return syncCall("fsync", fd, real_fsync);
}

EXPORT int close(int fd)
{
    REAL(int (*)(int), close);
    if (fault.armed && strcmp(fault.call, "close") == 0) {
        char path[4096];
        pathOfFd(fd, path, sizeof path);
        if (matches(path, fault.pathPart)) {
            ++fault.hits;
            real_close(fd);
            errno = fault.error;
            return -1;
        }
    }
    return real_close(fd);
}

EXPORT int linkat(int oldDirFd, const char *oldPath, int newDirFd, const char *newPath, int flags)
{
    REAL(int (*)(int, const char *, int, const char *, int), linkat);
    char path[4096] = "";
    if (fault.armed || killer.after > 0)
        pathAt(newDirFd, newPath, path, sizeof path);
    if (faultFor("linkat", path)) {
        ++fault.hits;
        errno = fault.error;
        return -1;
    }
    const int result = real_linkat(oldDirFd, oldPath, newDirFd, newPath, flags);
    countChange(path);
    return result;
}

static int renameFault(int newDirFd, const char *newPath, char *path, size_t size)
{
    path[0] = '\0';
    if (fault.armed || killer.after > 0)
        pathAt(newDirFd, newPath, path, size);
    if (faultFor("rename", path)) {
        ++fault.hits;
        errno = fault.error;
        return 1;
    }
    return 0;
}

EXPORT int rename(const char *oldPath, const char *newPath)
{
    REAL(int (*)(const char *, const char *), rename);
    char path[4096];
    if (renameFault(AT_FDCWD, newPath, path, sizeof path))
        return -1;
    const int result = real_rename(oldPath, newPath);
    countChange(path);
    return result;
}

EXPORT int renameat(int oldDirFd, const char *oldPath, int newDirFd, const char *newPath)
{
    REAL(int (*)(int, const char *, int, const char *), renameat);
    char path[4096];
    if (renameFault(newDirFd, newPath, path, sizeof path))
        return -1;
    const int result = real_renameat(oldDirFd, oldPath, newDirFd, newPath);
    countChange(path);
    return result;
}

EXPORT int renameat2(int oldDirFd, const char *oldPath, int newDirFd, const char *newPath,
                     unsigned int flags)
{
    REAL(int (*)(int, const char *, int, const char *, unsigned int), renameat2);
    char path[4096];
    if (renameFault(newDirFd, newPath, path, sizeof path))
        return -1;
    const int result = real_renameat2(oldDirFd, oldPath, newDirFd, newPath, flags);
    countChange(path);
    return result;
}

static int openFault(int dirFd, const char *name, int flags, char *path, size_t size)
{
    path[0] = '\0';
    if (!fault.armed && killer.after == 0)
        return 0;
    pathAt(dirFd, name, path, size);
#ifdef O_TMPFILE
    if ((flags & O_TMPFILE) == O_TMPFILE && faultFor("tmpfile", path)) {
        ++fault.hits;
        return 1;
    }
#endif
    if (faultFor("open", path)) {
        ++fault.hits;
        return 1;
    }
    return 0;
}

static int changes(int flags)
{
    return (flags & (O_WRONLY | O_RDWR | O_CREAT)) != 0;
}

EXPORT int openat(int dirFd, const char *name, int flags, ...)
{
    REAL(int (*)(int, const char *, int, ...), openat);
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, mode_t);
        va_end(args);
    }
    char path[4096];
    if (openFault(dirFd, name, flags, path, sizeof path)) {
        errno = fault.error;
        return -1;
    }
    const int fd = real_openat(dirFd, name, flags, mode);
    if (changes(flags))
        countChange(path);
    return fd;
}

EXPORT int openat64(int dirFd, const char *name, int flags, ...)
{
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, mode_t);
        va_end(args);
    }
    return openat(dirFd, name, flags, mode);
}

EXPORT int open(const char *name, int flags, ...)
{
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, mode_t);
        va_end(args);
    }
    return openat(AT_FDCWD, name, flags, mode);
}

EXPORT int open64(const char *name, int flags, ...)
{
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list args;
        va_start(args, flags);
        mode = va_arg(args, mode_t);
        va_end(args);
    }
    return openat(AT_FDCWD, name, flags, mode);
}
