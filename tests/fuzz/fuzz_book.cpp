// Any bytes: when they are read as a book, writing that book and reading it again gives the same
// name and folder rows, and writing it once more gives the same bytes.
#include "FuzzCheck.h"
#include "book/BookFile.h"

#include <cstddef>
#include <cstdint>

using namespace Qt::StringLiterals;
using qb::fuzz::require;
using qb::fuzz::requireSame;

namespace {

// The open book as the program fills it from a file it read.
qb::BookState openedBook(const qb::ParsedBook &parsed)
{
    qb::BookState book;
    book.BookFilePath = u"book.qb"_s;
    book.BookName = parsed.name;
    book.encoding = parsed.encoding;
    book.FolderCount = int(parsed.folders.size());
    for (int row = 1; row <= book.FolderCount; ++row)
        book.Folders[row] = parsed.folders.at(row - 1);
    return book;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::optional<qb::ParsedBook> read = qb::parseBook(QByteArrayView(data, qsizetype(size)));
    if (!read)
        return 0;
    const QString signature = qb::signatureLine(u"6/12/2026"_s, u"14:05:09"_s, u"Operator"_s);
    const std::optional<QByteArray> written = qb::bookFileBytes(openedBook(*read), signature);
    // Every character came from the file, so the encoding it was read in can store it.
    require(written.has_value(), "a book that was read cannot be written in its own encoding");

    const std::optional<qb::ParsedBook> reread = qb::parseBook(*written);
    require(reread.has_value(), "a written book is not read as a book");
    require(reread->name == read->name, "the book's name changed");
    require(reread->folders == read->folders, "the book's folder rows changed");
    require(reread->droppedFolders == 0, "a written book holds more folders than a book may");

    const std::optional<QByteArray> again = qb::bookFileBytes(openedBook(*reread), signature);
    require(again.has_value(), "a written book cannot be written again");
    requireSame(*written, *again, "writing the book read back gives other bytes");
    return 0;
}
