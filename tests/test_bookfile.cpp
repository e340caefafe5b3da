// The book file format: what is read from a .qb file and what is written back.
#include "book/BookFile.h"
#include "platform/DateTimeText.h"

#include <QtTest/QTest>

using namespace Qt::StringLiterals;
using namespace qb;

namespace {

QByteArray Book(const QByteArray &rest)
{
    return "Mossgrange's Quirebox v3_[A1]\r\n" + rest;
}

} // namespace

class TestBookFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reads_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name"); // "-": no book
        QTest::addColumn<QList<FolderEntry>>("folders");
        using Folders = QList<FolderEntry>;
        QTest::newRow("name with =")
            << Book("Name=Cookbook=2\r\nSignature=x\r\n") << u"Cookbook=2"_s << Folders{};
        QTest::newRow("name line without =")
            << Book("Cookbook\r\nSig\r\nA;/a;\r\n") << u"Cookbook"_s << Folders{{u"A"_s, u"/a"_s}};
        QTest::newRow("empty line, empty path, extra after the second ;")
            << Book("Name=N\r\nS\r\nA;C:\\a;\r\n\r\nB;;\r\nC;C:\\c;extra\r\n") << u"N"_s
            << Folders{{u"A"_s, u"C:\\a"_s}, {u"C"_s, u"C:\\c"_s}};
        QTest::newRow("rows with fewer than two ; are skipped")
            << Book("Name=N\r\nS\r\nnothing\r\nA;/a\r\nB;/b;\r\n") << u"N"_s
            << Folders{{u"B"_s, u"/b"_s}};
        QTest::newRow("LF line ends") << "Mossgrange's Quirebox v3_[A1]\nName=L\nS\nA;/a;\n"_ba
                                      << u"L"_s << Folders{{u"A"_s, u"/a"_s}};
        QTest::newRow("header and name only") << Book("Name=Short") << u"Short"_s << Folders{};
        QTest::newRow("header only") << Book({}).trimmed() << QString() << Folders{};
        QTest::newRow("blanks kept as written")
            << Book("Name= Spaced \r\nS\r\n My notes ; /home/x/My notes ;\r\n") << u" Spaced "_s
            << Folders{{u" My notes "_s, u" /home/x/My notes "_s}};
        QTest::newRow("empty file") << QByteArray() << u"-"_s << Folders{};
        QTest::newRow("empty first line") << "\r\n" + Book({}) << u"-"_s << Folders{};
        QTest::newRow("header in other letter case") << Book({}).toLower() << u"-"_s << Folders{};
        QTest::newRow("a note") << "Shopping list\r\nbread\r\n"_ba << u"-"_s << Folders{};
    }

    void reads()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        const std::optional<ParsedBook> book = ParseBook(bytes);
        QCOMPARE(book.has_value(), name != u"-");
        if (!book)
            return;
        QCOMPARE(book->name, name);
        QTEST(book->folders, "folders");
        QCOMPARE(book->droppedFolders, 0);
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
                 Book("Name=R\xc3\xa9"
                      "cits = 2\r\nSignature=6/12/2026;14:05:09;Operator;"
                      "\r\nZeta;/data/zeta;\r\n\xc3\x9cn\xc3\xaf;/home/me/Alpha Notes;\r\n"));

        const QByteArray windows = Book("Name=Caf\xe9\r\nS\r\nM\xfcll;C:\\M\xfcll;\r\n");
        const std::optional<ParsedBook> parsed = ParseBook(windows);
        QCOMPARE(parsed->encoding, TextEncoding::Windows1252);
        QCOMPARE(parsed->name, u"Café"_s);
        QCOMPARE(parsed->folders, QList<FolderEntry>({{u"Müll"_s, u"C:\\Müll"_s}}));
        book.BookName = parsed->name;
        book.encoding = parsed->encoding;
        book.FolderCount = 1;
        book.Folders[1] = parsed->folders.value(0);
        QCOMPARE(*BookFileBytes(book, u"d;t;s;"_s),
                 Book("Name=Caf\xe9\r\nSignature=d;t;s;\r\nM\xfcll;C:\\M\xfcll;\r\n"));
        book.BookName = u"Кафе"_s;
        QVERIFY(!BookFileBytes(book, {}));
        book.encoding = TextEncoding::Utf8;
        QVERIFY(BookFileBytes(book, {})->contains("Name=\xd0\x9a"));
    }

    void signatureAndExtension_data()
    {
        QTest::addColumn<QString>("function");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("upper-case user") << u"sig"_s << u"OPERATOR"_s << u"Operator"_s;
        QTest::newRow("user with a blank") << u"sig"_s << u"night shift"_s << u"Night shift"_s;
        QTest::newRow("no user") << u"sig"_s << QString() << QString();
        QTest::newRow("49 characters fit")
            << u"sig"_s << QString(49, u'a') << u"A"_s + QString(48, u'a');
        QTest::newRow("50 characters do not") << u"sig"_s << QString(50, u'a') << QString();
        QTest::newRow("Cook") << u"ext"_s << u"Cook"_s << u"Cook.qb"_s;
        QTest::newRow("Cook.QB") << u"ext"_s << u"Cook.QB"_s << u"Cook.QB"_s;
        QTest::newRow("Cook.qb.txt") << u"ext"_s << u"Cook.qb.txt"_s << u"Cook.qb.txt.qb"_s;
    }

    void signatureAndExtension()
    {
        QFETCH(QString, function);
        QFETCH(QString, input);
        QTEST(function == u"sig" ? MakeSignature(input) : EnsureBookExtension(input), "expected");
    }

    // A book and its folders can be moved together.
    void relativeFoldersFollowTheBook()
    {
        QCOMPARE(ResolveFolderPath(u"/books/demo.qb"_s, u"../notes/x"_s), u"/notes/x"_s);
        QCOMPARE(ResolveFolderPath(u"/books/demo.qb"_s, u"/abs/dir"_s), u"/abs/dir"_s);
        BookState book;
        book.BookFilePath = u"/moved/book.qb"_s;
        book.FolderCount = 1;
        book.Folders[1] = {u"R"_s, u"Recipes"_s};
        QCOMPARE(book.FolderDir(1), u"/moved/Recipes"_s);
        QCOMPARE(book.FolderDir(31), QString());
    }

    void longTimeHasNoZone()
    {
        for (const QLocale &locale : {QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::German, QLocale::Germany), QLocale::c()}) {
            const QString text = LongTimeText(QTime(14, 5, 9), locale);
            QVERIFY2(text.contains(u"05"_s) && text.contains(u"09"_s), qPrintable(text));
            QVERIFY2(!text.contains(u"UTC"_s) && !text.contains(u"GMT"_s) && text == text.trimmed(),
                     qPrintable(text));
            QVERIFY2(!ShortTimeText(QTime(14, 5, 9), locale).contains(u"09"_s), qPrintable(text));
        }
    }
};

QTEST_GUILESS_MAIN(TestBookFile)
#include "test_bookfile.moc"
