#pragma once

#include <QString>

namespace qb {

// How large a note may be before opening it asks first, and before it cannot be opened at all.
struct NoteSizeLimits
{
    qint64 askAbove = 0;
    qint64 refuseAbove = 0;

    // The limits on this machine: see NoteSize.cpp for how they were chosen.
    static NoteSizeLimits forThisMachine();
};

enum class NoteSizeVerdict { Open, Ask, Refuse };

NoteSizeVerdict judgeNoteSize(qint64 size, const NoteSizeLimits &limits);

// "The file "<path>" holds 120 MiB. ..." and the question whether to open it.
QString largeNoteQuestion(const QString &path, qint64 size);
// Why a note of `size` bytes cannot be opened.
QString tooLargeNoteReason(qint64 size);

} // namespace qb
