// The book file format: what is read from a .qb file and what is written back.
#include "TestFiles.h"
#include "book/Book.h"
#include "book/BookFile.h"
#include "platform/DateTimeText.h"

#include <QTemporaryDir>
#include <QtTest/QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace qb;

namespace {

QByteArray BookOf(const QByteArray &rest)
{
    return "Mossgrange's Quirebox v3_[A1]\r\n" + rest;
}

} // namespace

class TestBookFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reads()
    {
        using Folders = QList<FolderEntry>;
        const QList<std::tuple<QByteArray, QString, Folders>> rows = {
            {BookOf("Name=Cookbook=2\r\nSignature=x\r\n"), u"Cookbook=2"_s, {}},
            {BookOf("Cookbook\r\nSig\r\nA;/a;\r\n"), u"Cookbook"_s, {{u"A"_s, u"/a"_s}}},
            // An empty line, an empty path, and more after the second ";".
            {BookOf("Name=N\r\nS\r\nA;C:\\a;\r\n\r\nB;;\r\nC;C:\\c;extra\r\n"),
             u"N"_s,
             {{u"A"_s, u"C:\\a"_s}, {u"C"_s, u"C:\\c"_s}}},
            // Rows with fewer than two ";" are skipped.
            {BookOf("Name=N\r\nS\r\nnothing\r\nA;/a\r\nB;/b;\r\n"), u"N"_s, {{u"B"_s, u"/b"_s}}},
            {"Mossgrange's Quirebox v3_[A1]\nName=L\nS\nA;/a;\n", u"L"_s, {{u"A"_s, u"/a"_s}}},
            {BookOf("Name=Short"), u"Short"_s, {}},
            {BookOf({}).trimmed(), QString(), {}},
            {BookOf("Name= Spaced \r\nS\r\n My notes ; /home/x/My notes ;\r\n"),
             u" Spaced "_s,
             {{u" My notes "_s, u" /home/x/My notes "_s}}}};
        for (const auto &[bytes, name, folders] : rows) {
            const std::optional<ParsedBook> book = ParseBook(bytes);
            QVERIFY(book);
            QCOMPARE(book->name, name);
            QCOMPARE(book->folders, folders);
            QCOMPARE(book->droppedFolders, 0);
        }
        // A book holds at most 30 folders; the others are counted, to be told about.
        QByteArray lines;
        for (int i = 1; i <= 32; ++i)
            lines += "F;f" + QByteArray::number(i) + ";\r\n";
        const std::optional<ParsedBook> big = ParseBook(BookOf("Name=N\r\nS\r\n" + lines));
        QCOMPARE(big->folders.size(), 30);
        QCOMPARE(big->folders.constLast().Path, u"f30"_s);
        QCOMPARE(big->droppedFolders, 2);
        for (const QByteArray &notABook : {QByteArray(), "\r\n" + BookOf({}), BookOf({}).toLower(),
                                           "Shopping list\r\nbread\r\n"_ba})
            QVERIFY(!ParseBook(notABook));
        // A missing file, one that isn't regular, or one larger than any book is no book, and
        // nothing hangs on a pipe.
        QTemporaryDir dir;
        const QString book = dir.filePath(u"book.qb"_s), pipe = dir.filePath(u"pipe.qb"_s);
        QVERIFY(test::WriteBytes(book, BookOf("Name=B\r\nS\r\nA;a;\r\n")));
        QCOMPARE(ReadBookFile(book).book->folders, QList<FolderEntry>({{u"A"_s, u"a"_s}}));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QVERIFY(test::WriteBytes(dir.filePath(u"huge.qb"_s), BookOf(QByteArray(2 << 20, ' '))));
        for (const QString &name : {u"gone.qb"_s, u"pipe.qb"_s, u"huge.qb"_s, QString()})
            QVERIFY2(ReadBookFile(dir.filePath(name)).notABook(), qPrintable(name));
    }

    // Written as read: UTF-8 by default, Windows-1252 for a book read so, unless a character
    // has no byte there.
    void writesWhatItReads()
    {
        BookState book;
        book.BookName = u"Récits = 2"_s;
        book.FolderCount = 2;
        book.Folders[1] = {u"Zeta"_s, u"/data/zeta"_s};
        book.Folders[2] = {u"Ünï"_s, u"/home/me/Alpha Notes"_s};
        const std::optional<QByteArray> bytes =
            BookFileBytes(book, SignatureLine(u"6/12/2026"_s, u"14:05:09"_s, u"Operator"_s));
        QCOMPARE(*bytes,
                 BookOf("Name=R\xc3\xa9"
                        "cits = 2\r\nSignature=6/12/2026;14:05:09;Operator;"
                        "\r\nZeta;/data/zeta;\r\n\xc3\x9cn\xc3\xaf;/home/me/Alpha Notes;\r\n"));

        const QByteArray windows = BookOf("Name=Caf\xe9\r\nS\r\nM\xfcll;C:\\M\xfcll;\r\n");
        const std::optional<ParsedBook> parsed = ParseBook(windows);
        QCOMPARE(parsed->encoding, TextEncoding::Windows1252);
        QCOMPARE(parsed->folders, QList<FolderEntry>({{u"Müll"_s, u"C:\\Müll"_s}}));
        book = {};
        book.encoding = parsed->encoding;
        book.BookName = parsed->name;
        book.FolderCount = 1;
        book.Folders[1] = parsed->folders.value(0);
        QCOMPARE(*BookFileBytes(book, u"d;t;s;"_s),
                 BookOf("Name=Caf\xe9\r\nSignature=d;t;s;\r\nM\xfcll;C:\\M\xfcll;\r\n"));
        book.BookName = u"Кафе"_s;
        QVERIFY(!BookFileBytes(book, {}));
        book.encoding = TextEncoding::Utf8;
        QVERIFY(BookFileBytes(book, {})->contains("Name=\xd0\x9a"));
    }

    // The signature is the user's name, first letter in upper case, within the 50-character
    // buffer the format was made with; ".qb" is added when missing; a relative folder path is
    // taken from the book's directory, so that a book and its folders can be moved together.
    void namesAndPaths()
    {
        QCOMPARE(MakeSignature(u"OPERATOR"_s), u"Operator"_s);
        QCOMPARE(MakeSignature(u"night shift"_s), u"Night shift"_s);
        QCOMPARE(MakeSignature(QString()), QString());
        QCOMPARE(MakeSignature(QString(49, u'a')), u"A"_s + QString(48, u'a'));
        QCOMPARE(MakeSignature(QString(50, u'a')), QString()); // past the 50-character buffer
        QCOMPARE(EnsureBookExtension(u"Cook"_s), u"Cook.qb"_s);
        QCOMPARE(EnsureBookExtension(u"Cook.QB"_s), u"Cook.QB"_s);
        QCOMPARE(EnsureBookExtension(u"Cook.qb.txt"_s), u"Cook.qb.txt.qb"_s);

        QCOMPARE(ResolveFolderPath(u"/books/demo.qb"_s, u"../notes/x"_s), u"/notes/x"_s);
        QCOMPARE(ResolveFolderPath(u"/books/demo.qb"_s, u"/abs/dir"_s), u"/abs/dir"_s);
        BookState book;
        book.BookFilePath = u"/moved/book.qb"_s;
        book.FolderCount = 1;
        book.Folders[1] = {u"R"_s, u"Recipes"_s};
        QCOMPARE(book.FolderDir(1), u"/moved/Recipes"_s);
        QCOMPARE(book.FolderDir(31), QString());
    }

    // The open book takes a changed state only once it is written.
    void bookChangesOnlyWhenWritten()
    {
        QTemporaryDir dir;
        Book book;
        book.adopt(dir.filePath(u"gone/book.qb"_s),
                   *ParseBook(BookOf("Name=Old\r\nS\r\nA;a;\r\n")));
        BookState changed = book.state();
        changed.BookName = u"New"_s;
        changed.Folders[1].Name = u"B"_s;
        QVERIFY(book.write(changed, u"s"_s).has_value());
        QCOMPARE(book.state().BookName, u"Old"_s);
        QCOMPARE(book.state().Folders[1].Name, u"A"_s);
        changed.BookFilePath = dir.filePath(u"book.qb"_s);
        QCOMPARE(book.write(changed, u"s"_s), std::nullopt);
        QCOMPARE(book.state().Folders[1].Name, u"B"_s);
        QCOMPARE(ParseBook(test::ReadBytes(changed.BookFilePath))->name, u"New"_s);
    }

    // The time put into a book or a note names no time zone, in any language.
    void longTimeHasNoZone()
    {
        for (const QLocale &locale : {QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::German, QLocale::Germany), QLocale::c()}) {
            const QString text = LongTimeText(QTime(14, 5, 9), locale);
            QVERIFY2(text.contains(u"05:09"_s) && !text.contains(u"UTC"_s) &&
                         text == text.trimmed(),
                     qPrintable(text));
        }
    }
};

QTEST_GUILESS_MAIN(TestBookFile)
#include "test_bookfile.moc"
