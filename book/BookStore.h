#pragma once

#include "book/BookFile.h"

#include <QString>

namespace qb {

class Book;
class Platform;

// Reads and writes the open book for the commands, telling the user what went wrong.
class BookStore
{
public:
    BookStore(Book &book, Platform &platform) : m_book(book), m_platform(platform) {}

    // Opens the book at `path`. A file that cannot be read or is not a book is refused with a
    // message, and everything that was open stays open exactly as it was.
    bool openBookFile(const QString &path);
    // Reads the open book back from its file: the window then shows what is stored.
    bool LoadBook();
    // Writes `state` as the open book; a failure is told, and the book stays as it was.
    bool writeBook(const BookState &state);
    // Writes a new book's file, to be opened after; a failure is told.
    bool writeNewBook(BookState state);
    // The text after "Signature=": the date, the time and the user's name.
    QString signatureLine() const;

private:
    Book &m_book;
    Platform &m_platform;
};

} // namespace qb
