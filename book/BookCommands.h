#pragma once

namespace qb {

class Book;
class BookStore;
class CommonDialog;
class CurrentNote;
class Platform;

// The Book menu's New, Open and Rename.
class BookCommands
{
public:
    BookCommands(Book &book, BookStore &store, CurrentNote &currentNote, Platform &platform,
                 CommonDialog &cD)
        : m_book(book), m_store(store), m_currentNote(currentNote), m_platform(platform), m_cD(cD)
    {
    }

    void NewBook();
    void OpenBook();
    void RenameBook();

private:
    Book &m_book;
    BookStore &m_store;
    CurrentNote &m_currentNote;
    Platform &m_platform;
    CommonDialog &m_cD;
};

} // namespace qb
