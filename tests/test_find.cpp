#include "FakePlatform.h"

#include "app/frmQB.h"
#include "editor/NoteEditor.h"
#include "find/frmFIND.h"
#include "notes/NoteCommands.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTextCursor>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace qb::test {
namespace {

// A main window showing `text` as an unchanged note, with the book commands on.
struct Window
{
    explicit Window(const QString &text)
    {
        window.Form_Load({});
        window.EnableCommands(true);
        window.txtTEXT()->setEnabled(true);
        window.txtTEXT()->setPlainText(text);
        window.notes().SetNoteStatus(u"Unchanged"_s, false);
    }
    frmFIND *dialog() const { return window.findChild<frmFIND *>(u"frmFIND"_s); }
    QTextCursor cursor() const { return window.txtTEXT()->textCursor(); }
    // Opens the dialog and types `search` into it as the user would.
    frmFIND &open(const QString &search, bool matchCase = false, bool fromBeginning = false)
    {
        window.actions().T_mnuFIND->trigger();
        frmFIND &find = *dialog();
        find.txtFIND()->clearEditText();
        for (const QChar c : search)
            QTest::sendKeyEvent(QTest::Click, find.txtFIND(), Qt::Key_unknown, QString(c), {});
        find.chkCASE()->setChecked(matchCase);
        find.chkBEGIN()->setChecked(fromBeginning);
        return find;
    }
    void search(const QString &text, bool matchCase = false, bool fromBeginning = false)
    {
        QTest::mouseClick(open(text, matchCase, fromBeginning).btnCOM(0), Qt::LeftButton);
    }
    void findNext() { window.actions().T_mnuFIND_NEXT->trigger(); }
    // -1 unless every prompt was the "not found" message.
    int notFoundMessages() const
    {
        for (const FakePlatform::Prompt &p : platform.prompts) {
            if (p.text != u"Unable to find the specified string." || p.title != u"Quirebox Find")
                return -1;
        }
        return int(platform.prompts.size());
    }
    QStringList history() const
    {
        QStringList items;
        for (int i = 0; i < dialog()->txtFIND()->count(); ++i)
            items.append(dialog()->txtFIND()->itemText(i));
        return items;
    }

    FakePlatform platform;
    frmQB window{platform};
};

} // namespace

class FindTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // clang-format off
    void search_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("search");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("fromBeginning");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("start"); // -1: not found
        QTest::newRow("first character") << u"Tea time"_s << u"tea"_s << false << false << 0 << 0;
        QTest::newRow("case free") << u"The TEA room"_s << u"tea"_s << false << false << 0 << 4;
        QTest::newRow("accents") << u"Crème BRÛLÉE"_s << u"brûlée"_s << false << false << 0 << 6;
        QTest::newRow("Match Case") << u"The TEA room"_s << u"tea"_s << true << false << 0 << -1;
        QTest::newRow("from the beginning") << u"tea, tea"_s << u"tea"_s << false << true << 8 << 0;
        QTest::newRow("no wrap") << u"tea, tea"_s << u"tea"_s << false << false << 6 << -1;
        QTest::newRow("empty text") << u"tea"_s << QString() << false << false << 0 << -1;
        // A line break is one position between the lines, as in the editor.
        QTest::newRow("third line") << u"a\nb\r\nthree"_s << u"THREE"_s << false << false << 0 << 4;
    }
    // clang-format on
    void search()
    {
        QFETCH(QString, text);
        QFETCH(QString, search);
        QFETCH(bool, matchCase);
        QFETCH(bool, fromBeginning);
        QFETCH(int, caret);
        QFETCH(int, start);
        Window w(text);
        QTextCursor c = w.cursor();
        c.setPosition(caret);
        w.window.txtTEXT()->setTextCursor(c);
        w.search(search, matchCase, fromBeginning);

        QCOMPARE(w.notFoundMessages(), start < 0 ? 1 : 0);
        QCOMPARE(w.dialog()->isVisible(), start < 0); // a failed search keeps the dialog open
        QCOMPARE(w.cursor().hasSelection() ? w.cursor().selectionStart() : -1, start);
        QCOMPARE(w.cursor().selectedText().toCaseFolded(),
                 start < 0 ? QString() : search.toCaseFolded());
        QCOMPARE(w.history(), QStringList{search});
    }

    // Find Next before the dialog ever opened searches for nothing; then it goes on from the
    // end of the selection, with the dialog's options, and does not wrap.
    void findNext()
    {
        Window w(u"ababAB ab"_s);
        w.findNext();
        QCOMPARE(w.notFoundMessages(), 1);
        QVERIFY(w.dialog() && !w.dialog()->isVisible());
        QCOMPARE(w.history(), QStringList());

        w.search(u"ab"_s, true, true);
        QCOMPARE(w.cursor().selectionStart(), 0);
        w.findNext(); // the copy right after the selected one
        QCOMPARE(w.cursor().selectionStart(), 2);
        w.findNext(); // Match Case holds, From the Beginning does not
        QCOMPARE(w.cursor().selectionStart(), 7);

        // A selection made backwards has its caret at its start; the search goes on from its end.
        QTextCursor backwards = w.cursor();
        backwards.setPosition(4);
        backwards.setPosition(1, QTextCursor::KeepAnchor);
        w.window.txtTEXT()->setTextCursor(backwards);
        w.findNext();
        QCOMPARE(w.cursor().selectionStart(), 7);
        QCOMPARE(w.notFoundMessages(), 1);

        w.findNext();
        QCOMPARE(w.notFoundMessages(), 2);
        QVERIFY(!w.cursor().hasSelection()); // the last match is let go, the caret at its end
        QCOMPARE(w.cursor().position(), 9);
    }

    void historyKeepsTwentyNewestFirst()
    {
        QStringList words{u"s1"_s, u"s2"_s, u"tea"_s, u"tea"_s, QString()};
        for (int i = 6; i <= 21; ++i)
            words.append(u"s%1"_s.arg(i));
        Window w(words.join(u' '));
        for (const QString &word : words)
            w.search(word, true, true);
        QStringList newestFirst(words.crbegin(), words.crend() - 1); // duplicates and empty kept
        QCOMPARE(w.history(), newestFirst);

        // The oldest entry, picked from the full list, is searched for although its place drops
        // out.
        w.window.actions().T_mnuFIND->trigger();
        w.dialog()->txtFIND()->setCurrentIndex(19);
        QTest::mouseClick(w.dialog()->btnCOM(0), Qt::LeftButton);
        QCOMPARE(w.cursor().selectedText(), u"s2"_s);
        newestFirst.prepend(u"s2"_s);
        newestFirst.removeLast();
        QCOMPARE(w.history(), newestFirst);
        QCOMPARE(w.notFoundMessages(), 1); // the empty text
    }

    // Enter finds and hides, Esc hides; the hidden dialog keeps its text and options.
    void dialogKeys()
    {
        Window w(u"one tea"_s);
        frmFIND &find = w.open(u"tea"_s, true, true);
        QVERIFY(!find.isModal());
        QTest::keyClick(find.txtFIND(), Qt::Key_Return);
        QVERIFY(!find.isVisible());
        QCOMPARE(w.cursor().selectionStart(), 4);
        w.window.actions().T_mnuFIND->trigger();
        QTest::keyClick(find.txtFIND(), Qt::Key_Escape);
        QVERIFY(!find.isVisible());
        QCOMPARE(find.txtFIND()->currentText(), u"tea"_s);
        QVERIFY(find.chkCASE()->isChecked() && find.chkBEGIN()->isChecked());
        QCOMPARE(w.history(), QStringList{u"tea"_s}); // Enter adds no entry of its own
        QCOMPARE(w.notFoundMessages(), 0);
    }
};

} // namespace qb::test

QTEST_MAIN(qb::test::FindTest)
#include "test_find.moc"
