#pragma once

namespace qb {

class Book;
class BookStore;
class CommonDialog;
class Platform;
class UnsavedEdits;

// The Book menu's New, Open and Rename.
class BookCommands
{
public:
    BookCommands(Book &book, BookStore &store, UnsavedEdits &unsaved, Platform &platform,
                 CommonDialog &cD)
        : m_book(book), m_store(store), m_unsaved(unsaved), m_platform(platform), m_cD(cD)
    {
    }

    void NewBook();
    void OpenBook();
    void RenameBook();

private:
    Book &m_book;
    BookStore &m_store;
    UnsavedEdits &m_unsaved;
    Platform &m_platform;
    CommonDialog &m_cD;
};

} // namespace qb
