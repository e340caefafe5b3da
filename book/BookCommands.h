#pragma once

#include <QString>

#include "book/BookFile.h"

namespace qb {

class frmQB;

// Reading and writing the open book, and the Book menu's New, Open and Rename.
class BookCommands
{
public:
    explicit BookCommands(frmQB &window) : m_window(window) {}

    // Opens the book at `path`. A file that cannot be read or is not a book is refused with a
    // message and everything that was open stays open exactly as it was.
    bool OpenBookFile(const QString &path);
    // Reads the open book back from its file: renumbers the folders, refills lstFLDS, selects
    // the first folder, switches the commands on, empties the editor, refills the note list.
    bool LoadBook();
    // Writes the open book. A failure is reported, the old file is kept, and the book is read
    // back so that what is shown is what is stored.
    bool SaveBook();
    // Writes `state` to its file, reporting a failure; the old file is kept on failure. A book
    // read as Windows-1252 that now holds a character outside it is written as UTF-8.
    bool WriteBook(BookState &state);

    void NewBook();
    void OpenBook();
    void RenameBook();

private:
    QString SignatureText() const;

    frmQB &m_window;
};

} // namespace qb
