#pragma once

#include <QString>

namespace qb {

class Book;
class BookStore;
class FolderListModel;
class NoteListCommands;
class Platform;
class UnsavedEdits;

// The Book menu's folder commands. Every change is made on a copy of the book, written, and
// only then taken; the book is then read back, so the window shows what is stored.
class FolderCommands
{
public:
    FolderCommands(const Book &book, BookStore &store, const FolderListModel &folders,
                   NoteListCommands &noteList, UnsavedEdits &unsaved, Platform &platform)
        : m_book(book), m_store(store), m_folders(folders), m_noteList(noteList),
          m_unsaved(unsaved), m_platform(platform)
    {
    }

    void NewFolder();
    void RenameFolder();
    void DeleteFolder();

private:
    // How adding a chosen directory ended: the dialog is shown again only when the directory
    // itself was refused, so that the user can pick another one.
    enum class AppendOutcome { Added, Abandoned, DirectoryRefused };

    // Asks for the display name and adds `directory`, chosen in the dialog NewFolder showed
    // once the book was found open and with room, as a new folder.
    AppendOutcome appendFolder(const QString &directory);
    // Takes the folder of row `row` out of the book.
    void removeFolder(int row);
    // Tells the user why `field` cannot be stored in a book line; false when it can't.
    bool acceptBookField(const QString &field, const QString &what);
    bool roomForFolder();

    const Book &m_book;
    BookStore &m_store;
    const FolderListModel &m_folders;
    NoteListCommands &m_noteList;
    UnsavedEdits &m_unsaved;
    Platform &m_platform;
};

} // namespace qb
