#pragma once

// Timing keys from the moment the window system would post them to the end of the editor's
// next paint, which is what a user waits for.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace qb::bench {

// A probe runs on the offscreen platform unless told otherwise.
inline void useOffscreenUnlessTold()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

// Stamps the end of each paint of the editor's viewport.
class PaintClock final : public QObject
{
public:
    explicit PaintClock(QWidget *viewport) : m_viewport(viewport)
    {
        viewport->installEventFilter(this);
    }
    qint64 lastPaintNs = -1;
    qint64 paintingNs = 0; // the time spent painting, all paints together
    QElapsedTimer clock;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_viewport || event->type() != QEvent::Paint)
            return false;
        m_viewport->removeEventFilter(this);
        const qint64 start = clock.nsecsElapsed();
        QCoreApplication::sendEvent(m_viewport, event);
        m_viewport->installEventFilter(this);
        lastPaintNs = clock.nsecsElapsed();
        paintingNs += lastPaintNs - start;
        return true;
    }

private:
    QWidget *m_viewport;
};

inline void wait(int ms)
{
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, ms);
}

// Types `keys` keys, a letter then Backspace so that the note stays as it is, and returns each
// key's latency in milliseconds. `beforeKey` runs before each key is posted.
inline QList<double> type(
    QPlainTextEdit *editor, PaintClock &paints, int keys,
    const std::function<void()> &beforeKey = [] {})
{
    QList<double> latencies;
    for (int k = 0; k < keys; ++k) {
        wait(40);
        beforeKey();
        const bool letter = k % 2 == 0;
        const int key = letter ? Qt::Key_A : Qt::Key_Backspace;
        const QString text = letter ? QStringLiteral("a") : QString();
        paints.lastPaintNs = -1;
        const qint64 posted = paints.clock.nsecsElapsed();
        QCoreApplication::postEvent(editor, new QKeyEvent(QEvent::KeyPress, key, {}, text));
        QCoreApplication::postEvent(editor, new QKeyEvent(QEvent::KeyRelease, key, {}, text));
        while (paints.lastPaintNs < 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        latencies.append(double(paints.lastPaintNs - posted) / 1e6);
    }
    return latencies;
}

inline void report(const char *what, QList<double> latencies)
{
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double share) {
        return latencies.at(std::min(latencies.size() - 1, qsizetype(share * latencies.size())));
    };
    std::printf(
        "%-34s median %6.2f  p90 %6.2f  p95 %6.2f  p99 %6.2f  worst %6.2f ms  (%lld keys)\n", what,
        at(0.5), at(0.9), at(0.95), at(0.99), latencies.constLast(),
        static_cast<long long>(latencies.size()));
}

} // namespace qb::bench
