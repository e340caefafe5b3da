#pragma once

// The X server's side of a program as its user meets it: real keys sent through XTest, the
// repaints of its windows as the server's damage events, and how soon its window thread answers
// the window manager's _NET_WM_PING. Kept apart from Qt's headers, whose names Xlib's macros
// (None, KeyPress, Bool...) would break.

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace qb::bench {

// Nanoseconds on the system's monotonic clock.
std::int64_t nowNs();
inline constexpr std::int64_t kMs = 1'000'000;

// What did not happen: the probe ends with it, its programs stopped and its files removed, and
// prints no figure for it.
struct Failure : std::runtime_error
{
    using std::runtime_error::runtime_error;
};
[[noreturn]] void fail(const std::string &why);

struct DamageSeen
{
    std::int64_t at = 0; // when the probe read the event
    unsigned long window = 0;
    int x = 0, y = 0, width = 0, height = 0;
};

struct PingFigures
{
    double worst = 0;           // milliseconds from a ping sent to its answer read
    std::int64_t worstSent = 0; // when the worst was sent
    double p99 = 0;
    double median = 0;
    int count = 0;
};

class XWatch
{
public:
    // Connects to $DISPLAY; fails without the XTest and DAMAGE extensions.
    XWatch();
    ~XWatch();
    XWatch(const XWatch &) = delete;
    XWatch &operator=(const XWatch &) = delete;

    // The process whose top-level windows are watched (their damage, the main one's pings);
    // forgets the windows of the one before.
    void watchProcess(pid_t pid);
    // Whether the probe gives the focus to each window of the process mapped, and back to the
    // main window when one goes, as a window manager does (on by default).
    void setFocusFollowsMaps(bool follow) { m_focusFollowsMaps = follow; }

    // Waits for a mapped top-level window of the process named `name` (the first one that is
    // not a dialog's when empty); fails after `timeoutNs`.
    unsigned long waitForWindow(const std::string &name, std::int64_t timeoutNs);
    unsigned long mainWindow() const { return m_main; }
    bool isMapped(unsigned long window) const;
    void focus(unsigned long window);
    // A bare window of the probe's own, mapped and focused, so that the program's is not.
    unsigned long makeOwnWindow();

    // Sends `key` (an X keysym name: "a", "End", "Return"...) pressed and released, with the
    // modifiers held around it; returns when the press was sent.
    std::int64_t key(const std::string &keysym, std::initializer_list<const char *> held = {});
    // Types `text` (letters, digits, blanks), a key every `gapNs`.
    void typeText(const std::string &text, std::int64_t gapNs);

    // Pings the main window every 10 ms from now on.
    void startPings();
    void stopPings();
    // The answers to the pings sent in [fromNs, toNs], waiting up to 10 s for the last ones.
    PingFigures pingFigures(std::int64_t fromNs, std::int64_t toNs);
    // Whether every ping sent since `sinceNs` was answered, or is still awaited, within `withinNs`.
    bool pingsOnTime(std::int64_t sinceNs, std::int64_t withinNs);

    // Reads the server's events and sends the pings due until `done` holds or `deadlineNs`
    // passes; false on the deadline. Calls checkAlive every 0.1 s.
    bool runUntil(const std::function<bool()> &done, std::int64_t deadlineNs);
    void runFor(std::int64_t ns);

    // Every repaint of the process's windows seen, in order; the caret's blinks left out.
    const std::vector<DamageSeen> &damages() const { return m_damages; }
    std::optional<std::int64_t> firstDamageAfter(std::int64_t sinceNs) const;
    std::optional<std::int64_t> lastDamageBefore(std::int64_t untilNs) const;
    // The first repaint after `sinceNs`; fails when none comes within 10 s.
    std::int64_t waitFirstDamage(std::int64_t sinceNs, const std::string &what);
    // The last repaint before the windows stay unpainted for `quietNs`, with every ping of that
    // time answered within 50 ms and `alsoIdle` holding; fails when that does not happen within
    // `timeoutNs`. Returns `sinceNs` when nothing was painted.
    std::int64_t waitQuiet(
        std::int64_t sinceNs, std::int64_t quietNs, std::int64_t timeoutNs, const std::string &what,
        const std::function<bool()> &alsoIdle = [] { return true; });
    // How many pixels (0xRRGGBB) of `window` are `counted`, in its rows from the share `top` of
    // its height to the share `bottom`.
    long countPixels(unsigned long window, double top, double bottom,
                     const std::function<bool(unsigned)> &counted);
    // A digest of the pixels of `window`, to tell whether it shows something else.
    std::uint64_t pixelDigest(unsigned long window);

    // Prints every repaint seen, the caret's too.
    bool trace = false;
    // Called while waiting: fails the probe when the program is gone.
    std::function<void()> checkAlive = [] {};

private:
    struct Impl;
    void handlePending();
    void sendPingIfDue();

    std::unique_ptr<Impl> m_x;
    pid_t m_pid = 0;
    unsigned long m_main = 0;
    bool m_focusFollowsMaps = true;
    std::vector<DamageSeen> m_damages;
    struct Ping
    {
        std::int64_t sent = 0;
        std::int64_t answered = -1;
    };
    std::vector<Ping> m_pings; // the ping numbered n is m_pings[n - 1]
    bool m_pinging = false;
    std::int64_t m_nextPing = 0;
};

} // namespace qb::bench
