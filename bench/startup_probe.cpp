// One measured start for bench_startup: `startup_probe bare` shows the bare main window, and
// `startup_probe quirebox [BOOK]` starts Quirebox's main window as the program does. Either
// leaves as soon as its first frame is drawn, skipping the teardown a user does not wait for, and
// prints when that was on the system's monotonic clock, in nanoseconds: the end of the process
// comes later, once the system has closed its files.
#include "BareWindow.h"

#include "app/Startup.h"
#include "platform/QtPlatform.h"

#include <QApplication>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

namespace {

// The first frame is drawn once the window is exposed and its events are handled.
[[noreturn]] void LeaveWhenDrawn(const QWidget &window)
{
    QCoreApplication::processEvents();
    const bool drawn = window.windowHandle() && window.windowHandle()->isExposed();
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::printf("%lld\n", static_cast<long long>(now.tv_sec) * 1'000'000'000 + now.tv_nsec);
    std::fflush(nullptr);
    std::_Exit(drawn ? EXIT_SUCCESS : EXIT_FAILURE);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.value(1) == QLatin1String("bare")) {
        QMainWindow window;
        qb::bench::buildBareMainWindow(window);
        window.show();
        LeaveWhenDrawn(window);
    }
    if (arguments.value(1) == QLatin1String("quirebox")) {
        qb::QtPlatform platform;
        const std::unique_ptr<QMainWindow> window = qb::startMainWindow(platform, arguments.mid(1));
        LeaveWhenDrawn(*window);
    }
    std::fputs("usage: startup_probe bare | quirebox [BOOK]\n", stderr);
    return EXIT_FAILURE;
}
