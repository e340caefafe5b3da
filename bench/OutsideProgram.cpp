#include "OutsideProgram.h"

#include "OutsideX.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace qb::bench {

namespace {

// What would lead the program to the user's own files and services.
bool isUsersOwn(const std::string &entry)
{
    static const char *const kNames[] = {"HOME=",           "TMPDIR=",          "XDG_",
                                         "DBUS_",           "SESSION_MANAGER=", "QB_HUNSPELL_DIR=",
                                         "QT_QPA_PLATFORM="};
    for (const char *name : kNames) {
        if (entry.rfind(name, 0) == 0)
            return true;
    }
    return false;
}

std::string readFile(const std::string &path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

long fieldOf(const std::string &status, const std::string &name)
{
    const std::size_t at = status.find("\n" + name + ":");
    return at == std::string::npos ? 0 : std::atol(status.c_str() + at + name.size() + 2);
}

} // namespace

std::string makeScratchDir(const std::string &what)
{
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + what + "-XXXXXX";
    if (!mkdtemp(pattern.data()))
        fail("cannot make a scratch folder");
    return pattern;
}

void removeTree(const std::string &path)
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

Program::Program(const std::string &path, const std::vector<std::string> &arguments,
                 const std::string &home,
                 const std::vector<std::pair<std::string, std::string>> &environment)
    : m_log(home + "/program.log")
{
    std::vector<std::string> variables;
    for (char **entry = environ; *entry; ++entry) {
        if (!isUsersOwn(*entry))
            variables.emplace_back(*entry);
    }
    const std::pair<const char *, const char *> folders[] = {
        {"HOME", "home"},
        {"TMPDIR", "tmp"},
        {"XDG_CONFIG_HOME", "home/.config"},
        {"XDG_DATA_HOME", "home/.local/share"},
        {"XDG_STATE_HOME", "home/.local/state"},
        {"XDG_CACHE_HOME", "home/.cache"},
        {"XDG_RUNTIME_DIR", "runtime"}};
    for (const auto &[name, folder] : folders) {
        const std::string dir = home + "/" + folder;
        std::filesystem::create_directories(dir);
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
        variables.push_back(std::string(name) + "=" + dir);
    }
    variables.emplace_back("QT_QPA_PLATFORM=xcb");
    for (const auto &[name, value] : environment)
        variables.push_back(name + "=" + value);

    std::vector<char *> argv{const_cast<char *>(path.c_str())};
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char *> envp;
    for (std::string &variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    const int log = open(m_log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (log < 0)
        fail("cannot write " + m_log);
    m_pid = fork();
    if (m_pid < 0)
        fail("cannot start " + path);
    if (m_pid == 0) {
        dup2(log, STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
        const int nothing = open("/dev/null", O_RDONLY);
        dup2(nothing, STDIN_FILENO);
        if (chdir(home.c_str()) != 0)
            _exit(126);
        execve(path.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    close(log);
}

Program::~Program()
{
    stop();
}

void Program::checkAlive()
{
    if (m_pid <= 0)
        fail("the program is not running");
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) != m_pid)
        return;
    m_pid = 0;
    fail("the program ended (status " + std::to_string(status) + "); its output:\n" +
         readFile(m_log));
}

void Program::stop()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    for (int tries = 0; tries < 1000; ++tries) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = 0;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    m_pid = 0;
}

double Program::cpuSeconds() const
{
    const std::string stat = readFile("/proc/" + std::to_string(m_pid) + "/stat");
    // The fields after the name, which may hold blanks and ends with the last ')'.
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14 || index == 15)
            ticks += std::atof(field.c_str());
    }
    return ticks / double(sysconf(_SC_CLK_TCK));
}

long Program::mainSleeps() const
{
    const std::string id = std::to_string(m_pid);
    return fieldOf(readFile("/proc/" + id + "/task/" + id + "/status"), "voluntary_ctxt_switches");
}

std::map<pid_t, ThreadSwitches> Program::threads() const
{
    std::map<pid_t, ThreadSwitches> threads;
    const std::string tasks = "/proc/" + std::to_string(m_pid) + "/task";
    std::error_code error;
    for (const auto &task : std::filesystem::directory_iterator(tasks, error)) {
        const std::string dir = task.path().string();
        const std::string status = readFile(dir + "/status");
        if (status.empty())
            continue; // ended meanwhile
        std::string name = readFile(dir + "/comm");
        if (!name.empty() && name.back() == '\n')
            name.pop_back();
        threads[pid_t(std::atol(task.path().filename().c_str()))] = {
            name, fieldOf(status, "voluntary_ctxt_switches"),
            fieldOf(status, "nonvoluntary_ctxt_switches")};
    }
    return threads;
}

} // namespace qb::bench
