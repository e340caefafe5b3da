#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace qb::bench {

// The window's thread as the user meets it: a timer due every 10 ms, and how late each came.
class Lateness
{
public:
    Lateness()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            m_late.append(std::max(0.0, double(m_since.nsecsElapsed()) / 1e6 - 10));
            m_since.start();
        });
    }
    void start()
    {
        m_late.clear();
        m_since.start();
        m_timer.start(10);
    }
    // The worst and the 99th percentile since start(), in milliseconds.
    std::pair<double, double> stop()
    {
        m_timer.stop();
        // A stall not yet ended by a timeout counts too.
        m_late.append(std::max(0.0, double(m_since.nsecsElapsed()) / 1e6 - 10));
        std::sort(m_late.begin(), m_late.end());
        const qsizetype p99 = std::min(m_late.size() - 1, qsizetype(0.99 * double(m_late.size())));
        return {m_late.constLast(), m_late.at(p99)};
    }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    QList<double> m_late;
};

} // namespace qb::bench
