// Tools > Find in Book through the window: the results of every folder in book order, and a
// result opening its note, after the question about unsaved edits, with the match selected.
#include "WindowFixture.h"

#include "editor/NoticeBar.h"
#include "find/BookResultsModel.h"
#include "find/FindBookDialog.h"

#include <QPushButton>
#include <QTreeView>

using namespace qb;
using namespace qb::test;

class TestFindInBook : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Two folders of one directory: a result opens the note shown through the other folder, and
    // No to the question drops the edits as it does anywhere.
    void findInBookThroughAnotherFolder()
    {
        TestWindow t({u"Alpha"_s});
        QVERIFY(writeBytes(t.bookPath,
                           bookBytes(u"B"_s, {{u"Alpha"_s, t.dir()}, {u"Alias"_s, t.dir()}})));
        t.open({{u"n.txt"_s, "a word\r\n"}});
        QCOMPARE(t.lstFLDS()->currentText(), u"Alias"_s);
        t.type(u"edit "_s);
        t.trigger(u"findInBookAction"_s);
        QTest::keyClicks(t.child<QComboBox>(u"findInBookField"_s), u"word"_s);
        t.child<QPushButton>(u"findInBookButton"_s)->click();
        auto *list = t.child<QTreeView>(u"findInBookList"_s);
        QTRY_COMPARE(list->model()->rowCount(), 2);
        QCOMPARE(list->model()->index(0, 0).data().toString(), u"Alpha"_s);
        list->setCurrentIndex(list->model()->index(0, 0));
        t.answer(u"no"_s);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(t.lstFLDS()->currentText(), u"Alpha"_s);
        QCOMPARE(t.text(), u"a word\n"_s);
        QCOMPARE(t.status(), u"Unchanged"_s);
        QCOMPARE(t.editor()->textCursor().selectedText(), u"word"_s);
    }

    // Find in Book lists the matches of every folder in book order. A result opens its note,
    // after the question about unsaved edits, with the match selected and the editor taking the
    // keys; a note large enough to be read in the background lands on its match too. Escape
    // closes the window and the results stay.
    void findInBook()
    {
        TestWindow t({u"Work"_s, u"Home"_s});
        t.put(u"a.txt"_s, "Nothing to see.", u"Home"_s);
        t.put(u"bills.txt"_s, "First\r\nsecond\r\nThe INVOICE 2291 is due.\r\n", u"Work"_s);
        const QByteArray old = QByteArray("A line of an old note.\r\n").repeated(60'000);
        t.put(u"archive.txt"_s, old + "invoice 2291 paid\r\n", u"Work"_s);
        t.start(t.bookPath);
        t.w().show();
        QVERIFY(QTest::qWaitForWindowActive(&t.w()));
        QCOMPARE(t.shown(), u"File: "_s + t.dir(u"Home"_s) + u"/a.txt"_s);
        t.type(u"x"_s);

        t.trigger(u"findInBookAction"_s);
        auto *text = t.child<QComboBox>(u"findInBookField"_s);
        auto *list = t.child<QTreeView>(u"findInBookList"_s);
        QTest::keyClicks(text, u"invoice 2291"_s);
        t.child<QPushButton>(u"findInBookButton"_s)->click();
        QTRY_COMPARE(t.child<QLabel>(u"findInBookSummaryLabel"_s)->text(),
                     u"2 matches in 3 notes searched"_s);
        const QAbstractItemModel &results = *list->model();
        const auto row = [&results](int r) {
            QStringList cells;
            for (int c = 0; c < results.columnCount(); ++c)
                cells.append(results.index(r, c).data().toString());
            return cells.join(u'|');
        };
        QCOMPARE(row(0), u"Work|archive|60001|invoice 2291 paid"_s);
        QCOMPARE(row(1), u"Work|bills|3|The INVOICE 2291 is due."_s);
        QCOMPARE(results.index(1, BookResultsModel::Text).data(BookResultsModel::kMatchRole),
                 QVariant(QPoint(4, 12)));

        QTest::keyClick(text, Qt::Key_Down);
        QVERIFY(list->hasFocus());
        QCOMPARE(list->currentIndex().row(), 0);
        QTest::keyClick(list, Qt::Key_Down);
        const QString unsaved = unsavedQuestion(t.dir(u"Home"_s) + u"/a.txt"_s);
        t.answer(u"cancel"_s);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(t.last().text, unsaved);
        QCOMPARE(t.status(), u"Changed"_s);
        QCOMPARE(t.text(), u"xNothing to see."_s);
        t.answer(u"no"_s);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(t.platform.prompts.size(), 2);
        QCOMPARE(t.shown(), u"File: "_s + t.dir(u"Work"_s) + u"/bills.txt"_s);
        QCOMPARE(t.lstFLDS()->currentText(), u"Work"_s);
        QCOMPARE(t.lstFILE()->currentText(), u"bills"_s);
        QCOMPARE(t.editor()->textCursor().selectedText(), u"INVOICE 2291"_s);
        QCOMPARE(t.editor()->textCursor().blockNumber(), 2);
        QTRY_VERIFY(t.editor()->hasFocus());

        const QRect first = list->visualRect(results.index(0, 0));
        // A double click as the window system sends it: a click, then a second press.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first.center());
        QCOMPARE(t.lstFILE()->currentText(), u"archive"_s);
        QTRY_COMPARE(t.status(), u"Unchanged"_s);
        QCOMPARE(t.editor()->textCursor().selectedText(), u"invoice 2291"_s);
        QCOMPARE(t.editor()->textCursor().blockNumber(), 60'000);

        auto *window = t.child<FindBookDialog>(u"findInBookDialog"_s);
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(!window->isVisible());
        t.trigger(u"findInBookAction"_s);
        QCOMPARE(results.rowCount(), 2);

        // The note shown, edited since the search: the match as the editor holds it now.
        const QModelIndex second = results.index(1, 0);
        list->setCurrentIndex(second);
        QTest::keyClick(list, Qt::Key_Return);
        t.editor()->moveCursor(QTextCursor::Start);
        QTest::keyClicks(t.editor(), u"Added before: "_s);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(t.status(), u"Changed"_s);
        QCOMPARE(t.editor()->textCursor().selectionStart(), 14 + 17);
        QCOMPARE(t.editor()->textCursor().selectedText(), u"INVOICE 2291"_s);
        // Gone from the text: the bar says so, and nothing else is selected.
        QTextCursor match = t.editor()->textCursor();
        match.removeSelectedText();
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(!t.editor()->textCursor().hasSelection());
        QCOMPARE(t.child<NoticeBar>(u"noticeBar"_s)->text(),
                 u"The note has changed since the search: what was found there is there no "
                 "longer."_s);
    }
};

QTEST_MAIN(TestFindInBook)
#include "test_findinbook.moc"
