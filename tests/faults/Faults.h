#pragma once

#include <QFile>
#include <QString>

#include <dlfcn.h>

namespace qb::test {

// The switches of the qbfault library, which the test runs with preloaded; everything armed
// is disarmed when this goes.
class Faults
{
public:
    Faults()
    {
        m_arm = reinterpret_cast<Arm>(dlsym(RTLD_DEFAULT, "qbfault_arm"));
        m_disarm = reinterpret_cast<void (*)()>(dlsym(RTLD_DEFAULT, "qbfault_disarm"));
        m_hits = reinterpret_cast<int (*)()>(dlsym(RTLD_DEFAULT, "qbfault_hits"));
    }
    ~Faults()
    {
        if (loaded())
            m_disarm();
    }
    Faults(const Faults &) = delete;
    Faults &operator=(const Faults &) = delete;

    bool loaded() const { return m_arm && m_disarm && m_hits; }
    // `call` on paths containing `pathPart` fails with `error`, after `passBytes` have gone
    // through when it moves bytes (-1: at once).
    void arm(const char *call, int error, const QString &pathPart, qint64 passBytes = -1)
    {
        m_arm(call, error, QFile::encodeName(pathPart).constData(), passBytes);
    }
    void disarm() { m_disarm(); }
    int hits() const { return m_hits(); }

private:
    using Arm = void (*)(const char *, int, const char *, long long);
    Arm m_arm = nullptr;
    void (*m_disarm)() = nullptr;
    int (*m_hits)() = nullptr;
};

// For a window test run with the qbfault library preloaded: checks it is there, and keeps the
// home (the trash, the test mode's standard places) in `home`.
#define QB_FAULTS_AND_HOME_IN(home)                                                                \
    QVERIFY2(Faults().loaded(), "the test runs with the qbfault library preloaded");               \
    keepHomeIn(home)

// The qbfault gate: every sync call on a path containing a part waits there until it is
// released, so that a test can look at the disk in the middle of a write from another thread.
class SyncGate
{
public:
    SyncGate(const char *call, const QString &pathPart)
    {
        function<void(const char *, const char *)>("qbfault_hold")(
            call, QFile::encodeName(pathPart).constData());
    }
    ~SyncGate() { release(); }
    SyncGate(const SyncGate &) = delete;
    SyncGate &operator=(const SyncGate &) = delete;

    void release() const { function<void()>("qbfault_release")(); }
    // How many calls reached the gate so far.
    int held() const { return function<int()>("qbfault_held")(); }

private:
    template <typename Function> static Function *function(const char *name)
    {
        return reinterpret_cast<Function *>(dlsym(RTLD_DEFAULT, name));
    }
};

} // namespace qb::test
