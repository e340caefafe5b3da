#pragma once

#include "platform/SafeFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace qb {

// A save that was cut short between writing its temporary file and putting it in the note's
// place (the program killed, the power lost) leaves that file beside the note, hidden, with the
// newest text: ".qbsave-XXXXXX-<note file name>", the name cut short to fit 255 bytes.
struct SaveLeftover
{
    // The file as the system names it. A name cut inside a character has no spelling as text,
    // so the functions below take the leftover itself.
    QByteArray systemPath;
    QString path;     // for showing; a character cut in two shows as U+FFFD
    QString notePath; // the file it was saved for; empty when a cut-short name fits no file or
                      // several. The file may be gone: a new note whose creation was cut short.
    QDateTime modified;
    qint64 size = 0;
};

struct SaveLeftoverListing
{
    QList<SaveLeftover> leftovers; // oldest first
    QString error;                 // why the folder could not be read (fully)
};

// A leftover written this recently may be a save still running in another instance of the
// program, and is not listed.
inline constexpr qint64 kLeftoverSettleSeconds = 10;

// The leftovers of saves directly inside `dirPath`. Nothing is removed or changed.
SaveLeftoverListing findSaveLeftovers(const QString &dirPath);
// Those of each folder of `dirPaths`, in that order; given up (nothing returned) as soon as the
// folders together show more than `mostEntries` entries, or `stop` says so: a book of few notes
// is told from a large one at the cost of looking through the few.
std::optional<QList<SaveLeftoverListing>> findSaveLeftovers(const QStringList &dirPaths,
                                                            qsizetype mostEntries,
                                                            const std::function<bool()> &stop = {});

struct LeftoverCheck
{
    enum class Outcome { Same, Different, Unreadable };
    Outcome outcome = Outcome::Different;
    QString error; // why one of the two could not be read, for Unreadable
};

// Whether the leftover holds the very bytes its note holds, so that it can go unasked. A note
// that is gone, or a leftover that fits no note, is Different.
LeftoverCheck compareLeftover(const SaveLeftover &leftover);

// The leftover's bytes, to offer them back; refused above `largest` bytes, as readWholeFile
// refuses a file: tooLarge, with its size.
ReadResult readSaveLeftover(const SaveLeftover &leftover, qint64 largest);

// Removes the leftover, once the user chose to (or compareLeftover found it the same as its
// note). A file that is not a save's temporary file is refused.
FileError removeSaveLeftover(const SaveLeftover &leftover);

} // namespace qb
