#include "notes/NoteListCommands.h"

#include "book/Book.h"
#include "book/FolderListModel.h"
#include "editor/UnsavedEdits.h"
#include "notes/NoteListModel.h"
#include "notes/NoteListing.h"
#include "notes/NoteNames.h"
#include "notes/NoteNotice.h"
#include "notes/NoteSession.h"
#include "notes/NoteWatcher.h"
#include "platform/Background.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace qb {

namespace {

// A folder of at most this many entries is listed on the window's thread, in a few
// milliseconds; a larger one off it.
constexpr qsizetype kSmallFolderEntries = 4096;

} // namespace

NoteListCommands::NoteListCommands(const Book &book, FolderListModel &folders, NoteListModel &notes,
                                   NoteSession &session, NoteDisplay &display,
                                   UnsavedEdits &unsaved, NoteNotice &notice, Platform &platform,
                                   QObject *parent)
    : QObject(parent), m_book(book), m_folders(folders), m_notes(notes), m_session(session),
      m_display(display), m_unsaved(unsaved), m_notice(notice), m_platform(platform)
{
    // Its own thread: the pool's may be busy with a large note for seconds.
    m_lister.setMaxThreadCount(1);
    connect(&m_listing, &QFutureWatcherBase::finished, this, &NoteListCommands::listed);
}

NoteListCommands::~NoteListCommands()
{
    m_listing.cancel();
    m_lister.waitForDone();
}

int NoteListCommands::selectedFolderRow() const
{
    return m_folders.currentFolderRow();
}

QString NoteListCommands::selectedFolderDir() const
{
    return m_book.folderDir(selectedFolderRow());
}

bool NoteListCommands::hasCurrentNote() const
{
    return selectedFolderRow() != 0 && m_notes.currentRow() >= 0;
}

void NoteListCommands::whenListed(std::function<void()> action)
{
    // Not listing: the list is whole, and an action already waiting is the one running now.
    if (!m_isListing) {
        action();
        return;
    }
    m_waiting.push_back(std::move(action));
    runWaiting();
}

void NoteListCommands::runWaiting()
{
    // An action may list a folder again, or open a dialog in which another listing ends: the
    // rest waits, and is run by the outermost call.
    if (m_runningWaiting)
        return;
    m_runningWaiting = true;
    while (!m_isListing && !m_waiting.empty()) {
        const std::function<void()> action = std::move(m_waiting.front());
        m_waiting.pop_front();
        action();
    }
    m_runningWaiting = false;
}

void NoteListCommands::listSelectedFolder(NoteDisplay::Asking asking,
                                          std::function<void(int count)> then)
{
    const int folderRow = selectedFolderRow();
    const QString dir = m_book.folderDir(folderRow);
    if (m_isListing) {
        m_listing.cancel();
        m_pending = {};
        m_isListing = false;
        m_display.holdEdits(false);
    }
    std::optional<NoteListing> small =
        dir.isEmpty() ? NoteListing() : listNoteFiles(dir, kSmallFolderEntries);
    if (small) {
        then(takeListing(folderRow, dir, std::move(*small), asking));
        return;
    }
    // Until the list is in, the selector shows no note of another folder, and the note shown
    // takes no edits that what follows would replace.
    m_notes.setListing(folderRow, dir, {});
    m_pending = {folderRow, dir, asking, std::move(then)};
    m_isListing = true;
    m_display.holdEdits(true);
    m_listing.setFuture(runInBackground<std::optional<NoteListing>>(
        m_lister, [dir](QPromise<std::optional<NoteListing>> &promise) {
            promise.addResult(listNoteFiles(dir, std::numeric_limits<qsizetype>::max(),
                                            [&promise] { return promise.isCanceled(); }));
        }));
}

void NoteListCommands::listed()
{
    if (!m_isListing || m_listing.isCanceled() || m_listing.future().resultCount() == 0)
        return;
    std::optional<NoteListing> listing = m_listing.future().takeResult();
    Pending pending = std::exchange(m_pending, {});
    m_isListing = false;
    m_display.holdEdits(false);
    const int count = takeListing(pending.folderRow, pending.dir,
                                  std::move(listing).value_or(NoteListing()), pending.asking);
    pending.then(count);
    runWaiting();
}

int NoteListCommands::takeListing(int folderRow, const QString &dir, NoteListing listing,
                                  NoteDisplay::Asking asking)
{
    const QString error = listing.error;
    const int undecodable = listing.undecodableNames;
    const bool leftovers = listing.saveLeftovers;
    m_notes.setListing(folderRow, dir, std::move(listing));
    if (m_notice.kind() == NoteNotice::Kind::FolderInfo)
        m_notice.clear();
    if (undecodable > 0) {
        m_notice.post(NoteNotice::Kind::FolderInfo,
                      (undecodable == 1 ? u"1 note file of this folder is left out of the list: "
                                          "its name is not valid UTF-8, so Quirebox can't name "
                                          "it."_s
                                        : u"%1 note files of this folder are left out of the "
                                          "list: their names are not valid UTF-8, so Quirebox "
                                          "can't name them."_s.arg(undecodable)));
    }
    if (dir.isEmpty())
        return 0;
    // A folder that is there but cannot be read must not pass for one without notes.
    if (!error.isEmpty() && QFileInfo::exists(dir) && asking == NoteDisplay::Asking::Allowed) {
        m_platform.reportError(u"Quirebox can't read the folder "_s + quoted(dir) + u"."_s, error,
                               u"Quirebox"_s);
    }
    const int count = m_notes.rowCount();
    Q_EMIT commandsSwitched(count > 0);
    if (leftovers && asking == NoteDisplay::Asking::Allowed)
        Q_EMIT saveLeftoversListed(dir);
    return count;
}

void NoteListCommands::RefreshNoteList(int selectIndex, NoteDisplay::Asking asking,
                                       std::function<void()> then)
{
    listSelectedFolder(asking, [this, selectIndex, asking, then = std::move(then)](int count) {
        if (count > 0) {
            m_notes.setCurrentRow(std::clamp(selectIndex, 0, count - 1));
            m_display.LoadNote(m_notes.currentPath(), asking);
        }
        if (then)
            then();
    });
}

void NoteListCommands::ShowNoFileSelected()
{
    if (m_notes.currentRow() < 0)
        m_display.showNone();
}

void NoteListCommands::showFirstFolder()
{
    // The first folder in the selector's order is listed, and its first note loaded, once: an
    // encoded note asks for its keyword a single time.
    m_lastFolderName = m_folders.currentName();
    RefreshNoteList(-1, NoteDisplay::Asking::Allowed, [this] {
        // A book without folders, or a folder without notes, shows no note and asks nothing at
        // exit.
        if (!hasCurrentNote())
            ShowNoFileSelected();
    });
}

void NoteListCommands::pickFolder(int position)
{
    // Compared by row too: two folders may share a name, and the note commands must never work
    // on one folder's directory with the other folder's note list.
    if (m_folders.nameAt(position) == m_lastFolderName &&
        m_folders.folderRowAt(position) == m_notes.folderRow()) {
        m_folders.setCurrentPosition(position);
        return;
    }
    if (confirmPick())
        selectFolder(position);
}

void NoteListCommands::selectFolder(int position)
{
    m_folders.setCurrentPosition(position);
    if (m_folders.currentName() == m_lastFolderName &&
        m_folders.currentFolderRow() == m_notes.folderRow()) {
        return;
    }
    m_lastFolderName = m_folders.currentName();
    RefreshNoteList(-1, NoteDisplay::Asking::Allowed, [this] { ShowNoFileSelected(); });
}

void NoteListCommands::pickNote(int row)
{
    // The file decides, not the name shown: "Ideas.txt" and "Ideas.TXT" both show as Ideas.
    // A note still loading counts as shown.
    if (!m_session.path().isEmpty() && m_notes.notePath(row) == m_session.path()) {
        m_notes.setCurrentRow(row);
        return;
    }
    if (confirmPick())
        selectNote(row);
}

void NoteListCommands::selectNote(int row)
{
    m_notes.setCurrentRow(row);
    if (!m_session.path().isEmpty() && m_notes.currentPath() == m_session.path())
        return;
    m_display.LoadNote(m_notes.currentPath());
}

bool NoteListCommands::confirmPick()
{
    if (m_unsaved.confirmLeave())
        return true;
    // Cancel: the selectors show again what is shown.
    m_folders.resyncCurrent();
    m_notes.resyncCurrent();
    return false;
}

void NoteListCommands::askAndRefresh()
{
    const UnsavedEdits::Answer answer =
        m_unsaved.askToSave(u"Save this file before quitting?"_s, u"Refresh"_s);
    if (answer == UnsavedEdits::Answer::Cancelled)
        return;
    RefreshNoteList(m_notes.currentRow(), NoteDisplay::Asking::Allowed,
                    [this] { ShowNoFileSelected(); });
}

void NoteListCommands::noteChangedOnDisk(const FileChange &change)
{
    if (!m_session.isShown())
        return;
    if (change.kind == FileChange::Kind::Unreadable) {
        m_notice.post(NoteNotice::Kind::Unreadable, cantReadText(m_session.path(), change.error));
        return;
    }
    const bool removed = change.kind == FileChange::Kind::Removed;
    // Text the file does not hold, typed or enciphered or deciphered, is never dropped unasked.
    if (m_session.hasUnsavedEdits() || m_session.status() != NoteStatus::Unchanged) {
        // The file's text is hidden now: so is the editor's, which is much of it.
        if (change.enciphered)
            m_session.keepSecret();
        m_session.fileChangedElsewhere();
        m_notice.post(removed ? NoteNotice::Kind::RemovedOnDisk : NoteNotice::Kind::ChangedOnDisk,
                      removed ? removedOnDiskText() : changedOnDiskText());
        return;
    }
    if (removed) {
        RefreshNoteList(m_notes.currentRow(), NoteDisplay::Asking::Never,
                        [this] { ShowNoFileSelected(); });
    } else {
        m_display.reloadNote(NoteDisplay::Asking::Never);
    }
}

void NoteListCommands::showNoteOf(int folderRow, const QString &fileName, Shown done)
{
    whenListed([this, folderRow, fileName, done = std::move(done)] {
        const int position = m_folders.positionOf(folderRow);
        if (position < 0) {
            done(false);
            return;
        }
        const QString path = noteFilePath(m_book.folderDir(folderRow), fileName);
        if (path == m_session.path() && folderRow == m_notes.folderRow()) {
            m_folders.setCurrentPosition(position);
            m_notes.setCurrentRow(m_notes.rowOf(fileName));
            done(true);
            return;
        }
        const UnsavedEdits::Answer answer = m_unsaved.askToLeave();
        if (answer == UnsavedEdits::Answer::Cancelled) {
            done(false);
            return;
        }
        // Listed again even when it is the selected folder: the note may be newer than its list.
        m_folders.setCurrentPosition(position);
        m_lastFolderName = m_folders.currentName();
        listSelectedFolder(NoteDisplay::Asking::Allowed, [this, fileName, path, answer, done](int) {
            const int row = m_notes.rowOf(fileName);
            if (row < 0) {
                ShowNoFileSelected();
                done(false);
                return;
            }
            // Another folder of the same directory shows the same file: edits the user chose to
            // drop go even so.
            if (answer == UnsavedEdits::Answer::Dropped && path == m_session.path()) {
                m_notes.setCurrentRow(row);
                m_display.LoadNote(path);
            } else {
                selectNote(row);
            }
            done(m_session.path() == path);
        });
    });
}

void NoteListCommands::showNotePath(const QString &path, Shown done)
{
    const QFileInfo note(path);
    const QString dir = note.dir().canonicalPath();
    for (int row = 1; row <= m_book.state().FolderCount; ++row) {
        if (!dir.isEmpty() && QDir(m_book.folderDir(row)).canonicalPath() == dir) {
            showNoteOf(row, note.fileName(), std::move(done));
            return;
        }
    }
    done(false);
}

void NoteListCommands::forgetFolderPick()
{
    m_lastFolderName.clear();
}

} // namespace qb
