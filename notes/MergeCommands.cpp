#include "notes/MergeCommands.h"

#include "notes/ConflictNotice.h"
#include "notes/HistoryKeeper.h"
#include "notes/MergeDialog.h"
#include "notes/NoteDisplay.h"
#include "notes/NoteHistory.h"
#include "notes/NoteListCommands.h"
#include "notes/NoteListModel.h"
#include "notes/NoteNotice.h"
#include "notes/NoteSession.h"
#include "platform/Background.h"
#include "platform/FileOps.h"
#include "platform/Platform.h"

#include <QGuiApplication>
#include <QLocale>

using namespace Qt::StringLiterals;

namespace qb {

namespace {

// The versions of the note's history a base is looked for in, newest first.
constexpr qsizetype kBaseCandidates = 20;

} // namespace

MergeCommands::MergeCommands(NoteSession &session, const NoteListModel &notes,
                             NoteListCommands &noteList, NoteDisplay &display,
                             HistoryKeeper &history, NoteNotice &notice,
                             const ConflictNotice &conflicts, Platform &platform,
                             QWidget &dialogParent, QObject *parent)
    : QObject(parent), m_session(session), m_notes(notes), m_noteList(noteList), m_display(display),
      m_history(history), m_notice(notice), m_conflicts(conflicts), m_platform(platform),
      m_dialogParent(dialogParent)
{
    connect(&m_merging, &QFutureWatcher<Merged>::finished, this, &MergeCommands::merged);
    connect(&session, &NoteSession::saved, this, &MergeCommands::saved);
    // Edits dropped for another note take the copy's removal along.
    connect(&session, &NoteSession::shownChanged, this, [this] {
        if (m_session.path() != m_pendingNote)
            m_pendingNote.clear();
    });
}

MergeCommands::~MergeCommands()
{
    m_merging.waitForFinished();
}

int MergeCommands::copyRow() const
{
    const int row = m_notes.currentRow();
    if (row < 0 || m_notes.currentPath() != m_session.path())
        return -1;
    const QList<int> copies = m_notes.copiesOf(row);
    if (copies.isEmpty())
        return -1;
    const int named = m_conflicts.otherRow();
    return copies.contains(named) ? named : copies.constLast();
}

bool MergeCommands::changedOnDisk() const
{
    return m_notice.kind() == NoteNotice::Kind::ChangedOnDisk;
}

bool MergeCommands::canMerge() const
{
    return m_session.isShown() && !m_session.keepsTextSecret() && !m_merging.isRunning() &&
           (changedOnDisk() || copyRow() >= 0 || m_conflicts.holdsMergeMarks());
}

void MergeCommands::mergeVersions()
{
    if (!canMerge())
        return;
    if (changedOnDisk())
        mergeOutsideChange();
    else if (copyRow() >= 0)
        mergeWithCopy();
    else
        settleMergeMarks();
}

void MergeCommands::compareAndMerge()
{
    const int note = m_notes.noteOfCopy(m_notes.currentRow());
    if (note < 0) {
        mergeVersions();
        return;
    }
    // The merge goes into the note.
    m_noteList.pickNote(note);
    m_display.whenShown([this, note] {
        if (m_notes.currentRow() == note)
            mergeVersions();
    });
}

void MergeCommands::readAgain()
{
    if (!m_session.isShown())
        return;
    const QString path = m_session.path();
    if (m_session.hasUnsavedEdits() && !m_session.keepsTextSecret()) {
        const NoteBytes edits = m_display.noteBytes();
        const KeptVersion kept = m_history.keepNow(path, edits.bytes, m_platform.now());
        if (!kept.ok()) {
            m_platform.reportError(u"Quirebox can't keep the unsaved text of the note "_s +
                                       quoted(path) +
                                       u" in its history, and leaves it in the editor."_s,
                                   *kept.error, u"Read Again"_s);
            return;
        }
    }
    if (!m_display.readAgainAsEdit())
        m_display.reloadNote(NoteDisplay::Asking::Allowed);
}

void MergeCommands::settleMergeMarks()
{
    // A note small enough to have had its marks looked for: settled at once.
    const NoteBytes note = m_display.noteBytes();
    const MergedNote marked = mergeMarksOf(note.bytes);
    if (note.unencodable || marked.clashCount() == 0) {
        m_platform.messageBox(u"This note holds no unfinished merge."_s, Platform::Buttons::Ok,
                              Platform::Icon::Information, u"Merge"_s);
        return;
    }
    MergeDialog dialog(m_session.noteName(), marked, m_session.format(),
                       u"The clashes of the merge the note holds, as it was left."_s, false,
                       &m_dialogParent);
    if (m_platform.execDialog(dialog) == QDialog::Accepted)
        m_display.replaceWithBytes(dialog.mergedBytes(), m_session.format());
}

bool MergeCommands::readSides(Sides &sides)
{
    const QString title = u"Merge"_s;
    const NoteBytes mine = m_display.noteBytes();
    if (mine.unencodable) {
        m_platform.reportError(u"Quirebox can't merge the note "_s + quoted(sides.notePath) +
                                   u"."_s,
                               u"It holds a character its character set can't store: save it "
                               "as UTF-8 first."_s,
                               title);
        return false;
    }
    sides.mine = mine.bytes;
    const QString other = sides.copyPath.isEmpty() ? sides.notePath : sides.copyPath;
    ReadResult theirs = readWholeFile(other, m_session.sizeLimits().refuseAbove);
    if (!theirs.ok()) {
        m_platform.reportError(u"Quirebox can't read the file "_s + quoted(other) + u"."_s,
                               theirs.error, title);
        return false;
    }
    sides.theirs = std::move(theirs.bytes);
    if (sides.copyPath.isEmpty())
        sides.theirsFile = takeFingerprint(other, sides.theirs);
    return true;
}

void MergeCommands::mergeOutsideChange()
{
    Sides sides{m_session.path(), {}, m_session.noteName(), {}, {}, {}, {}};
    if (!readSides(sides))
        return;
    m_sides = sides;
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    m_merging.setFuture(
        runInBackground<Merged>([sides, base = m_session.readBytes()](QPromise<Merged> &promise) {
            promise.addResult(
                Merged{mergeNotes(base, sides.mine, sides.theirs),
                       base ? u"Merged three ways, from the text the editor read from the file."_s
                            : u"The text the editor read is not kept for a note this large: every "
                              "difference is a clash."_s});
        }));
}

void MergeCommands::mergeWithCopy()
{
    const qint64 largest = m_session.sizeLimits().refuseAbove;
    Sides sides{
        m_session.path(), m_notes.notePath(copyRow()), m_session.noteName(), {}, {}, {}, {}};
    if (!readSides(sides))
        return;
    m_history.waitForDone();
    QList<QDateTime> taken;
    QList<NoteVersion> versions = NoteHistory(m_history.root()).versions(sides.notePath);
    versions.resize(std::min(kBaseCandidates, versions.size()));
    for (const NoteVersion &version : std::as_const(versions)) {
        VersionBytes read = NoteHistory::read(version, largest);
        if (read.ok()) {
            sides.versions << std::move(read.bytes);
            taken << version.taken();
        }
    }
    m_sides = sides;
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    m_merging.setFuture(runInBackground<Merged>([sides, taken](QPromise<Merged> &promise) {
        const qsizetype base = closestBase(sides.versions, sides.mine, sides.theirs);
        Merged merged;
        merged.note = mergeNotes(base >= 0 ? std::optional(sides.versions[base]) : std::nullopt,
                                 sides.mine, sides.theirs);
        merged.baseText =
            base >= 0 ? u"Merged three ways, from the version of %1 in the note's history."_s.arg(
                            QLocale(QLocale::English)
                                .toString(taken[base].toLocalTime(), u"d MMM yyyy HH:mm"_s))
                      : u"No version both grew from is kept in the note's history: every "
                        "difference is a clash."_s;
        promise.addResult(std::move(merged));
    }));
}

void MergeCommands::merged()
{
    QGuiApplication::restoreOverrideCursor();
    if (m_merging.future().resultCount() == 0)
        return;
    const Merged merged = m_merging.future().result();
    const Sides sides = std::exchange(m_sides, {});
    // Another note shown meanwhile: the merge is of no use to it.
    if (!m_session.isShown() || m_session.path() != sides.notePath)
        return;
    if (!merged.note.ok()) {
        m_platform.reportError(u"Quirebox can't merge the note "_s + quoted(sides.notePath) +
                                   u"."_s,
                               merged.note.error, u"Merge"_s);
        return;
    }
    const bool copy = !sides.copyPath.isEmpty();
    MergeDialog dialog(sides.noteName, merged.note, m_session.format(), merged.baseText, copy,
                       &m_dialogParent);
    if (m_platform.execDialog(dialog) != QDialog::Accepted)
        return;
    if (!m_display.replaceWithBytes(dialog.mergedBytes(), m_session.format()))
        return;
    if (!copy) {
        // The other program's text is in the merge: a save writes over it without asking,
        // unless the file changes again.
        m_session.takeFile(sides.theirsFile, sides.theirs);
        m_notice.clear();
        return;
    }
    if (dialog.removesCopy()) {
        m_pendingNote = sides.notePath;
        m_pendingCopy = sides.copyPath;
    }
}

void MergeCommands::saved(const QString &path)
{
    if (path != m_pendingNote)
        return;
    m_pendingNote.clear();
    const QString copy = std::exchange(m_pendingCopy, {});
    const QString title = u"Merge"_s;
    // Kept in the note's history before it goes: nothing is deleted unread.
    const ReadResult bytes = readWholeFile(copy, m_session.sizeLimits().refuseAbove);
    if (!bytes.ok()) {
        m_platform.reportError(u"Quirebox can't read the copy "_s + quoted(copy) +
                                   u", and leaves it where it is."_s,
                               bytes.error, title);
        return;
    }
    const KeptVersion kept = m_history.keepNow(path, bytes.bytes, m_platform.now());
    if (!kept.ok()) {
        m_platform.reportError(u"Quirebox can't keep the copy "_s + quoted(copy) +
                                   u" in the note's history, and leaves it where it is."_s,
                               *kept.error, title);
        return;
    }
    if (const FileError error = moveToTrash(copy)) {
        m_platform.reportError(
            u"Quirebox can't move the file "_s + quoted(copy) + u" to the trash."_s, *error, title);
        return;
    }
    // The copies sort after their note: its row stays.
    m_noteList.RefreshNoteList(m_notes.currentRow(), NoteDisplay::Asking::Never, {});
}

} // namespace qb
