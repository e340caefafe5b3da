#include "BookWindow.h"
#include "NoteWindow.h"
#include "book/BookCommands.h"

#include <QStandardPaths>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace qb;
using qb::test::BookWindow;
using Request = Platform::FileDialogRequest;

namespace {

const QStringList kFilters{u"Quirebox (QB) (*.qb)"_s, u"All Files (*)"_s};

// What a user can see of the open book, to tell whether a command changed it.
QString Shown(const BookWindow &b)
{
    return b.w->windowTitle() + u'|' + b.w->book().BookFilePath + u'|' + b.selector().join(u',');
}

} // namespace

class TestBookCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // New Book: the prompt, the save dialog, the file written with ".qb" added. Open Book: the
    // dialog, ".qb" added to a name picked without it, the dialog starting with its last name.
    void newAndOpenBook()
    {
        BookWindow b({u"Alpha"_s});
        b.p.answerInput(u"Kitchen"_s);
        b.p.answerFile(b.tmp.filePath(u"Cook"_s));
        b.w->actions().B_NEW->trigger();

        QCOMPARE(b.p.prompts[0].text, u"Insert the name for the new Quirebox:"_s);
        const Request &file = b.p.prompts[1].file;
        QVERIFY(file.mode == Request::Mode::Save && file.confirmOverwrite);
        QCOMPARE(file.title, u"Save Quirebox"_s);
        QCOMPARE(file.filters, kFilters);
        QCOMPARE(file.initialName, u"Kitchen"_s);
        const QString written = b.tmp.filePath(u"Cook.qb"_s);
        const QByteArray bytes = test::ReadBytes(written);
        QVERIFY(bytes.startsWith("Mossgrange's Quirebox v3_[A1]\r\nName=Kitchen\r\nSignature="));
        QVERIFY(bytes.endsWith(";Operator;\r\n") && bytes.count('\n') == 3);
        QCOMPARE(Shown(b), u"Kitchen - Quirebox v3.01|"_s + written + u'|');

        const QString other = b.tmp.filePath(u"Other.qb"_s);
        QVERIFY(test::WriteBytes(other, test::BookBytes(u"Garden"_s, {{u"Roses"_s, u"r"_s}})));
        b.p.answerFile(b.tmp.filePath(u"Other"_s));
        b.w->actions().B_mnuOPEN->trigger();
        b.p.answerFile(QString());
        b.w->books().OpenBook();
        const Request &open = b.p.prompts[2].file;
        QVERIFY(open.mode == Request::Mode::Open && !open.confirmOverwrite);
        QCOMPARE(open.title, u"Open Quirebox"_s);
        QCOMPARE(open.filters, kFilters);
        QCOMPARE(b.p.prompts[3].file.initialName, b.tmp.filePath(u"Other"_s));
        QCOMPARE(Shown(b), u"Garden - Quirebox v3.01|"_s + other + u"|Roses=1"_s);
    }

    // Every way out before the end leaves the open book and its file as they were.
    // clang-format off
    void stopped_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("answers"); // "|" between "input:...", "file:...", "message"
        QTest::newRow("new, name cancelled") << u"new"_s << u"input:"_s;
        QTest::newRow("new, dialog cancelled") << u"new"_s << u"input:Cook|file:"_s;
        QTest::newRow("new, line break") << u"new"_s << u"input:a\r\nb|message"_s;
        QTest::newRow("open cancelled") << u"open"_s << u"file:"_s;
        QTest::newRow("open, not a book") << u"open"_s << u"file:notes.txt.qb|message"_s;
        QTest::newRow("open, not there") << u"open"_s << u"file:Gone|message"_s;
        QTest::newRow("rename cancelled") << u"rename"_s << u"input:"_s;
        QTest::newRow("rename, line break") << u"rename"_s << u"input:x\ny|message"_s;
    }
    // clang-format on
    void stopped()
    {
        QFETCH(QString, command);
        QFETCH(QString, answers);
        BookWindow b({u"Alpha"_s, u"Beta"_s});
        QVERIFY(test::WriteBytes(b.tmp.filePath(u"notes.txt.qb"_s), "Shopping list\r\n"));
        const QStringList script = answers.split(u'|');
        for (const QString &answer : script) {
            if (answer.startsWith(u"input:"))
                b.p.answerInput(answer.mid(6));
            else if (answer.startsWith(u"file:"))
                b.p.answerFile(answer.size() > 5 ? b.tmp.filePath(answer.mid(5)) : QString());
            else
                b.p.answerMessage(Platform::Button::Ok);
        }
        const QString shown = Shown(b);
        const QByteArray bytes = test::ReadBytes(b.path);
        if (command == u"new")
            b.w->books().NewBook();
        else if (command == u"open")
            b.w->books().OpenBook();
        else
            b.w->books().RenameBook();

        QCOMPARE(b.p.prompts.size(), script.size());
        QCOMPARE(b.p.messages().size(), script.count(u"message"_s));
        QCOMPARE(b.p.unexpected, 0);
        QCOMPARE(Shown(b), shown);
        QCOMPARE(test::ReadBytes(b.path), bytes);
        QCOMPARE(test::ReadBytes(b.tmp.filePath(u"notes.txt.qb"_s)), "Shopping list\r\n");
        QCOMPARE(QDir(b.tmp.path()).entryList(QDir::Files).size(), 2);
    }

    // New Book and Open Book ask about unsaved edits first; Cancel keeps them.
    void unsavedEditsFirst()
    {
        for (bool open : {false, true}) {
            test::NoteWindow t;
            t.put(u"a.txt"_s, "a");
            t.open();
            t.type(u"X"_s);
            t.platform.answerMessage(Platform::Button::Cancel);
            open ? t.w().books().OpenBook() : t.w().books().NewBook();
            QCOMPARE(t.platform.prompts.size(), 1);
            QCOMPARE(t.platform.prompts[0].text,
                     test::LeaveQuestion(t.note(u"a.txt"_s)));
            QCOMPARE(t.text(), u"Xa"_s);
        }
    }

    // Rename Book rewrites the name line, which may hold "=" and ";", and keeps the folders.
    void renameBook()
    {
        const QString name = u"Pots=2;pans"_s;
        BookWindow b({u"Beta"_s, u"Alpha"_s});
        const QStringList folderLines = b.folderLines();
        b.p.answerInput(name);
        b.w->books().RenameBook(); // the menu item is off while the folder holds no note

        QCOMPARE(b.p.prompts.value(0).text,
                 u"Old Quirebox name: Cookbook\r\nInsert the new name for the Quirebox:"_s);
        QCOMPARE(b.folderLines(), folderLines);
        QVERIFY(b.w->books().LoadBook()); // what was written reads back as written
        QCOMPARE(Shown(b), name + u" - Quirebox v3.01|"_s + b.path + u"|Alpha=2,Beta=1"_s);
    }
};

QTEST_MAIN(TestBookCommands)
#include "test_bookcommands.moc"
