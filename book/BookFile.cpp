#include "book/BookFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

// The same test as a note's, so that the same bytes never read as one text in a book and as
// another in a note.
QString decodeBook(QByteArrayView bytes, TextEncoding *encoding)
{
    if (isStrictUtf8(bytes)) {
        *encoding = TextEncoding::Utf8;
        // Drops a byte order mark before the header.
        return QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless)(bytes);
    }
    *encoding = TextEncoding::Windows1252;
    return decodeWindows1252(bytes);
}

// The first control character of `field`: C0 (NUL among them), DEL or C1.
std::optional<char16_t> controlCharacter(QStringView field)
{
    for (const QChar c : field) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u < 0xA0))
            return u;
    }
    return std::nullopt;
}

QString controlCharacterText(char16_t c)
{
    const QString code = QString::number(uint(c), 16).toUpper().rightJustified(4, u'0');
    return u"It holds the control character U+"_s + code +
           u", which a folder's name or directory cannot hold."_s;
}

} // namespace

QString BookHeader()
{
    return u"Mossgrange's Quirebox v3_[A1]"_s;
}

std::optional<ParsedBook> parseBook(QByteArrayView bytes)
{
    ParsedBook book;
    const QString text = decodeBook(bytes, &book.encoding);
    // CR LF and LF are both line ends; a lone CR at a line's end is taken with it.
    QStringList lines = text.split(u'\n');
    for (QString &line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    if (lines.isEmpty() || lines.first() != BookHeader())
        return std::nullopt;

    const QString nameLine = lines.value(1);
    const qsizetype eq = nameLine.indexOf(u'=');
    book.name = eq < 0 ? nameLine : nameLine.mid(eq + 1);

    for (qsizetype i = 3; i < lines.size(); ++i) {
        const QStringView line = lines.at(i);
        const qsizetype first = line.indexOf(u';');
        const qsizetype second = first < 0 ? -1 : line.indexOf(u';', first + 1);
        if (second < 0)
            continue; // not a folder row
        const QStringView path = line.sliced(first + 1, second - first - 1);
        if (path.isEmpty())
            continue;
        if (const std::optional<char16_t> c = controlCharacter(line.first(second))) {
            book.refused.append({int(i + 1), controlCharacterText(*c)});
            continue;
        }
        if (book.folders.size() == kMaxFolders) {
            ++book.droppedFolders;
            continue;
        }
        book.folders.append({line.first(first).toString(), path.toString()});
    }
    return book;
}

QString signatureLine(const QString &date, const QString &time, const QString &signature)
{
    return date + u';' + time + u';' + signature + u';';
}

std::optional<QByteArray> bookFileBytes(const BookState &book, const QString &signatureLine)
{
    QString text = BookHeader() + u"\r\n"_s;
    text += u"Name="_s + book.BookName + u"\r\n"_s;
    text += u"Signature="_s + signatureLine + u"\r\n"_s;
    for (int i = 1; i <= book.FolderCount; ++i) {
        const FolderEntry &folder = book.Folders[i];
        if (!folder.Path.isEmpty())
            text += folder.Name + u';' + folder.Path + u";\r\n"_s;
    }
    if (book.encoding == TextEncoding::Utf8)
        return text.toUtf8();
    std::optional<QByteArray> bytes = encodeWindows1252(text);
    // Windows-1252 bytes that are valid UTF-8 would be read back as UTF-8, as other characters
    // ("Ò’" as "Ғ"): the same characters are written in UTF-8 instead.
    if (bytes && readsBackAsUtf8(*bytes))
        return text.toUtf8();
    return bytes;
}

QString MakeSignature(const QString &userName)
{
    // A signature holds at most 49 characters of the name; a longer name gives none.
    if (userName.isEmpty() || userName.size() > 49)
        return {};
    const QString lower = userName.toLower();
    return lower.first(1).toUpper() + lower.sliced(1);
}

QString EnsureBookExtension(const QString &path)
{
    if (path.right(3).toLower() != u".qb")
        return path + u".qb"_s;
    return path;
}

QString resolveFolderPath(const QString &bookFilePath, const QString &folderPath)
{
    if (folderPath.isEmpty() || QDir::isAbsolutePath(folderPath))
        return folderPath;
    const QDir bookDir = QFileInfo(bookFilePath).absoluteDir();
    return QDir::cleanPath(bookDir.absoluteFilePath(folderPath));
}

QString BookState::folderDir(int row) const
{
    if (row < 1 || row > kMaxFolders)
        return {};
    return resolveFolderPath(BookFilePath, Folders[row].Path);
}

QString bookFieldProblem(const QString &field)
{
    if (field.contains(u';'))
        return u"It holds a \";\", which a book file uses to separate a folder's name from its "
               "directory."_s;
    if (field.contains(u'\n') || field.contains(u'\r'))
        return u"It holds a line break, which a book file cannot store in a folder line."_s;
    if (const std::optional<char16_t> c = controlCharacter(field))
        return controlCharacterText(*c);
    return {};
}

} // namespace qb
