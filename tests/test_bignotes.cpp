// Notes and the world around the window: a large note read off its thread, its first screen shown
// at once, nothing to be done with it until it is in, and a load that can be dropped; a note
// another program changes while it is shown; and a window that sleeps when nothing happens.

#include "WindowFixture.h"

#include "editor/NoticeBar.h"
#include "find/frmFIND.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTextBlock>
#include <QTimer>

#include <sys/stat.h>

using namespace qb;
using namespace qb::test;

namespace {

// About 1.5 MiB of lines, with a lone CR now and then (shown as a stand-in) and, past the first
// screen, a byte that is no UTF-8: the whole note is Windows-1252, though its start alone reads
// as UTF-8.
QByteArray largeNote(qsizetype size = 1'500'000)
{
    QByteArray bytes;
    for (int line = 0; bytes.size() < size; ++line) {
        bytes += "Line " + QByteArray::number(line) + " of a long note";
        bytes += line % 997 == 0 ? "\rwith a lone CR\r\n" : "\r\n";
    }
    bytes += "caf\xE9\r\n";
    return bytes;
}

bool busy()
{
    return QGuiApplication::overrideCursor() != nullptr;
}

// Keys as the user types them: to whatever has the keyboard.
void typeOn(const QString &typed)
{
    for (const QChar c : typed) {
        QWidget *focus = QApplication::focusWidget();
        QVERIFY(focus);
        if (c == u'\n')
            QTest::keyClick(focus, Qt::Key_Return);
        else
            QTest::sendKeyEvent(QTest::Click, focus, Qt::Key_unknown, QString(c), {});
    }
}

// The window on top and its editor holding the keyboard, as when the user is typing.
void focus(TestWindow &t)
{
    t.w().show();
    t.w().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&t.w()));
    t.editor()->setFocus();
    QTRY_VERIFY(t.editor()->hasFocus());
}

} // namespace

class TestBigNotes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void loadsOffTheWindowsThread()
    {
        TestWindow t;
        t.open({{u"a.txt"_s, "small"}, {u"big.txt"_s, largeNote()}});
        t.pickNote(u"big"_s);
        QVERIFY(t.status().startsWith(u"Loading"_s));
        QVERIFY(t.editor()->isReadOnly() && busy());
        for (const char *locked :
             {"F_mnuSAVE", "tBAR_Button8", "T_mnuENCODE", "T_mnuFIND", "T_mnuFIND_NEXT"})
            QVERIFY2(!t.action(QLatin1String(locked))->isEnabled(), locked);
        // The first screen shows while the rest is still read.
        QTRY_VERIFY(t.text().startsWith(u"Line 0 of a long note\u240Dwith a lone CR\n"_s));

        QTRY_COMPARE(t.status(), u"Unchanged"_s);
        QVERIFY(!t.editor()->isReadOnly() && !busy());
        QVERIFY(t.action(u"T_mnuFIND"_s)->isEnabled() && t.action(u"T_mnuENCODE"_s)->isEnabled());
        // The caret waits at the start, as for a note shown whole.
        QCOMPARE(t.editor()->textCursor().position(), 0);
        QVERIFY(t.text().endsWith(u"café\n"_s));
        // Every byte comes back, stand-ins and Windows-1252 included.
        t.type(u"!"_s);
        QTest::keyClick(t.editor(), Qt::Key_Backspace);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"big.txt"_s), largeNote());
    }

    // While a note comes in slice by slice, what is in may not be edited: every command that
    // would change it does nothing, and Find says the note is still being read rather than that
    // the text is not there. Once it is all in, the note is whole and edits as usual. (Keys
    // typed meanwhile are typed once it is in: keysTypedWhileReadAgain.)
    void nothingEditsANoteStillComingIn()
    {
        const QByteArray big = largeNote(8'000'000);
        TestWindow t;
        t.open({{u"a.txt"_s, "small"}, {u"big.txt"_s, big}});
        focus(t);
        t.trigger(u"T_mnuFIND"_s);
        auto *find = t.child<frmFIND>(u"frmFIND"_s);
        find->txtFIND()->setEditText(u"café"_s); // the note's very last line
        QApplication::clipboard()->setText(u"clipboard"_s);
        t.pickNote(u"big"_s);
        QTRY_VERIFY(t.text().startsWith(u"Line 0 of a long note"_s));
        QVERIFY(t.status().startsWith(u"Loading"_s));

        for (const char *command : {"E_mnuALL", "E_mnuCUT", "E_mnuPASTE", "E_mnuTIME", "E_mnuDATE",
                                    "tBAR_Button11", "tBAR_Button13", "T_mnuENCODE"})
            t.trigger(QLatin1String(command));
        t.platform.answerMessage(Platform::Button::Ok);
        QTest::keyClick(find->txtFIND(), Qt::Key_Return);
        QCOMPARE(t.last().text,
                 u"The note is still being read. Find it again once it is all in."_s);
        QVERIFY2(t.status().startsWith(u"Loading"_s), "the load ended before the commands ran");
        QVERIFY(t.text().startsWith(u"Line 0 of a long note"_s));
        QCOMPARE(QApplication::clipboard()->text(), u"clipboard"_s);

        QTRY_COMPARE_WITH_TIMEOUT(t.status(), u"Unchanged"_s, 60'000);
        t.editor()->moveCursor(QTextCursor::End);
        QTest::keyClicks(t.editor(), u"x"_s);
        QCOMPARE(t.status(), u"Changed"_s);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"big.txt"_s), big + "x");
    }

    // Another program replaces the shown note, unedited, as sync tools do (a new file moved
    // over it), and the user types while it is read again: the keys land in the note read,
    // where the caret was, or, typed before the re-read began, keep the note's edits under the
    // bar. None is lost.
    void keysTypedWhileReadAgain_data()
    {
        QTest::addColumn<QByteArray>("note");
        QTest::newRow("a note read in slices") << largeNote(4'000'000);
        QTest::newRow("a small note") << largeNote(2'000);
    }

    void keysTypedWhileReadAgain()
    {
        QFETCH(QByteArray, note);
        TestWindow t;
        t.open({{u"a.txt"_s, note}});
        focus(t);
        QTRY_COMPARE_WITH_TIMEOUT(t.status(), u"Unchanged"_s, 60'000);
        QTextCursor caret(t.editor()->document()->findBlockByNumber(2));
        caret.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, 4);
        t.editor()->setTextCursor(caret);

        const QString moved = t.note(u".a.txt.part"_s);
        QVERIFY(writeBytes(moved, "Theirs\r\n" + note));
        QCOMPARE(QProcess::execute(u"mv"_s, {moved, t.note(u"a.txt"_s)}), 0);
        QTest::qWait(400);
        for (const QChar c : u"hello world typed"_s) {
            typeOn(QString(c));
            QTest::qWait(20);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!busy() && !t.editor()->isReadOnly(), 60'000);
        QTRY_VERIFY(t.text().contains(u"hello world typed"_s));
        QCOMPARE(t.status(), u"Changed"_s);
        // Read again first, the note's lines moved one down: the keys follow the caret's line.
        if (t.text().startsWith(u"Theirs\n"_s))
            QCOMPARE(t.editor()->document()->findBlockByNumber(2).text(),
                     u"Linehello world typed 1 of a long note"_s);
        else
            QCOMPARE(t.child<NoticeBar>(u"noticeBar"_s)->text(),
                     u"The file was changed by another program."_s);
    }

    void loadCanBeDropped_data()
    {
        QTest::addColumn<bool>("escape"); // else another note is picked
        QTest::newRow("Escape") << true;
        QTest::newRow("another note picked") << false;
    }

    void loadCanBeDropped()
    {
        QFETCH(bool, escape);
        TestWindow t;
        t.open({{u"a.txt"_s, "small"}, {u"big.txt"_s, largeNote()}});
        t.w().show();
        t.w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&t.w()));
        t.pickNote(u"big"_s);
        if (escape)
            QTest::keyClick(t.editor(), Qt::Key_Escape);
        else
            t.pickNote(u"a"_s);
        QVERIFY(!busy() && !t.editor()->isReadOnly());
        // Whatever the dropped load had come to stays out of the editor.
        QTest::qWait(300);
        if (escape) {
            t.expectNoNote();
        } else {
            QCOMPARE(t.text(), u"small"_s);
            QCOMPARE(t.status(), u"Unchanged"_s);
        }
        QCOMPARE(t.bytes(u"big.txt"_s), largeNote());
    }

    // Another program rewrites the shown note: read again in place, the caret kept on its line.
    // With unsaved edits the bar above the editor tells, and the user's keys go on into the
    // editor: no question comes that a key could answer. Save asks, as over any change.
    void changedByAnotherProgram()
    {
        TestWindow t;
        t.open({{u"a.txt"_s, "one\ntwo\nthree\n"}, {u"b.txt"_s, "bee"}});
        focus(t);
        auto *bar = t.child<NoticeBar>(u"noticeBar"_s);
        QTextCursor cursor = t.editor()->textCursor();
        cursor.movePosition(QTextCursor::NextBlock);
        t.editor()->setTextCursor(cursor);
        QVERIFY(writeBytes(t.note(u"a.txt"_s), "one\ntwo, later\nthree\n"));
        QTRY_COMPARE(t.text(), u"one\ntwo, later\nthree\n"_s);
        QCOMPARE(t.editor()->textCursor().blockNumber(), 1);
        QCOMPARE(t.status(), u"Unchanged"_s);
        QVERIFY(!bar->isVisible());

        t.editor()->moveCursor(QTextCursor::Start);
        typeOn(u"abc"_s);
        QVERIFY(writeBytes(t.note(u"a.txt"_s), "outside\n"));
        QTRY_VERIFY(bar->isVisible());
        QCOMPARE(bar->text(), u"The file was changed by another program."_s);
        typeOn(u"def\n ghi"_s);
        QCOMPARE(t.text(), u"abcdef\n ghione\ntwo, later\nthree\n"_s);
        QVERIFY(t.editor()->hasFocus());
        QVERIFY(t.platform.prompts.isEmpty());
        QVERIFY(t.child<QWidget>(u"noticeReadAgainButton"_s)->isVisible());

        t.platform.answerMessage(Platform::Button::Yes);
        QVERIFY(t.save());
        QCOMPARE(t.last().text, u"The file: \""_s + t.note(u"a.txt"_s) +
                                    u"\" has been changed or removed by another program since it "
                                    "was loaded.\r\nOverwrite it with the text in the editor?"_s);
        QCOMPARE(t.bytes(u"a.txt"_s), QByteArray("abcdef\n ghione\ntwo, later\nthree\n"));
        QVERIFY(!bar->isVisible());
        // Its own save is no other program's change.
        QTest::qWait(500);
        QCOMPARE(t.platform.prompts.size(), 1);

        // Read Again drops the edits for the file's text; Keep Mine keeps them.
        typeOn(u"more"_s);
        QVERIFY(writeBytes(t.note(u"a.txt"_s), "theirs\n"));
        QTRY_VERIFY(bar->isVisible());
        t.trigger(u"noticeReadAgainAction"_s);
        QCOMPARE(t.text(), u"theirs\n"_s);
        QCOMPARE(t.status(), u"Unchanged"_s);
        QVERIFY(!bar->isVisible());
        typeOn(u"mine "_s);
        QVERIFY(QFile::remove(t.note(u"a.txt"_s)));
        QTRY_COMPARE(bar->text(), u"The file was removed by another program."_s);
        QVERIFY(!t.w().findChild<QWidget *>(u"noticeReadAgainButton"_s));
        t.trigger(u"noticeKeepMineAction"_s);
        QVERIFY(!bar->isVisible());
        QVERIFY(t.text().contains(u"mine "_s));
        QCOMPARE(t.status(), u"Changed"_s);
        QCOMPARE(t.platform.prompts.size(), 1);

        // Removed with nothing unsaved: the note leaves the list.
        t.answer(u"yes"_s);
        QVERIFY(t.save());
        QVERIFY(QFile::remove(t.note(u"a.txt"_s)));
        QTRY_COMPARE(t.lstFILE()->count(), 1);
        QCOMPARE(t.text(), u"bee"_s);
    }

    // A file that can no longer be read, or is no longer an ordinary file, holds no newer text:
    // the bar says what happened in the save's words, and the editor keeps its text, edited or
    // not.
    void unreadableIsNoChange_data()
    {
        QTest::addColumn<QString>("becomes");
        QTest::addColumn<bool>("edited");
        for (const QString &becomes : {u"folder"_s, u"pipe"_s}) {
            QTest::addRow("%s, unedited", qPrintable(becomes)) << becomes << false;
            QTest::addRow("%s, edited", qPrintable(becomes)) << becomes << true;
        }
    }

    void unreadableIsNoChange()
    {
        QFETCH(QString, becomes);
        QFETCH(bool, edited);
        TestWindow t;
        t.open({{u"a.txt"_s, "one\n"}});
        focus(t);
        if (edited)
            typeOn(u"mine "_s);
        const QString path = t.note(u"a.txt"_s);
        QVERIFY(QFile::remove(path));
        if (becomes == u"folder")
            QVERIFY(QDir().mkdir(path));
        else
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        const QString reason =
            becomes == u"folder"
                ? u"It is a folder, not a file."_s
                : u"It isn't an ordinary file: it is a pipe, a device or a socket."_s;
        auto *bar = t.child<NoticeBar>(u"noticeBar"_s);
        QTRY_COMPARE(bar->text(), u"Quirebox can't read the file \""_s + path + u"\". "_s + reason);
        QCOMPARE(t.text(), edited ? u"mine one\n"_s : u"one\n"_s);
        QCOMPARE(t.status(), edited ? u"Changed"_s : u"Unchanged"_s);
        QVERIFY(t.editor()->hasFocus());
        QVERIFY(t.platform.prompts.isEmpty());
    }

    // A large encoded note comes in unasked: its keyword waits for the bar's Decode...
    void encodedNoteReadInTheBackground()
    {
        QByteArray encoded = "Mossgrange's Quirebox Encoded v3_[A1]\r\n";
        // The keyword "@" (64) leaves every code as it is.
        encoded += QByteArray("All of this is enciphered with the keyword @.\r\n").repeated(30'000);
        TestWindow t;
        t.open({{u"a.txt"_s, "small"}, {u"big.txt"_s, encoded}});
        t.pickNote(u"big"_s);
        auto *bar = t.child<NoticeBar>(u"noticeBar"_s);
        QTRY_COMPARE(bar->text(), u"This note is encoded."_s);
        QCOMPARE(t.status(), u"Encoded"_s);
        QVERIFY(t.platform.prompts.isEmpty());
        t.answer(u"input:@"_s);
        t.trigger(u"noticeDecodeAction"_s);
        QCOMPARE(t.last().title, u"Quirebox Decode"_s);
        QCOMPARE(t.status(), u"Decoded"_s);
        QVERIFY(t.text().startsWith(u"All of this is enciphered"_s));
        QVERIFY(bar->isHidden());
    }

    // The clock shows hours and minutes: with a book open and nothing going on, the window's
    // thread wakes for it once a minute at most.
    void sleepsWhenIdle()
    {
        TestWindow t;
        t.open({{u"a.txt"_s, "a note"}});
        t.w().show();
        QTest::qWait(200); // the window settles
        int wakes = 0;
        QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake,
                         &t.w(), [&wakes] { ++wakes; });
        QEventLoop idle;
        QTimer::singleShot(2500, &idle, &QEventLoop::quit);
        idle.exec();
        // The wait's own end wakes the thread once; the clock may once more, at a minute's turn.
        QVERIFY2(wakes <= 2, qPrintable(QString::number(wakes)));
    }
};

QTEST_MAIN(TestBigNotes)
#include "test_bignotes.moc"
