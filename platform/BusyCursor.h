#pragma once

#include <QCursor>
#include <QGuiApplication>

namespace qb {

// Work on a note of this size or more takes long enough to show that the program is busy.
inline constexpr qint64 BusyAboveBytes = 2 * 1024 * 1024;

// Shows the busy cursor for as long as it lives, when `busy` is set.
class BusyCursor
{
public:
    explicit BusyCursor(bool busy = true) : m_busy(busy)
    {
        if (m_busy)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyCursor()
    {
        if (m_busy)
            QGuiApplication::restoreOverrideCursor();
    }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

private:
    bool m_busy;
};

} // namespace qb
