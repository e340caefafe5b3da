#pragma once

#include "platform/Allocator.h"

#include <QCursor>
#include <QGuiApplication>

namespace qb {

// Work on a note of this size or more takes long enough to show that the program is busy.
inline constexpr qint64 kLongCommandBytes = 2 * 1024 * 1024;

// A command on a large note: the busy cursor shows while it lives, and the memory it freed goes
// back to the system when it ends. Does nothing when `large` is false.
class LongCommand
{
public:
    explicit LongCommand(bool large) : m_large(large)
    {
        if (m_large)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~LongCommand()
    {
        if (!m_large)
            return;
        QGuiApplication::restoreOverrideCursor();
        releaseFreedMemory();
    }
    LongCommand(const LongCommand &) = delete;
    LongCommand &operator=(const LongCommand &) = delete;

private:
    bool m_large;
};

} // namespace qb
