// The book file format: what is read from a .qb file and what is written back.
#include "RowLabel.h"
#include "TestFiles.h"
#include "book/Book.h"
#include "book/BookFile.h"
#include "encoder/NoteCodec.h"
#include "platform/DateTimeText.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace qb;

namespace {

QByteArray bookOf(const QByteArray &rest)
{
    return "Mossgrange's Quirebox v3_[A1]\r\n" + rest;
}

BookState stateOf(TextEncoding encoding, const QString &name, const QList<FolderEntry> &rows)
{
    BookState book;
    book.encoding = encoding;
    book.BookName = name;
    book.FolderCount = int(rows.size());
    std::copy(rows.begin(), rows.end(), book.Folders.begin() + 1);
    return book;
}

// The rows a written book must read back with: removed rows are left out.
QList<FolderEntry> keptRows(const QList<FolderEntry> &rows)
{
    QList<FolderEntry> kept;
    std::copy_if(rows.begin(), rows.end(), std::back_inserter(kept),
                 [](const FolderEntry &row) { return !row.Path.isEmpty(); });
    return kept;
}

} // namespace

class TestBookFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reads_data()
    {
        using Folders = QList<FolderEntry>;
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<Folders>("folders");
        QTest::newRow("a name holding \"=\"")
            << bookOf("Name=Cookbook=2\r\nSignature=x\r\n") << u"Cookbook=2"_s << Folders();
        QTest::newRow("a name line without \"Name=\"")
            << bookOf("Cookbook\r\nSig\r\nA;/a;\r\n") << u"Cookbook"_s
            << Folders{{u"A"_s, u"/a"_s}};
        QTest::newRow("an empty line, an empty path, more after the second \";\"")
            << bookOf("Name=N\r\nS\r\nA;C:\\a;\r\n\r\nB;;\r\nC;C:\\c;extra\r\n") << u"N"_s
            << Folders{{u"A"_s, u"C:\\a"_s}, {u"C"_s, u"C:\\c"_s}};
        QTest::newRow("rows with fewer than two \";\" skipped")
            << bookOf("Name=N\r\nS\r\nnothing\r\nA;/a\r\nB;/b;\r\n") << u"N"_s
            << Folders{{u"B"_s, u"/b"_s}};
        QTest::newRow("LF line ends") << "Mossgrange's Quirebox v3_[A1]\nName=L\nS\nA;/a;\n"_ba
                                      << u"L"_s << Folders{{u"A"_s, u"/a"_s}};
        QTest::newRow("a name line that ends the file")
            << bookOf("Name=Short") << u"Short"_s << Folders();
        QTest::newRow("the first line alone") << bookOf({}).trimmed() << QString() << Folders();
        QTest::newRow("blanks around the name, a folder's name and its directory")
            << bookOf("Name= Spaced \r\nS\r\n My notes ; /home/x/My notes ;\r\n") << u" Spaced "_s
            << Folders{{u" My notes "_s, u" /home/x/My notes "_s}};
    }
    void reads()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QFETCH(QList<FolderEntry>, folders);
        const std::optional<ParsedBook> book = parseBook(bytes);
        QVERIFY(book);
        QCOMPARE(book->name, name);
        QCOMPARE(book->folders, folders);
        QCOMPARE(book->droppedFolders, 0);
    }

    // A book holds at most 30 folders; the others are counted, to be told about.
    void readsThirtyFoldersAtMost()
    {
        QByteArray lines;
        for (int i = 1; i <= 32; ++i)
            lines += "F;f" + QByteArray::number(i) + ";\r\n";
        const std::optional<ParsedBook> big = parseBook(bookOf("Name=N\r\nS\r\n" + lines));
        QCOMPARE(big->folders.size(), 30);
        QCOMPARE(big->folders.constLast().Path, u"f30"_s);
        QCOMPARE(big->droppedFolders, 2);
    }

    // A NUL would cut the directory short, naming another one; no control character is taken.
    void refusesControlCharacters()
    {
        const std::optional<ParsedBook> controls = parseBook(
            bookOf("Name=N\r\nS\r\nA;/a\0b;\r\nT\tab;/t;\r\nDel\x7F;/d;\r\nOk;/ok;\r\n"_ba));
        QCOMPARE(controls->folders, QList<FolderEntry>({{u"Ok"_s, u"/ok"_s}}));
        QStringList refused;
        for (const RefusedLine &line : controls->refused)
            refused << QString::number(line.number) + u' ' + line.reason.section(u',', 0, 0);
        QCOMPARE(refused, QStringList({u"4 It holds the control character U+0000"_s,
                                       u"5 It holds the control character U+0009"_s,
                                       u"6 It holds the control character U+007F"_s}));
        QCOMPARE(bookFieldProblem(u"a\tb"_s),
                 u"It holds the control character U+0009, which a folder's name or directory "
                 "cannot hold."_s);
    }

    void notABook()
    {
        const QList<std::pair<const char *, QByteArray>> rows = {
            {"an empty file", {}},
            {"an empty line before the first", "\r\n" + bookOf({})},
            {"the first line in lower case", bookOf({}).toLower()},
            {"a note", "Shopping list\r\nbread\r\n"}};
        for (const auto &[row, notABook] : rows)
            QVERIFY2(!parseBook(notABook), row);
    }

    // A file larger than any book is no book. One that is missing (a link to nowhere or going
    // round in a loop too) or isn't regular is one that cannot be read, and why is the system's;
    // nothing hangs on a pipe.
    void readsOrdinaryFilesOnly()
    {
        QTemporaryDir dir;
        const QString book = dir.filePath(u"book.qb"_s), pipe = dir.filePath(u"pipe.qb"_s);
        QVERIFY(test::writeBytes(book, bookOf("Name=B\r\nS\r\nA;a;\r\n")));
        QCOMPARE(readBookFile(book).book->folders, QList<FolderEntry>({{u"A"_s, u"a"_s}}));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QVERIFY(test::writeBytes(dir.filePath(u"huge.qb"_s), bookOf(QByteArray(2 << 20, ' '))));
        QVERIFY(readBookFile(dir.filePath(u"huge.qb"_s)).notABook());
        QVERIFY(QFile::link(dir.filePath(u"nowhere.qb"_s), dir.filePath(u"dangling.qb"_s)));
        QVERIFY(QFile::link(dir.filePath(u"loop.qb"_s), dir.filePath(u"loop.qb"_s)));
        const QList<std::tuple<QString, QString, QString>> unreadable = {
            {u"a missing file"_s, u"gone.qb"_s, qt_error_string(ENOENT)},
            {u"a link to nowhere"_s, u"dangling.qb"_s, qt_error_string(ENOENT)},
            {u"a link to itself"_s, u"loop.qb"_s, qt_error_string(ELOOP)},
            {u"a pipe"_s, u"pipe.qb"_s,
             u"It isn't an ordinary file: it is a pipe, a device or a socket."_s},
            {u"a folder"_s, QString(), u"It is a folder, not a file."_s}};
        for (const auto &[row, name, reason] : unreadable) {
            const test::RowLabel label(row);
            QCOMPARE(readBookFile(dir.filePath(name)).error, reason);
        }
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
            bookFileBytes(book, signatureLine(u"6/12/2026"_s, u"14:05:09"_s, u"Operator"_s));
        QCOMPARE(*bytes,
                 bookOf("Name=R\xc3\xa9"
                        "cits = 2\r\nSignature=6/12/2026;14:05:09;Operator;"
                        "\r\nZeta;/data/zeta;\r\n\xc3\x9cn\xc3\xaf;/home/me/Alpha Notes;\r\n"));

        const QByteArray windows = bookOf("Name=Caf\xe9\r\nS\r\nM\xfcll;C:\\M\xfcll;\r\n");
        const std::optional<ParsedBook> parsed = parseBook(windows);
        QCOMPARE(parsed->encoding, TextEncoding::Windows1252);
        QCOMPARE(parsed->folders, QList<FolderEntry>({{u"Müll"_s, u"C:\\Müll"_s}}));
        book = {};
        book.encoding = parsed->encoding;
        book.BookName = parsed->name;
        book.FolderCount = 1;
        book.Folders[1] = parsed->folders.value(0);
        QCOMPARE(*bookFileBytes(book, u"d;t;s;"_s),
                 bookOf("Name=Caf\xe9\r\nSignature=d;t;s;\r\nM\xfcll;C:\\M\xfcll;\r\n"));
        book.BookName = u"Кафе"_s;
        QVERIFY(!bookFileBytes(book, {}));
        book.encoding = TextEncoding::Utf8;
        QVERIFY(bookFileBytes(book, {})->contains("Name=\xd0\x9a"));
    }

    // The same bytes are never read as one text in a book and as another in a note.
    void decidesTheEncodingAsANoteIs_data()
    {
        const auto ansi = TextEncoding::Windows1252;
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<QString>("name");
        QTest::newRow("UTF-8") << bookOf("Name=Caf\xc3\xa9") << TextEncoding::Utf8 << u"Café"_s;
        QTest::newRow("UTF-8 after a byte order mark")
            << "\xef\xbb\xbf" + bookOf("Name=\xe2\x82\xac") << TextEncoding::Utf8 << u"€"_s;
        QTest::newRow("Windows-1252") << bookOf("Name=Caf\xe9") << ansi << u"Café"_s;
        QTest::newRow("an encoded surrogate")
            << bookOf("Name=\xed\xa0\x80") << ansi << u"í\u00a0€"_s;
        QTest::newRow("an overlong slash") << bookOf("Name=\xc0\xaf") << ansi << u"À¯"_s;
        QTest::newRow("above U+10FFFF")
            << bookOf("Name=\xf4\x90\x80\x80") << ansi << u"ô\u0090€€"_s;
        QTest::newRow("a character cut short") << bookOf("Name=\xe2\x82") << ansi << u"â‚"_s;
    }
    void decidesTheEncodingAsANoteIs()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(TextEncoding, encoding);
        QFETCH(QString, name);
        const std::optional<ParsedBook> book = parseBook(bytes);
        QCOMPARE(book->encoding, encoding);
        QCOMPARE(detectNoteFormat(bytes).encoding, encoding);
        QCOMPARE(book->name, name);
    }

    // A Windows-1252 book whose bytes would read back as UTF-8 is written in UTF-8.
    void writtenBooksReadBack_data()
    {
        const auto ansi = TextEncoding::Windows1252;
        using Folders = QList<FolderEntry>;
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<QString>("name");
        QTest::addColumn<Folders>("folders");
        QTest::addColumn<QByteArray>("line");
        // D2 92 in Windows-1252 is valid UTF-8, for U+0492.
        QTest::newRow("Windows-1252 bytes that are UTF-8")
            << ansi << u"Ò’"_s << Folders{{u"A"_s, u"/a"_s}} << "Name=\xc3\x92\xe2\x80\x99\r\n"_ba;
        // EF BB BF: a byte order mark in the middle of the file when read as UTF-8.
        QTest::newRow("Windows-1252 bytes of a byte order mark")
            << ansi << u"N"_s << Folders{{u"ï»¿"_s, u" "_s}}
            << "\r\n\xc3\xaf\xc2\xbb\xc2\xbf; ;\r\n"_ba;
        QTest::newRow("one character that is not UTF-8 keeps Windows-1252")
            << ansi << u"Ò’ é"_s << Folders{{u"€"_s, u"C:\\€"_s}} << "Name=\xd2\x92 \xe9\r\n"_ba;
        QTest::newRow("a removed row left out")
            << TextEncoding::Utf8 << u"Ünïcödé"_s
            << Folders{{u"Gone"_s, QString()}, {u"Kept"_s, u"/k"_s}} << "\r\nKept;/k;\r\n"_ba;
    }
    void writtenBooksReadBack()
    {
        QFETCH(TextEncoding, encoding);
        QFETCH(QString, name);
        QFETCH(QList<FolderEntry>, folders);
        QFETCH(QByteArray, line);
        const std::optional<QByteArray> bytes =
            bookFileBytes(stateOf(encoding, name, folders), u"d;t;s;"_s);
        QVERIFY2(bytes->contains(line), bytes->toHex(' ').constData());
        const std::optional<ParsedBook> back = parseBook(*bytes);
        QCOMPARE(back->name, name);
        QCOMPARE(back->folders, keptRows(folders));
    }

    // Whatever the program writes, in either encoding, reads back as the same name and rows.
    // Books are made of pieces likely to trip an encoding: Windows-1252's upper half, runs of it
    // that are valid UTF-8 as bytes, and characters beyond it.
    void randomBooksReadBack()
    {
        // No control characters: a book refuses a folder line that holds one.
        const QStringView ascii = u" =/\\.-aZ0~#";
        QString windowsUpper;
        for (int b = 0x80; b <= 0xFF; ++b) {
            const QString c = decodeWindows1252(QByteArray(1, char(b)));
            if (!c.at(0).isNonCharacter() && c.at(0).category() != QChar::Other_Control)
                windowsUpper += c;
        }
        const QStringList beyond = {u"Кафе"_s,   u"漢字"_s,   u"😀"_s,      u"\ufeff"_s,
                                    u"\u2028"_s, u"\ufffd"_s, u"ƒ\u0492"_s};
        QRandomGenerator random(20261206);
        // A character whose UTF-8 bytes, read as Windows-1252, are each a character of that page.
        const auto utf8Lookalike = [&random] {
            for (;;) {
                const char32_t c =
                    random.bounded(2)
                        ? char32_t(random.bounded(0x80, 0x800))
                        : char32_t(random.bounded(2) ? random.bounded(0x800, 0xD800)
                                                     : random.bounded(0x10000, 0x110000));
                const QString look = decodeWindows1252(QString::fromUcs4(&c, 1).toUtf8());
                if (std::none_of(look.begin(), look.end(),
                                 [](QChar u) { return u.category() == QChar::Other_Control; }))
                    return look;
            }
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
            QList<FolderEntry> rows(random.bounded(kMaxFolders + 1));
            for (FolderEntry &row : rows) {
                row.Name = text(asUtf8Bytes, false);
                row.Path = random.bounded(10) ? text(asUtf8Bytes, true) : QString();
            }
            const QString signature =
                signatureLine(u"6/12/2026"_s, u"14:05:09"_s, text(asUtf8Bytes, false));
            for (const auto encoding : {TextEncoding::Utf8, TextEncoding::Windows1252}) {
                const test::RowLabel row(
                    u"round %1, a book named \"%2\" written in %3"_s.arg(round).arg(name).arg(
                        encoding == TextEncoding::Utf8 ? u"UTF-8"_s : u"Windows-1252"_s));
                const std::optional<QByteArray> bytes =
                    bookFileBytes(stateOf(encoding, name, rows), signature);
                if (!bytes) {
                    // Only a character outside the code page keeps a book from being written.
                    QCOMPARE(encoding, TextEncoding::Windows1252);
                    QVERIFY(!asUtf8Bytes);
                    continue;
                }
                if (encoding == TextEncoding::Windows1252 && asUtf8Bytes)
                    ++utf8LookingWindowsBooks;
                const std::optional<ParsedBook> back = parseBook(*bytes);
                const QByteArray where = "round " + QByteArray::number(round) + ", book named " +
                                         name.toUtf8() + ", first bytes " +
                                         bytes->mid(31, 40).toHex(' ');
                QVERIFY2(back, where.constData());
                QVERIFY2(back->name == name, where.constData());
                QVERIFY2(back->folders == keptRows(rows), where.constData());
            }
        }
        QVERIFY(utf8LookingWindowsBooks > 1000);
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

        QCOMPARE(resolveFolderPath(u"/books/demo.qb"_s, u"../notes/x"_s), u"/notes/x"_s);
        QCOMPARE(resolveFolderPath(u"/books/demo.qb"_s, u"/abs/dir"_s), u"/abs/dir"_s);
        BookState book;
        book.BookFilePath = u"/moved/book.qb"_s;
        book.FolderCount = 1;
        book.Folders[1] = {u"R"_s, u"Recipes"_s};
        QCOMPARE(book.folderDir(1), u"/moved/Recipes"_s);
        QCOMPARE(book.folderDir(31), QString());
    }

    // The open book takes a changed state only once it is written.
    void bookChangesOnlyWhenWritten()
    {
        QTemporaryDir dir;
        Book book;
        book.adopt(dir.filePath(u"gone/book.qb"_s),
                   *parseBook(bookOf("Name=Old\r\nS\r\nA;a;\r\n")));
        BookState changed = book.state();
        changed.BookName = u"New"_s;
        changed.Folders[1].Name = u"B"_s;
        QVERIFY(book.write(changed, u"s"_s).has_value());
        QCOMPARE(book.state().BookName, u"Old"_s);
        QCOMPARE(book.state().Folders[1].Name, u"A"_s);
        changed.BookFilePath = dir.filePath(u"book.qb"_s);
        QCOMPARE(book.write(changed, u"s"_s), std::nullopt);
        QCOMPARE(book.state().Folders[1].Name, u"B"_s);
        QCOMPARE(parseBook(test::readBytes(changed.BookFilePath))->name, u"New"_s);
    }

    // The time put into a book or a note names no time zone, in any language.
    void longTimeHasNoZone()
    {
        for (const QLocale &locale : {QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::German, QLocale::Germany), QLocale::c()}) {
            const QString text = longTimeText(QTime(14, 5, 9), locale);
            QVERIFY2(text.contains(u"05:09"_s) && !text.contains(u"UTC"_s) &&
                         text == text.trimmed(),
                     qPrintable(locale.name() + u": "_s + text));
        }
    }
};

QTEST_GUILESS_MAIN(TestBookFile)
#include "test_bookfile.moc"
