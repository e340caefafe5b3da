// The Edit menu, the editor's keys and context menu, and what is dropped on the editor.

#include "NoteWindow.h"

#include "editor/EditorCommands.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
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

} // namespace

class TestEditorCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

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
        QTest::newRow("Ctrl+Shift+V, the editor's own") << (Qt::CTRL | Qt::SHIFT | Qt::Key_V)
                                                         << u"abcdef"_s;
    }

    void keys()
    {
        QFETCH(QKeyCombination, keys);
        QFETCH(QString, text);
        NoteWindow t;
        t.open({{u"n.txt"_s, "abcdef"}});
        PutRichClipboard(u"plain\r\nline"_s);
        QTextCursor cursor = t.editor()->textCursor();
        cursor.setPosition(1);
        cursor.setPosition(3, QTextCursor::KeepAnchor);
        t.editor()->setTextCursor(cursor);
        QTest::keyClick(t.editor(), keys.key(), keys.keyboardModifiers());
        QCOMPARE(t.text(), text);
        QCOMPARE(t.status(), text == u"abcdef" ? u"Unchanged"_s : u"Changed"_s);
        // Nothing of the formatting came along.
        for (const QTextFormat &format : t.editor()->document()->allFormats())
            QVERIFY(!format.hasProperty(QTextFormat::FontWeight));
    }

    void editMenu()
    {
        NoteWindow t;
        t.open({{u"n.txt"_s, "one two"}});
        const frmQBActions &a = t.w().actions();
        QClipboard *clipboard = QApplication::clipboard();
        QTextCursor cursor = t.editor()->textCursor();
        cursor.setPosition(4, QTextCursor::KeepAnchor);
        t.editor()->setTextCursor(cursor);
        a.E_mnuCOPY->trigger();
        QCOMPARE(clipboard->text(), u"one "_s);
        QCOMPARE(t.status(), u"Unchanged"_s);
        a.tBAR[11]->trigger(); // Cut
        QCOMPARE(clipboard->text(), u"one "_s);
        QCOMPARE(t.status(), u"Changed"_s);
        t.editor()->moveCursor(QTextCursor::End);
        PutRichClipboard(u" three"_s);
        a.E_mnuPASTE->trigger();
        t.editor()->moveCursor(QTextCursor::Start);
        a.E_mnuTIME->trigger();
        a.E_mnuDATE->trigger();
        // 2026-12-06 14:05:09 in the user's long time and short date forms.
        QVERIFY2(t.text() == u"2:05:09\u202FPM12/6/26two three"_s
                     || t.text() == u"2:05:09 PM12/6/26two three"_s,
                 qPrintable(t.text()));

        t.editor()->setPlainText(u"a\u00A0b\nc"_s);
        a.E_mnuCOPYALL->trigger();
        QCOMPARE(clipboard->text(), u"a\u00A0b\nc"_s);
        a.E_mnuALL->trigger();
        QCOMPARE(t.editor()->textCursor().selectedText(), u"a\u00A0b\u2029c"_s);
    }

    void editingNeedsANote()
    {
        NoteWindow t;
        t.open(); // a folder without notes: the editor is switched off
        QApplication::clipboard()->setText(u"kept"_s);
        const frmQBActions &a = t.w().actions();
        for (QAction *action : {a.E_mnuPASTE, a.E_mnuTIME, a.E_mnuDATE, a.tBAR[13], a.E_mnuCUT,
                                a.E_mnuCOPY, a.E_mnuCOPYALL, a.tBAR[11], a.tBAR[12]})
            action->trigger();
        QCOMPARE(QApplication::clipboard()->text(), u"kept"_s);
        t.expectNoNote();
    }

    void contextMenu()
    {
        NoteWindow t;
        t.open({{u"n.txt"_s, "text"}});
        t.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&t.w()));
        QWidget *viewport = t.editor()->viewport();
        const QPoint at(10, 10);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &event);
        QTRY_VERIFY(t.w().mnuEDIT()->isVisible());
        QCOMPARE(QApplication::activePopupWidget(), t.w().mnuEDIT());
        t.w().mnuEDIT()->hide();
    }

    void dropText()
    {
        NoteWindow t;
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
        QTest::addColumn<Platform::Button>("answer"); // to the one prompt (Ok unless told)
        QTest::addColumn<QString>("message"); // %1: the dropped path, %2: the folder's a.txt
        QTest::addColumn<QStringList>("after"); // the folder's notes as "name=content"
        QTest::addColumn<bool>("opensBook");
        const QStringList kept = {u"a.txt=in folder"_s};
        const auto row = [](const char *tag, const QString &dropped, const QStringList &after,
                            const QString &message = {}, Platform::Button answer = {},
                            bool bookOpen = true, bool opensBook = false) {
            QTest::newRow(tag) << dropped << bookOpen << answer << message << after << opensBook;
        };
        const QString replace = u"The file \"%2\" already exists.\r\nReplace it with \"%1\"?"_s;
        const QString other = u"The file \"%1\" isn't a text file or a valid Quirebox file."_s;
        const QString noFolder =
            u"The file \"%1\" can't be added: a book and a folder must be open to take it."_s;
        row("note", u"new.txt"_s, kept + QStringList{u"new.txt=dropped"_s});
        row("note, capital ending", u"Plan.TXT"_s, kept + QStringList{u"Plan.TXT=dropped"_s});
        row("note of a taken name, No", u"a.txt"_s, kept, replace, Platform::Button::No);
        row("note of a taken name, Yes", u"a.txt"_s, {u"a.txt=dropped"_s}, replace,
            Platform::Button::Yes);
        row("note of the folder itself", u"@a.txt"_s, kept);
        row("note, no book open", u"new.txt"_s, kept, noFolder, Platform::Button::Ok, false);
        row("book", u"other.qb"_s, kept, {}, {}, true, true);
        row("book, capital ending", u"OTHER.QB"_s, kept, {}, {}, true, true);
        row("book, none open", u"other.qb"_s, kept, {}, {}, false, true);
        row("not a book", u"fake.qb"_s, kept, u"The file \"%1\" isn't a valid Quirebox file."_s);
        row("picture", u"picture.png"_s, kept, other);
        row("txt inside", u"a.txt.bak"_s, kept, other);
    }

    // Dropped through the window system's events; only the first file counts, and a second one
    // comes along every time. With no book open the editor is switched off, and still takes it.
    void dropFiles()
    {
        QFETCH(QString, dropped);
        QFETCH(bool, bookOpen);
        QFETCH(Platform::Button, answer);
        QFETCH(QString, message);
        QFETCH(QStringList, after);
        QFETCH(bool, opensBook);
        NoteWindow t;
        const QString folderNote = t.note(u"a.txt"_s);
        const QString path = dropped.startsWith(u'@') ? t.note(dropped.mid(1))
                                                      : t.root.filePath(u"elsewhere/"_s + dropped);
        const QString second = t.root.filePath(u"elsewhere/second.txt"_s);
        const QString zeds = t.root.filePath(u"zeds"_s);
        QVERIFY(WriteBytes(zeds + u"/z.txt"_s, "zed") && WriteBytes(second, "second"));
        if (path != folderNote)
            QVERIFY(WriteBytes(path, opensBook ? BookBytes(u"Z"_s, {{u"Z"_s, zeds}}) : "dropped"));
        if (!message.isEmpty())
            t.platform.answerMessage(answer);
        t.open({{u"a.txt"_s, "in folder"}});
        if (!bookOpen) {
            t.window = std::make_unique<frmQB>(t.platform);
            t.w().Form_Load(QString());
        }
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(path), QUrl::fromLocalFile(second)});
        QSignalSpy spy(t.editor(), &NoteEditor::filesDropped);
        DropOn(t.editor(), &files);
        QVERIFY(spy.wait());

        QCOMPARE(t.platform.prompts.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QCOMPARE(t.last().text, message.replace(u"%1"_s, path).replace(u"%2"_s, folderNote));
        QCOMPARE(t.entries(), after);
        if (after != QStringList{u"a.txt=in folder"_s}) { // the list shows the copy
            QCOMPARE(t.w().lstFILE()->currentIndex(), 0);
            QCOMPARE(t.w().session().LastFolderName, QString());
        }
        QCOMPARE(t.w().book().BookFilePath, opensBook ? path : bookOpen ? t.bookPath : QString());
        if (opensBook)
            QCOMPARE(t.text(), u"zed"_s);
    }
};

QTEST_MAIN(TestEditorCommands)
#include "test_editorcommands.moc"
