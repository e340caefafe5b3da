// Notes and the world around the window: a large note read off its thread, its first screen shown
// at once, nothing to be done with it until it is in, and a load that can be dropped; a note
// another program changes while it is shown; and a window that sleeps when nothing happens.

#include "WindowFixture.h"

#include <QAbstractEventDispatcher>
#include <QCursor>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QTimer>

using namespace qb;
using namespace qb::test;

namespace {

// About 1.5 MiB of lines, with a lone CR now and then (shown as a stand-in) and, past the first
// screen, a byte that is no UTF-8: the whole note is Windows-1252, though its start alone reads
// as UTF-8.
QByteArray LargeNote()
{
    QByteArray bytes;
    for (int line = 0; bytes.size() < 1'500'000; ++line) {
        bytes += "Line " + QByteArray::number(line) + " of a long note";
        bytes += line % 997 == 0 ? "\rwith a lone CR\r\n" : "\r\n";
    }
    bytes += "caf\xE9\r\n";
    return bytes;
}

bool Busy()
{
    return QGuiApplication::overrideCursor() != nullptr;
}

} // namespace

class TestBigNotes : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void loadsOffTheWindowsThread()
    {
        TestWindow t;
        t.open({{u"a.txt"_s, "small"}, {u"big.txt"_s, LargeNote()}});
        t.pickNote(u"big"_s);
        QVERIFY(t.status().startsWith(u"Loading"_s));
        QVERIFY(t.editor()->isReadOnly() && Busy());
        for (const char *locked :
             {"F_mnuSAVE", "tBAR_Button8", "T_mnuENCODE", "T_mnuFIND", "T_mnuFIND_NEXT"})
            QVERIFY2(!t.action(QLatin1String(locked))->isEnabled(), locked);
        // The first screen shows while the rest is still read.
        QTRY_VERIFY(t.text().startsWith(u"Line 0 of a long note\u240Dwith a lone CR\n"_s));

        QTRY_COMPARE(t.status(), u"Unchanged"_s);
        QVERIFY(!t.editor()->isReadOnly() && !Busy());
        QVERIFY(t.action(u"T_mnuFIND"_s)->isEnabled() && t.action(u"T_mnuENCODE"_s)->isEnabled());
        QVERIFY(t.text().endsWith(u"café\n"_s));
        // Every byte comes back, stand-ins and Windows-1252 included.
        t.type(u"!"_s);
        QTest::keyClick(t.editor(), Qt::Key_Backspace);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"big.txt"_s), LargeNote());
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
        t.open({{u"a.txt"_s, "small"}, {u"big.txt"_s, LargeNote()}});
        t.w().show();
        t.w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&t.w()));
        t.pickNote(u"big"_s);
        if (escape)
            QTest::keyClick(t.editor(), Qt::Key_Escape);
        else
            t.pickNote(u"a"_s);
        QVERIFY(!Busy() && !t.editor()->isReadOnly());
        // Whatever the dropped load had come to stays out of the editor.
        QTest::qWait(300);
        if (escape) {
            t.expectNoNote();
        } else {
            QCOMPARE(t.text(), u"small"_s);
            QCOMPARE(t.status(), u"Unchanged"_s);
        }
        QCOMPARE(t.bytes(u"big.txt"_s), LargeNote());
    }

    // Another program rewrites the shown note: read again in place, the caret kept on its line;
    // with unsaved edits the user is asked first, and No keeps them.
    void changedByAnotherProgram()
    {
        TestWindow t;
        t.open({{u"a.txt"_s, "one\ntwo\nthree\n"}, {u"b.txt"_s, "bee"}});
        QTextCursor cursor = t.editor()->textCursor();
        cursor.movePosition(QTextCursor::NextBlock);
        t.editor()->setTextCursor(cursor);
        QVERIFY(WriteBytes(t.note(u"a.txt"_s), "one\ntwo, later\nthree\n"));
        QTRY_COMPARE(t.text(), u"one\ntwo, later\nthree\n"_s);
        QCOMPARE(t.editor()->textCursor().blockNumber(), 1);
        QCOMPARE(t.status(), u"Unchanged"_s);
        QVERIFY(t.platform.prompts.isEmpty());

        t.type(u"mine "_s);
        t.platform.answerMessage(Platform::Button::No);
        QVERIFY(WriteBytes(t.note(u"a.txt"_s), "theirs\n"));
        QTRY_COMPARE(t.platform.prompts.size(), 1);
        QCOMPARE(t.last().text, u"The file: \""_s + t.note(u"a.txt"_s) +
                                    u"\" has been changed by another program.\r\nRead it again "
                                    "and lose the text in the editor? (No keeps it: saving asks "
                                    "before overwriting.)"_s);
        QCOMPARE(t.text(), u"mine one\ntwo, later\nthree\n"_s);
        // The save then asks, as it always does over another program's change.
        t.platform.answerMessage(Platform::Button::Yes);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"a.txt"_s), QByteArray("mine one\ntwo, later\nthree\n"));
        // Its own save is no other program's change.
        QTest::qWait(500);
        QCOMPARE(t.platform.prompts.size(), 2);

        // Removed with nothing unsaved: the note leaves the list.
        QVERIFY(QFile::remove(t.note(u"a.txt"_s)));
        QTRY_COMPARE(t.lstFILE()->count(), 1);
        QCOMPARE(t.text(), u"bee"_s);
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
