#include "FakePlatform.h"

#include "app/frmQB.h"
#include "editor/NoteEditor.h"
#include "find/FindCommands.h"
#include "find/TextSearch.h"
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
    explicit Window(const QString &text, int notFoundMessages = 0)
    {
        for (int i = 0; i < notFoundMessages; ++i)
            platform.answerMessage(Platform::Button::Ok);
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
        QTest::keyClicks(find.txtFIND(), search);
        find.chkCASE()->setChecked(matchCase);
        find.chkBEGIN()->setChecked(fromBeginning);
        return find;
    }
    void search(const QString &text, bool matchCase = false, bool fromBeginning = false)
    {
        QTest::mouseClick(open(text, matchCase, fromBeginning).btnCOM(0), Qt::LeftButton);
    }
    void findNext() { window.actions().T_mnuFIND_NEXT->trigger(); }
    // Every prompt was the "not found" message, and each had its scripted answer.
    int notFoundMessages() const
    {
        for (const FakePlatform::Prompt &p : platform.prompts) {
            if (p.text != u"Unable to find the specified string." || p.title != u"Quirebox Find" ||
                p.icon != Platform::Icon::None || p.buttons != Platform::Buttons::Ok)
                return -1;
        }
        return platform.unexpected == 0 ? int(platform.prompts.size()) : -1;
    }

    FakePlatform platform;
    frmQB window{platform};
};

QStringList History(const frmFIND &find)
{
    QStringList items;
    for (int i = 0; i < find.txtFIND()->count(); ++i)
        items.append(find.txtFIND()->itemText(i));
    return items;
}

} // namespace

class FindTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void textSearch_data();
    void textSearch();
    void dialogSearch_data();
    void dialogSearch();
    void findNextGoesOnWithoutWrapping();
    void findNextBeforeDialogEverOpened();
    void historyKeepsTwentyNewestFirst();
    void enterFindsAndEscHides();
    void dialogKeepsItsStateWhenHidden();
};

void FindTest::textSearch_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<int>("expected");
    QTest::newRow("first character") << u"tea at noon"_s << u"tea"_s << 0 << true << 0;
    QTest::newRow("capitals, case free") << u"The TEA room"_s << u"tea"_s << 0 << false << 4;
    QTest::newRow("capitals, case matched") << u"The TEA room"_s << u"tea"_s << 0 << true << -1;
    QTest::newRow("accented capitals") << u"Crème BRÛLÉE"_s << u"brûlée"_s << 0 << false << 6;
    QTest::newRow("match at the start") << u"abab"_s << u"ab"_s << 2 << true << 2;
    QTest::newRow("no wrap to an earlier one") << u"ab ab"_s << u"ab"_s << 4 << true << -1;
    QTest::newRow("start past the end") << u"ab"_s << u"ab"_s << 3 << true << -1;
    QTest::newRow("negative start") << u"ab"_s << u"ab"_s << -4 << true << 0;
    QTest::newRow("empty search text") << u"ab"_s << QString() << 0 << true << -1;
    QTest::newRow("longer than the text") << u"ab"_s << u"abc"_s << 0 << false << -1;
}

void FindTest::textSearch()
{
    QFETCH(QString, text);
    QFETCH(QString, what);
    QFETCH(int, from);
    QFETCH(bool, matchCase);
    QFETCH(int, expected);
    QCOMPARE(FindText(text, what, from, matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive),
             qsizetype(expected));
}

void FindTest::dialogSearch_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("search");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<bool>("fromBeginning");
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("start"); // -1: not found
    QTest::addColumn<QString>("selected");
    QTest::newRow("first character")
        << u"Tea at noon"_s << u"tea"_s << false << false << 0 << 0 << u"Tea"_s;
    QTest::newRow("capitals, case free")
        << u"The TEA room"_s << u"tea"_s << false << false << 0 << 4 << u"TEA"_s;
    QTest::newRow("capitals, Match Case")
        << u"The TEA room"_s << u"tea"_s << true << false << 0 << -1 << QString();
    QTest::newRow("from the beginning")
        << u"tea, tea, tea"_s << u"tea"_s << false << true << 13 << 0 << u"tea"_s;
    QTest::newRow("no wrap") << u"tea, tea"_s << u"tea"_s << false << false << 6 << -1 << QString();
    QTest::newRow("empty text") << u"tea"_s << QString() << false << false << 0 << -1 << QString();
    // A line break is one position between the lines, as in the editor.
    QTest::newRow("third line") << u"one\ntwo\r\nthree"_s << u"THREE"_s << false << false << 0 << 8
                                << u"three"_s;
}

void FindTest::dialogSearch()
{
    QFETCH(QString, text);
    QFETCH(QString, search);
    QFETCH(bool, matchCase);
    QFETCH(bool, fromBeginning);
    QFETCH(int, caret);
    QFETCH(int, start);
    QFETCH(QString, selected);
    Window w(text, start < 0 ? 1 : 0);
    QTextCursor c = w.cursor();
    c.setPosition(caret);
    w.window.txtTEXT()->setTextCursor(c);
    w.search(search, matchCase, fromBeginning);

    QCOMPARE(w.notFoundMessages(), start < 0 ? 1 : 0);
    QCOMPARE(w.dialog()->isVisible(), start < 0); // a failed search keeps the dialog open
    QCOMPARE(w.cursor().hasSelection(), start >= 0);
    if (start >= 0) {
        QCOMPARE(w.cursor().selectionStart(), start);
        QCOMPARE(w.cursor().selectedText(), selected);
    }
    QCOMPARE(History(*w.dialog()), QStringList{search});
}

void FindTest::findNextGoesOnWithoutWrapping()
{
    Window w(u"ababAB ab"_s, 1);
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
    QCOMPARE(w.notFoundMessages(), 0);

    w.findNext();
    QCOMPARE(w.notFoundMessages(), 1);
    QVERIFY(!w.cursor().hasSelection()); // the last match is let go, the caret at its end
    QCOMPARE(w.cursor().position(), 9);
    QCOMPARE(History(*w.dialog()), QStringList{u"ab"_s});
}

void FindTest::findNextBeforeDialogEverOpened()
{
    Window w(u"tea"_s, 1);
    QVERIFY(!w.dialog());
    w.findNext();
    QCOMPARE(w.notFoundMessages(), 1);
    QVERIFY(w.dialog());
    QVERIFY(!w.dialog()->isVisible());
    QCOMPARE(w.dialog()->txtFIND()->currentText(), QString());
    QCOMPARE(w.dialog()->txtFIND()->count(), 0);
}

void FindTest::historyKeepsTwentyNewestFirst()
{
    QStringList words{u"s1"_s, u"s2"_s, u"tea"_s, u"tea"_s, QString()};
    for (int i = 6; i <= 21; ++i)
        words.append(u"s%1"_s.arg(i));
    Window w(words.join(u' '), 1);
    for (const QString &word : words)
        w.search(word, true, true);
    QStringList newestFirst(words.crbegin(), words.crend() - 1); // duplicates and empty kept
    QCOMPARE(History(*w.dialog()), newestFirst);

    // The oldest entry, picked from the full list, is searched for although its place drops out.
    w.window.actions().T_mnuFIND->trigger();
    w.dialog()->txtFIND()->setCurrentIndex(19);
    QTest::mouseClick(w.dialog()->btnCOM(0), Qt::LeftButton);
    QCOMPARE(w.cursor().selectedText(), u"s2"_s);
    newestFirst.prepend(u"s2"_s);
    newestFirst.removeLast();
    QCOMPARE(History(*w.dialog()), newestFirst);
    QCOMPARE(w.notFoundMessages(), 1); // the empty text
}

void FindTest::enterFindsAndEscHides()
{
    Window w(u"one tea"_s);
    frmFIND &find = w.open(u"tea"_s);
    QTest::keyClick(find.txtFIND(), Qt::Key_Return);
    QVERIFY(!find.isVisible());
    QCOMPARE(w.cursor().selectionStart(), 4);
    QCOMPARE(History(find), QStringList{u"tea"_s}); // Enter adds no entry of its own

    w.open(u"one"_s);
    QTest::keyClick(find.txtFIND(), Qt::Key_Escape);
    QVERIFY(!find.isVisible());
    w.open(u"one"_s);
    QTest::mouseClick(find.btnCOM(1), Qt::LeftButton);
    QVERIFY(!find.isVisible());
    QCOMPARE(w.cursor().selectionStart(), 4);
    QCOMPARE(History(find), QStringList{u"tea"_s});
    QCOMPARE(w.notFoundMessages(), 0);
}

void FindTest::dialogKeepsItsStateWhenHidden()
{
    Window w(u"tea"_s, 1);
    frmFIND &find = w.open(u"milk"_s, true, true);
    QCOMPARE(find.windowTitle(), u"Find"_s);
    QVERIFY(find.windowFlags().testFlag(Qt::Tool) && !find.isModal());
    QVERIFY(find.btnCOM(0)->isDefault());
    QTest::mouseClick(find.btnCOM(0), Qt::LeftButton);
    QTest::mouseClick(find.btnCOM(1), Qt::LeftButton);

    w.window.actions().T_mnuFIND->trigger();
    QCOMPARE(w.dialog(), &find);
    QVERIFY(find.isVisible());
    QCOMPARE(find.txtFIND()->currentText(), u"milk"_s);
    QVERIFY(find.chkCASE()->isChecked() && find.chkBEGIN()->isChecked());
    QCOMPARE(History(find), QStringList{u"milk"_s});

    QVERIFY(w.window.close()); // the dialog goes with the main window
    QVERIFY(!w.dialog());
    QCOMPARE(w.notFoundMessages(), 1);
}

} // namespace qb::test

QTEST_MAIN(qb::test::FindTest)
#include "test_find.moc"
