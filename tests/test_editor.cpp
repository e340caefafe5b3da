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
    const QPointF at(5, 5);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(editor->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(editor->viewport(), &drop);
    QVERIFY(drop.isAccepted());
}

// A window showing `text` as a note, with the Find dialog at hand.
struct FindWindow : TestWindow
{
    explicit FindWindow(const QString &text) { open({{u"n.txt"_s, text.toUtf8()}}); }
    frmFIND *dialog() const { return window->findChild<frmFIND *>(u"frmFIND"_s); }
    QTextCursor cursor() const { return editor()->textCursor(); }
    void placeCaret(int position, int anchor = -1) const
    {
        QTextCursor c = cursor();
        c.setPosition(anchor < 0 ? position : anchor);
        c.setPosition(position, QTextCursor::KeepAnchor);
        editor()->setTextCursor(c);
    }
    // Opens the dialog and types `search` into it as the user would.
    frmFIND &openFind(const QString &search, bool matchCase = false, bool fromBeginning = false)
    {
        trigger(u"T_mnuFIND"_s);
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
        QTest::mouseClick(openFind(text, matchCase, fromBeginning).btnCOM(0), Qt::LeftButton);
    }
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
    int selectionStart() const { return cursor().hasSelection() ? cursor().selectionStart() : -1; }
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
        const QString pasted = u"aplain\nlinedef"_s;
        QTest::newRow("Tab") << QKeyCombination(Qt::Key_Tab) << u"a\tdef"_s;
        QTest::newRow("Shift+Tab") << (Qt::SHIFT | Qt::Key_Backtab) << u"a\tdef"_s;
        QTest::newRow("Ctrl+Tab") << (Qt::CTRL | Qt::Key_Tab) << u"a\tdef"_s;
        QTest::newRow("Ctrl+V") << (Qt::CTRL | Qt::Key_V) << pasted;
        QTest::newRow("Shift+Insert") << (Qt::SHIFT | Qt::Key_Insert) << pasted;
        QTest::newRow("Ctrl+Shift+V, the editor's own")
            << (Qt::CTRL | Qt::SHIFT | Qt::Key_V) << u"abcdef"_s;
    }

    void keys()
    {
        QFETCH(QKeyCombination, keys);
        QFETCH(QString, text);
        FindWindow t(u"abcdef"_s);
        PutRichClipboard(u"plain\r\nline"_s);
        t.placeCaret(3, 1);
        QTest::keyClick(t.editor(), keys.key(), keys.keyboardModifiers());
        QCOMPARE(t.text(), text);
        QCOMPARE(t.status(), text == u"abcdef" ? u"Unchanged"_s : u"Changed"_s);
        // Nothing of the formatting came along.
        for (const QTextFormat &format : t.editor()->document()->allFormats())
            QVERIFY(!format.hasProperty(QTextFormat::FontWeight));
    }

    void editMenu()
    {
        FindWindow t(u"one two"_s);
        QClipboard *clipboard = QApplication::clipboard();
        t.placeCaret(4, 0);
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
        QVERIFY2(t.text() == u"2:05:09\u202FPM12/6/26two three"_s ||
                     t.text() == u"2:05:09 PM12/6/26two three"_s,
                 qPrintable(t.text()));

        t.editor()->setPlainText(u"a\u00A0b\nc"_s);
        t.trigger(u"E_mnuCOPYALL"_s);
        QCOMPARE(clipboard->text(), u"a\u00A0b\nc"_s);
        t.trigger(u"E_mnuALL"_s);
        QCOMPARE(t.editor()->textCursor().selectedText(), u"a\u00A0b\u2029c"_s);
    }

    // The toolbar's Cut, Copy and Paste stay on without a note, and do nothing.
    void editingNeedsANote()
    {
        TestWindow t;
        t.open();
        QApplication::clipboard()->setText(u"kept"_s);
        for (int button : {11, 12, 13})
            t.trigger(u"tBAR_Button%1"_s.arg(button));
        QCOMPARE(QApplication::clipboard()->text(), u"kept"_s);
        t.expectNoNote();
    }

    void contextMenu()
    {
        TestWindow t;
        t.open({{u"n.txt"_s, "text"}});
        t.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&t.w()));
        QWidget *viewport = t.editor()->viewport();
        const QPoint at(10, 10);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &event);
        auto *menu = t.child<QMenu>(u"mnuEDIT"_s);
        QTRY_VERIFY(menu->isVisible());
        QCOMPARE(QApplication::activePopupWidget(), menu);
        menu->hide();
    }

    void dropText()
    {
        TestWindow t;
        t.open({{u"n.txt"_s, "abc"}});
        QMimeData text;
        text.setHtml(u"<b>rich</b>"_s);
        text.setText(u"plain"_s);
        DropOn(t.editor(), &text);
        QVERIFY(t.text().contains(u"plain"_s));
        QCOMPARE(t.text().size(), 8);
        QCOMPARE(t.status(), u"Changed"_s);
    }

    void dropFiles_data()
    {
        QTest::addColumn<QString>("dropped"); // a file elsewhere; "@" names one of the folder
        QTest::addColumn<bool>("bookOpen");
        QTest::addColumn<Platform::Button>("answer"); // to the one prompt
        QTest::addColumn<QString>("message");   // %1: the dropped path, %2: the folder's a.txt
        QTest::addColumn<QStringList>("after"); // the folder's notes as "name=content"
        QTest::addColumn<QString>("title");     // the window's afterwards; empty: as it was
        const QStringList kept = {u"a.txt=in folder"_s};
        const auto row = [](const char *tag, const QString &dropped, const QStringList &after,
                            const QString &message = {}, Platform::Button answer = {},
                            bool bookOpen = true, const QString &title = {}) {
            QTest::newRow(tag) << dropped << bookOpen << answer << message << after << title;
        };
        const QString replace = u"The file \"%2\" already exists.\r\nReplace it with \"%1\"?"_s;
        const QString other = u"The file \"%1\" isn't a text file or a valid Quirebox file."_s;
        const QString noFolder =
            u"The file \"%1\" can't be added: a book and a folder must be open to take it."_s;
        const QString z = u"Z - Quirebox v3.01"_s;
        row("note", u"new.txt"_s, kept + QStringList{u"new.txt=dropped"_s});
        row("note, capital ending", u"Plan.TXT"_s, kept + QStringList{u"Plan.TXT=dropped"_s});
        row("note of a taken name, No", u"a.txt"_s, kept, replace, Platform::Button::No);
        row("note of a taken name, Yes", u"a.txt"_s, {u"a.txt=dropped"_s}, replace,
            Platform::Button::Yes);
        row("note of the folder itself", u"@a.txt"_s, kept);
        row("note, no book open", u"new.txt"_s, kept, noFolder, Platform::Button::Ok, false);
        row("book", u"other.qb"_s, kept, {}, {}, true, z);
        row("book, capital ending", u"OTHER.QB"_s, kept, {}, {}, true, z);
        row("book, none open", u"other.qb"_s, kept, {}, {}, false, z);
        row("not a book", u"fake.qb"_s, kept, u"The file \"%1\" isn't a valid Quirebox file."_s,
            Platform::Button::Ok);
        row("picture", u"picture.png"_s, kept, other, Platform::Button::Ok);
        row("txt inside", u"a.txt.bak"_s, kept, other, Platform::Button::Ok);
    }

    // Dropped through the window system's events; only the first file counts, and a second one
    // comes along every time. With no book open the editor is switched off, and still takes it.
    void dropFiles()
    {
        QFETCH(QString, dropped);
        QFETCH(bool, bookOpen);
        QFETCH(Platform::Button, answer);
        QFETCH(QString, message);
        QFETCH(QString, title);
        TestWindow t;
        const QString folderNote = t.note(u"a.txt"_s);
        const QString path = dropped.startsWith(u'@') ? t.note(dropped.mid(1))
                                                      : t.root.filePath(u"elsewhere/"_s + dropped);
        const QString second = t.root.filePath(u"elsewhere/second.txt"_s);
        const QString zeds = t.root.filePath(u"zeds"_s);
        QVERIFY(WriteBytes(zeds + u"/z.txt"_s, "zed") && WriteBytes(second, "second"));
        if (path != folderNote)
            QVERIFY(WriteBytes(path,
                               title.isEmpty() ? "dropped" : BookBytes(u"Z"_s, {{u"Z"_s, zeds}})));
        t.put(u"a.txt"_s, "in folder");
        bookOpen ? t.open() : t.start({});
        const QString before = t.title();
        if (!message.isEmpty())
            t.platform.answerMessage(answer);
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(path), QUrl::fromLocalFile(second)});
        QSignalSpy spy(t.editor(), &NoteEditor::filesDropped);
        DropOn(t.editor(), &files);
        QVERIFY(spy.wait());

        QCOMPARE(t.platform.prompts.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QCOMPARE(t.last().text, message.replace(u"%1"_s, path).replace(u"%2"_s, folderNote));
        QTEST(t.entries(), "after");
        QCOMPARE(t.title(), title.isEmpty() ? before : title);
        if (!title.isEmpty())
            QCOMPARE(t.text(), u"zed"_s);
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

    void search()
    {
        QFETCH(QString, text);
        QFETCH(QString, search);
        QFETCH(int, caret);
        QFETCH(int, start);
        FindWindow w(text);
        w.placeCaret(caret);
        QFETCH(bool, matchCase);
        QFETCH(bool, fromBeginning);
        if (start < 0)
            w.platform.answerMessage(Platform::Button::Ok);
        w.search(search, matchCase, fromBeginning);
        QCOMPARE(w.notFoundMessages(), start < 0 ? 1 : 0);
        QCOMPARE(w.dialog()->isVisible(), start < 0); // a failed search keeps the dialog open
        QCOMPARE(w.selectionStart(), start);
        QCOMPARE(w.cursor().selectedText().toCaseFolded(),
                 start < 0 ? QString() : search.toCaseFolded());
        QCOMPARE(w.history(), QStringList{search});
    }

    // Find Next before the dialog ever opened searches for nothing; then it goes on from the
    // end of the selection, with the dialog's options, and does not wrap.
    void findNext()
    {
        FindWindow w(u"ababAB ab"_s);
        w.platform.answerMessage(Platform::Button::Ok);
        w.platform.answerMessage(Platform::Button::Ok);
        w.trigger(u"T_mnuFIND_NEXT"_s);
        QCOMPARE(w.notFoundMessages(), 1);
        QVERIFY(w.dialog() && !w.dialog()->isVisible());
        QCOMPARE(w.history(), QStringList());

        w.search(u"ab"_s, true, true);
        QCOMPARE(w.selectionStart(), 0);
        w.trigger(u"T_mnuFIND_NEXT"_s); // the copy right after the selected one
        QCOMPARE(w.selectionStart(), 2);
        w.trigger(u"T_mnuFIND_NEXT"_s); // Match Case holds, From the Beginning does not
        QCOMPARE(w.selectionStart(), 7);
        // A selection made backwards has its caret at its start; the search goes on from its end.
        w.placeCaret(1, 4);
        w.trigger(u"T_mnuFIND_NEXT"_s);
        QCOMPARE(w.selectionStart(), 7);
        QCOMPARE(w.notFoundMessages(), 1);

        w.trigger(u"T_mnuFIND_NEXT"_s);
        QCOMPARE(w.notFoundMessages(), 2);
        QVERIFY(!w.cursor().hasSelection()); // the last match is let go, the caret at its end
        QCOMPARE(w.cursor().position(), 9);
    }

    void historyKeepsTwentyNewestFirst()
    {
        QStringList words{u"s1"_s, u"s2"_s, u"tea"_s, u"tea"_s, QString()};
        for (int i = 6; i <= 21; ++i)
            words.append(u"s%1"_s.arg(i));
        FindWindow w(words.join(u' '));
        w.platform.answerMessage(Platform::Button::Ok); // for the empty text
        for (const QString &word : words)
            w.search(word, true, true);
        QStringList newestFirst(words.crbegin(), words.crend() - 1); // duplicates and empty kept
        QCOMPARE(w.history(), newestFirst);

        // The oldest entry, picked from the full list, is searched for although its place drops
        // out.
        w.trigger(u"T_mnuFIND"_s);
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
        FindWindow w(u"one tea"_s);
        frmFIND &find = w.openFind(u"tea"_s, true, true);
        QVERIFY(!find.isModal());
        QTest::keyClick(find.txtFIND(), Qt::Key_Return);
        QVERIFY(!find.isVisible());
        QCOMPARE(w.selectionStart(), 4);
        w.trigger(u"T_mnuFIND"_s);
        QTest::keyClick(find.txtFIND(), Qt::Key_Escape);
        QVERIFY(!find.isVisible());
        QCOMPARE(find.txtFIND()->currentText(), u"tea"_s);
        QVERIFY(find.chkCASE()->isChecked() && find.chkBEGIN()->isChecked());
        QCOMPARE(w.history(), QStringList{u"tea"_s}); // Enter adds no entry of its own
        QCOMPARE(w.notFoundMessages(), 0);
    }
};

QTEST_MAIN(TestEditor)
#include "test_editor.moc"
