#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringView>
#include <QTime>

#include <optional>

namespace qb {

class NoteListing;

// The programs that keep a second version of a file two machines changed, beside it, under a
// name of their own making.
enum class SyncTool { Syncthing, Nextcloud, Dropbox, PCloud, Resilio };

// "Syncthing", "Nextcloud or ownCloud", ...: as the notice bar names them.
QString syncToolName(SyncTool tool);

// What a name, as a sync tool makes it for its copy of a note, tells.
struct ConflictCopyName
{
    QString noteName; // the name of the note it is a copy of, without ".txt"
    SyncTool tool = SyncTool::Syncthing;
    QDate day;   // when the tool says it kept the copy; invalid when it does not say
    QTime time;  // the time of day, local; invalid when it does not say
    QString who; // the device or the person named, if any
};

// The copy `noteName` (without ".txt") is, by its name alone; nothing when it has no tool's tag.
std::optional<ConflictCopyName> conflictCopyName(QStringView noteName);

// A copy in a folder's listing, and the note it is a copy of, both by their row. The note of a
// copy of a copy is the note the first copy was made of.
struct ConflictCopy
{
    qsizetype copyRow = -1;
    qsizetype noteRow = -1;
};

// The conflict copies of `listing` whose note lies beside them, in the listing's order. A name
// that looks like a copy with no note of the plain name beside it is an ordinary note.
QList<ConflictCopy> findConflictCopies(const NoteListing &listing);

} // namespace qb
