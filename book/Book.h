#pragma once

#include "book/BookFile.h"
#include "platform/SafeFile.h"

#include <QObject>

#include <optional>

namespace qb {

// What reading a book file gave.
struct BookRead
{
    std::optional<ParsedBook> book; // nullopt: no book was read
    QString error;                  // why the file could not be read; empty when it could
    bool notABook() const { return !book && error.isEmpty(); }
};

// Reads and parses the book file at `path`. A file larger than any book is no book; one that is
// missing (a link to nowhere too), is no regular file, or fails while it is read gives the
// system's reason.
BookRead readBookFile(const QString &path);

// Writes `state` to its file. A book read as Windows-1252 that now holds a character outside
// it is written as UTF-8, and `state` says so.
FileError writeBookFile(BookState &state, const QString &signatureLine);

// The open book: the one BookState of the program. It changes only to what was read from a
// file or written to one, so that what the window shows is what is stored.
class Book final : public QObject
{
    Q_OBJECT
public:
    explicit Book(QObject *parent = nullptr);

    const BookState &state() const { return m_state; }
    bool isOpen() const { return m_state.isOpen(); }
    // The directory of folder row `row`; empty for no such row.
    QString folderDir(int row) const { return m_state.folderDir(row); }

    // Takes the book read from `path` as the open book.
    void adopt(const QString &path, const ParsedBook &book);
    // Writes `state`, the open book changed, to its file, and takes it once written.
    FileError write(BookState state, const QString &signatureLine);

Q_SIGNALS:
    // A book was read: its name, its folders and its file may all be new.
    void opened();
    void nameChanged();

private:
    BookState m_state;
};

} // namespace qb
