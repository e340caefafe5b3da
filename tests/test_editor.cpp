// The editor through the window: the Edit menu, the editor's keys and context menu, what is
// dropped on it, and Tools > Find and Find Next.
#include "WindowFixture.h"

#include "find/frmFIND.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QUrl>

using namespace qb;
using namespace qb::test;

namespace {

// Formatted text on the clipboard, as a browser or word processor leaves it.
void PutRichClipboard(const QString &plain)
{
    auto *mime = new QMimeData;
    mime->setHtml(u"<b>bold</b> and <i>more</i>"_s);
    mime->setText(plain);
    QApplication::clipboard()->setMimeData(mime);
}

// A drop as the window system delivers it: enter, then drop on the editor's viewport.
void DropOn(NoteEditor *editor, QMimeData *mime)
{
    QDragEnterEvent enter({5, 5}, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(editor->viewport(), &enter);
    QDropEvent drop({5, 5}, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(editor->viewport(), &drop);
    QVERIFY(enter.isAccepted() && drop.isAccepted());
}

// A window showing `text` as a note, with the Find dialog at hand.
struct NoteWindow : TestWindow
{
    explicit NoteWindow(const QString &text) { open({{u"n.txt"_s, text.toUtf8()}}); }
    frmFIND *find() const { return window->findChild<frmFIND *>(u"frmFIND"_s); }
    QTextCursor cursor() const { return editor()->textCursor(); }
    void select(int anchor, int position) const
    {
        QTextCursor c = cursor();
        c.setPosition(anchor);
        c.setPosition(position, QTextCursor::KeepAnchor);
        editor()->setTextCursor(c);
    }
    // Opens the dialog, types `search` into it as the user would, and presses Find Next.
    void search(const QString &search, bool matchCase = false, bool fromBeginning = false)
    {
        trigger(u"T_mnuFIND"_s);
        find()->txtFIND()->clearEditText();
        for (const QChar c : search)
            QTest::sendKeyEvent(QTest::Click, find()->txtFIND(), Qt::Key_unknown, QString(c), {});
        find()->chkCASE()->setChecked(matchCase);
        find()->chkBEGIN()->setChecked(fromBeginning);
        QTest::mouseClick(find()->btnCOM(0), Qt::LeftButton);
    }
    // Scripts the Ok to "not found", which must be the next message.
    void notFound() { platform.answerMessage(Platform::Button::Ok); }
    int selectionStart() const { return cursor().hasSelection() ? cursor().selectionStart() : -1; }
    QStringList history() const
    {
        QStringList items;
        for (int i = 0; i < find()->txtFIND()->count(); ++i)
            items.append(find()->txtFIND()->itemText(i));
        return items;
    }
};

} // namespace

class TestEditor : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void keys_data()
    {
        QTest::addColumn<QKeyCombination>("keys");
        // Typed over "bc" of "abcdef", with "plain\r\nline" on the clipboard.
        QTest::addColumn<QString>("text");
        QTest::newRow("Tab") << QKeyCombination(Qt::Key_Tab) << u"a\tdef"_s;
        QTest::newRow("Shift+Tab") << (Qt::SHIFT | Qt::Key_Backtab) << u"a\tdef"_s;
        QTest::newRow("Ctrl+Tab") << (Qt::CTRL | Qt::Key_Tab) << u"a\tdef"_s;
        QTest::newRow("Ctrl+V") << (Qt::CTRL | Qt::Key_V) << u"aplain\nlinedef"_s;
        QTest::newRow("Shift+Insert") << (Qt::SHIFT | Qt::Key_Insert) << u"aplain\nlinedef"_s;
        QTest::newRow("Ctrl+Shift+V, the editor's own")
            << (Qt::CTRL | Qt::SHIFT | Qt::Key_V) << u"abcdef"_s;
    }

    // Tab always inserts a tab; the paste keys paste plain text only.
    void keys()
    {
        QFETCH(QKeyCombination, keys);
        QFETCH(QString, text);
        NoteWindow t(u"abcdef"_s);
        PutRichClipboard(u"plain\r\nline"_s);
        t.select(1, 3);
        QTest::keyClick(t.editor(), keys.key(), keys.keyboardModifiers());
        QCOMPARE(t.text(), text);
        QCOMPARE(t.status(), text == u"abcdef" ? u"Unchanged"_s : u"Changed"_s);
        for (const QTextFormat &format : t.editor()->document()->allFormats())
            QVERIFY(!format.hasProperty(QTextFormat::FontWeight));
    }

    void editMenu()
    {
        NoteWindow t(u"one two"_s);
        QClipboard *clipboard = QApplication::clipboard();
        t.select(0, 4);
        t.trigger(u"E_mnuCOPY"_s);
        QCOMPARE(clipboard->text(), u"one "_s);
        QCOMPARE(t.status(), u"Unchanged"_s);
        t.trigger(u"tBAR_Button11"_s); // Cut
        QCOMPARE(clipboard->text(), u"one "_s);
        QCOMPARE(t.status(), u"Changed"_s);
        t.editor()->moveCursor(QTextCursor::End);
        PutRichClipboard(u" three"_s);
        t.trigger(u"E_mnuPASTE"_s);
        t.editor()->moveCursor(QTextCursor::Start);
        t.trigger(u"E_mnuTIME"_s);
        t.trigger(u"E_mnuDATE"_s);
        // 2026-12-06 14:05:09 in the user's long time and short date forms.
        QCOMPARE(t.text().replace(u'\u202F', u' '), u"2:05:09 PM12/6/26two three"_s);
        t.editor()->setPlainText(u"a\u00A0b\nc"_s);
        t.trigger(u"E_mnuCOPYALL"_s);
        QCOMPARE(clipboard->text(), u"a\u00A0b\nc"_s);
        t.trigger(u"E_mnuALL"_s);
        QCOMPARE(t.cursor().selectedText(), u"a\u00A0b\u2029c"_s);
    }

    // The toolbar's Cut, Copy and Paste stay on without a note, and do nothing; the right
    // button shows the window's Edit menu.
    void withoutANoteAndContextMenu()
    {
        TestWindow t;
        t.open();
        QApplication::clipboard()->setText(u"kept"_s);
        for (int button : {11, 12, 13})
            t.trigger(u"tBAR_Button%1"_s.arg(button));
        QCOMPARE(QApplication::clipboard()->text(), u"kept"_s);
        t.expectNoNote();

        NoteWindow n(u"text"_s);
        n.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&n.w()));
        QWidget *viewport = n.editor()->viewport();
        QContextMenuEvent event(QContextMenuEvent::Mouse, {10, 10},
                                viewport->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(viewport, &event);
        QTRY_COMPARE(QApplication::activePopupWidget(), n.child<QMenu>(u"mnuEDIT"_s));
        QApplication::activePopupWidget()->hide();
    }

    void drop_data()
    {
        QTest::addColumn<QString>("dropped"); // a file elsewhere; "@" names one of the folder
        QTest::addColumn<bool>("bookOpen");
        QTest::addColumn<QString>("message");   // %1: the dropped path
        QTest::addColumn<QStringList>("after"); // the folder's notes as "name=content"
        QTest::addColumn<QString>("title");     // the window's afterwards; empty: as it was
        const QStringList kept = {u"a.txt=in folder"_s};
        const QString other = u"The file \"%1\" isn't a text file or a valid Quirebox file."_s;
        const QString z = u"Z - Quirebox v3.01"_s;
        QTest::newRow("text") << QString() << true << QString() << kept << QString();
        QTest::newRow("note, capital ending")
            << u"Plan.TXT"_s << true << QString() << kept + QStringList{u"Plan.TXT=dropped"_s}
            << QString();
        QTest::newRow("note of the folder itself")
            << u"@a.txt"_s << true << QString() << kept << QString();
        QTest::newRow("note, no book open")
            << u"new.txt"_s << false
            << u"The file \"%1\" can't be added: a book and a folder must be open to take it."_s
            << kept << QString();
        QTest::newRow("book, capital ending") << u"OTHER.QB"_s << true << QString() << kept << z;
        QTest::newRow("book, none open") << u"other.qb"_s << false << QString() << kept << z;
        QTest::newRow("picture") << u"picture.png"_s << true << other << kept << QString();
        QTest::newRow("txt inside") << u"a.txt.bak"_s << true << other << kept << QString();
    }

    // Dropped through the window system's events: text comes in as plain text; of files only
    // the first counts, and a second one comes along every time. With no book open the editor
    // is switched off, and still takes them.
    void drop()
    {
        QFETCH(QString, dropped);
        QFETCH(bool, bookOpen);
        QFETCH(QString, message);
        QFETCH(QString, title);
        TestWindow t;
        const QString path = dropped.startsWith(u'@') ? t.note(dropped.mid(1))
                                                      : t.root.filePath(u"elsewhere/"_s + dropped);
        const QString second = t.root.filePath(u"elsewhere/second.txt"_s);
        const QString zeds = t.root.filePath(u"zeds"_s);
        QVERIFY(WriteBytes(zeds + u"/z.txt"_s, "zed") && WriteBytes(second, "second"));
        if (!dropped.isEmpty() && !dropped.startsWith(u'@'))
            QVERIFY(WriteBytes(path,
                               title.isEmpty() ? "dropped" : BookBytes(u"Z"_s, {{u"Z"_s, zeds}})));
        t.put(u"a.txt"_s, "in folder");
        bookOpen ? t.open() : t.start({});
        const QString before = t.title();
        if (!message.isEmpty())
            t.platform.answerMessage(Platform::Button::Ok);
        QMimeData mime;
        if (dropped.isEmpty()) {
            mime.setHtml(u"<b>rich</b>"_s);
            mime.setText(u"plain"_s);
            DropOn(t.editor(), &mime);
            QVERIFY(t.text().contains(u"plain"_s) && t.text().size() == 14);
            QCOMPARE(t.status(), u"Changed"_s);
            return;
        }
        mime.setUrls({QUrl::fromLocalFile(path), QUrl::fromLocalFile(second)});
        QSignalSpy spy(t.editor(), &NoteEditor::filesDropped);
        DropOn(t.editor(), &mime);
        QVERIFY(spy.wait());
        QCOMPARE(t.platform.prompts.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QCOMPARE(t.last().text, message.arg(path));
        QTEST(t.entries(), "after");
        QCOMPARE(t.title(), title.isEmpty() ? before : title);
        QCOMPARE(t.text(), title.isEmpty() ? (bookOpen ? u"in folder"_s : QString()) : u"zed"_s);
    }

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
        QTest::newRow("third line")
            << u"a\r\nb\r\nthree"_s << u"THREE"_s << false << false << 0 << 4;
    }

    // A match is selected and the dialog hidden; a failed search keeps the dialog open.
    void search()
    {
        QFETCH(QString, text);
        QFETCH(QString, search);
        QFETCH(int, caret);
        QFETCH(int, start);
        NoteWindow w(text);
        w.select(caret, caret);
        if (start < 0)
            w.notFound();
        QFETCH(bool, matchCase);
        QFETCH(bool, fromBeginning);
        w.search(search, matchCase, fromBeginning);
        if (start < 0) {
            QCOMPARE(w.last().text, u"Unable to find the specified string."_s);
            QCOMPARE(w.last().title, u"Quirebox Find"_s);
        }
        QCOMPARE(w.find()->isVisible(), start < 0);
        QCOMPARE(w.selectionStart(), start);
        QCOMPARE(w.cursor().selectedText().toCaseFolded(),
                 start < 0 ? QString() : search.toCaseFolded());
        QCOMPARE(w.history(), QStringList{search});
    }

    // Find Next before the dialog ever opened searches for nothing; then it goes on from the
    // end of the selection, with the dialog's options, and does not wrap.
    void findNext()
    {
        NoteWindow w(u"ababAB ab"_s);
        w.notFound();
        w.trigger(u"T_mnuFIND_NEXT"_s);
        QVERIFY(w.find() && !w.find()->isVisible());
        QCOMPARE(w.history(), QStringList());

        w.search(u"ab"_s, true, true);
        QCOMPARE(w.selectionStart(), 0);
        w.trigger(u"T_mnuFIND_NEXT"_s); // the copy right after the selected one
        QCOMPARE(w.selectionStart(), 2);
        w.trigger(u"T_mnuFIND_NEXT"_s); // Match Case holds, From the Beginning does not
        QCOMPARE(w.selectionStart(), 7);
        // A selection made backwards has its caret at its start; the search goes on from its end.
        w.select(4, 1);
        w.trigger(u"T_mnuFIND_NEXT"_s);
        QCOMPARE(w.selectionStart(), 7);
        w.notFound();
        w.trigger(u"T_mnuFIND_NEXT"_s);
        QVERIFY(!w.cursor().hasSelection()); // the last match is let go, the caret at its end
        QCOMPARE(w.cursor().position(), 9);
    }

    // Twenty entries, newest first, duplicates and the empty text kept; Enter finds and hides
    // and adds no entry of its own, Esc hides; the hidden dialog keeps its text and options.
    void historyAndKeys()
    {
        QStringList words{u"s1"_s, u"s2"_s, u"tea"_s, u"tea"_s, QString()};
        for (int i = 6; i <= 21; ++i)
            words.append(u"s%1"_s.arg(i));
        NoteWindow w(words.join(u' '));
        w.notFound(); // the empty text
        for (const QString &word : words)
            w.search(word, true, true);
        QStringList newestFirst(words.crbegin(), words.crend() - 1);
        QCOMPARE(w.history(), newestFirst);
        // The oldest entry, picked, is searched for although its place drops out.
        w.trigger(u"T_mnuFIND"_s);
        w.find()->txtFIND()->setCurrentIndex(19);
        QTest::keyClick(w.find()->txtFIND(), Qt::Key_Return);
        QVERIFY(!w.find()->isVisible());
        QCOMPARE(w.cursor().selectedText(), u"s2"_s);
        newestFirst.prepend(u"s2"_s);
        newestFirst.removeLast();
        QCOMPARE(w.history(), newestFirst);
        w.trigger(u"T_mnuFIND"_s);
        QTest::keyClick(w.find()->txtFIND(), Qt::Key_Escape);
        QVERIFY(!w.find()->isVisible() && !w.find()->isModal());
        QCOMPARE(w.find()->txtFIND()->currentText(), u"s2"_s);
        QVERIFY(w.find()->chkCASE()->isChecked() && w.find()->chkBEGIN()->isChecked());
    }
};

QTEST_MAIN(TestEditor)
#include "test_editor.moc"
