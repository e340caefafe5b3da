#pragma once

#include "platform/CodePage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace qb {

inline constexpr int kMaxFolders = 30;

struct FolderEntry
{
    QString Name; // shown in lstFLDS
    QString Path; // the directory; empty marks a removed row that SaveBook leaves out
    friend bool operator==(const FolderEntry &, const FolderEntry &) = default;
};

// The one record of the open book. Rows 1..FolderCount of Folders are in use; row 0 never is.
struct BookState
{
    QString BookFilePath;
    QString BookName;
    std::array<FolderEntry, kMaxFolders + 1> Folders;
    int FolderCount = 0;
    // A book is written back in the encoding it was read in; a new one is UTF-8.
    TextEncoding encoding = TextEncoding::Utf8;

    bool isOpen() const { return !BookFilePath.isEmpty(); }
    // The directory of row `row`, a relative path taken from the book file's directory.
    QString folderDir(int row) const;
};

QString BookHeader();

// A folder line a book cannot take as it is.
struct RefusedLine
{
    int number = 0; // from 1, as an editor counts the file's lines
    QString reason;
};

struct ParsedBook
{
    QString name;
    QList<FolderEntry> folders; // at most kMaxFolders, in file order
    int droppedFolders = 0;     // rows past the 30th, not taken
    // Folder lines whose name or directory holds what no folder can: a NUL, which would cut the
    // path short, or another control character. They are not taken.
    QList<RefusedLine> refused;
    TextEncoding encoding = TextEncoding::Utf8;
};

// nullopt when the first line is not the book header.
std::optional<ParsedBook> parseBook(QByteArrayView bytes);

// The whole book file. `signatureLine` is the text after "Signature=".
// nullopt when the book is Windows-1252 and holds a character that code page cannot store. A
// Windows-1252 book whose bytes in that code page would read back as UTF-8 is written in UTF-8.
std::optional<QByteArray> bookFileBytes(const BookState &book, const QString &signatureLine);

QString signatureLine(const QString &date, const QString &time, const QString &signature);

// The user name with its first letter in upper case and the rest in lower case; empty when
// there is none or it would not fit the 50-character buffer the book format was made with.
QString MakeSignature(const QString &userName);

QString EnsureBookExtension(const QString &path);

// A folder path written relative is taken relative to the book file's directory, so a book
// and its folders can be moved together.
QString resolveFolderPath(const QString &bookFilePath, const QString &folderPath);

// Why a folder name or path cannot be stored in a book line, or an empty string.
QString bookFieldProblem(const QString &field);

} // namespace qb
