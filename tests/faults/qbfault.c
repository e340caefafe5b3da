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
 * Also mkdir (mkdir, mkdirat), which makes a folder fail as an unwritable parent would.
 * And grow: every read of the path first adds pass-bytes line feeds at the file's end, as another
 * program appending to it would.
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
#include <time.h>
#include <unistd.h>

#define EXPORT __attribute__((visibility("default")))

struct Fault
{
    char call[32];
    int error; /* 0 for read: the file ends early instead of failing */
    char pathPart[4096];
    long long passBytes; /* -1: fail at once */
};

#define MAX_FAULTS 4
static struct Fault faults[MAX_FAULTS];
static int faultCount;
static int hits;

static struct
{
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

typedef ssize_t (*read_fn)(int, void *, size_t);
typedef ssize_t (*write_fn)(int, const void *, size_t);
typedef int (*fd_fn)(int);
typedef int (*linkat_fn)(int, const char *, int, const char *, int);
typedef int (*rename_fn)(const char *, const char *);
typedef int (*renameat_fn)(int, const char *, int, const char *);
typedef int (*renameat2_fn)(int, const char *, int, const char *, unsigned int);
typedef int (*openat_fn)(int, const char *, int, ...);

static read_fn real_read;
static write_fn real_write;
static fd_fn real_fdatasync, real_fsync, real_close;
static linkat_fn real_linkat;
static rename_fn real_rename;
static renameat_fn real_renameat;
static renameat2_fn real_renameat2;
static openat_fn real_openat;

/* The C library's own function, found once; copied, as C has no cast from data to function
 * pointers. */
#define NEXT(name)                                                                                 \
    do {                                                                                           \
        if (!real_##name) {                                                                        \
            void *function = real(#name);                                                          \
            memcpy(&real_##name, &function, sizeof function);                                      \
        }                                                                                          \
    } while (0)

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

static int armedFor(const char *call)
{
    for (int i = 0; i < faultCount; ++i) {
        if (strcmp(faults[i].call, call) == 0)
            return 1;
    }
    return 0;
}

static struct Fault *faultFor(const char *call, const char *path)
{
    for (int i = 0; i < faultCount; ++i) {
        if (strcmp(faults[i].call, call) == 0 && matches(path, faults[i].pathPart))
            return &faults[i];
    }
    return NULL;
}

static int failWith(int error)
{
    ++hits;
    errno = error;
    return -1;
}

static void countChange(const char *path)
{
    if (killer.after > 0 && matches(path, killer.pathPart) && ++killer.seen == killer.after)
        raise(SIGKILL);
}

/* Adds a fault; up to four are armed at once. */
EXPORT void qbfault_arm(const char *call, int error, const char *pathPart, long long passBytes)
{
    if (faultCount == MAX_FAULTS)
        abort();
    struct Fault *fault = &faults[faultCount];
    snprintf(fault->call, sizeof fault->call, "%s", call);
    snprintf(fault->pathPart, sizeof fault->pathPart, "%s", pathPart);
    fault->error = error;
    fault->passBytes = passBytes;
    ++faultCount;
}

EXPORT void qbfault_disarm(void)
{
    faultCount = 0;
    hits = 0;
}

/* How often the armed faults were met: a test whose faults never fired has tested nothing. */
EXPORT int qbfault_hits(void)
{
    return hits;
}

__attribute__((constructor)) static void armFromEnvironment(void)
{
    const char *fault = getenv("QBFAULT");
    if (fault) {
        char call[32] = "", part[4096] = "";
        int error = 0;
        long long pass = -1;
        if (sscanf(fault, "%31[^:]:%d:%4095[^:]:%lld", call, &error, part, &pass) >= 3)
            qbfault_arm(call, error, part, pass);
    }
    const char *kill = getenv("QBFAULT_KILL_AFTER");
    if (kill)
        sscanf(kill, "%lld:%4095s", &killer.after, killer.pathPart);
}

/* Short first, then failing, for the calls that move bytes: the count to pass on, or -1 when the
 * call must fail. */
static long long byteBudget(const struct Fault *fault, size_t count)
{
    if (fault->passBytes <= 0) {
        ++hits;
        return -1;
    }
    return (long long)count < fault->passBytes ? (long long)count : fault->passBytes;
}

/* Another program appending to the file that `fd` reads, when "grow" is armed for its path. */
static void growBeforeRead(int fd)
{
    char path[4096];
    pathOfFd(fd, path, sizeof path);
    const struct Fault *fault = faultFor("grow", path);
    if (!fault || fault->passBytes <= 0)
        return;
    NEXT(openat);
    NEXT(write);
    NEXT(close);
    const int appender = real_openat(AT_FDCWD, path, O_WRONLY | O_APPEND | O_CLOEXEC);
    if (appender < 0)
        return;
    char lineFeeds[4096];
    memset(lineFeeds, '\n', sizeof lineFeeds);
    for (long long left = fault->passBytes; left > 0;) {
        const size_t piece = left < (long long)sizeof lineFeeds ? (size_t)left : sizeof lineFeeds;
        const ssize_t wrote = real_write(appender, lineFeeds, piece);
        if (wrote <= 0)
            break;
        left -= wrote;
    }
    real_close(appender);
    ++hits;
}

EXPORT ssize_t read(int fd, void *buffer, size_t count)
{
    NEXT(read);
    if (armedFor("grow"))
        growBeforeRead(fd);
    if (armedFor("read")) {
        char path[4096];
        pathOfFd(fd, path, sizeof path);
        struct Fault *fault = faultFor("read", path);
        if (fault) {
            const long long budget = byteBudget(fault, count);
            if (budget < 0 && fault->error == 0)
                return 0;
            if (budget < 0) {
                errno = fault->error;
                return -1;
            }
            const ssize_t got = real_read(fd, buffer, (size_t)budget);
            if (got > 0)
                fault->passBytes -= got;
            return got;
        }
    }
    return real_read(fd, buffer, count);
}

EXPORT ssize_t write(int fd, const void *buffer, size_t count)
{
    NEXT(write);
    if (!armedFor("write") && killer.after == 0)
        return real_write(fd, buffer, count);
    char path[4096];
    pathOfFd(fd, path, sizeof path);
    struct Fault *fault = faultFor("write", path);
    ssize_t wrote;
    if (fault) {
        const long long budget = byteBudget(fault, count);
        if (budget < 0) {
            errno = fault->error;
            return -1;
        }
        wrote = real_write(fd, buffer, (size_t)budget);
        if (wrote > 0)
            fault->passBytes -= wrote;
    } else {
        wrote = real_write(fd, buffer, count);
    }
    countChange(path);
    return wrote;
}

/* A gate, for a test that acts while a file is being written: every call of one kind on a
 * matching path is counted and waits there until the test opens the gate. Armed from the process
 * itself:
 *   qbfault_hold(call, path-part)   closes the gate for fdatasync or fsync on the path
 *   qbfault_held()                  how many such calls reached it so far
 *   qbfault_release()               opens it: those waiting and all later ones go through
 */
static struct
{
    char call[32];
    char pathPart[4096];
    int armed;
    int met;
    int open;
} gate;

EXPORT void qbfault_hold(const char *call, const char *pathPart)
{
    __atomic_store_n(&gate.armed, 0, __ATOMIC_SEQ_CST);
    snprintf(gate.call, sizeof gate.call, "%s", call);
    snprintf(gate.pathPart, sizeof gate.pathPart, "%s", pathPart);
    __atomic_store_n(&gate.met, 0, __ATOMIC_SEQ_CST);
    __atomic_store_n(&gate.open, 0, __ATOMIC_SEQ_CST);
    __atomic_store_n(&gate.armed, 1, __ATOMIC_SEQ_CST);
}

EXPORT int qbfault_held(void)
{
    return __atomic_load_n(&gate.met, __ATOMIC_SEQ_CST);
}

EXPORT void qbfault_release(void)
{
    __atomic_store_n(&gate.open, 1, __ATOMIC_SEQ_CST);
}

static void passGate(const char *call, int fd)
{
    if (!__atomic_load_n(&gate.armed, __ATOMIC_SEQ_CST) || strcmp(gate.call, call) != 0)
        return;
    char path[4096];
    pathOfFd(fd, path, sizeof path);
    if (!matches(path, gate.pathPart))
        return;
    __atomic_add_fetch(&gate.met, 1, __ATOMIC_SEQ_CST);
    const struct timespec pause = {0, 1000000};
    while (!__atomic_load_n(&gate.open, __ATOMIC_SEQ_CST))
        nanosleep(&pause, NULL);
}

static int syncCall(const char *call, int fd, int (*sync)(int))
{
    passGate(call, fd);
    char path[4096] = "";
    if (faultCount > 0 || killer.after > 0)
        pathOfFd(fd, path, sizeof path);
    const struct Fault *fault = faultFor(call, path);
    if (fault)
        return failWith(fault->error);
    const int result = sync(fd);
    countChange(path);
    return result;
}

EXPORT int fdatasync(int fd)
{
    NEXT(fdatasync);
    return syncCall("fdatasync", fd, real_fdatasync);
}

EXPORT int fsync(int fd)
{
    NEXT(fsync);
    return syncCall("fsync", fd, real_fsync);
}

EXPORT int close(int fd)
{
    NEXT(close);
    if (armedFor("close")) {
        char path[4096];
        pathOfFd(fd, path, sizeof path);
        const struct Fault *fault = faultFor("close", path);
        if (fault) {
            real_close(fd);
            return failWith(fault->error);
        }
    }
    return real_close(fd);
}

EXPORT int linkat(int oldDirFd, const char *oldPath, int newDirFd, const char *newPath, int flags)
{
    NEXT(linkat);
    char path[4096] = "";
    if (faultCount > 0 || killer.after > 0)
        pathAt(newDirFd, newPath, path, sizeof path);
    const struct Fault *fault = faultFor("linkat", path);
    if (fault)
        return failWith(fault->error);
    const int result = real_linkat(oldDirFd, oldPath, newDirFd, newPath, flags);
    countChange(path);
    return result;
}

/* The errno of a rename that must fail; 0 when it goes ahead. */
static int renameFault(int newDirFd, const char *newPath, char *path, size_t size)
{
    path[0] = '\0';
    if (faultCount > 0 || killer.after > 0)
        pathAt(newDirFd, newPath, path, size);
    const struct Fault *fault = faultFor("rename", path);
    return fault ? fault->error : 0;
}

EXPORT int rename(const char *oldPath, const char *newPath)
{
    NEXT(rename);
    char path[4096];
    const int error = renameFault(AT_FDCWD, newPath, path, sizeof path);
    if (error)
        return failWith(error);
    const int result = real_rename(oldPath, newPath);
    countChange(path);
    return result;
}

EXPORT int renameat(int oldDirFd, const char *oldPath, int newDirFd, const char *newPath)
{
    NEXT(renameat);
    char path[4096];
    const int error = renameFault(newDirFd, newPath, path, sizeof path);
    if (error)
        return failWith(error);
    const int result = real_renameat(oldDirFd, oldPath, newDirFd, newPath);
    countChange(path);
    return result;
}

EXPORT int renameat2(int oldDirFd, const char *oldPath, int newDirFd, const char *newPath,
                     unsigned int flags)
{
    NEXT(renameat2);
    char path[4096];
    const int error = renameFault(newDirFd, newPath, path, sizeof path);
    if (error)
        return failWith(error);
    const int result = real_renameat2(oldDirFd, oldPath, newDirFd, newPath, flags);
    countChange(path);
    return result;
}

/* The errno of an open that must fail; 0 when it goes ahead. */
static int openFault(int dirFd, const char *name, int flags, char *path, size_t size)
{
    path[0] = '\0';
    if (faultCount == 0 && killer.after == 0)
        return 0;
    pathAt(dirFd, name, path, size);
    const struct Fault *fault = NULL;
#ifdef O_TMPFILE
    if ((flags & O_TMPFILE) == O_TMPFILE)
        fault = faultFor("tmpfile", path);
#endif
    if (!fault)
        fault = faultFor("open", path);
    return fault ? fault->error : 0;
}

static int takesMode(int flags)
{
#ifdef O_TMPFILE
    if ((flags & O_TMPFILE) == O_TMPFILE)
        return 1;
#endif
    return (flags & O_CREAT) != 0;
}

// The mode argument that open and openat take after `flags` when these create a file; a macro,
// as only the variadic function itself can read its arguments.
#define MODE_ARGUMENT(flags)                                                                       \
    __extension__({                                                                                \
        mode_t mode_ = 0;                                                                          \
        if (takesMode(flags)) {                                                                    \
            va_list args_;                                                                         \
            va_start(args_, flags);                                                                \
            mode_ = va_arg(args_, mode_t);                                                         \
            va_end(args_);                                                                         \
        }                                                                                          \
        mode_;                                                                                     \
    })

static int changes(int flags)
{
    return (flags & (O_WRONLY | O_RDWR | O_CREAT)) != 0;
}

EXPORT int openat(int dirFd, const char *name, int flags, ...)
{
    NEXT(openat);
    const mode_t mode = MODE_ARGUMENT(flags);
    char path[4096];
    const int error = openFault(dirFd, name, flags, path, sizeof path);
    if (error)
        return failWith(error);
    const int fd = real_openat(dirFd, name, flags, mode);
    if (changes(flags))
        countChange(path);
    return fd;
}

EXPORT int openat64(int dirFd, const char *name, int flags, ...)
{
    const mode_t mode = MODE_ARGUMENT(flags);
    return openat(dirFd, name, flags, mode);
}

EXPORT int open(const char *name, int flags, ...)
{
    const mode_t mode = MODE_ARGUMENT(flags);
    return openat(AT_FDCWD, name, flags, mode);
}

EXPORT int open64(const char *name, int flags, ...)
{
    const mode_t mode = MODE_ARGUMENT(flags);
    return openat(AT_FDCWD, name, flags, mode);
}

typedef int (*mkdir_fn)(const char *, mode_t);
typedef int (*mkdirat_fn)(int, const char *, mode_t);
static mkdir_fn real_mkdir;
static mkdirat_fn real_mkdirat;

/* The errno of a folder's making that must fail; 0 when it goes ahead. */
static int mkdirFault(int dirFd, const char *name)
{
    if (faultCount == 0)
        return 0;
    char path[4096];
    pathAt(dirFd, name, path, sizeof path);
    const struct Fault *fault = faultFor("mkdir", path);
    return fault ? fault->error : 0;
}

EXPORT int mkdir(const char *name, mode_t mode)
{
    NEXT(mkdir);
    const int error = mkdirFault(AT_FDCWD, name);
    return error ? failWith(error) : real_mkdir(name, mode);
}

EXPORT int mkdirat(int dirFd, const char *name, mode_t mode)
{
    NEXT(mkdirat);
    const int error = mkdirFault(dirFd, name);
    return error ? failWith(error) : real_mkdirat(dirFd, name, mode);
}
