#include "book/Book.h"

namespace qb {

namespace {

// A book is a few lines: a pipe, a device or a huge file named ".qb" is no book, and reading
// one could hang or exhaust memory.
constexpr qint64 kLargestBook = 1024 * 1024;

} // namespace

BookRead readBookFile(const QString &path)
{
    const FileProbe probe = probeFile(path);
    if (probe.kind != FileProbe::Kind::Regular)
        return {std::nullopt, probe.error};
    const ReadResult read = readWholeFile(path, kLargestBook);
    if (read.tooLarge)
        return {};
    if (!read.ok())
        return {std::nullopt, read.error};
    return {parseBook(read.bytes), {}};
}

FileError writeBookFile(BookState &state, const QString &signatureLine)
{
    std::optional<QByteArray> bytes = bookFileBytes(state, signatureLine);
    if (!bytes) {
        // A name outside the book's code page: the book moves to UTF-8 rather than lose it.
        state.encoding = TextEncoding::Utf8;
        bytes = bookFileBytes(state, signatureLine);
    }
    return writeWholeFile(state.BookFilePath, *bytes).error;
}

Book::Book(QObject *parent) : QObject(parent) {}

void Book::adopt(const QString &path, const ParsedBook &book)
{
    m_state.BookFilePath = path;
    m_state.BookName = book.name;
    m_state.encoding = book.encoding;
    m_state.Folders.fill({});
    m_state.FolderCount = int(book.folders.size());
    for (int row = 1; row <= m_state.FolderCount; ++row)
        m_state.Folders[row] = book.folders.at(row - 1);
    Q_EMIT opened();
}

FileError Book::write(BookState state, const QString &signatureLine)
{
    if (FileError error = writeBookFile(state, signatureLine))
        return error;
    const bool renamed = state.BookName != m_state.BookName;
    m_state = std::move(state);
    if (renamed)
        Q_EMIT nameChanged();
    return std::nullopt;
}

} // namespace qb
