// The folders a search of a book goes through, and the order of its hits: what the search's
// callers use beside the search itself.
#include "find/BookSearch.h"

#include "book/BookFile.h"

#include <tuple>

namespace qb {

QList<BookSearchFolder> bookSearchFolders(const BookState &book)
{
    QList<BookSearchFolder> folders;
    for (int row = 1; row <= book.FolderCount; ++row) {
        if (!book.Folders[row].Path.isEmpty())
            folders.append({row, book.Folders[row].Name, book.folderDir(row)});
    }
    return folders;
}

bool bookOrderLess(const BookSearchHit &a, const BookSearchHit &b)
{
    return std::tie(a.folderRow, a.noteIndex, a.position) <
           std::tie(b.folderRow, b.noteIndex, b.position);
}

} // namespace qb
