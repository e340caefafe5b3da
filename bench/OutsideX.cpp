#include "OutsideX.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <poll.h>

namespace qb::bench {

std::int64_t nowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

void fail(const std::string &why)
{
    throw Failure(why);
}

namespace {

constexpr std::int64_t kPingPeriod = 10 * kMs;
// A blinking caret repaints a strip a few pixels wide around it; every other repaint a key
// makes (the line typed into, the status bar, a list) is wider.
constexpr int kCaretStripWidth = 12;

// Windows go while the probe asks about them: their errors are expected and ignored.
int ignoreErrors(Display *, XErrorEvent *)
{
    return 0;
}

} // namespace

struct XWatch::Impl
{
    Display *display = nullptr;
    Window root = 0;
    int damageEvent = 0;
    Atom protocols = 0, ping = 0, pid = 0, netName = 0, utf8 = 0;
    struct Watched
    {
        Damage damage = 0;
        bool mapped = false;
        bool dialog = false;
    };
    std::map<Window, Watched> windows;
    Window own = 0;

    pid_t pidOf(Window window) const
    {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char *data = nullptr;
        pid_t found = 0;
        if (XGetWindowProperty(display, window, pid, 0, 1, False, XA_CARDINAL, &type, &format,
                               &items, &after, &data) == Success &&
            data && format == 32 && items == 1)
            found = pid_t(*reinterpret_cast<unsigned long *>(data));
        if (data)
            XFree(data);
        return found;
    }

    std::string nameOf(Window window) const
    {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char *data = nullptr;
        std::string name;
        if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format,
                               &items, &after, &data) == Success &&
            data && format == 8)
            name.assign(reinterpret_cast<const char *>(data), items);
        if (data)
            XFree(data);
        return name;
    }

    bool isDialog(Window window) const
    {
        Window owner = 0;
        return XGetTransientForHint(display, window, &owner) != 0 && owner != 0;
    }
};

XWatch::XWatch() : m_x(std::make_unique<Impl>())
{
    Impl &x = *m_x;
    x.display = XOpenDisplay(nullptr);
    if (!x.display)
        fail("cannot connect to the X server of $DISPLAY");
    XSetErrorHandler(ignoreErrors);
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(x.display, &event, &error, &major, &minor))
        fail("the X server has no XTest extension");
    if (!XDamageQueryExtension(x.display, &x.damageEvent, &error))
        fail("the X server has no DAMAGE extension");
    XDamageQueryVersion(x.display, &major, &minor);
    x.root = DefaultRootWindow(x.display);
    x.protocols = XInternAtom(x.display, "WM_PROTOCOLS", False);
    x.ping = XInternAtom(x.display, "_NET_WM_PING", False);
    x.pid = XInternAtom(x.display, "_NET_WM_PID", False);
    x.netName = XInternAtom(x.display, "_NET_WM_NAME", False);
    x.utf8 = XInternAtom(x.display, "UTF8_STRING", False);
    // Windows mapped and gone; and the pings' answers, which Qt sends to the root window for
    // the clients that select its structure's events or redirect its substructure's (as a
    // window manager does, which the probe does not).
    XSelectInput(x.display, x.root, SubstructureNotifyMask | StructureNotifyMask);
    XSync(x.display, False);
}

XWatch::~XWatch()
{
    XCloseDisplay(m_x->display);
}

void XWatch::watchProcess(pid_t pid)
{
    handlePending();
    for (auto &[window, watched] : m_x->windows) {
        if (watched.damage)
            XDamageDestroy(m_x->display, watched.damage);
    }
    m_x->windows.clear();
    m_pid = pid;
    m_main = 0;
    m_damages.clear();
    m_pings.clear();
    XSync(m_x->display, False);
}

bool XWatch::isMapped(unsigned long window) const
{
    const auto found = m_x->windows.find(window);
    return found != m_x->windows.end() && found->second.mapped;
}

void XWatch::focus(unsigned long window)
{
    XSetInputFocus(m_x->display, window, RevertToParent, CurrentTime);
    XFlush(m_x->display);
}

unsigned long XWatch::makeOwnWindow()
{
    Impl &x = *m_x;
    if (!x.own) {
        x.own = XCreateSimpleWindow(x.display, x.root, 600, 400, 200, 100, 0, 0, 0);
        XStoreName(x.display, x.own, "outside_probe");
        XMapWindow(x.display, x.own);
        XSync(x.display, False);
    }
    focus(x.own);
    return x.own;
}

void XWatch::handlePending()
{
    Impl &x = *m_x;
    while (XPending(x.display) > 0) {
        XEvent event;
        XNextEvent(x.display, &event);
        const std::int64_t at = nowNs();
        if (event.type == x.damageEvent + XDamageNotify) {
            const auto &damage = reinterpret_cast<const XDamageNotifyEvent &>(event);
            const auto found = x.windows.find(damage.drawable);
            if (found == x.windows.end())
                continue;
            if (trace)
                std::fprintf(stderr, "damage %.3f ms  window 0x%lx  %dx%d at %d,%d\n",
                             double(at) / 1e6, damage.drawable, damage.area.width,
                             damage.area.height, damage.area.x, damage.area.y);
            if (damage.area.width > kCaretStripWidth)
                m_damages.push_back({at, damage.drawable, damage.area.x, damage.area.y,
                                     damage.area.width, damage.area.height});
            if (!damage.more)
                XDamageSubtract(x.display, found->second.damage, 0, 0);
            continue;
        }
        switch (event.type) {
        case ClientMessage: {
            const XClientMessageEvent &message = event.xclient;
            if (message.window != x.root || message.message_type != x.protocols ||
                Atom(message.data.l[0]) != x.ping)
                break;
            const std::size_t number = std::size_t(message.data.l[1]);
            if (number >= 1 && number <= m_pings.size() && m_pings[number - 1].answered < 0)
                m_pings[number - 1].answered = at;
            break;
        }
        case MapNotify: {
            const Window window = event.xmap.window;
            if (event.xmap.override_redirect || m_pid == 0 || x.pidOf(window) != m_pid)
                break;
            Impl::Watched &watched = x.windows[window];
            watched.mapped = true;
            watched.dialog = x.isDialog(window);
            if (!watched.damage)
                watched.damage = XDamageCreate(x.display, window, XDamageReportRawRectangles);
            if (!m_main && !watched.dialog)
                m_main = window;
            if (trace)
                std::fprintf(stderr, "mapped 0x%lx \"%s\"%s\n", window, x.nameOf(window).c_str(),
                             window == m_main ? ", the main window" : "");
            if (m_focusFollowsMaps)
                focus(window);
            break;
        }
        case UnmapNotify: {
            const auto found = x.windows.find(event.xunmap.window);
            if (found == x.windows.end())
                break;
            found->second.mapped = false;
            if (trace)
                std::fprintf(stderr, "unmapped 0x%lx\n", event.xunmap.window);
            if (m_focusFollowsMaps && m_main && isMapped(m_main))
                focus(m_main);
            break;
        }
        case DestroyNotify:
            // The server frees the window's damage with it.
            x.windows.erase(event.xdestroywindow.window);
            if (event.xdestroywindow.window == m_main)
                m_main = 0;
            break;
        default:
            break;
        }
    }
}

void XWatch::sendPingIfDue()
{
    if (!m_pinging || !m_main || nowNs() < m_nextPing)
        return;
    Impl &x = *m_x;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = m_main;
    event.xclient.message_type = x.protocols;
    event.xclient.format = 32;
    // The time field carries the ping's number: Qt sends it back as it came.
    event.xclient.data.l[0] = long(x.ping);
    event.xclient.data.l[1] = long(m_pings.size() + 1);
    event.xclient.data.l[2] = long(m_main);
    const std::int64_t sent = nowNs();
    XSendEvent(x.display, m_main, False, NoEventMask, &event);
    XFlush(x.display);
    m_pings.push_back({sent, -1});
    m_nextPing = std::max(m_nextPing + kPingPeriod, sent + kPingPeriod / 2);
}

bool XWatch::runUntil(const std::function<bool()> &done, std::int64_t deadlineNs)
{
    Impl &x = *m_x;
    std::int64_t nextCheck = 0;
    for (;;) {
        handlePending();
        sendPingIfDue();
        if (done())
            return true;
        const std::int64_t now = nowNs();
        if (now >= deadlineNs)
            return false;
        if (now >= nextCheck) {
            checkAlive();
            nextCheck = now + 100 * kMs;
        }
        std::int64_t wake = std::min(deadlineNs, now + 5 * kMs);
        if (m_pinging)
            wake = std::min(wake, m_nextPing);
        pollfd connection{ConnectionNumber(x.display), POLLIN, 0};
        const int waitMs = int(std::max<std::int64_t>(0, (wake - now + kMs - 1) / kMs));
        if (XPending(x.display) == 0)
            poll(&connection, 1, waitMs);
    }
}

void XWatch::runFor(std::int64_t ns)
{
    runUntil([] { return false; }, nowNs() + ns);
}

unsigned long XWatch::waitForWindow(const std::string &name, std::int64_t timeoutNs)
{
    unsigned long found = 0;
    const bool shown = runUntil(
        [&] {
            for (const auto &[window, watched] : m_x->windows) {
                if (!watched.mapped)
                    continue;
                if (name.empty() ? window == m_main : m_x->nameOf(window) == name) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        nowNs() + timeoutNs);
    if (!shown) {
        std::string mapped;
        for (const auto &[window, watched] : m_x->windows) {
            if (watched.mapped)
                mapped += " \"" + m_x->nameOf(window) + "\"";
        }
        fail((name.empty() ? "the program showed no window"
                           : "the program showed no window named \"" + name + "\"") +
             "; its windows:" + mapped);
    }
    return found;
}

std::int64_t XWatch::key(const std::string &keysym, std::initializer_list<const char *> held)
{
    Display *display = m_x->display;
    const auto code = [&](const char *name) {
        const KeySym symbol = XStringToKeysym(name);
        const KeyCode keyCode = symbol == NoSymbol ? 0 : XKeysymToKeycode(display, symbol);
        if (!keyCode)
            fail(std::string("no key for the keysym ") + name);
        return keyCode;
    };
    const KeyCode main = code(keysym.c_str());
    for (const char *modifier : held)
        XTestFakeKeyEvent(display, code(modifier), True, CurrentTime);
    const std::int64_t sent = nowNs();
    if (trace)
        std::fprintf(stderr, "key %s %.3f ms\n", keysym.c_str(), double(sent) / 1e6);
    XTestFakeKeyEvent(display, main, True, CurrentTime);
    XFlush(display);
    XTestFakeKeyEvent(display, main, False, CurrentTime);
    for (const char *modifier : held)
        XTestFakeKeyEvent(display, code(modifier), False, CurrentTime);
    XFlush(display);
    return sent;
}

void XWatch::typeText(const std::string &text, std::int64_t gapNs)
{
    for (const char c : text) {
        key(c == ' ' ? std::string("space") : std::string(1, c));
        runFor(gapNs);
    }
}

void XWatch::startPings()
{
    m_pinging = true;
    m_nextPing = nowNs();
    sendPingIfDue();
}

void XWatch::stopPings()
{
    m_pinging = false;
}

PingFigures XWatch::pingFigures(std::int64_t fromNs, std::int64_t toNs)
{
    const auto answered = [&] {
        return std::all_of(m_pings.begin(), m_pings.end(), [&](const Ping &ping) {
            return ping.sent < fromNs || ping.sent > toNs || ping.answered >= 0;
        });
    };
    if (!runUntil(answered, nowNs() + 10'000 * kMs))
        fail("the window answered no ping for 10 s");
    std::vector<double> late;
    std::int64_t worstSent = 0, worst = -1;
    for (const Ping &ping : m_pings) {
        if (ping.sent < fromNs || ping.sent > toNs)
            continue;
        late.push_back(double(ping.answered - ping.sent) / 1e6);
        if (ping.answered - ping.sent > worst) {
            worst = ping.answered - ping.sent;
            worstSent = ping.sent;
        }
    }
    if (late.empty())
        fail("no ping was sent in the period measured");
    std::sort(late.begin(), late.end());
    const auto at = [&](double share) {
        return late[std::min(late.size() - 1, std::size_t(share * double(late.size())))];
    };
    return {late.back(), worstSent, at(0.99), at(0.5), int(late.size())};
}

bool XWatch::pingsOnTime(std::int64_t sinceNs, std::int64_t withinNs)
{
    const std::int64_t now = nowNs();
    return std::all_of(m_pings.begin(), m_pings.end(), [&](const Ping &ping) {
        if (ping.sent < sinceNs)
            return true;
        return ping.answered >= 0 ? ping.answered - ping.sent <= withinNs
                                  : now - ping.sent <= withinNs;
    });
}

std::optional<std::int64_t> XWatch::firstDamageAfter(std::int64_t sinceNs) const
{
    const auto found = std::find_if(m_damages.begin(), m_damages.end(),
                                    [&](const DamageSeen &damage) { return damage.at >= sinceNs; });
    if (found == m_damages.end())
        return std::nullopt;
    return found->at;
}

std::optional<std::int64_t> XWatch::lastDamageBefore(std::int64_t untilNs) const
{
    const auto found = std::find_if(m_damages.rbegin(), m_damages.rend(),
                                    [&](const DamageSeen &damage) { return damage.at < untilNs; });
    if (found == m_damages.rend())
        return std::nullopt;
    return found->at;
}

std::int64_t XWatch::waitFirstDamage(std::int64_t sinceNs, const std::string &what)
{
    if (!runUntil([&] { return firstDamageAfter(sinceNs).has_value(); }, sinceNs + 10'000 * kMs))
        fail("no repaint within 10 s of " + what);
    return *firstDamageAfter(sinceNs);
}

std::int64_t XWatch::waitQuiet(std::int64_t sinceNs, std::int64_t quietNs, std::int64_t timeoutNs,
                               const std::string &what, const std::function<bool()> &alsoIdle)
{
    const auto quiet = [&] {
        const std::int64_t now = nowNs();
        const std::int64_t last = lastDamageBefore(now).value_or(sinceNs);
        // Asked every time, so that it can keep its own samples.
        const bool idle = alsoIdle();
        return now - std::max(last, sinceNs) >= quietNs && pingsOnTime(now - quietNs, 50 * kMs) &&
               idle;
    };
    if (!runUntil(quiet, sinceNs + timeoutNs)) {
        const auto answered = std::count_if(m_pings.begin(), m_pings.end(),
                                            [](const Ping &ping) { return ping.answered >= 0; });
        fail("the window did not settle within " + std::to_string(timeoutNs / 1'000'000'000) +
             " s of " + what + " (pings sent " + std::to_string(m_pings.size()) + ", answered " +
             std::to_string(answered) + "; the program " + (alsoIdle() ? "idle" : "busy") + ")");
    }
    return std::max(sinceNs, lastDamageBefore(nowNs()).value_or(sinceNs));
}

namespace {

// Each pixel of `window` in its rows [top, bottom) as 0xRRGGBB, handed to `take`; a TrueColor
// visual is assumed, as Xvfb's 24-bit screen has.
template <typename Take>
void forEachPixel(Display *display, Window window, double top, double bottom, Take take)
{
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes))
        fail("the window to read is gone");
    XImage *image = XGetImage(display, window, 0, 0, unsigned(attributes.width),
                              unsigned(attributes.height), AllPlanes, ZPixmap);
    if (!image)
        fail("cannot read the window's pixels");
    for (int y = int(top * image->height); y < int(bottom * image->height); ++y) {
        for (int x = 0; x < image->width; ++x)
            take(unsigned(XGetPixel(image, x, y) & 0xFFFFFF));
    }
    XDestroyImage(image);
}

} // namespace

long XWatch::countPixels(unsigned long window, double top, double bottom,
                         const std::function<bool(unsigned)> &counted)
{
    long count = 0;
    forEachPixel(m_x->display, window, top, bottom,
                 [&](unsigned pixel) { count += counted(pixel) ? 1 : 0; });
    return count;
}

std::uint64_t XWatch::pixelDigest(unsigned long window)
{
    std::uint64_t digest = 14695981039346656037ULL; // FNV-1a
    forEachPixel(m_x->display, window, 0, 1,
                 [&](unsigned pixel) { digest = (digest ^ pixel) * 1099511628211ULL; });
    return digest;
}

} // namespace qb::bench
