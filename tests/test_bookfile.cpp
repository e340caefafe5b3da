// The book file format: what is read from a .qb file and what is written back.
#include "book/BookFile.h"
#include "platform/DateTimeText.h"

#include <QRandomGenerator>
#include <QtTest/QTest>

using namespace Qt::StringLiterals;
using qb::FolderEntry;

class TestBookFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsFolderRows_data();
    void readsFolderRows();
    void refusesWhatIsNotABook_data();
    void refusesWhatIsNotABook();
    void writesWhatItReadsBack();
    void keepsTheEncodingItWasReadIn();
    void decidesTheEncodingAsANoteIs_data();
    void decidesTheEncodingAsANoteIs();
    void writtenBooksReadBack_data();
    void writtenBooksReadBack();
    void randomBooksReadBack();
    void signatureAndExtensionRules_data();
    void signatureAndExtensionRules();
    void relativeFoldersFollowTheBook();
    void longTimeHasNoZone();
};

static QByteArray Book(const QByteArray &rest)
{
    return "Mossgrange's Quirebox v3_[A1]\r\n" + rest;
}

static qb::BookState BookOf(qb::TextEncoding encoding, const QString &name,
                            const QList<FolderEntry> &rows)
{
    qb::BookState book;
    book.encoding = encoding;
    book.BookName = name;
    book.FolderCount = int(rows.size());
    std::copy(rows.begin(), rows.end(), book.Folders.begin() + 1);
    return book;
}

// The rows a written book must read back with: removed rows are left out.
static QList<FolderEntry> KeptRows(const QList<FolderEntry> &rows)
{
    QList<FolderEntry> kept;
    std::copy_if(rows.begin(), rows.end(), std::back_inserter(kept),
                 [](const FolderEntry &row) { return !row.Path.isEmpty(); });
    return kept;
}

void TestBookFile::readsFolderRows_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QList<FolderEntry>>("folders");

    QTest::newRow("name with =") << Book("Name=Cookbook=2\r\nSignature=x\r\n") << u"Cookbook=2"_s
                                 << QList<FolderEntry>{};
    QTest::newRow("name line without =") << Book("Cookbook\r\nSig\r\nA;/a;\r\n") << u"Cookbook"_s
                                         << QList<FolderEntry>{{u"A"_s, u"/a"_s}};
    QTest::newRow("empty line, empty path, extra after the second ;")
        << Book("Name=N\r\nS\r\nA;C:\\a;\r\n\r\nB;;\r\nC;C:\\c;extra\r\n") << u"N"_s
        << QList<FolderEntry>{{u"A"_s, u"C:\\a"_s}, {u"C"_s, u"C:\\c"_s}};
    QTest::newRow("rows with fewer than two ; are skipped")
        << Book("Name=N\r\nS\r\nnothing\r\nA;/a\r\nB;/b;\r\n") << u"N"_s
        << QList<FolderEntry>{{u"B"_s, u"/b"_s}};
    QTest::newRow("LF line ends") << QByteArray("Mossgrange's Quirebox v3_[A1]\nName=L\nS\nA;/a;\n")
                                  << u"L"_s << QList<FolderEntry>{{u"A"_s, u"/a"_s}};
    QTest::newRow("header and name only")
        << Book("Name=Short") << u"Short"_s << QList<FolderEntry>{};
    QTest::newRow("header only") << QByteArray("Mossgrange's Quirebox v3_[A1]") << QString()
                                 << QList<FolderEntry>{};
    QTest::newRow("blanks kept as written")
        << Book("Name= Spaced \r\nS\r\n My notes ; /home/x/My notes ;\r\n") << u" Spaced "_s
        << QList<FolderEntry>{{u" My notes "_s, u" /home/x/My notes "_s}};
}

void TestBookFile::readsFolderRows()
{
    QFETCH(QByteArray, bytes);
    const auto book = qb::ParseBook(bytes);
    QVERIFY(book);
    QTEST(book->name, "name");
    QTEST(book->folders, "folders");
    QCOMPARE(book->droppedFolders, 0);
}

void TestBookFile::refusesWhatIsNotABook_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("empty first line") << QByteArray("\r\nMossgrange's Quirebox v3_[A1]\r\n");
    QTest::newRow("header in other letter case") << QByteArray("mossgrange's quirebox v3_[A1]\r\n");
    QTest::newRow("a note") << QByteArray("Shopping list\r\nbread\r\n");
}

void TestBookFile::refusesWhatIsNotABook()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(!qb::ParseBook(bytes));
}

void TestBookFile::writesWhatItReadsBack()
{
    qb::BookState book;
    book.BookName = u"Récits = 2"_s;
    book.FolderCount = 3;
    book.Folders[1] = {u"Zeta"_s, u"/data/zeta"_s};
    book.Folders[2] = {u"Alpha Notes"_s, u"/home/me/Alpha Notes"_s};
    book.Folders[3] = {u"Ünïcödé"_s, u"/data/ü"_s};
    const auto bytes =
        qb::BookFileBytes(book, qb::SignatureLine(u"6/12/2026"_s, u"14:05:09"_s, u"Operator"_s));
    QVERIFY(bytes);
    QVERIFY(bytes->startsWith("Mossgrange's Quirebox v3_[A1]\r\nName=R\xc3\xa9"));
    QVERIFY(bytes->contains("\r\nSignature=6/12/2026;14:05:09;Operator;\r\n"));
    QVERIFY(bytes->endsWith("\r\nZeta;/data/zeta;\r\nAlpha Notes;/home/me/Alpha Notes;\r\n"
                            "\xc3\x9cn\xc3\xaf"
                            "c\xc3\xb6"
                            "d\xc3\xa9;/data/\xc3\xbc;\r\n"));

    const auto back = qb::ParseBook(*bytes);
    QVERIFY(back);
    QCOMPARE(back->name, book.BookName);
    QCOMPARE(back->folders,
             (QList<FolderEntry>{book.Folders[1], book.Folders[2], book.Folders[3]}));
}

void TestBookFile::keepsTheEncodingItWasReadIn()
{
    // "Café" and "Müll" written by the Windows program: Windows-1252 bytes.
    const QByteArray windows = Book("Name=Caf\xe9\r\nS\r\nM\xfcll;C:\\M\xfcll;\r\n");
    const auto parsed = qb::ParseBook(windows);
    QVERIFY(parsed);
    QCOMPARE(parsed->encoding, qb::TextEncoding::Windows1252);
    QCOMPARE(parsed->name, u"Café"_s);
    QCOMPARE(parsed->folders.value(0).Path, u"C:\\Müll"_s);

    qb::BookState book;
    book.BookName = parsed->name;
    book.encoding = parsed->encoding;
    book.FolderCount = 1;
    book.Folders[1] = parsed->folders.value(0);
    const auto bytes = qb::BookFileBytes(book, u"d;t;s;"_s);
    QVERIFY(bytes);
    QVERIFY(bytes->contains("Name=Caf\xe9\r\n"));
    QVERIFY(bytes->endsWith("M\xfcll;C:\\M\xfcll;\r\n"));

    // A character Windows-1252 has no byte for cannot be written in it.
    book.BookName = u"Кафе"_s;
    QVERIFY(!qb::BookFileBytes(book, {}));
    book.encoding = qb::TextEncoding::Utf8;
    QVERIFY(qb::BookFileBytes(book, {})->contains("Name=\xd0\x9a"));
}

void TestBookFile::decidesTheEncodingAsANoteIs_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qb::TextEncoding>("encoding");
    QTest::addColumn<QString>("name");
    QTest::newRow("UTF-8") << Book("Name=Caf\xc3\xa9") << qb::TextEncoding::Utf8 << u"Café"_s;
    QTest::newRow("byte order mark before the header")
        << "\xef\xbb\xbf" + Book("Name=\xe2\x82\xac") << qb::TextEncoding::Utf8 << u"€"_s;
    QTest::newRow("Windows-1252") << Book("Name=Caf\xe9") << qb::TextEncoding::Windows1252
                                  << u"Café"_s;
    QTest::newRow("encoded surrogate")
        << Book("Name=\xed\xa0\x80") << qb::TextEncoding::Windows1252 << u"í\u00a0€"_s;
    QTest::newRow("overlong slash")
        << Book("Name=\xc0\xaf") << qb::TextEncoding::Windows1252 << u"À¯"_s;
    QTest::newRow("above U+10FFFF")
        << Book("Name=\xf4\x90\x80\x80") << qb::TextEncoding::Windows1252 << u"ô\u0090€€"_s;
    QTest::newRow("cut short at the end")
        << Book("Name=\xe2\x82") << qb::TextEncoding::Windows1252 << u"â‚"_s;
}

void TestBookFile::decidesTheEncodingAsANoteIs()
{
    // The same bytes are never read as one text in a book and as another in a note.
    QFETCH(QByteArray, bytes);
    QFETCH(qb::TextEncoding, encoding);
    const auto book = qb::ParseBook(bytes);
    QVERIFY(book);
    QCOMPARE(book->encoding, encoding);
    QCOMPARE(qb::DetectNoteFormat(bytes).encoding, encoding);
    QTEST(book->name, "name");
}

void TestBookFile::writtenBooksReadBack_data()
{
    QTest::addColumn<qb::TextEncoding>("encoding");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QList<FolderEntry>>("rows");
    QTest::addColumn<QByteArray>("line"); // one line of the bytes written

    const auto ansi = qb::TextEncoding::Windows1252;
    // D2 92 in Windows-1252 is valid UTF-8, for U+0492.
    QTest::newRow("Windows-1252 bytes that are UTF-8")
        << ansi << u"Ò’"_s << QList<FolderEntry>{{u"A"_s, u"/a"_s}}
        << QByteArray("Name=\xc3\x92\xe2\x80\x99\r\n");
    // EF BB BF: a byte order mark in the middle of the file when read as UTF-8.
    QTest::newRow("Windows-1252 folder name that is a UTF-8 mark")
        << ansi << u"N"_s << QList<FolderEntry>{{u"ï»¿"_s, u" "_s}}
        << QByteArray("\r\n\xc3\xaf\xc2\xbb\xc2\xbf; ;\r\n");
    QTest::newRow("one character that is not UTF-8 keeps Windows-1252")
        << ansi << u"Ò’ é"_s << QList<FolderEntry>{{u"€"_s, u"C:\\€"_s}}
        << QByteArray("Name=\xd2\x92 \xe9\r\n");
    QTest::newRow("removed rows left out")
        << qb::TextEncoding::Utf8 << u"Ünïcödé"_s
        << QList<FolderEntry>{{u"Gone"_s, QString()}, {u"Kept"_s, u"/k"_s}}
        << QByteArray("\r\nKept;/k;\r\n");
}

void TestBookFile::writtenBooksReadBack()
{
    QFETCH(qb::TextEncoding, encoding);
    QFETCH(QString, name);
    QFETCH(QList<FolderEntry>, rows);
    QFETCH(QByteArray, line);
    const auto bytes = qb::BookFileBytes(BookOf(encoding, name, rows), u"d;t;s;"_s);
    QVERIFY(bytes);
    QVERIFY2(bytes->contains(line), bytes->toHex(' ').constData());
    const auto back = qb::ParseBook(*bytes);
    QVERIFY(back);
    QCOMPARE(back->name, name);
    QCOMPARE(back->folders, KeptRows(rows));
}

void TestBookFile::randomBooksReadBack()
{
    // Whatever the program writes, in either encoding, reads back as the same name and rows.
    // Books are made of pieces likely to trip an encoding: Windows-1252's upper half, runs of it
    // that are valid UTF-8 as bytes, and characters beyond it.
    const QStringView ascii = u" =/\\.-aZ0~\t";
    QString windowsUpper;
    for (int b = 0x80; b <= 0xFF; ++b)
        windowsUpper += qb::DecodeWindows1252(QByteArray(1, char(b)));
    const QStringList beyond = {u"Кафе"_s,   u"漢字"_s,   u"😀"_s,      u"\ufeff"_s,
                                u"\u2028"_s, u"\ufffd"_s, u"ƒ\u0492"_s};
    QRandomGenerator random(20261206);
    // A character whose UTF-8 bytes, read as Windows-1252, are each a character of that page.
    const auto utf8Lookalike = [&random] {
        const char32_t c = random.bounded(2)
                               ? char32_t(random.bounded(0x80, 0x800))
                               : char32_t(random.bounded(2) ? random.bounded(0x800, 0xD800)
                                                            : random.bounded(0x10000, 0x110000));
        return qb::DecodeWindows1252(QString::fromUcs4(&c, 1).toUtf8());
    };
    const auto text = [&](bool asUtf8Bytes, bool field) {
        QString s;
        for (int n = random.bounded(field ? 1 : 0, 6); n > 0; --n) {
            const int kind = random.bounded(asUtf8Bytes ? 2 : 4);
            if (kind == 0)
                s += ascii.at(random.bounded(int(ascii.size())));
            else if (kind == 1)
                s += utf8Lookalike();
            else if (kind == 2)
                s += windowsUpper.at(random.bounded(int(windowsUpper.size())));
            else
                s += beyond.at(random.bounded(int(beyond.size())));
        }
        return s;
    };

    int utf8LookingWindowsBooks = 0;
    for (int round = 0; round < 3000; ++round) {
        const bool asUtf8Bytes = random.bounded(2);
        const QString name = text(asUtf8Bytes, false);
        QList<FolderEntry> rows(random.bounded(qb::MaxFolders + 1));
        for (FolderEntry &row : rows) {
            row.Name = text(asUtf8Bytes, false);
            row.Path = random.bounded(10) ? text(asUtf8Bytes, true) : QString();
        }
        const QString signature =
            qb::SignatureLine(u"6/12/2026"_s, u"14:05:09"_s, text(asUtf8Bytes, false));
        for (const auto encoding : {qb::TextEncoding::Utf8, qb::TextEncoding::Windows1252}) {
            const qb::BookState book = BookOf(encoding, name, rows);
            const auto bytes = qb::BookFileBytes(book, signature);
            if (!bytes) {
                // Only a character outside the code page keeps a book from being written.
                QCOMPARE(encoding, qb::TextEncoding::Windows1252);
                QVERIFY(!asUtf8Bytes);
                continue;
            }
            if (encoding == qb::TextEncoding::Windows1252 && asUtf8Bytes)
                ++utf8LookingWindowsBooks;
            const auto back = qb::ParseBook(*bytes);
            const QByteArray where = "round " + QByteArray::number(round) + ", book named " +
                                     name.toUtf8() + ", first bytes " +
                                     bytes->mid(31, 40).toHex(' ');
            QVERIFY2(back, where.constData());
            QVERIFY2(back->name == name, where.constData());
            QVERIFY2(back->folders == KeptRows(rows), where.constData());
        }
    }
    QVERIFY(utf8LookingWindowsBooks > 1000);
}

void TestBookFile::signatureAndExtensionRules_data()
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

void TestBookFile::signatureAndExtensionRules()
{
    QFETCH(QString, function);
    QFETCH(QString, input);
    QTEST(function == u"sig" ? qb::MakeSignature(input) : qb::EnsureBookExtension(input),
          "expected");
}

void TestBookFile::relativeFoldersFollowTheBook()
{
    QCOMPARE(qb::ResolveFolderPath(u"/books/demo.qb"_s, u"Recipes"_s), u"/books/Recipes"_s);
    QCOMPARE(qb::ResolveFolderPath(u"/books/demo.qb"_s, u"../notes/x"_s), u"/notes/x"_s);
    QCOMPARE(qb::ResolveFolderPath(u"/books/demo.qb"_s, u"/abs/dir"_s), u"/abs/dir"_s);

    qb::BookState book;
    book.BookFilePath = u"/moved/book.qb"_s;
    book.FolderCount = 1;
    book.Folders[1] = {u"R"_s, u"Recipes"_s};
    QCOMPARE(book.FolderDir(1), u"/moved/Recipes"_s);
    QCOMPARE(book.FolderDir(0), QString());
    QCOMPARE(book.FolderDir(31), QString());
}

void TestBookFile::longTimeHasNoZone()
{
    const QTime t(14, 5, 9);
    for (const QLocale &locale : {QLocale(QLocale::English, QLocale::UnitedStates),
                                  QLocale(QLocale::German, QLocale::Germany), QLocale::c()}) {
        const QString text = qb::LongTimeText(t, locale);
        QVERIFY2(text.contains(u"05"_s) && text.contains(u"09"_s), qPrintable(text));
        QVERIFY2(!text.contains(u"UTC"_s) && !text.contains(u"GMT"_s) && text == text.trimmed(),
                 qPrintable(text));
        QVERIFY2(!qb::ShortTimeText(t, locale).contains(u"09"_s), qPrintable(text));
    }
}

QTEST_GUILESS_MAIN(TestBookFile)
#include "test_bookfile.moc"
