#include "book/BookStore.h"

#include "book/Book.h"
#include "platform/DateTimeText.h"
#include "platform/Platform.h"

using namespace Qt::StringLiterals;

namespace qb {

QString BookStore::signatureLine() const
{
    const QDateTime now = m_platform.now();
    return qb::signatureLine(shortDateText(now.date()), longTimeText(now.time()),
                             MakeSignature(m_platform.userName()));
}

bool BookStore::openBookFile(const QString &path)
{
    const BookRead read = readBookFile(path);
    if (!read.error.isEmpty()) {
        m_platform.messageBox(u"Quirebox can't read the book file "_s + quoted(path) + u".\r\n"_s +
                                  read.error,
                              Platform::Buttons::Ok, Platform::Icon::Exclamation, u"Quirebox"_s);
        return false;
    }
    if (!read.book) {
        m_platform.messageBox(u"The file "_s + quoted(path) + u" isn't a valid Quirebox file."_s,
                              Platform::Buttons::Ok, Platform::Icon::Exclamation, u"Quirebox"_s);
        return false;
    }
    if (read.book->droppedFolders > 0) {
        m_platform.messageBox(
            u"The book %1 lists %2 folders, but a book holds at most %3. Only the first %3 "
            "are used; the others will be left out when the book is next written."_s
                .arg(quoted(path))
                .arg(kMaxFolders + read.book->droppedFolders)
                .arg(kMaxFolders),
            Platform::Buttons::Ok, Platform::Icon::Exclamation, u"Quirebox"_s);
    }
    for (const RefusedLine &line : std::as_const(read.book->refused)) {
        m_platform.messageBox(u"Line %1 of the book %2 is left out, and will be left out when the "
                              "book is next written.\r\n"_s.arg(line.number)
                                      .arg(quoted(path)) +
                                  line.reason,
                              Platform::Buttons::Ok, Platform::Icon::Exclamation, u"Quirebox"_s);
    }
    m_book.adopt(path, *read.book);
    return true;
}

bool BookStore::LoadBook()
{
    return openBookFile(m_book.state().BookFilePath);
}

namespace {

bool reportWrite(Platform &platform, const QString &path, const FileError &error)
{
    if (!error)
        return true;
    platform.messageBox(u"Quirebox can't write the book file "_s + quoted(path) + u".\r\n"_s +
                            *error,
                        Platform::Buttons::Ok, Platform::Icon::Exclamation, u"Quirebox"_s);
    return false;
}

} // namespace

bool BookStore::writeBook(const BookState &state)
{
    return reportWrite(m_platform, state.BookFilePath, m_book.write(state, signatureLine()));
}

bool BookStore::writeNewBook(BookState state)
{
    return reportWrite(m_platform, state.BookFilePath, writeBookFile(state, signatureLine()));
}

} // namespace qb
