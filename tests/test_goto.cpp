// Tools > Go to Note through the window: the notes found as a query is typed, in their groups,
// Up and Down in the list while the keys stay in the field, Enter opening a note with its match
// selected after the question about unsaved edits, Enter with nothing found, and notes made,
// changed, renamed and removed behind the program's back.
#include "WindowFixture.h"

#include "editor/DisplayLines.h"
#include "find/BookIndex.h"
#include "find/GoToNoteDialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>

#include <unistd.h>

using namespace qb;
using namespace qb::test;

namespace {

// Types `query` into the Go to Note window once its results settled, moves `down` rows, and
// presses Enter; the notes it listed are kept in `listed`, as "name|folder", and what the window
// said after Enter in `said`. `then` scripts the answers to what Enter asks.
void goTo(TestWindow &t, const QString &query, const QString &then = {},
          QStringList *listed = nullptr, int down = 0, QString *said = nullptr)
{
    t.w().findChild<BookIndex *>()->waitUntilCurrent();
    t.platform.answerDialog([query, listed, down, said](QDialog &dialog) {
        auto &window = static_cast<GoToNoteDialog &>(dialog);
        QTest::keyClicks(window.queryField(), query);
        const bool settled = QTest::qWaitFor([&] { return window.isSettled(); });
        if (!settled)
            return int(QDialog::Rejected);
        if (listed) {
            for (int row = 0; row < window.results().rowCount(); ++row) {
                const NoteQueryHit &hit = window.results().hit(row);
                *listed << hit.noteName() + u'|' + hit.folderName;
            }
        }
        for (int i = 0; i < down; ++i)
            QTest::keyClick(window.queryField(), Qt::Key_Down);
        if (!window.queryField()->hasFocus() && dialog.focusWidget() != window.queryField())
            return int(QDialog::Rejected); // the keys left the field
        QTest::keyClick(window.queryField(), Qt::Key_Return);
        if (said)
            *said = window.findChild<QLabel *>(u"goToNoteStatusLabel"_s)->text();
        return dialog.result();
    });
    t.answer(then);
    t.trigger(u"goToNoteAction"_s);
}

} // namespace

class TestGoTo : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Names that start with the query first, then names that hold every word, then notes whose
    // text holds every word, in any order. A text match opens with it selected.
    void opensATextMatch()
    {
        TestWindow t({u"Home"_s, u"Work"_s});
        t.put(u"Eggs and more.txt"_s, "nothing", u"Home"_s);
        t.put(u"More eggs.txt"_s, "nothing", u"Work"_s);
        t.put(u"Plans.txt"_s, "Go to Rome.\r\nBuy more EGGS later.\r\n", u"Work"_s);
        t.put(u"Older.txt"_s, "eggs, more or less", u"Home"_s);
        t.put(u"Other.txt"_s, "eggs alone", u"Home"_s);
        QFile older(t.dir(u"Home"_s) + u"/Older.txt"_s);
        QVERIFY(older.open(QIODevice::ReadWrite) &&
                older.setFileTime(QDateTime::currentDateTime().addDays(-1),
                                  QFileDevice::FileModificationTime));
        older.close();
        t.open();
        QStringList listed;
        goTo(t, u"more eggs"_s, {}, &listed, 3);
        QCOMPARE(listed, QStringList({u"More eggs|Work"_s, u"Eggs and more|Home"_s, u"Plans|Work"_s,
                                      u"Older|Home"_s}));
        QCOMPARE(t.shown(), u"File: "_s + t.dir(u"Home"_s) + u"/Older.txt"_s);
        QCOMPARE(t.editor()->textCursor().selectedText(), u"eggs"_s);

        listed.clear();
        goTo(t, u"EGGS MORE"_s, {}, &listed, 2);
        QCOMPARE(listed.mid(2), QStringList({u"Plans|Work"_s, u"Older|Home"_s}));
        QCOMPARE(t.shown(), u"File: "_s + t.dir(u"Work"_s) + u"/Plans.txt"_s);
        QCOMPARE(t.editor()->textCursor().selectedText(), u"more"_s);
        QCOMPARE(t.editor()->textCursor().blockNumber(), 1);
    }

    // A match in a long line, across the soft break between two of the display lines the
    // editor shows it in, is selected where it is in the note.
    void opensAMatchInALongLine()
    {
        QByteArray line(30'000, 'q');
        line.replace(kDisplayLineLength - 2, 5, "ZEBRA");
        TestWindow t;
        t.put(u"Long.txt"_s, "first\r\n" + line);
        t.open();
        goTo(t, u"zebra"_s);
        QCOMPARE(t.shown(), u"File: "_s + t.note(u"Long.txt"_s));
        const QTextCursor cursor = t.editor()->textCursor();
        QCOMPARE(cursor.selectedText(), u"ZE\u2029BRA"_s);
        QCOMPARE(noteTextOf(*t.editor()->document(), cursor.selectionStart(), cursor.selectionEnd())
                     .text,
                 u"ZEBRA"_s);
    }

    // A query that finds more notes than the list shows at first lists them all once it
    // settles, in rank order, and Enter opens the one picked past the first of them.
    void listsEveryNoteFound()
    {
        TestWindow t;
        const QDateTime now = QDateTime::currentDateTime();
        QStringList expected;
        for (int i = 0; i < 120; ++i) {
            const QString name = u"Note %1"_s.arg(i, 3, 10, QChar(u'0'));
            t.put(name + u".txt"_s, "a common word");
            QFile file(t.note(name + u".txt"_s));
            QVERIFY(file.open(QIODevice::ReadWrite) &&
                    file.setFileTime(now.addSecs(-60 * i), QFileDevice::FileModificationTime));
            expected << name + u"|Alpha"_s;
        }
        t.open();
        QStringList listed;
        goTo(t, u"common"_s, {}, &listed, 70);
        QCOMPARE(listed, expected);
        QCOMPARE(t.shown(), u"File: "_s + t.note(u"Note 070.txt"_s));
        QCOMPARE(t.editor()->textCursor().selectedText(), u"common"_s);
    }

    // Enter asks about unsaved edits first; Cancel keeps the note and the window.
    void asksAboutUnsavedEdits()
    {
        TestWindow t;
        t.open({{u"a.txt"_s, "first"}, {u"b.txt"_s, "second"}});
        t.type(u"edited "_s);
        goTo(t, u"b"_s, u"cancel"_s);
        QCOMPARE(t.last().text, unsavedQuestion(t.note(u"a.txt"_s)));
        QCOMPARE(t.text(), u"edited first"_s);
        goTo(t, u"b"_s, u"no"_s);
        QCOMPARE(t.text(), u"second"_s);
    }

    // Enter with nothing found offers to make a note of that name in the selected folder, No
    // being the default; the name goes through the rules of Make New.
    void offersToMakeANote()
    {
        TestWindow t;
        t.open({{u"a.txt"_s, "first"}});
        goTo(t, u"Zebra notes"_s, u"no"_s);
        QCOMPARE(t.last().text, u"No note is named or holds \"Zebra notes\".\r\nMake a note "
                                "named \"Zebra notes\" in the folder \"Alpha\"?"_s);
        QCOMPARE(t.last().defaultButton, std::optional(Platform::Button::No));
        QVERIFY(!QFileInfo::exists(t.note(u"Zebra notes.txt"_s)));
        goTo(t, u"Zebra notes"_s, u"yes"_s);
        QCOMPARE(t.bytes(u"Zebra notes.txt"_s), QByteArray("\r\n"));
        QCOMPARE(t.shown(), u"File: "_s + t.note(u"Zebra notes.txt"_s));
        goTo(t, u"a/b"_s, u"yes|ok"_s);
        QVERIFY(t.last().text.startsWith(u"The name \"a/b\" can't be used for a note."_s));
    }

    // Notes made, renamed and removed behind the program's back are found as the folder has
    // them; one written over in place is read again before it opens, and the list follows.
    void followsTheFolders()
    {
        TestWindow t;
        t.open({{u"a.txt"_s, "apple"}, {u"b.txt"_s, "banana"}, {u"c.txt"_s, "cherry"}});
        t.put(u"later.txt"_s, "kiwi");
        QVERIFY(QFile::rename(t.note(u"b.txt"_s), t.note(u"renamed.txt"_s)));
        QVERIFY(QFile::remove(t.note(u"c.txt"_s)));
        QTest::qWait(100); // the folder's changes reach the program
        QStringList listed;
        goTo(t, u"kiwi"_s, {}, &listed);
        QCOMPARE(listed, QStringList(u"later|Alpha"_s));
        listed.clear();
        goTo(t, u"banana"_s, {}, &listed);
        QCOMPARE(listed, QStringList(u"renamed|Alpha"_s));
        listed.clear();
        goTo(t, u"cherry"_s, u"no"_s, &listed); // no to making a note named so
        QCOMPARE(listed, QStringList());

        // Written through another name of its file, which its folder does not tell of: the
        // result found in what the note held is not opened, and the list is worked out again.
        QTemporaryDir elsewhere;
        const QString other = elsewhere.filePath(u"a.txt"_s);
        QCOMPARE(::link(QFile::encodeName(t.note(u"a.txt"_s)), QFile::encodeName(other)), 0);
        QVERIFY(writeBytes(other, "pear"));
        QString said;
        goTo(t, u"apple"_s, {}, &listed, 0, &said);
        QCOMPARE(listed, QStringList(u"a|Alpha"_s));
        QCOMPARE(said, u"The note \"a\" was changed since the notes were read: the list shows "
                       "them as they are now."_s);
        QCOMPARE(t.shown(), u"File: "_s + t.note(u"renamed.txt"_s));
    }
};

QTEST_MAIN(TestGoTo)
#include "test_goto.moc"
