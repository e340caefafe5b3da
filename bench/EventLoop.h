#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace qb::bench {

// Runs the window's events for `ms` milliseconds, sleeping while there are none.
inline void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the window's events until `done` holds, asked at least every `pollMs` milliseconds;
// returns the milliseconds it took.
inline double runUntil(const std::function<bool()> &done, int pollMs = 5)
{
    QElapsedTimer clock;
    clock.start();
    QTimer poll; // wakes the loop now and then, whatever else happens
    poll.start(pollMs);
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace qb::bench
