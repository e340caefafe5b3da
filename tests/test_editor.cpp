// The editor through the window: the Edit menu, the editor's keys and context menu, what is
// dropped on it, and Tools > Find and Find Next.
#include "WindowFixture.h"

#include "editor/NoticeBar.h"
#include "find/BookResultsModel.h"
#include "find/frmFIND.h"
#include "find/frmFINDBOOK.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeView>
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
    // Opens the dialog, types `search` into it as the user would, and presses Enter.
    void search(const QString &search, bool matchCase = false, bool fromBeginning = false)
    {
        trigger(u"T_mnuFIND"_s);
        find()->txtFIND()->clearEditText();
        for (const QChar c : search)
            QTest::sendKeyEvent(QTest::Click, find()->txtFIND(), Qt::Key_unknown, QString(c), {});
        find()->chkCASE()->setChecked(matchCase);
        find()->chkBEGIN()->setChecked(fromBeginning);
        QTest::keyClick(find()->txtFIND(), Qt::Key_Return);
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

    // Typed over "bc" of "abcdef": Tab always inserts a tab; the paste keys paste the
    // clipboard's plain text only; Ctrl+Shift+V, the editor's own, does nothing.
    void keys()
    {
        const QList<std::pair<QKeyCombination, QString>> rows = {
            {QKeyCombination(Qt::Key_Tab), u"a\tdef"_s},
            {Qt::SHIFT | Qt::Key_Backtab, u"a\tdef"_s},
            {Qt::CTRL | Qt::Key_V, u"aplain\nlinedef"_s},
            {Qt::CTRL | Qt::SHIFT | Qt::Key_V, u"abcdef"_s}};
        for (const auto &[keys, text] : rows) {
            NoteWindow t(u"abcdef"_s);
            PutRichClipboard(u"plain\r\nline"_s);
            t.select(1, 3);
            QTest::keyClick(t.editor(), keys.key(), keys.keyboardModifiers());
            QCOMPARE(t.text(), text);
            QCOMPARE(t.status(), text == u"abcdef" ? u"Unchanged"_s : u"Changed"_s);
            for (const QTextFormat &format : t.editor()->document()->allFormats())
                QVERIFY(!format.hasProperty(QTextFormat::FontWeight));
        }
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

    // The clipboard gets the note's own characters, never the pictures the editor shows for
    // them, and a paste into a note gives back the very bytes copied, in any note's form. Each
    // row: the note's bytes, the text another program gets from a Select All and a copy, and
    // what the note holds once that is pasted at its end.
    void clipboardKeepsTheNotesCharacters_data()
    {
        QTest::addColumn<QString>("copy"); // the command that copies
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("plain");
        for (const QString &copy : {u"E_mnuCOPY"_s, u"E_mnuCOPYALL"_s, u"Ctrl+C"_s}) {
            QTest::addRow("lone CR in a CR LF note, %s", qPrintable(copy))
                << copy << "a\rb\r\nc"_ba << u"a\rb\nc"_s;
            QTest::addRow("lone LF in a CR LF note, %s", qPrintable(copy))
                << copy << "a\r\nb\nc"_ba << u"a\nb\nc"_s;
            QTest::addRow("lone CR in an LF note, %s", qPrintable(copy))
                << copy << "a\nb\r\n"_ba << u"a\nb\r\n"_s;
            QTest::addRow("U+2028 and a lone CR in Windows-1252, %s", qPrintable(copy))
                << copy << "caf\xE9\r\xE2\x80\xA8"_ba << u"café\r\u00E2\u20AC\u00A8"_s;
        }
        QTest::addRow("U+2028 in UTF-8") << u"Ctrl+C"_s << "x\xE2\x80\xA8y\n"_ba << u"x\u2028y\n"_s;
    }

    void clipboardKeepsTheNotesCharacters()
    {
        QFETCH(QString, copy);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, plain);
        TestWindow t;
        t.open({{u"n.txt"_s, bytes}});
        t.trigger(u"E_mnuALL"_s);
        if (copy == u"Ctrl+C")
            QTest::keyClick(t.editor(), Qt::Key_C, Qt::ControlModifier);
        else
            t.trigger(copy);
        QCOMPARE(QApplication::clipboard()->text(), plain);
        t.editor()->moveCursor(QTextCursor::End);
        t.trigger(u"E_mnuPASTE"_s);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"n.txt"_s), bytes + bytes);
    }

    // Text from another program: its line breaks, "\r\n" or "\n", break the note's lines, and
    // a lone CR stays a CR, shown as its stand-in.
    void pasteFromAnotherProgram()
    {
        TestWindow t;
        t.open({{u"n.txt"_s, "note\r\n"}});
        t.editor()->moveCursor(QTextCursor::End);
        QApplication::clipboard()->setText(u"x\ry\r\nz\n"_s);
        t.trigger(u"E_mnuPASTE"_s);
        QCOMPARE(t.text(), u"note\nx\u240Dy\nz\n"_s);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"n.txt"_s), QByteArray("note\r\nx\ry\r\nz\r\n"));
        // One undo step takes the paste back.
        QTest::keyClick(t.editor(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.text(), u"note\n"_s);
    }

    // The editor's pictures for the characters it cannot show as they are are drawn from a
    // font that has them, not as the box of a missing character.
    void standInPicturesAreDrawn()
    {
        TestWindow t;
        t.open({{u"n.txt"_s, "a\rb"}});
        const QFont font = t.editor()->font();
        const auto render = [&font](char32_t c) {
            QImage image(48, 48, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            painter.setFont(font);
            painter.setPen(Qt::black);
            painter.drawText(image.rect(), Qt::AlignCenter, QString::fromUcs4(&c, 1));
            return image;
        };
        const QImage missing = render(0x0378); // no character: every font's missing-glyph box
        for (const char32_t picture : {0x240D, 0x240A, 0x2424})
            QVERIFY2(render(picture) != missing, qPrintable(QString::number(picture, 16)));
    }

    // Dropped through the window system's events: only the first file counts, and a second
    // one comes along every time. With no book open the editor is switched off, and still
    // takes them.
    void dropFiles()
    {
        const QStringList kept = {u"a.txt=in folder"_s};
        const QString other = u"The file \"%1\" isn't a text file or a valid Quirebox file."_s;
        const QString z = u"Z - Quirebox v3.01"_s;
        // The file ("@": one of the folder), a book open, the message ("%1": the file), the
        // folder's notes afterwards, and the window's title afterwards (empty: as it was).
        const QList<std::tuple<QString, bool, QString, QStringList, QString>> rows = {
            {u"Plan.TXT"_s, true, {}, kept + QStringList{u"Plan.TXT=dropped"_s}, {}},
            {u"@a.txt"_s, true, {}, kept, {}},
            {u"new.txt"_s,
             false,
             u"The file \"%1\" can't be added: a book and a folder must be open to take it."_s,
             kept,
             {}},
            {u"OTHER.QB"_s, true, {}, kept, z},
            {u"other.qb"_s, false, {}, kept, z},
            {u"picture.png"_s, true, other, kept, {}},
            {u"a.txt.bak"_s, true, other, kept, {}}};
        for (const auto &[dropped, bookOpen, message, after, title] : rows) {
            TestWindow t;
            const QString path = dropped.startsWith(u'@')
                                     ? t.note(dropped.mid(1))
                                     : t.root.filePath(u"elsewhere/"_s + dropped);
            const QString second = t.root.filePath(u"elsewhere/second.txt"_s);
            const QString zeds = t.root.filePath(u"zeds"_s);
            QVERIFY(WriteBytes(zeds + u"/z.txt"_s, "zed") && WriteBytes(second, "second"));
            if (!dropped.startsWith(u'@'))
                QVERIFY(WriteBytes(path, title.isEmpty() ? "dropped"
                                                         : BookBytes(u"Z"_s, {{u"Z"_s, zeds}})));
            t.put(u"a.txt"_s, "in folder");
            bookOpen ? t.open() : t.start({});
            const QString before = t.title();
            if (!message.isEmpty())
                t.platform.answerMessage(Platform::Button::Ok);
            QMimeData mime;
            mime.setUrls({QUrl::fromLocalFile(path), QUrl::fromLocalFile(second)});
            QSignalSpy spy(t.editor(), &NoteEditor::filesDropped);
            DropOn(t.editor(), &mime);
            QVERIFY(spy.wait());
            if (!message.isEmpty())
                QCOMPARE(t.last().text, message.arg(path));
            QCOMPARE(t.entries(), after);
            QCOMPARE(t.title(), title.isEmpty() ? before : title);
            QCOMPARE(t.text(), !title.isEmpty() ? u"zed"_s : bookOpen ? u"in folder"_s : QString());
        }
    }

    // A match is selected and the dialog hidden; a failed search keeps the dialog open. Enter
    // finds, and adds the text to the history once.
    void search()
    {
        // The note, the text looked for, Match Case, From the Beginning, where the caret is,
        // and where the match starts (-1: none).
        const QList<std::tuple<QString, QString, bool, bool, int, int>> rows = {
            {u"Tea time"_s, u"tea"_s, false, false, 0, 0},
            {u"The TEA room"_s, u"tea"_s, false, false, 0, 4},
            {u"Crème BRÛLÉE"_s, u"brûlée"_s, false, false, 0, 6},
            {u"The TEA room"_s, u"tea"_s, true, false, 0, -1},
            {u"tea, tea"_s, u"tea"_s, false, true, 8, 0},
            {u"tea, tea"_s, u"tea"_s, false, false, 6, -1}, // no wrapping round
            {u"tea"_s, QString(), false, false, 0, -1},
            // A line break is one position between the lines, as in the editor.
            {u"a\r\nb\r\nthree"_s, u"THREE"_s, false, false, 0, 4}};
        for (const auto &[text, search, matchCase, fromBeginning, caret, start] : rows) {
            NoteWindow w(text);
            w.select(caret, caret);
            if (start < 0)
                w.notFound();
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
        w.notFound();
        w.trigger(u"T_mnuFIND_NEXT"_s);
        QVERIFY(!w.cursor().hasSelection()); // the last match is let go, the caret at its end
        QCOMPARE(w.cursor().position(), 9);
        // Esc hides the dialog, which keeps its text and options.
        w.trigger(u"T_mnuFIND"_s);
        QTest::keyClick(w.find()->txtFIND(), Qt::Key_Escape);
        QVERIFY(!w.find()->isVisible() && !w.find()->isModal());
        QCOMPARE(w.find()->txtFIND()->currentText(), u"ab"_s);
        QVERIFY(w.find()->chkCASE()->isChecked() && w.find()->chkBEGIN()->isChecked());
        QCOMPARE(w.history(), QStringList(u"ab"_s));
    }

    // Two folders of one directory: a result opens the note shown through the other folder, and
    // No to the question drops the edits as it does anywhere.
    void findInBookThroughAnotherFolder()
    {
        TestWindow t({u"Alpha"_s});
        QVERIFY(WriteBytes(t.bookPath,
                           BookBytes(u"B"_s, {{u"Alpha"_s, t.dir()}, {u"Alias"_s, t.dir()}})));
        t.open({{u"n.txt"_s, "a word\r\n"}});
        QCOMPARE(t.lstFLDS()->currentText(), u"Alias"_s);
        t.type(u"edit "_s);
        t.trigger(u"T_mnuFIND_BOOK"_s);
        QTest::keyClicks(t.child<QComboBox>(u"txtFINDBOOK"_s), u"word"_s);
        t.child<QPushButton>(u"btnFINDBOOK"_s)->click();
        auto *list = t.child<QTreeView>(u"lstFINDBOOK"_s);
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

        t.trigger(u"T_mnuFIND_BOOK"_s);
        auto *text = t.child<QComboBox>(u"txtFINDBOOK"_s);
        auto *list = t.child<QTreeView>(u"lstFINDBOOK"_s);
        QTest::keyClicks(text, u"invoice 2291"_s);
        t.child<QPushButton>(u"btnFINDBOOK"_s)->click();
        QTRY_COMPARE(t.child<QLabel>(u"lblFINDBOOK"_s)->text(), u"2 matches in 3 notes searched"_s);
        const QAbstractItemModel &results = *list->model();
        const auto row = [&results](int r) {
            QStringList cells;
            for (int c = 0; c < results.columnCount(); ++c)
                cells.append(results.index(r, c).data().toString());
            return cells.join(u'|');
        };
        QCOMPARE(row(0), u"Work|archive|60001|invoice 2291 paid"_s);
        QCOMPARE(row(1), u"Work|bills|3|The INVOICE 2291 is due."_s);
        QCOMPARE(results.index(1, BookResultsModel::Text).data(BookResultsModel::MatchRole),
                 QVariant(QPoint(4, 12)));

        QTest::keyClick(text, Qt::Key_Down);
        QVERIFY(list->hasFocus());
        QCOMPARE(list->currentIndex().row(), 0);
        QTest::keyClick(list, Qt::Key_Down);
        const QString unsaved = UnsavedQuestion(t.dir(u"Home"_s) + u"/a.txt"_s);
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

        auto *window = t.child<frmFINDBOOK>(u"frmFINDBOOK"_s);
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(!window->isVisible());
        t.trigger(u"T_mnuFIND_BOOK"_s);
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

QTEST_MAIN(TestEditor)
#include "test_editor.moc"
