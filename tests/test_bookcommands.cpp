#include "BookWindow.h"
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

    // New Book: the prompt, the save dialog, the file written, the extension rule.
    void newBook_data()
    {
        QTest::addColumn<QString>("answer"); // empty: the default is taken
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("default name")
            << QString() << u"Operator Quirebox"_s << u"Operator Quirebox.qb"_s;
        QTest::newRow("Cook.QB keeps its case") << u"Cook"_s << u"Cook.QB"_s << u"Cook.QB"_s;
        QTest::newRow("extension added") << u"Cook"_s << u"Cook"_s << u"Cook.qb"_s;
        QTest::newRow("only .qb counts") << u"Cook"_s << u"Cook.qb.txt"_s << u"Cook.qb.txt.qb"_s;
    }
    void newBook()
    {
        QFETCH(QString, answer);
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        BookWindow b({u"Alpha"_s});
        const QString name = answer.isEmpty() ? u"Operator Quirebox"_s : answer;
        b.p.answerInput(name);
        b.p.answerFile(b.tmp.filePath(chosen));
        b.w->actions().B_NEW->trigger();

        QCOMPARE(b.p.prompts.size(), 2);
        QCOMPARE(b.p.prompts[0].text, u"Insert the name for the new Quirebox:"_s);
        QCOMPARE(b.p.prompts[0].title, u"New Quirebox"_s);
        QCOMPARE(b.p.prompts[0].defaultText, u"Operator Quirebox"_s);
        const Request &file = b.p.prompts[1].file;
        QCOMPARE(file.mode, Request::Mode::Save);
        QCOMPARE(file.title, u"Save Quirebox"_s);
        QCOMPARE(file.filters, kFilters);
        QCOMPARE(file.selectedFilter, 0);
        QVERIFY(file.confirmOverwrite);
        QCOMPARE(file.initialName, name);

        const QList<QByteArray> lines = test::ReadBytes(b.tmp.filePath(written)).split('\n');
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], "Mossgrange's Quirebox v3_[A1]\r");
        QCOMPARE(lines[1], "Name=" + name.toUtf8() + '\r');
        QVERIFY(lines[2].startsWith("Signature=") && lines[2].endsWith(";Operator;\r"));
        QCOMPARE(lines[3], "");
        QCOMPARE(b.w->windowTitle(), name + u" - Quirebox v3.01"_s);
        QCOMPARE(b.w->book().BookFilePath, b.tmp.filePath(written));
        QCOMPARE(b.w->book().FolderCount, 0);
        QCOMPARE(b.w->lstFLDS()->count(), 0);
    }

    // Every way out before the end leaves the open book and its file as they were.
    void stopped_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("answers"); // "input:", "file:", "message"
        QTest::newRow("new, name cancelled") << u"new"_s << QStringList{u"input:"_s};
        QTest::newRow("new, dialog cancelled")
            << u"new"_s << QStringList{u"input:Cook"_s, u"file:"_s};
        QTest::newRow("new, line break")
            << u"new"_s << QStringList{u"input:a\r\nb"_s, u"message"_s};
        QTest::newRow("open cancelled") << u"open"_s << QStringList{u"file:"_s};
        QTest::newRow("open, not a book")
            << u"open"_s << QStringList{u"file:notes.txt.qb"_s, u"message"_s};
        QTest::newRow("open, not there") << u"open"_s << QStringList{u"file:Gone"_s, u"message"_s};
        QTest::newRow("rename cancelled") << u"rename"_s << QStringList{u"input:"_s};
        QTest::newRow("rename, line break")
            << u"rename"_s << QStringList{u"input:x\ny"_s, u"message"_s};
    }
    void stopped()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, answers);
        BookWindow b({u"Alpha"_s, u"Beta"_s});
        QVERIFY(test::WriteBytes(b.tmp.filePath(u"notes.txt.qb"_s), "Shopping list\r\n"));
        for (const QString &answer : answers) {
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

        QCOMPARE(b.p.prompts.size(), answers.size());
        QCOMPARE(b.p.unexpected, 0);
        QCOMPARE(Shown(b), shown);
        QCOMPARE(test::ReadBytes(b.path), bytes);
        QCOMPARE(test::ReadBytes(b.tmp.filePath(u"notes.txt.qb"_s)), "Shopping list\r\n");
        QCOMPARE(QDir(b.tmp.path()).entryList(QDir::Files).size(), 2);
    }

    void openBook()
    {
        BookWindow b({u"Alpha"_s});
        const QString other = b.tmp.filePath(u"Other.qb"_s);
        QVERIFY(test::WriteBytes(other, test::BookBytes(u"Garden"_s, {{u"Roses"_s, u"r"_s}})));
        // Picked under "All Files" without its ending: looked for with ".qb" added.
        b.p.answerFile(b.tmp.filePath(u"Other"_s));
        b.w->actions().B_mnuOPEN->trigger();
        b.p.answerFile(QString());
        b.w->books().OpenBook();

        const Request &first = b.p.prompts[0].file;
        QCOMPARE(first.mode, Request::Mode::Open);
        QCOMPARE(first.title, u"Open Quirebox"_s);
        QCOMPARE(first.filters, kFilters);
        QCOMPARE(first.selectedFilter, 0);
        QVERIFY(!first.confirmOverwrite);
        // The dialog starts with the name of its last use.
        QCOMPARE(b.p.prompts[1].file.initialName, b.tmp.filePath(u"Other"_s));
        QCOMPARE(b.w->windowTitle(), u"Garden - Quirebox v3.01"_s);
        QCOMPARE(b.w->book().BookFilePath, other);
        QCOMPARE(b.selector(), QStringList({u"Roses=1"_s}));
    }

    void renameBook_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("new name") << u"Kitchen"_s;
        QTest::newRow("same name") << u"Cookbook"_s;
        QTest::newRow("with = and ;") << u"Pots=2;pans"_s;
    }
    void renameBook()
    {
        QFETCH(QString, name);
        BookWindow b({u"Beta"_s, u"Alpha"_s});
        const QStringList folderLines = b.folderLines();
        const QStringList selector = b.selector();
        b.p.answerInput(name);
        b.w->books().RenameBook(); // the menu item is off while the folder holds no note

        QCOMPARE(b.p.prompts.size(), 1);
        QCOMPARE(b.p.prompts[0].text,
                 u"Old Quirebox name: Cookbook\r\nInsert the new name for the Quirebox:"_s);
        QCOMPARE(b.p.prompts[0].title, u"New Quirebox"_s);
        QCOMPARE(b.p.prompts[0].defaultText, u"Cookbook"_s);
        const QList<QByteArray> lines = test::ReadBytes(b.path).split('\n');
        QCOMPARE(lines[1], "Name=" + name.toUtf8() + '\r');
        QVERIFY(lines[2].endsWith(";Operator;\r")); // rewritten even under the same name
        QCOMPARE(b.folderLines(), folderLines);
        QCOMPARE(b.selector(), selector);
        QCOMPARE(b.w->windowTitle(), name + u" - Quirebox v3.01"_s);
        // What was written reads back as written.
        QVERIFY(b.w->books().LoadBook());
        QCOMPARE(b.w->book().BookName, name);
    }

    void renameWithoutBook()
    {
        qb::test::FakePlatform p;
        frmQB w(p);
        w.Form_Load(QString());
        QVERIFY(!w.actions().B_mnuREN->isEnabled());
        w.books().RenameBook();
        QCOMPARE(p.prompts.size(), 0);
    }
};

QTEST_MAIN(TestBookCommands)
#include "test_bookcommands.moc"
