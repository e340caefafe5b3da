// Large notes through the window: read off its thread with the first screen shown at once,
// nothing to be done with them until they are in, and a load that can be dropped. And a window
// that sleeps when nothing happens.

#include "WindowFixture.h"

#include <QAbstractEventDispatcher>
#include <QCursor>
#include <QEventLoop>
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
