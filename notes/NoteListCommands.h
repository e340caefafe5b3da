#pragma once

#include "notes/NoteDisplay.h"
#include "notes/NoteListing.h"

#include <QFutureWatcher>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <deque>
#include <functional>

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
// A folder of many notes is listed off the window's thread: until its list is in, the selector
// shows none, the editor takes no edits, and what needs the list waits for it (whenListed).
class NoteListCommands final : public QObject
{
    Q_OBJECT
public:
    NoteListCommands(const Book &book, FolderListModel &folders, NoteListModel &notes,
                     NoteSession &session, NoteDisplay &display, UnsavedEdits &unsaved,
                     NoteNotice &notice, Platform &platform, QObject *parent = nullptr);
    ~NoteListCommands() override;

    // Runs `action` once the note list is whole and in order: at once, unless a folder is being
    // listed off the window's thread; actions that wait run in the order given.
    void whenListed(std::function<void()> action);
    bool isListing() const { return m_isListing; }

    // Lists the selected folder's notes, selects row `selectIndex` (-1: the first; past the end:
    // the last) and loads that note, then runs `then`; a folder without notes switches the
    // commands off. Nothing is asked when the program, not the user, refills the list.
    void RefreshNoteList(int selectIndex, NoteDisplay::Asking asking = NoteDisplay::Asking::Allowed,
                         std::function<void()> then = {});
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
    // and shown, after asking about unsaved edits; then `done` is told whether it is shown: not
    // when the user said Cancel, or the note is no longer listed there.
    using Shown = std::function<void(bool shown)>;
    void showNoteOf(int folderRow, const QString &fileName, Shown done);
    // The note at `path`, in the first folder of the book whose directory holds it, selected and
    // shown as showNoteOf shows it.
    void showNotePath(const QString &path, Shown done);
    // The next pick of the current folder lists it again.
    void forgetFolderPick();
    // Another program changed the shown note's file, removed it, or made it unreadable. Without
    // text the file lacks, the note is read again in place (a removed one leaves the list); with
    // it, and for a file that cannot be read, the notice tells, and the user goes on typing.
    void noteChangedOnDisk(const FileChange &change);

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
    // Lists the selected folder's notes with none selected, switches the note commands on when
    // there are some, and runs `then` with how many there are: at once for a small folder, once
    // the listing is done for a large one. A listing started meanwhile drops what was to follow
    // this one.
    void listSelectedFolder(NoteDisplay::Asking asking, std::function<void(int count)> then);
    // Shows `listing` as the notes of folder table row `folderRow`, whose directory is `dir`.
    int takeListing(int folderRow, const QString &dir, NoteListing listing,
                    NoteDisplay::Asking asking);
    void listed();
    void runWaiting();
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

    // A large folder being listed, and what follows once it is in.
    QThreadPool m_lister;
    QFutureWatcher<std::optional<NoteListing>> m_listing;
    struct Pending
    {
        int folderRow = 0;
        QString dir;
        NoteDisplay::Asking asking = NoteDisplay::Asking::Allowed;
        std::function<void(int count)> then;
    };
    Pending m_pending;
    bool m_isListing = false;
    std::deque<std::function<void()>> m_waiting;
    bool m_runningWaiting = false;
};

} // namespace qb
