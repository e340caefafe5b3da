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
#include "platform/Platform.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qb {

NoteListCommands::NoteListCommands(const Book &book, FolderListModel &folders, NoteListModel &notes,
                                   NoteSession &session, NoteDisplay &display,
                                   UnsavedEdits &unsaved, NoteNotice &notice, Platform &platform,
                                   QObject *parent)
    : QObject(parent), m_book(book), m_folders(folders), m_notes(notes), m_session(session),
      m_display(display), m_unsaved(unsaved), m_notice(notice), m_platform(platform)
{
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

int NoteListCommands::listSelectedFolder(NoteDisplay::Asking asking)
{
    const int folderRow = selectedFolderRow();
    const QString dir = m_book.folderDir(folderRow);
    NoteListing listing = dir.isEmpty() ? NoteListing() : ListNoteFiles(dir);
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
        m_platform.reportError(u"Quirebox can't read the folder "_s + Quoted(dir) + u"."_s, error,
                               u"Quirebox"_s);
    }
    const int count = m_notes.rowCount();
    Q_EMIT commandsSwitched(count > 0);
    if (leftovers && asking == NoteDisplay::Asking::Allowed)
        Q_EMIT saveLeftoversListed(dir);
    return count;
}

void NoteListCommands::RefreshNoteList(int selectIndex, NoteDisplay::Asking asking)
{
    const int count = listSelectedFolder(asking);
    if (count == 0)
        return;
    m_notes.setCurrentRow(std::clamp(selectIndex, 0, count - 1));
    m_display.LoadNote(m_notes.currentPath(), asking);
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
    RefreshNoteList(-1);
    // A book without folders, or a folder without notes, shows no note and asks nothing at exit.
    if (!hasCurrentNote())
        ShowNoFileSelected();
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
    RefreshNoteList(-1);
    m_lastFolderName = m_folders.currentName();
    ShowNoFileSelected();
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
    RefreshNoteList(m_notes.currentRow());
    ShowNoFileSelected();
}

void NoteListCommands::noteChangedOnDisk(const FileChange &change)
{
    if (!m_session.isShown())
        return;
    if (change.kind == FileChange::Kind::Unreadable) {
        m_notice.post(NoteNotice::Kind::Unreadable, CantReadText(m_session.path(), change.error));
        return;
    }
    const bool removed = change.kind == FileChange::Kind::Removed;
    // Text the file does not hold, typed or enciphered or deciphered, is never dropped unasked.
    if (m_session.hasUnsavedEdits() || m_session.status() != NoteStatus::Unchanged) {
        m_notice.post(removed ? NoteNotice::Kind::RemovedOnDisk : NoteNotice::Kind::ChangedOnDisk,
                      removed ? RemovedOnDiskText() : ChangedOnDiskText());
        return;
    }
    if (removed) {
        RefreshNoteList(m_notes.currentRow(), NoteDisplay::Asking::Never);
        ShowNoFileSelected();
    } else {
        m_display.reloadNote(NoteDisplay::Asking::Never);
    }
}

void NoteListCommands::readAgain()
{
    if (m_session.isShown())
        m_display.reloadNote(NoteDisplay::Asking::Allowed);
}

bool NoteListCommands::showNoteOf(int folderRow, const QString &fileName)
{
    const int position = m_folders.positionOf(folderRow);
    if (position < 0)
        return false;
    const QString path = NoteFilePath(m_book.folderDir(folderRow), fileName);
    if (path == m_session.path() && folderRow == m_notes.folderRow()) {
        m_folders.setCurrentPosition(position);
        m_notes.setCurrentRow(m_notes.rowOf(fileName));
        return true;
    }
    const UnsavedEdits::Answer answer = m_unsaved.askToLeave();
    if (answer == UnsavedEdits::Answer::Cancelled)
        return false;
    // Listed again even when it is the selected folder: the note may be newer than its list.
    m_folders.setCurrentPosition(position);
    m_lastFolderName = m_folders.currentName();
    listSelectedFolder();
    const int row = m_notes.rowOf(fileName);
    if (row < 0) {
        ShowNoFileSelected();
        return false;
    }
    // Another folder of the same directory shows the same file: edits the user chose to drop
    // go even so.
    if (answer == UnsavedEdits::Answer::Dropped && path == m_session.path()) {
        m_notes.setCurrentRow(row);
        m_display.LoadNote(path);
    } else {
        selectNote(row);
    }
    return m_session.path() == path;
}

bool NoteListCommands::showNotePath(const QString &path)
{
    const QFileInfo note(path);
    const QString dir = note.dir().canonicalPath();
    for (int row = 1; row <= m_book.state().FolderCount; ++row) {
        if (!dir.isEmpty() && QDir(m_book.folderDir(row)).canonicalPath() == dir)
            return showNoteOf(row, note.fileName());
    }
    return false;
}

void NoteListCommands::forgetFolderPick()
{
    m_lastFolderName.clear();
}

} // namespace qb
