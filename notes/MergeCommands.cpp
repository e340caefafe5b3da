#include "notes/MergeCommands.h"

#include "encoder/AgeFile.h"
#include "encoder/EncodedNote.h"
#include "encoder/KeyWordCipher.h"
#include "keeping/HistoryKeeper.h"
#include "keeping/NoteHistory.h"
#include "notes/ConflictNotice.h"
#include "notes/MergeDialog.h"
#include "notes/NoteDisplay.h"
#include "notes/NoteFileIo.h"
#include "notes/NoteListCommands.h"
#include "notes/NoteListModel.h"
#include "notes/NoteNotice.h"
#include "notes/NoteSession.h"
#include "platform/Background.h"
#include "platform/FileOps.h"
#include "platform/Platform.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>

using namespace Qt::StringLiterals;

namespace qb {

namespace {

// The versions of the note's history a base is looked for in, newest first; fewer for an
// encrypted note, each of whose versions takes a key derivation of about a second to open.
constexpr qsizetype kBaseCandidates = 20;
constexpr qsizetype kEncryptedBaseCandidates = 5;

// `bytes` of the note's file, a copy or a version as the note shows them deciphered: an age
// file decrypted with `passphrase`, an encoded note decoded with `keyword`, a plain one as it
// is. None when they are enciphered and the note's own secret does not open them.
std::optional<QByteArray> opened(const QByteArray &bytes, const SecretBytes *passphrase,
                                 const SecretBytes *keyword)
{
    switch (noteKindOf(bytes)) {
    case ShowableNote::Kind::Plain:
        return bytes;
    case ShowableNote::Kind::Encoded:
        if (!keyword)
            return std::nullopt;
        return KeyWordCipher(encodedBody(bytes), keyword->view(), CipherDirection::Decipher);
    case ShowableNote::Kind::Encrypted: {
        const AgeKeyNeed need = passphrase ? readAgeHeader(bytes) : AgeKeyNeed{};
        if (!passphrase || !need.outcome.ok())
            return std::nullopt;
        AgeDecrypted plain =
            decryptAge(bytes, deriveAgeKey(*passphrase, need.salt, need.workFactor));
        if (!plain.outcome.ok())
            return std::nullopt;
        return std::move(plain.plain);
    }
    }
    return std::nullopt;
}

QString unopenedReason(const QString &path, bool encrypted)
{
    return (encrypted ? u"The note's passphrase does not open "_s
                      : u"The note's KeyWord does not decode "_s) +
           quoted(path) + u": a note is merged only with what is enciphered as the note is."_s;
}

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
    connect(&m_placing, &QFutureWatcher<Placed>::finished, this, &MergeCommands::placed);
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
    m_placing.waitForFinished();
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
    return m_session.isShown() && !m_merging.isRunning() && !m_placing.isRunning() &&
           (changedOnDisk() || copyRow() >= 0 || m_conflicts.holdsMergeMarks());
}

void MergeCommands::mergeVersions()
{
    if (!canMerge())
        return;
    if (changedOnDisk())
        mergeOutsideChange();
    else if (copyRow() >= 0)
        mergeWithCopy(copyRow());
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

void MergeCommands::keepMine()
{
    m_notice.clear();
    if (!m_session.isShown())
        return;
    // The file as it is now is the one the editor's text replaces. One gone or unreadable
    // holds nothing to keep track of: a save asks before it writes there.
    const QString path = m_session.path();
    const ReadResult read = readWholeFile(path, m_session.sizeLimits().refuseAbove);
    if (read.ok())
        m_session.takeFile(takeFingerprint(path, read.bytes), read.bytes);
}

bool MergeCommands::deciphered(Sides &sides)
{
    if (!m_session.keepsTextSecret())
        return true;
    sides.passphrase = m_session.protection() == NoteSession::Protection::Decrypted
                           ? m_display.heldPassphrase()
                           : nullptr;
    sides.keyword = m_display.heldKeyword();
    if (sides.passphrase || sides.keyword)
        return true;
    m_platform.messageBox(m_session.protection() == NoteSession::Protection::Armour
                              ? u"Decrypt the note to merge it."_s
                              : u"Decode the note to merge it."_s,
                          Platform::Buttons::Ok, Platform::Icon::Information, u"Merge"_s);
    return false;
}

void MergeCommands::settleMergeMarks()
{
    Sides sides;
    if (!deciphered(sides))
        return;
    // A note small enough to have had its marks looked for: settled at once.
    const NoteBytes note = m_display.noteBytes();
    const MergedNote marked = mergeMarksOf(note.bytes);
    if (note.unencodable || marked.clashCount() == 0) {
        m_platform.messageBox(u"This note holds no unfinished merge."_s, Platform::Buttons::Ok,
                              Platform::Icon::Information, u"Merge"_s);
        return;
    }
    MergeDialog dialog(m_session.noteName(), marked, m_session.format(),
                       u"The clashes of the merge the note holds, as it was left."_s, {}, -1,
                       &m_dialogParent);
    sides.notePath = m_session.path();
    sides.mine = note.bytes;
    sides.revision = m_display.textRevision();
    if (m_platform.execDialog(dialog) == QDialog::Accepted)
        useMerged(dialog.mergedBytes(), sides, [] {});
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
    sides.revision = m_display.textRevision();
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
    Sides sides;
    sides.notePath = m_session.path();
    sides.noteName = m_session.noteName();
    if (!deciphered(sides) || !readSides(sides))
        return;
    m_sides = sides;
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    m_merging.setFuture(
        runInBackground<Merged>([sides, read = m_session.readBytes(),
                                 format = m_session.format()](QPromise<Merged> &promise) {
            const std::optional<QByteArray> theirs =
                opened(sides.theirs, sides.passphrase.get(), sides.keyword.get());
            if (!theirs) {
                promise.addResult(
                    Merged{{{}, unopenedReason(sides.notePath, bool(sides.passphrase))}, {}, {}});
                return;
            }
            const std::optional<QByteArray> base =
                read ? opened(*read, sides.passphrase.get(), sides.keyword.get()) : std::nullopt;
            promise.addResult(withPlacing(
                Merged{mergeNotes(base, sides.mine, *theirs),
                       base ? u"Merged three ways, from the text the editor read from the file."_s
                            : u"The text the editor read is not kept for a note this large: every "
                              "difference is a clash."_s,
                       {}},
                sides, format));
        }));
}

void MergeCommands::mergeWithCopy(int copy)
{
    const qint64 largest = m_session.sizeLimits().refuseAbove;
    Sides sides;
    sides.notePath = m_session.path();
    sides.copyPath = m_notes.notePath(copy);
    sides.noteName = m_session.noteName();
    if (!deciphered(sides) || !readSides(sides))
        return;
    m_history.waitForDone();
    QList<NoteVersion> versions = NoteHistory(m_history.root()).versions(sides.notePath);
    versions.resize(
        std::min(sides.passphrase ? kEncryptedBaseCandidates : kBaseCandidates, versions.size()));
    m_sides = sides;
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    m_merging.setFuture(runInBackground<Merged>(
        [sides, versions, largest, format = m_session.format()](QPromise<Merged> &promise) {
            const std::optional<QByteArray> theirs =
                opened(sides.theirs, sides.passphrase.get(), sides.keyword.get());
            if (!theirs) {
                promise.addResult(
                    Merged{{{}, unopenedReason(sides.copyPath, bool(sides.passphrase))}, {}, {}});
                return;
            }
            // Versions that cannot be read, or that the note's secret does not open, are no base.
            QList<QByteArray> bases;
            QList<QDateTime> taken;
            for (const NoteVersion &version : versions) {
                const VersionBytes read = NoteHistory::read(version, largest);
                std::optional<QByteArray> bytes =
                    read.ok() ? opened(read.bytes, sides.passphrase.get(), sides.keyword.get())
                              : std::nullopt;
                if (bytes) {
                    bases << std::move(*bytes);
                    taken << version.taken();
                }
            }
            const qsizetype base = closestBase(bases, sides.mine, *theirs);
            Merged merged;
            merged.note = mergeNotes(base >= 0 ? std::optional(bases[base]) : std::nullopt,
                                     sides.mine, *theirs);
            merged.baseText =
                base >= 0
                    ? u"Merged three ways, from the version of %1 in the note's history."_s.arg(
                          QLocale(QLocale::English)
                              .toString(taken[base].toLocalTime(), u"d MMM yyyy HH:mm"_s))
                    : u"No version both grew from is kept in the note's history: every "
                      "difference is a clash."_s;
            promise.addResult(withPlacing(std::move(merged), sides, format));
        }));
}

void MergeCommands::merged()
{
    QGuiApplication::restoreOverrideCursor();
    if (m_merging.future().resultCount() == 0)
        return;
    const Merged merged = m_merging.future().result();
    const Sides sides = std::exchange(m_sides, {});
    // Another note shown meanwhile, or this one enciphered again: the merge is of no use to it.
    if (!m_session.isShown() || m_session.path() != sides.notePath)
        return;
    if ((sides.passphrase && m_display.heldPassphrase() != sides.passphrase) ||
        (sides.keyword && m_display.heldKeyword() != sides.keyword))
        return;
    if (!merged.note.ok()) {
        m_platform.reportError(u"Quirebox can't merge the note "_s + quoted(sides.notePath) +
                                   u"."_s,
                               merged.note.error, u"Merge"_s);
        return;
    }
    const bool copy = !sides.copyPath.isEmpty();
    QStringList copies;
    for (const int row : m_notes.copiesOf(m_notes.currentRow()))
        copies << m_notes.notePath(row);
    QStringList copyNames;
    for (const QString &path : std::as_const(copies))
        copyNames << QFileInfo(path).fileName();
    MergeDialog dialog(sides.noteName, merged.note, m_session.format(), merged.baseText,
                       copy ? copyNames : QStringList(), int(copies.indexOf(sides.copyPath)),
                       &m_dialogParent);
    const int chosen = m_platform.execDialog(dialog);
    if (chosen == MergeDialog::OtherCopy) {
        // The list may have changed while the window was open.
        const QString other = copies.value(dialog.chosenCopy());
        for (const int row : m_notes.copiesOf(m_notes.currentRow())) {
            if (m_notes.notePath(row) == other)
                mergeWithCopy(row);
        }
        return;
    }
    if (chosen != QDialog::Accepted)
        return;
    const bool removesCopy = dialog.removesCopy();
    const QByteArray mergedBytes = dialog.mergedBytes();
    useMerged(
        mergedBytes, sides,
        [this, sides, removesCopy] {
            if (sides.copyPath.isEmpty()) {
                // The other program's text is in the merge: a save writes over it without asking,
                // unless the file changes again.
                m_session.takeFile(sides.theirsFile, sides.theirs);
                m_notice.clear();
            } else if (removesCopy) {
                m_pendingNote = sides.notePath;
                m_pendingCopy = sides.copyPath;
            }
        },
        merged.placed);
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
