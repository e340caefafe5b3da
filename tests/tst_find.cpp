#include "FakePlatform.h"

#include "app/frmQB.h"
#include "editor/NoteEditor.h"
#include "find/FindCommands.h"
#include "find/TextSearch.h"
#include "find/frmFIND.h"
#include "notes/NoteCommands.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace qb::test {
namespace {

const QString NotFound = u"Unable to find the specified string."_s;

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
    void setCaret(int position)
    {
        QTextCursor c = cursor();
        c.setPosition(position);
        window.txtTEXT()->setTextCursor(c);
    }
    // Opens the dialog and types `search` into its text box as the user would.
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
    void findNext() { window.actions().T_mnuFIND_NEXT->trigger(); }
    // The user will be told `count` times that nothing was found.
    void expectNotFound(int count)
    {
        for (int i = 0; i < count; ++i)
            platform.answerMessage(Platform::Button::Ok);
    }
    bool allScripted() const { return platform.unexpected == 0 && platform.allAnswered(); }
    int notFoundMessages() const
    {
        int count = 0;
        for (const FakePlatform::Prompt &p : platform.messages()) {
            if (p.text == NotFound && p.title == u"Quirebox Find" && p.icon == Platform::Icon::None
                && p.buttons == Platform::Buttons::Ok)
                ++count;
        }
        return count;
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
    void findNextResumesAtSelectionEnd();
    void findNextIgnoresFromBeginning();
    void findNextBeforeDialogEverOpened();
    void historyKeepsTwentyNewestFirst();
    void historyKeepsDuplicatesAndEmptyTexts();
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
    QTest::newRow("capitals, case ignored") << u"The TEA room"_s << u"tea"_s << 0 << false << 4;
    QTest::newRow("capitals, case matched") << u"The TEA room"_s << u"tea"_s << 0 << true << -1;
    QTest::newRow("accented capitals") << u"Crème BRÛLÉE"_s << u"brûlée"_s << 0 << false << 6;
    QTest::newRow("match at the start offset") << u"abab"_s << u"ab"_s << 2 << true << 2;
    QTest::newRow("earlier match is not wrapped to") << u"ab ab"_s << u"ab"_s << 4 << true << -1;
    QTest::newRow("match ending at the last character") << u"xyab"_s << u"ab"_s << 2 << true << 2;
    QTest::newRow("start past the end") << u"ab"_s << u"ab"_s << 3 << true << -1;
    QTest::newRow("negative start reads from the top") << u"ab"_s << u"ab"_s << -4 << true << 0;
    QTest::newRow("empty search text") << u"ab"_s << QString() << 0 << true << -1;
    QTest::newRow("search text longer than the text") << u"ab"_s << u"abc"_s << 0 << false << -1;
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

    QTest::newRow("first character") << u"Tea at noon"_s << u"tea"_s << false << false << 0 << 0
                                     << u"Tea"_s;
    QTest::newRow("capitals found when case is free")
        << u"The TEA room"_s << u"tea"_s << false << false << 0 << 4 << u"TEA"_s;
    QTest::newRow("capitals missed with Match Case")
        << u"The TEA room"_s << u"tea"_s << true << false << 0 << -1 << QString();
    QTest::newRow("from the beginning, caret at the end")
        << u"tea, tea, tea"_s << u"tea"_s << false << true << 13 << 0 << u"tea"_s;
    QTest::newRow("no wrap past the last one")
        << u"tea, tea"_s << u"tea"_s << false << false << 6 << -1 << QString();
    QTest::newRow("empty search text") << u"tea"_s << QString() << false << false << 0 << -1
                                       << QString();
    // Line breaks sit between the paragraphs as one position each.
    QTest::newRow("third line") << u"one\ntwo\r\nthree"_s << u"THREE"_s << false << false << 0
                                << 8 << u"three"_s;
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

    Window w(text);
    w.expectNotFound(start < 0 ? 1 : 0);
    w.setCaret(caret);
    frmFIND &find = w.open(search, matchCase, fromBeginning);
    QTest::mouseClick(find.btnCOM(0), Qt::LeftButton);

    if (start < 0) {
        QCOMPARE(w.notFoundMessages(), 1);
        QVERIFY(find.isVisible());
        QVERIFY(!w.cursor().hasSelection());
    } else {
        QCOMPARE(w.platform.prompts.size(), 0);
        QVERIFY(!find.isVisible());
        QCOMPARE(w.cursor().selectionStart(), start);
        QCOMPARE(w.cursor().selectedText(), selected);
    }
    QCOMPARE(History(find), QStringList{search});
    QVERIFY(w.allScripted());
}

void FindTest::findNextGoesOnWithoutWrapping()
{
    Window w(u"ab ab ab"_s);
    QTest::mouseClick(w.open(u"ab"_s).btnCOM(0), Qt::LeftButton);
    QCOMPARE(w.cursor().selectionStart(), 0);
    w.findNext();
    QCOMPARE(w.cursor().selectionStart(), 3);
    w.findNext();
    QCOMPARE(w.cursor().selectionStart(), 6);
    QCOMPARE(w.notFoundMessages(), 0);

    w.expectNotFound(1);
    w.findNext();
    QCOMPARE(w.notFoundMessages(), 1);
    // The last match is let go: the caret stays at its end.
    QVERIFY(!w.cursor().hasSelection());
    QCOMPARE(w.cursor().position(), 8);
    QVERIFY(w.allScripted());
}

void FindTest::findNextResumesAtSelectionEnd()
{
    Window w(u"abab ab"_s);
    QTest::mouseClick(w.open(u"ab"_s).btnCOM(0), Qt::LeftButton);
    QCOMPARE(w.cursor().selectionStart(), 0);
    w.findNext(); // the copy right after the first one
    QCOMPARE(w.cursor().selectionStart(), 2);

    // A selection made backwards leaves the caret at its start; the search still goes on from
    // its end.
    QTextCursor backwards = w.cursor();
    backwards.setPosition(4);
    backwards.setPosition(0, QTextCursor::KeepAnchor);
    w.window.txtTEXT()->setTextCursor(backwards);
    w.findNext();
    QCOMPARE(w.cursor().selectionStart(), 5);
    QCOMPARE(w.platform.prompts.size(), 0);
}

void FindTest::findNextIgnoresFromBeginning()
{
    Window w(u"tea TEA tea"_s);
    frmFIND &find = w.open(u"tea"_s, true, true);
    QTest::mouseClick(find.btnCOM(0), Qt::LeftButton);
    QCOMPARE(w.cursor().selectionStart(), 0);
    w.findNext();
    QCOMPARE(w.cursor().selectionStart(), 8); // Match Case is followed, From the Beginning not
    w.expectNotFound(1);
    w.findNext();
    QCOMPARE(w.notFoundMessages(), 1);
    QCOMPARE(History(find), QStringList{u"tea"_s});
    QVERIFY(w.allScripted());
}

void FindTest::findNextBeforeDialogEverOpened()
{
    Window w(u"tea"_s);
    QVERIFY(!w.dialog());
    w.expectNotFound(1);
    w.findNext();
    QCOMPARE(w.notFoundMessages(), 1);
    QCOMPARE(w.platform.prompts.size(), 1);
    frmFIND *find = w.dialog();
    QVERIFY(find);
    QVERIFY(!find->isVisible());
    QCOMPARE(find->txtFIND()->currentText(), QString());
    QCOMPARE(find->txtFIND()->count(), 0);
    QVERIFY(!w.cursor().hasSelection());
    QVERIFY(w.allScripted());
}

void FindTest::historyKeepsTwentyNewestFirst()
{
    QStringList words;
    for (int i = 1; i <= 21; ++i)
        words.append(u"s%1"_s.arg(i));
    Window w(words.join(u' '));
    for (const QString &word : words)
        QTest::mouseClick(w.open(word, true, true).btnCOM(0), Qt::LeftButton);
    frmFIND &find = *w.dialog();
    QStringList newestFirst;
    for (int i = 21; i >= 2; --i)
        newestFirst.append(u"s%1"_s.arg(i));
    QCOMPARE(History(find), newestFirst);

    // The oldest entry picked from the full list is what is searched for, although its old
    // place drops out of the list.
    w.window.actions().T_mnuFIND->trigger();
    find.txtFIND()->setCurrentIndex(19);
    QCOMPARE(find.txtFIND()->currentText(), u"s2"_s);
    QTest::mouseClick(find.btnCOM(0), Qt::LeftButton);
    QCOMPARE(w.cursor().selectedText(), u"s2"_s);
    QCOMPARE(w.cursor().selectionStart(), 3);
    newestFirst.prepend(u"s2"_s);
    newestFirst.removeLast();
    QCOMPARE(History(find), newestFirst);
    QVERIFY(w.allScripted());
}

void FindTest::historyKeepsDuplicatesAndEmptyTexts()
{
    Window w(u"tea"_s);
    w.expectNotFound(2);
    for (const QString &search : {u"tea"_s, u"tea"_s, QString(), u"milk"_s}) {
        frmFIND &find = w.open(search, false, true);
        QTest::mouseClick(find.btnCOM(0), Qt::LeftButton);
    }
    QCOMPARE(History(*w.dialog()), (QStringList{u"milk"_s, QString(), u"tea"_s, u"tea"_s}));
    QCOMPARE(w.notFoundMessages(), 2); // the empty text and "milk"
    QVERIFY(w.allScripted());
}

void FindTest::enterFindsAndEscHides()
{
    Window w(u"one tea"_s);
    frmFIND &find = w.open(u"tea"_s);
    QTest::keyClick(find.txtFIND(), Qt::Key_Return);
    QVERIFY(!find.isVisible());
    QCOMPARE(w.cursor().selectionStart(), 4);
    QCOMPARE(History(find), QStringList{u"tea"_s}); // Enter adds no entry of its own

    w.setCaret(0);
    w.open(u"one"_s);
    QVERIFY(find.isVisible());
    QTest::keyClick(find.txtFIND(), Qt::Key_Escape);
    QVERIFY(!find.isVisible());
    QVERIFY(!w.cursor().hasSelection());
    QCOMPARE(History(find), QStringList{u"tea"_s});

    w.open(u"one"_s);
    QTest::mouseClick(find.btnCOM(1), Qt::LeftButton);
    QVERIFY(!find.isVisible());
    QVERIFY(!w.cursor().hasSelection());
    QCOMPARE(w.platform.prompts.size(), 0);
}

void FindTest::dialogKeepsItsStateWhenHidden()
{
    Window w(u"tea"_s);
    w.expectNotFound(1);
    frmFIND &find = w.open(u"milk"_s, true, true);
    QCOMPARE(find.windowTitle(), u"Find"_s);
    QVERIFY(find.windowFlags().testFlag(Qt::Tool));
    QVERIFY(!find.isModal());
    QCOMPARE(find.btnCOM(0)->text(), u"&Find Next"_s);
    QCOMPARE(find.btnCOM(1)->text(), u"&Cancel"_s);
    QVERIFY(find.btnCOM(0)->isDefault());
    QCOMPARE(find.chkCASE()->text(), u"&Match Case"_s);
    QCOMPARE(find.chkBEGIN()->text(), u"From the &Beginning"_s);
    QTest::mouseClick(find.btnCOM(0), Qt::LeftButton);
    QTest::mouseClick(find.btnCOM(1), Qt::LeftButton);
    QVERIFY(!find.isVisible());

    w.window.actions().T_mnuFIND->trigger();
    QCOMPARE(w.dialog(), &find);
    QVERIFY(find.isVisible());
    QCOMPARE(find.txtFIND()->currentText(), u"milk"_s);
    QVERIFY(find.chkCASE()->isChecked());
    QVERIFY(find.chkBEGIN()->isChecked());
    QCOMPARE(History(find), QStringList{u"milk"_s});

    // Closing the main window takes the dialog with it.
    QVERIFY(w.window.close());
    QVERIFY(!w.dialog());
    QVERIFY(w.allScripted());
}

} // namespace qb::test

QTEST_MAIN(qb::test::FindTest)
#include "tst_find.moc"
