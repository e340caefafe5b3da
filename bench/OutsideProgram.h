#pragma once

// A program started as a user starts it, but with its own home: HOME, TMPDIR and the XDG
// folders in a folder of the probe's, so that nothing of the user's is read or touched. What the
// system tells of it from outside (/proc): its threads' wake-ups and its processor time.

#include <sys/types.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qb::bench {

struct ThreadSwitches
{
    std::string name;
    long voluntary = 0;   // the times the thread slept, each after a wake-up
    long involuntary = 0; // the times it was preempted
};

class Program
{
public:
    // Starts `path` with `arguments` on the X display of $DISPLAY (Qt's xcb platform), its home
    // and XDG folders made under `home`, and the variables of `environment` beside them.
    Program(const std::string &path, const std::vector<std::string> &arguments,
            const std::string &home,
            const std::vector<std::pair<std::string, std::string>> &environment = {});
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    pid_t pid() const { return m_pid; }
    // Fails the probe, with the program's output, when it has ended.
    void checkAlive();
    // SIGTERM, then SIGKILL when it has not ended within 10 s.
    void stop();
    // User and system time of all its threads, in seconds.
    double cpuSeconds() const;
    // Each thread's context switches, by thread id.
    std::map<pid_t, ThreadSwitches> threads() const;
    // The voluntary switches of its main thread, the window's.
    long mainSleeps() const;

private:
    pid_t m_pid = 0;
    std::string m_log;
};

// A new folder in $TMPDIR (or /tmp), removed with its contents by removeTree.
std::string makeScratchDir(const std::string &what);
void removeTree(const std::string &path);

// A scratch folder removed with its contents when it goes.
struct ScratchDir
{
    explicit ScratchDir(const std::string &what) : path(makeScratchDir(what)) {}
    ~ScratchDir() { removeTree(path); }
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;
    const std::string path;
};

} // namespace qb::bench
