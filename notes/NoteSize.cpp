#include "notes/NoteSize.h"

#include "platform/Allocator.h"
#include "platform/SizeText.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

constexpr qint64 kMiB = 1024 * 1024;

// A shown note costs the editor about eleven bytes of memory for each byte of the file (its text
// in UTF-16, the layout of every line), measured on notes of 16 to 128 MiB.
constexpr qint64 kMemoryPerNoteByte = 11;

// Above this a note takes seconds to open and most of a GiB of memory: the user should choose.
constexpr qint64 kAskAbove = 64 * kMiB;

// The editor addresses its text with 32-bit positions: a note of more UTF-16 units cannot be
// held at all, and one byte of a file can be one unit.
constexpr qint64 kEditorLimit = 2047 * kMiB;

} // namespace

NoteSizeLimits NoteSizeLimits::forThisMachine()
{
    const qint64 memory = physicalMemoryBytes();
    qint64 refuseAbove = kEditorLimit;
    if (memory > 0)
        refuseAbove = std::min(refuseAbove, memory / kMemoryPerNoteByte);
    return {std::min(kAskAbove, refuseAbove), refuseAbove};
}

NoteSizeVerdict judgeNoteSize(qint64 size, const NoteSizeLimits &limits)
{
    if (size > limits.refuseAbove)
        return NoteSizeVerdict::Refuse;
    if (size > limits.askAbove)
        return NoteSizeVerdict::Ask;
    return NoteSizeVerdict::Open;
}

QString largeNoteQuestion(const QString &path, qint64 size)
{
    return u"The file \""_s + path + u"\" holds "_s + sizeText(size) +
           u". A note this large takes a while to open and needs much memory.\r\n"
           "Open it anyway?"_s;
}

QString tooLargeNoteReason(qint64 size)
{
    return u"The file holds "_s + sizeText(size) +
           u", more than this computer's memory can show in the editor."_s;
}

} // namespace qb
