// The main window as a user meets it: start-up, the commands an open book switches on, the
// Book menu's New, Open and Rename, closing; handing the note to Glyphwright, opening a folder
// in the file browser, the about box, and the clock in the status bar.
#include "RowLabel.h"
#include "WindowFixture.h"

#include "launch/mgABOUT.h"
#include "platform/QtPlatform.h"

#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QShortcut>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTextDocumentFragment>
#include <QTimer>

using namespace qb;
using namespace qb::test;
using Request = Platform::FileDialogRequest;

namespace {

// The menu commands that need an open book.
const QStringList kNeedABook = {
    u"B_mnuREN"_s,   u"B_mnuF_DEL"_s, u"B_mnuF_DISKOPEN"_s, u"B_mnuF_NEW"_s, u"B_mnuF_REN"_s,
    u"F_mnuADD"_s,   u"F_mnuDEL"_s,   u"F_mnuREN"_s,        u"F_mnuSAVE"_s,  u"F_mnuREFRESH"_s,
    u"E_mnuDATE"_s,  u"E_mnuTIME"_s,  u"E_mnuPASTE"_s,      u"E_mnuCOPY"_s,  u"E_mnuCOPYALL"_s,
    u"E_mnuCUT"_s,   u"E_mnuALL"_s,   u"T_mnuGLWR"_s,       u"T_mnuFIND"_s,  u"T_mnuFIND_NEXT"_s,
    u"T_mnuENCODE"_s};

QStringList enabled(const TestWindow &t)
{
    QStringList on;
    for (const QString &name : kNeedABook) {
        if (t.action(name)->isEnabled())
            on.append(name);
    }
    return on;
}

// What a user can see of the open book, to tell whether a command changed it.
QString Shown(const TestWindow &t)
{
    return t.title() + u'|' + t.selector().join(u',') + u'|' + enabled(t).join(u',');
}

// Puts the stand-in tool, a shell script, into `dir` as Glyphwright; its path.
QString placeTool(const QString &dir, bool runnable = true)
{
    const QString tool = QDir(dir).filePath(u"Glyphwright"_s);
    const QFile::Permissions readWrite = QFile::ReadOwner | QFile::WriteOwner;
    const QString script = qEnvironmentVariable("QB_TEST_DATA") + u"/launch/fake-glyphwright.sh"_s;
    if (!writeBytes(tool, readBytes(script)) ||
        !QFile::setPermissions(tool, runnable ? readWrite | QFile::ExeOwner : readWrite))
        return {};
    return tool;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
    // What the editor's place shows instead of the editor; empty while it shows the editor.
    static QString guideText(const TestWindow &t)
    {
        QTest::qWait(0);
        if (t.child<QStackedWidget>(u"editorPlace"_s)->currentWidget() == t.editor())
            return {};
        return QTextDocumentFragment::fromHtml(t.child<QLabel>(u"emptyGuide"_s)->text())
            .toPlainText();
    }

private Q_SLOTS:
    // Without a command line, or with a file that isn't a book on it.
    void startsWithoutABook_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // the file named on the command line; none if empty
        QTest::newRow("no command line") << QByteArray();
        QTest::newRow("a file that isn't a book") << "Dear diary\r\n"_ba;
    }
    void startsWithoutABook()
    {
        QFETCH(QByteArray, bytes);
        TestWindow t;
        const QString path = t.root.filePath(u"not a book.qb"_s);
        if (!bytes.isEmpty()) {
            QVERIFY(writeBytes(path, bytes));
            t.platform.answerMessage(Platform::Button::Ok);
        }
        t.start(bytes.isEmpty() ? QString() : path);
        if (!bytes.isEmpty()) {
            QCOMPARE(t.last().text, u"The file \""_s + path + u"\" isn't a valid Quirebox file."_s);
            QCOMPARE(t.last().title, u"Quirebox"_s);
            QCOMPARE(t.last().icon, Platform::Icon::Exclamation);
            QCOMPARE(readBytes(path), bytes);
        }
        QCOMPARE(t.title(), u"Quirebox v3.01"_s);
        QCOMPARE(t.panel(5)->text(), u"v3.01.0025"_s);
        QCOMPARE(enabled(t), QStringList());
        QVERIFY(t.text().isEmpty() && !t.editor()->isEnabled());
        QCOMPARE(t.status(), u"Unchanged"_s);
        // The toolbar is not switched with the menu.
        for (int button : {1, 2, 4, 5, 7, 9, 11, 12, 13}) {
            const QString name = u"tBAR_Button%1"_s.arg(button);
            QVERIFY2(t.action(name)->isEnabled(), qPrintable(name));
        }
    }

    // Every menu item and toolbar button in each state of the window, by the rules: always on
    // (New and Open Book, Exit, About, the items inside Add, the toolbar), on with the book's
    // commands, Save with a changed note, the tool only when it is there, the commands that
    // read the note only once it is in (Print and Export as PDF too), Find in Book with a book
    // open, Remove Encryption with a decrypted note, Undo once something was typed.
    void everyCommandsSwitch_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QStringList>("on"); // the menu items on; every other one is off
        QTest::addColumn<QStringList>("buttonsOff");
        const QStringList noBook = {u"B_NEW"_s,        u"B_mnuOPEN"_s,      u"mnuEND"_s,
                                    u"F_mnuADD_NEW"_s, u"F_mnuADD_EXIST"_s, u"H_mnuABOUT"_s,
                                    u"zoomInAction"_s, u"zoomOutAction"_s,  u"normalSizeAction"_s,
                                    u"fontAction"_s,   u"spellingMenu"_s,   u"languageMenu"_s};
        // Once a book was opened, it is the first of the recent books.
        const QStringList always =
            noBook + QStringList{u"recentBooksMenu"_s, u"recentBookAction_1"_s};
        QStringList withNote =
            always + kNeedABook + QStringList{u"noteHistoryAction"_s, u"printAction"_s,
                                              u"exportPdfAction"_s,   u"encryptAction"_s,
                                              u"findInBookAction"_s,  u"goToNoteAction"_s};
        withNote.removeOne(u"T_mnuGLWR"_s); // no tool beside the test
        QStringList unchanged = withNote;
        unchanged.removeOne(u"F_mnuSAVE"_s);
        const QStringList toolOff = {u"tBAR_Button15"_s};
        QTest::newRow("no book") << u"none"_s << noBook << toolOff;
        QTest::newRow("a note as read")
            << u"read"_s << unchanged << QStringList{u"tBAR_Button8"_s, u"tBAR_Button15"_s};
        QTest::newRow("a note changed")
            << u"changed"_s << withNote + QStringList{u"undoAction"_s} << toolOff;
        QTest::newRow("a folder without notes")
            << u"empty folder"_s << always + QStringList{u"findInBookAction"_s, u"goToNoteAction"_s}
            << toolOff;
        QTest::newRow("a large note being read")
            << u"loading"_s
            << QStringList(unchanged).filter(
                   QRegularExpression(u"^(?!T_mnuENCODE|encryptAction|T_mnuFIND$|T_mnuFIND_NEXT|"
                                      "noteHistoryAction|printAction|exportPdfAction)"_s))
            << QStringList{u"tBAR_Button8"_s, u"tBAR_Button15"_s};
    }

    void everyCommandsSwitch()
    {
        QFETCH(QString, state);
        QFETCH(QStringList, on);
        QFETCH(QStringList, buttonsOff);
        // No dictionary: View > Spelling > Check Spelling is off, as the Language menu says.
        QTemporaryDir noDictionaries;
        qputenv("QB_HUNSPELL_DIR", QFile::encodeName(noDictionaries.path()));
        TestWindow t({u"Alpha"_s, u"Beta"_s});
        t.put(u"big.txt"_s, QByteArray("A line of a large note.\r\n").repeated(80'000));
        t.put(u"n.txt"_s, "note");
        if (state == u"none")
            t.start({});
        else
            t.open();
        if (state == u"read" || state == u"changed")
            t.pickNote(u"n"_s);
        if (state == u"changed")
            t.type(u"x"_s);
        if (state == u"empty folder")
            t.pickFolder(u"Beta"_s);
        if (state == u"loading") {
            t.pickNote(u"big"_s);
            QVERIFY(t.status().startsWith(u"Loading"_s));
        }
        QStringList menuOn, buttonOff;
        for (QAction *action : t.w().findChildren<QAction *>()) {
            const QString name = action->objectName();
            if (name.startsWith(u"tBAR_Button"_s) && !name.contains(u"_Item"_s)) {
                if (!action->isSeparator() && !action->isEnabled())
                    buttonOff << name;
            }
        }
        for (const QMenu *menu : t.w().menuBar()->findChildren<QMenu *>()) {
            for (QAction *action : menu->actions()) {
                if (action->isEnabled() && !action->isSeparator() &&
                    !action->objectName().isEmpty())
                    menuOn << action->objectName();
            }
        }
        menuOn.sort();
        on.sort();
        buttonOff.sort();
        buttonsOff.sort();
        QCOMPARE(menuOn, on);
        QCOMPARE(buttonOff, buttonsOff);
    }

    // Folders sorted by name without regard to case, each item's data its row in the book.
    void opensTheBookOfTheCommandLine()
    {
        TestWindow t({u"Zeta"_s, u"alpha"_s, u"Beta"_s});
        t.put(u"n.txt"_s, "first", u"alpha"_s);
        t.open();
        QCOMPARE(t.title(), u"Test Book - Quirebox v3.01"_s);
        QCOMPARE(t.selector(), QStringList({u"alpha=2"_s, u"Beta=3"_s, u"Zeta=1"_s}));
        QCOMPARE(t.text(), u"first"_s);
        // All but Save, as the note is unchanged, and the tool, which is not beside the test.
        QStringList on = kNeedABook;
        on.removeOne(u"T_mnuGLWR"_s);
        QCOMPARE(enabled(t), QStringList(on).filter(QRegularExpression(u"^(?!F_mnuSAVE)"_s)));

        // A book without folders switches the commands on too, and shows no note.
        TestWindow empty{QStringList()};
        empty.open();
        QCOMPARE(enabled(empty), on);
        empty.expectNoNote();
    }

    // A book named at start-up whose first folder holds no note switches the commands on all the
    // same (Save but follows the note): F5 then lists a note made there since.
    void startsOnAFolderWithoutNotes()
    {
        TestWindow t({u"Empty"_s, u"Full"_s});
        t.put(u"n.txt"_s, "note", u"Full"_s);
        t.open();
        QCOMPARE(t.lstFLDS()->currentText(), u"Empty"_s);
        t.expectNoNote();
        QStringList on = kNeedABook;
        on.removeOne(u"T_mnuGLWR"_s);
        QCOMPARE(enabled(t), on);
        t.put(u"later.txt"_s, "made by another program", u"Empty"_s);
        t.trigger(u"F_mnuREFRESH"_s);
        QCOMPARE(t.text(), u"made by another program"_s);
    }

    // A folder line that would name another directory than it says (a NUL cuts a path short)
    // is left out, and the user is told which; the other folders open.
    void refusesAFolderLineWithAControlCharacter()
    {
        TestWindow t;
        QVERIFY(writeBytes(t.bookPath, bookBytes(u"B"_s, {{u"Alpha"_s, t.dir()}}) + "Cut;" +
                                           QFile::encodeName(t.dir()) + "\0/../x;\r\n"_ba));
        t.answer(u"ok"_s);
        t.open({{u"n.txt"_s, "note"}});
        QCOMPARE(t.last().text, u"Line 5 of the book \""_s + t.bookPath +
                                    u"\" is left out, and will be left out when the book is next "
                                    "written.\r\nIt holds the control character U+0000, which a "
                                    "folder's name or directory cannot hold."_s);
        QCOMPARE(t.selector(), QStringList(u"Alpha=1"_s));
        QCOMPARE(t.text(), u"note"_s);
    }

    // The caption shows the book's name as it is, a window title's own marks included.
    void captionShowsTheNameAsItIs()
    {
        TestWindow t;
        QVERIFY(writeBytes(t.bookPath, bookBytes(u"Draft [*] - a - b"_s, {})));
        t.open();
        QCOMPARE(t.title(), u"Draft [*] - a - b - Quirebox v3.01"_s);
    }

    // The date and time panels show the platform's clock in the user's short forms. The clock's
    // timer is single-shot, due just after the next minute turns: the window wakes once a minute,
    // and each time the panels follow the clock, the date too at midnight.
    void clockPanels()
    {
        const QLocale locale;
        const auto back = qScopeGuard([&] { QLocale::setDefault(locale); });
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        // Where the clock is when the timer fires (first: as the window opens), the panels then,
        // and how long until the next minute turns.
        const QDate day(2026, 12, 6);
        const QList<std::tuple<QString, QDateTime, QString, QString, int>> steps = {
            {u"as the window opens"_s, QDateTime(day, QTime(14, 5, 9)), u"12/6/26"_s, u"2:05 PM"_s,
             51'000},
            {u"just after the minute turned"_s, QDateTime(day, QTime(14, 6, 0, 20)), u"12/6/26"_s,
             u"2:06 PM"_s, 59'980},
            {u"half a minute before midnight"_s, QDateTime(day, QTime(23, 59, 30)), u"12/6/26"_s,
             u"11:59 PM"_s, 30'000},
            {u"just after midnight"_s, QDateTime(day.addDays(1), QTime(0, 0, 0, 20)), u"12/7/26"_s,
             u"12:00 AM"_s, 59'980}};
        TestWindow t;
        t.platform.clock = std::get<1>(steps.first());
        t.open();
        auto *timer = t.child<QTimer>(u"clockTimer"_s);
        for (const auto &[row, clock, date, time, toTheTurn] : steps) {
            const RowLabel label(row);
            if (clock != t.platform.clock) {
                t.platform.clock = clock;
                QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
            }
            QCOMPARE(t.panel(3)->text(), date);
            QCOMPARE(t.panel(4)->text().replace(u'\u202F', u' '), time);
            QVERIFY(timer->isActive() && timer->isSingleShot());
            QVERIFY2(timer->interval() > toTheTurn && timer->interval() < toTheTurn + 1000,
                     qPrintable(QString::number(timer->interval())));
            // Started anew just now.
            QVERIFY(timer->remainingTime() > toTheTurn - 1000);
        }
    }

    // The five panels stand left to right as numbered: the status, the path, the date, the time
    // and the version. The path takes the width left over, and a passing message shows in its
    // place while the other four stay as they are.
    void statusBarPanels()
    {
        TestWindow t;
        t.open({{u"Note.txt"_s, "hello\r\n"}});
        t.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&t.w()));
        auto *bar = t.child<QStatusBar>(u"sBAR"_s);
        const auto places = [&] {
            QList<QRect> rects;
            for (int number = 1; number <= 5; ++number) {
                const QLabel *panel = t.panel(number);
                rects << QRect(panel->mapTo(bar, QPoint(0, 0)), panel->size());
            }
            return rects;
        };
        QList<QRect> before = places();
        for (int number = 1; number < 5; ++number) {
            const RowLabel label(u"panel %1 before panel %2"_s.arg(number).arg(number + 1));
            QVERIFY(before[number - 1].right() < before[number].left());
        }
        QCOMPARE(t.panel(1)->text(), u"Unchanged"_s);
        QCOMPARE(t.shown(), u"File: "_s + t.note(u"Note.txt"_s));

        t.w().resize(t.w().width() + 200, t.w().height());
        QTRY_COMPARE(places()[1].width(), before[1].width() + 200);
        const QList<QRect> wider = places();
        for (int number : {1, 3, 4, 5})
            QCOMPARE(wider[number - 1].width(), before[number - 1].width());
        QCOMPARE(wider[0].left(), before[0].left());

        bar->showMessage(u"A passing message"_s);
        QCOMPARE(t.panel(2)->text(), u"A passing message"_s);
        for (int number = 1; number <= 5; ++number)
            QVERIFY(t.panel(number)->isVisible());
        QCOMPARE(places(), wider);
        QCOMPARE(t.status(), u"Unchanged"_s);
        bar->clearMessage();
        QCOMPARE(t.shown(), u"File: "_s + t.note(u"Note.txt"_s));
    }

    // Exit goes through the same question as the close box: Yes saves and closes, No closes,
    // Cancel keeps the window.
    void closeQuestion_data()
    {
        QTest::addColumn<Platform::Button>("answer");
        QTest::newRow("Yes") << Platform::Button::Yes;
        QTest::newRow("No") << Platform::Button::No;
        QTest::newRow("Cancel") << Platform::Button::Cancel;
    }
    void closeQuestion()
    {
        QFETCH(Platform::Button, answer);
        TestWindow t;
        t.open({{u"Note.txt"_s, "hello\r\n"}});
        t.w().show();
        t.type(u"X"_s);
        t.platform.answerMessage(answer);
        t.trigger(u"mnuEND"_s);
        QCOMPARE(t.last().text, unsavedQuestion(t.note(u"Note.txt"_s), u"quitting"_s));
        QCOMPARE(t.last().title, u"Save file?"_s);
        QCOMPARE(t.last().buttons, Platform::Buttons::YesNoCancel);
        QCOMPARE(t.last().icon, Platform::Icon::Question);
        QCOMPARE(t.w().isVisible(), answer == Platform::Button::Cancel);
        const bool saved = answer == Platform::Button::Yes;
        QCOMPARE(t.bytes(u"Note.txt"_s), saved ? QByteArray("Xhello\r\n") : "hello\r\n");
    }

    // Ctrl+Q is Book > Exit's key and no other command's: pressed in the window, it closes.
    void ctrlQExits()
    {
        TestWindow t;
        t.open({{u"Note.txt"_s, "hello\r\n"}});
        const QKeySequence ctrlQ(Qt::CTRL | Qt::Key_Q);
        QStringList takers;
        for (const QAction *action : t.w().findChildren<QAction *>()) {
            if (action->shortcuts().contains(ctrlQ))
                takers << action->objectName();
        }
        for (const QShortcut *key : t.w().findChildren<QShortcut *>()) {
            if (key->keys().contains(ctrlQ))
                takers << key->objectName();
        }
        QCOMPARE(takers, QStringList(u"mnuEND"_s));
        t.w().show();
        t.w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&t.w()));
        QTest::keyClick(&t.w(), Qt::Key_Q, Qt::ControlModifier);
        QTRY_VERIFY(!t.w().isVisible());
    }

    // New Book: the prompt, the save dialog, the file written with ".qb" added; Rename Book.
    // Open Book: the dialog, ".qb" added to a name picked without it, the dialog starting with
    // its last name.
    void newAndOpenBook()
    {
        TestWindow t;
        t.open();
        t.platform.answerInput(u"Kitchen"_s);
        t.platform.answerFile(t.root.filePath(u"Cook"_s));
        t.trigger(u"tBAR_Button1"_s);
        QCOMPARE(t.platform.prompts[0].text, u"Insert the name for the new Quirebox:"_s);
        QCOMPARE(t.platform.prompts[0].defaultText, u"Operator Quirebox"_s);
        const QStringList filters{u"Quirebox (QB) (*.qb)"_s, u"All Files (*)"_s};
        const Request &save = t.platform.prompts[1].file;
        QVERIFY(save.mode == Request::Mode::Save && save.confirmOverwrite &&
                save.filters == filters);
        QCOMPARE(save.title + u'|' + save.initialName, u"Save Quirebox|Kitchen"_s);
        const QByteArray bytes = readBytes(t.root.filePath(u"Cook.qb"_s));
        QVERIFY(bytes.startsWith("Mossgrange's Quirebox v3_[A1]\r\nName=Kitchen\r\nSignature="));
        QVERIFY(bytes.endsWith(";Operator;\r\n") && bytes.count('\n') == 3);
        QCOMPARE(t.title(), u"Kitchen - Quirebox v3.01"_s);

        // Rename Book rewrites the name line, which may hold "=" and ";".
        t.platform.answerInput(u"Pots=2;pans"_s);
        t.trigger(u"B_mnuREN"_s);
        QCOMPARE(t.last().text,
                 u"Old Quirebox name: Kitchen\r\nInsert the new name for the Quirebox:"_s);
        QCOMPARE(t.last().defaultText, u"Kitchen"_s);
        QCOMPARE(t.title(), u"Pots=2;pans - Quirebox v3.01"_s);
        QVERIFY(readBytes(t.root.filePath(u"Cook.qb"_s)).contains("\r\nName=Pots=2;pans\r\n"));

        const QString other = t.root.filePath(u"Other.qb"_s);
        QVERIFY(writeBytes(other, bookBytes(u"Garden"_s, {{u"Roses"_s, u"r"_s}})));
        t.platform.answerFile(t.root.filePath(u"Other"_s));
        t.trigger(u"B_mnuOPEN"_s);
        t.platform.answerFile(QString());
        t.trigger(u"tBAR_Button2"_s);
        const Request &open = t.platform.prompts[3].file;
        QVERIFY(open.mode == Request::Mode::Open && !open.confirmOverwrite &&
                open.filters == filters);
        QCOMPARE(open.title, u"Open Quirebox"_s);
        QCOMPARE(t.platform.prompts[4].file.initialName, t.root.filePath(u"Other"_s));
        QCOMPARE(t.title(), u"Garden - Quirebox v3.01"_s);
        QCOMPARE(t.selector(), QStringList(u"Roses=1"_s));
    }

    // Every way out before the end leaves the open book and its file as they were.
    void stopped_data()
    {
        const QString lineBreak = u"Quirebox can't store this book name: it holds a line break, "
                                  "and a book file keeps the name on one line."_s;
        const QString notABook = u"The file \"~/%1\" isn't a valid Quirebox file."_s;
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("answers"); // "~": the book's directory
        QTest::addColumn<QString>("message"); // the last message shown
        QTest::newRow("New Book, no name") << u"B_NEW"_s << u"input:"_s << QString();
        QTest::newRow("New Book, no file") << u"B_NEW"_s << u"input:Cook|file:"_s << QString();
        QTest::newRow("New Book, a name with a line break")
            << u"B_NEW"_s << u"input:a\r\nb|message"_s << lineBreak;
        // The dialog asked about the name as typed; the ".qb" added names another file.
        QTest::newRow("New Book, \".qb\" added names a book there")
            << u"B_NEW"_s << u"input:Fresh|file:~/book|message"_s
            << u"The file \"~/book.qb\" already exists.\r\nReplace it with the new book?"_s;
        QTest::newRow("Open Book, no file") << u"B_mnuOPEN"_s << u"file:"_s << QString();
        QTest::newRow("Open Book, a file that isn't a book")
            << u"B_mnuOPEN"_s << u"file:~/notes.txt.qb|message"_s
            << notABook.arg(u"notes.txt.qb"_s);
        QTest::newRow("Open Book, a file that is not there")
            << u"B_mnuOPEN"_s << u"file:~/Gone|message"_s
            << u"Quirebox can't read the book file \"~/Gone.qb\".\r\n"_s + qt_error_string(ENOENT);
        QTest::newRow("Rename Book, no name") << u"B_mnuREN"_s << u"input:"_s << QString();
        QTest::newRow("Rename Book, a name with a line break")
            << u"B_mnuREN"_s << u"input:x\ny|message"_s << lineBreak;
    }
    void stopped()
    {
        QFETCH(QString, command);
        QFETCH(QString, answers);
        QFETCH(QString, message);
        TestWindow t({u"Alpha"_s, u"Beta"_s});
        QVERIFY(writeBytes(t.root.filePath(u"notes.txt.qb"_s), "Shopping list\r\n"));
        t.open({{u"n.txt"_s, "note"}});
        t.answer(answers.replace(u'~', t.root.path()));
        const QString shown = Shown(t);
        const QByteArray bytes = readBytes(t.bookPath);
        t.trigger(command);
        if (!message.isEmpty())
            QCOMPARE(t.last().text, message.replace(u'~', t.root.path()));
        QCOMPARE(Shown(t), shown);
        QCOMPARE(readBytes(t.bookPath), bytes);
        QCOMPARE(readBytes(t.root.filePath(u"notes.txt.qb"_s)), "Shopping list\r\n");
        QCOMPARE(QDir(t.root.path()).entryList(QDir::Files).size(), 2);
    }

    // The real tool gets a path as one argument, as it is: blanks, quotes, ";", "&", "|", "$()"
    // and "``" in it, and no shell runs any of it.
    void pathReachesToolAsOneArgument()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath(u"arguments.log"_s);
        const QString tool = placeTool(dir.filePath(u"bin dir"_s));
        qputenv("QB_GLYPHWRIGHT_LOG", QFile::encodeName(log));
        const QString note =
            dir.filePath(u"my notes/He said \"it's\" a;touch x;b & c | $(touch x) `touch x`.txt"_s);
        const QString start = QDir::currentPath();
        const auto back = qScopeGuard([&] { QDir::setCurrent(start); });
        QVERIFY(QDir::setCurrent(dir.path())); // where a shell would run "touch x"
        QVERIFY(QtPlatform().startProgram(tool, {note}));
        QTRY_VERIFY(QFile::exists(log));
        QCOMPARE(QString::fromUtf8(readBytes(log)), note + u'\n');
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList(u"arguments.log"_s));
    }

    // A "Changed" note is saved first when the user agrees; Cancel starts nothing. The path
    // goes as one argument, blanks and all.
    void saveQuestion_data()
    {
        QTest::addColumn<bool>("changed");
        QTest::addColumn<Platform::Button>("answer");
        QTest::newRow("a changed note, Ok") << true << Platform::Button::Ok;
        QTest::newRow("a changed note, Cancel") << true << Platform::Button::Cancel;
        QTest::newRow("an unchanged note") << false << Platform::Button::Ok;
    }
    void saveQuestion()
    {
        QFETCH(bool, changed);
        QFETCH(Platform::Button, answer);
        TestWindow t({u"my notes"_s});
        const QString note = t.dir(u"my notes"_s) + u"/it's \"$(x)\".txt"_s;
        QVERIFY(writeBytes(note, "note"));
        t.platform.programDirectory = t.root.path();
        const QString tool = placeTool(t.root.path());
        t.open();
        if (changed) {
            t.type(u"X"_s);
            t.platform.answerMessage(answer);
        }
        t.trigger(u"tBAR_Button15"_s);
        const bool goes = answer == Platform::Button::Ok;
        if (changed) {
            QCOMPARE(t.last().text, u"Save the file before executing Glyphwright?"_s);
            QCOMPARE(t.last().buttons, Platform::Buttons::OkCancel);
        }
        QCOMPARE(readBytes(note), changed && goes ? "Xnote" : "note");
        using Started = QList<QPair<QString, QStringList>>;
        QCOMPARE(t.platform.started, goes ? Started({{tool, {note}}}) : Started());
    }

    // A tool that cannot be started is reported.
    void toolThatCannotStart()
    {
        TestWindow t;
        t.platform.programDirectory = t.root.path();
        const QString tool = placeTool(t.root.path(), false);
        QVERIFY(!QtPlatform().startProgram(tool, {}));
        t.platform.startSucceeds = false;
        t.open({{u"n.txt"_s, "note"}});
        t.platform.answerMessage(Platform::Button::Ok);
        t.trigger(u"T_mnuGLWR"_s);
        QCOMPARE(t.last().text, u"Unable to start Glyphwright:\r\n\""_s + tool + u"\""_s);
    }

    // Open Disk Folder opens the selected folder's directory, "#" and "%" in it included.
    void diskFolder()
    {
        const QString odd = u"My #1 100% notes"_s;
        TestWindow t({odd});
        t.put(u"a.txt"_s, "a", odd);
        t.open();
        t.trigger(u"B_mnuF_DISKOPEN"_s);
        QCOMPARE(t.platform.opened, QList({QUrl::fromLocalFile(t.dir(odd))}));
    }

    // Help > About shows the borderless box modally; a left click on its web link opens it,
    // and its X closes it.
    void about()
    {
        TestWindow t;
        t.start({});
        bool closed = false;
        t.platform.answerDialog([&](QDialog &dialog) {
            auto &box = dynamic_cast<mgABOUT &>(dialog);
            box.show();
            QTest::mouseClick(box.lblINFO(2), Qt::LeftButton);
            QTest::mouseClick(box.btnEND(), Qt::LeftButton);
            closed = box.windowFlags().testFlag(Qt::FramelessWindowHint) && !box.isVisible();
            return box.result();
        });
        t.trigger(u"H_mnuABOUT"_s);
        QVERIFY(closed);
        QCOMPARE(t.platform.opened, QList({QUrl(u"https://quirebox.example.org"_s)}));
    }

    // With no note to show, the editor's place says what to do next: with no book, the keys of
    // New Book and Open Book and the books opened last, as links that open them; a folder
    // without notes; a folder whose directory is missing, with the system's reason. The guide is
    // no text to edit, and the focus stays where it was.
    void guideWhenNothingToShow()
    {
        TestWindow t({u"Alpha"_s, u"Beta"_s, u"Gamma"_s});
        t.put(u"n.txt"_s, "note");
        t.put(u"g.txt"_s, "g", u"Gamma"_s);
        const auto guide = [&t] { return guideText(t); };
        t.start({});
        QCOMPARE(guide(), u"No book is open.\nNew Book: Ctrl+N\nOpen Book: Ctrl+O"_s);
        t.open();
        QCOMPARE(guide(), QString());
        t.w().show();
        t.w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&t.w()));
        t.lstFLDS()->setFocus();
        t.pickFolder(u"Beta"_s);
        QCOMPARE(guide(), u"This folder has no notes.\nFile > Add > Make New makes one."_s);
        QCOMPARE(QApplication::focusWidget(), t.lstFLDS());
        QVERIFY(t.child<QLabel>(u"emptyGuide"_s)->focusPolicy() == Qt::NoFocus);
        QVERIFY(QDir(t.dir(u"Gamma"_s)).removeRecursively());
        t.pickFolder(u"Gamma"_s);
        QVERIFY2(guide().startsWith(u"The folder \""_s + t.dir(u"Gamma"_s) + u"\" is missing.\n"_s),
                 qPrintable(guide()));
        QVERIFY(guide().size() >
                (u"The folder \""_s + t.dir(u"Gamma"_s) + u"\" is missing.\n"_s).size());
        QCOMPARE(QApplication::focusWidget(), t.lstFLDS());

        // The book opened is offered as a link the next time no book is open.
        TestWindow again;
        qputenv("XDG_STATE_HOME", QFile::encodeName(t.root.filePath(u"state"_s)));
        again.start({});
        QCOMPARE(guideText(again), u"No book is open.\nNew Book: Ctrl+N\nOpen Book: Ctrl+O\n"
                                   "Opened last:\nbook"_s);
        Q_EMIT again.child<QLabel>(u"emptyGuide"_s)->linkActivated(u"recent:0"_s);
        QCOMPARE(again.text(), u"note"_s);
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
