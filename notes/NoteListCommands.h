#pragma once

#include "notes/NoteDisplay.h"

#include <QObject>
#include <QString>

namespace qb {

class Book;
class FolderListModel;
class NoteListModel;
class NoteNotice;
class NoteSession;
class Platform;
class UnsavedEdits;
struct FileChange;

// The two selectors: which folder's notes are listed and which note is shown. Picks made by the
// user first ask about unsaved edits; selections made by a command ask nothing, the command
// having asked already. Works on the models the selectors show; all it is given outlives it.
class NoteListCommands final : public QObject
{
    Q_OBJECT
public:
    NoteListCommands(const Book &book, FolderListModel &folders, NoteListModel &notes,
                     NoteSession &session, NoteDisplay &display, UnsavedEdits &unsaved,
                     NoteNotice &notice, Platform &platform, QObject *parent = nullptr);

    // Lists the selected folder's notes, selects row `selectIndex` (-1: the first; past the end:
    // the last) and loads that note; a folder without notes switches the commands off. Nothing
    // is asked when the program, not the user, refills the list.
    void RefreshNoteList(int selectIndex,
                         NoteDisplay::Asking asking = NoteDisplay::Asking::Allowed);
    // When no note is selected: no note is shown, and the panels say so.
    void ShowNoFileSelected();

    // After a book was read: its first folder listed and that folder's first note shown.
    void showFirstFolder();
    // The user picked the folder at `position` of the folder selector, or the note at `row`.
    void pickFolder(int position);
    void pickNote(int row);
    // A command selects them: nothing is asked.
    void selectFolder(int position);
    void selectNote(int row);
    // File > Refresh List: the folder read again, the same row selected and loaded.
    void askAndRefresh();
    // Find in Book opens a result: the note `fileName` of folder table row `folderRow` selected
    // and shown, after asking about unsaved edits. False when it is not shown: the user said
    // Cancel, or the note is no longer listed there.
    bool showNoteOf(int folderRow, const QString &fileName);
    // The note at `path`, in the first folder of the book whose directory holds it, selected and
    // shown as showNoteOf shows it.
    bool showNotePath(const QString &path);
    // The next pick of the current folder lists it again.
    void forgetFolderPick();
    // Another program changed the shown note's file, removed it, or made it unreadable. Without
    // text the file lacks, the note is read again in place (a removed one leaves the list); with
    // it, and for a file that cannot be read, the notice tells, and the user goes on typing.
    void noteChangedOnDisk(const FileChange &change);
    // The notice's Read Again: the note read from its file, the edits dropped.
    void readAgain();

    // The selected folder's row in the book's folder table, and its directory; 0 and empty when
    // none is selected.
    int selectedFolderRow() const;
    QString selectedFolderDir() const;
    // A note is selected in the note list of the selected folder.
    bool hasCurrentNote() const;

Q_SIGNALS:
    // The book-dependent commands are to be switched on or off.
    void commandsSwitched(bool enabled);
    // The user had the folder `dir` listed, and it holds what saves cut short leave.
    void saveLeftoversListed(const QString &dir);

private:
    // Lists the selected folder's notes with none selected, and switches the note commands on
    // when there are some; returns how many there are.
    int listSelectedFolder(NoteDisplay::Asking asking = NoteDisplay::Asking::Allowed);
    // Asks about unsaved edits before a pick replaces them; false, the pick undone, on Cancel.
    bool confirmPick();

    const Book &m_book;
    FolderListModel &m_folders;
    NoteListModel &m_notes;
    NoteSession &m_session;
    NoteDisplay &m_display;
    UnsavedEdits &m_unsaved;
    NoteNotice &m_notice;
    Platform &m_platform;
    // The folder last picked, so that a repeated pick is told from a new one. (A repeated pick
    // of a note is told by the file shown.)
    QString m_lastFolderName;
};

} // namespace qb
