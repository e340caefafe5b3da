// The Edit menu, the editor's keys and context menu, and files dropped on the editor.

#include "NoteWindow.h"

#include "editor/EditorCommands.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTextBlock>
#include <QUrl>

using namespace Qt::StringLiterals;
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

QMimeData *FileDrag(const QStringList &paths)
{
    auto *mime = new QMimeData;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    mime->setUrls(urls);
    return mime;
}

// A drop as the window system delivers it: enter, move, drop on the editor's viewport.
void DropOn(NoteEditor *editor, QMimeData *mime)
{
    QWidget *viewport = editor->viewport();
    const QPointF at(5, 5);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    QVERIFY(drop.isAccepted());
}

} // namespace

class TestEditorCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void tabInsertsTab_data();
    void tabInsertsTab();
    void pasteKeys_data();
    void pasteKeys();
    void editMenu();
    void editingNeedsANote();
    void contextMenu();
    void dropNoteFile_data();
    void dropNoteFile();
    void dropNoteOntoExistingName();
    void dropWithoutFolder();
    void dropBook_data();
    void dropBook();
    void dropAsksAboutEdits();
    void dropOtherFile();
    void realDropEvents();
};

void TestEditorCommands::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestEditorCommands::tabInsertsTab_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("Tab") << int(Qt::Key_Tab) << Qt::KeyboardModifiers();
    QTest::newRow("Shift+Tab") << int(Qt::Key_Backtab) << Qt::KeyboardModifiers(Qt::ShiftModifier);
    QTest::newRow("Ctrl+Tab") << int(Qt::Key_Tab) << Qt::KeyboardModifiers(Qt::ControlModifier);
}

void TestEditorCommands::tabInsertsTab()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    NoteWindow t;
    t.put(u"Alpha"_s, u"n.txt"_s, "abcdef");
    t.open();
    QTextCursor cursor = t.editor()->textCursor();
    cursor.setPosition(1);
    cursor.setPosition(3, QTextCursor::KeepAnchor); // "bc"
    t.editor()->setTextCursor(cursor);
    QTest::keyClick(t.editor(), Qt::Key(key), modifiers);
    QCOMPARE(t.text(), u"a\tdef"_s);
    QCOMPARE(t.status(), u"Changed"_s);
}

void TestEditorCommands::pasteKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::newRow("Ctrl+V") << int(Qt::Key_V) << Qt::KeyboardModifiers(Qt::ControlModifier)
                            << u"xplain\nlineyz"_s;
    QTest::newRow("Shift+Insert") << int(Qt::Key_Insert)
                                  << Qt::KeyboardModifiers(Qt::ShiftModifier)
                                  << u"xplain\nlineyz"_s;
    QTest::newRow("Ctrl+Shift+V is the editor's own")
        << int(Qt::Key_V) << (Qt::ControlModifier | Qt::ShiftModifier) << u"xyz"_s;
}

void TestEditorCommands::pasteKeys()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, text);
    NoteWindow t;
    t.put(u"Alpha"_s, u"n.txt"_s, "xyz");
    t.open();
    PutRichClipboard(u"plain\r\nline"_s);
    t.editor()->moveCursor(QTextCursor::Start);
    t.editor()->moveCursor(QTextCursor::NextCharacter);
    QTest::keyClick(t.editor(), Qt::Key(key), modifiers);
    QCOMPARE(t.text(), text);
    // Nothing of the formatting came along.
    for (QTextBlock block = t.editor()->document()->begin(); block.isValid(); block = block.next())
        QCOMPARE(block.textFormats().size(), 1);
    QTextCursor probe(t.editor()->document());
    probe.setPosition(3);
    QVERIFY(probe.charFormat().fontWeight() != QFont::Bold);
}

void TestEditorCommands::editMenu()
{
    NoteWindow t;
    t.put(u"Alpha"_s, u"n.txt"_s, "one two");
    t.open();
    const frmQBActions &a = t.w().actions();
    QClipboard *clipboard = QApplication::clipboard();
    QTextCursor cursor = t.editor()->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(4, QTextCursor::KeepAnchor);
    t.editor()->setTextCursor(cursor);
    a.E_mnuCOPY->trigger();
    QCOMPARE(clipboard->text(), u"one "_s);
    QCOMPARE(t.status(), u"Unchanged"_s);
    a.tBAR[11]->trigger(); // Cut
    QCOMPARE(clipboard->text(), u"one "_s);
    QCOMPARE(t.text(), u"two"_s);
    QCOMPARE(t.status(), u"Changed"_s);
    t.editor()->moveCursor(QTextCursor::End);
    PutRichClipboard(u" three"_s);
    a.E_mnuPASTE->trigger();
    QCOMPARE(t.text(), u"two three"_s);
    a.E_mnuCOPY->trigger(); // nothing selected
    QCOMPARE(clipboard->text(), QString());

    t.editor()->moveCursor(QTextCursor::Start);
    a.E_mnuTIME->trigger();
    a.E_mnuDATE->trigger();
    // 2026-12-06 14:05:09 in the user's long time and short date forms.
    QVERIFY2(t.text().startsWith(u"2:05:09\u202FPM12/6/26two"_s)
                 || t.text().startsWith(u"2:05:09 PM12/6/26two"_s),
             qPrintable(t.text()));

    t.editor()->setPlainText(u"a\u00A0b\nc"_s);
    a.E_mnuCOPYALL->trigger();
    QCOMPARE(clipboard->text(), u"a\u00A0b\nc"_s);
    QVERIFY(!t.editor()->textCursor().hasSelection());
    a.E_mnuALL->trigger();
    QCOMPARE(t.editor()->textCursor().selectionStart(), 0);
    QCOMPARE(t.editor()->textCursor().selectionEnd(), 5);
    QCOMPARE(t.platform.unexpected, 0);
}

void TestEditorCommands::editingNeedsANote()
{
    NoteWindow t;
    t.open(); // a folder without notes: the editor is switched off
    QVERIFY(!t.editor()->isEnabled());
    QApplication::clipboard()->setText(u"kept"_s);
    const frmQBActions &a = t.w().actions();
    for (QAction *action : {a.E_mnuPASTE, a.E_mnuTIME, a.E_mnuDATE, a.tBAR[13]})
        action->trigger();
    t.w().editing().Paste();
    t.w().editing().InsertDate();
    QCOMPARE(t.text(), QString());
    for (QAction *action : {a.E_mnuCUT, a.E_mnuCOPY, a.E_mnuCOPYALL, a.tBAR[11], a.tBAR[12]})
        action->trigger();
    t.w().editing().Copy();
    QCOMPARE(QApplication::clipboard()->text(), u"kept"_s);
    QCOMPARE(t.status(), u"Unchanged"_s);
    QVERIFY(t.files(u"Alpha"_s).isEmpty());
}

void TestEditorCommands::contextMenu()
{
    NoteWindow t;
    t.put(u"Alpha"_s, u"n.txt"_s, "text");
    t.open();
    t.w().show();
    QVERIFY(QTest::qWaitForWindowExposed(&t.w()));
    QWidget *viewport = t.editor()->viewport();
    const QPoint at(10, 10);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
    QApplication::sendEvent(viewport, &event);
    QMenu *menu = t.w().mnuEDIT();
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(QApplication::activePopupWidget(), menu);
    menu->hide();
}

void TestEditorCommands::dropNoteFile_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::newRow("lower case") << u"new.txt"_s;
    QTest::newRow("capital ending") << u"Plan.TXT"_s;
}

void TestEditorCommands::dropNoteFile()
{
    QFETCH(QString, fileName);
    NoteWindow t;
    t.put(u"Alpha"_s, u"b.txt"_s, "b");
    const QString source = t.root.filePath(u"elsewhere/"_s + fileName);
    const QString second = t.root.filePath(u"elsewhere/second.txt"_s);
    QVERIFY(WriteBytes(source, "dropped\r\n"));
    QVERIFY(WriteBytes(second, "second"));
    t.open();
    t.w().editing().txtTEXT_OLEDragDrop({source, second});
    QCOMPARE(ReadBytes(t.note(u"Alpha"_s, fileName)), QByteArray("dropped\r\n"));
    QVERIFY(!QFile::exists(t.note(u"Alpha"_s, u"second.txt"_s)));
    QVERIFY(t.noteNames().contains(fileName.chopped(4)));
    QCOMPARE(t.w().lstFILE()->currentIndex(), 0);
    QCOMPARE(t.w().session().LastFolderName, QString());
    QVERIFY(t.platform.prompts.isEmpty());
}

void TestEditorCommands::dropNoteOntoExistingName()
{
    NoteWindow t;
    t.put(u"Alpha"_s, u"a.txt"_s, "in folder");
    const QString source = t.root.filePath(u"elsewhere/a.txt"_s);
    QVERIFY(WriteBytes(source, "from outside"));
    t.open();
    t.platform.answerMessage(Platform::Button::No);
    t.w().editing().txtTEXT_OLEDragDrop({source});
    const auto q = t.platform.prompts.constLast();
    QCOMPARE(q.text, u"The file \""_s + t.note(u"Alpha"_s, u"a.txt"_s)
                         + u"\" already exists.\r\nReplace it with \""_s + source + u"\"?"_s);
    QCOMPARE(q.title, u"Quirebox File Drop"_s);
    QCOMPARE(ReadBytes(t.note(u"Alpha"_s, u"a.txt"_s)), QByteArray("in folder"));
    t.platform.answerMessage(Platform::Button::Yes);
    t.w().editing().txtTEXT_OLEDragDrop({source});
    QCOMPARE(ReadBytes(t.note(u"Alpha"_s, u"a.txt"_s)), QByteArray("from outside"));
    QCOMPARE(t.text(), u"from outside"_s);
    // Dropping a note of the folder on itself changes nothing and asks nothing.
    t.w().editing().txtTEXT_OLEDragDrop({t.note(u"Alpha"_s, u"a.txt"_s)});
    QCOMPARE(t.platform.unexpected, 0);
    QCOMPARE(ReadBytes(t.note(u"Alpha"_s, u"a.txt"_s)), QByteArray("from outside"));
}

void TestEditorCommands::dropWithoutFolder()
{
    NoteWindow t;
    const QString source = t.root.filePath(u"elsewhere/n.txt"_s);
    QVERIFY(WriteBytes(source, "n"));
    FakePlatform p;
    frmQB window(p);
    window.Form_Load(QString());
    p.answerMessage(Platform::Button::Ok);
    window.editing().txtTEXT_OLEDragDrop({source});
    QCOMPARE(p.prompts.size(), 1);
    QCOMPARE(p.prompts[0].text, u"The file \""_s + source
                                    + u"\" can't be added: a book and a folder must be open "
                                      "to take it."_s);
    QCOMPARE(p.prompts[0].title, u"Quirebox File Drop"_s);
    QCOMPARE(p.prompts[0].icon, Platform::Icon::Information);
    QCOMPARE(QDir(t.root.filePath(u"elsewhere"_s)).entryList(QDir::Files).size(), 1);
}

void TestEditorCommands::dropBook_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("isBook");
    QTest::newRow("book") << u"other.qb"_s << true;
    QTest::newRow("capital ending") << u"OTHER.QB"_s << true;
    QTest::newRow("not a book") << u"fake.qb"_s << false;
}

void TestEditorCommands::dropBook()
{
    QFETCH(QString, fileName);
    QFETCH(bool, isBook);
    NoteWindow t;
    t.put(u"Alpha"_s, u"a.txt"_s, "a");
    const QString other = t.root.filePath(fileName);
    const QString otherFolder = t.root.filePath(u"otherfolder"_s);
    QVERIFY(WriteBytes(otherFolder + u"/z.txt"_s, "zed"));
    QVERIFY(WriteBytes(other, isBook ? BookBytes(u"Other Book"_s, {{u"Zeds"_s, otherFolder}})
                                     : QByteArray("just text\r\n")));
    t.open();
    if (!isBook)
        t.platform.answerMessage(Platform::Button::Ok);
    t.w().editing().txtTEXT_OLEDragDrop({other});
    QCOMPARE(t.platform.unexpected, 0);
    QCOMPARE(t.w().book().BookFilePath, isBook ? other : t.bookPath);
    QCOMPARE(t.w().lstFLDS()->currentText(), isBook ? u"Zeds"_s : u"Alpha"_s);
    QCOMPARE(t.text(), isBook ? u"zed"_s : u"a"_s);
    if (!isBook)
        QCOMPARE(t.platform.prompts.constLast().text,
                 u"The file \""_s + other + u"\" isn't a valid Quirebox file."_s);
}

void TestEditorCommands::dropAsksAboutEdits()
{
    NoteWindow t;
    t.put(u"Alpha"_s, u"a.txt"_s, "a");
    const QString note = t.root.filePath(u"elsewhere/b.txt"_s);
    const QString book = t.root.filePath(u"other.qb"_s);
    QVERIFY(WriteBytes(note, "b"));
    QVERIFY(WriteBytes(book, BookBytes(u"Other"_s, {})));
    t.open();
    t.type(u"edit "_s);
    t.platform.answerMessage(Platform::Button::Cancel);
    t.w().editing().txtTEXT_OLEDragDrop({note});
    t.platform.answerMessage(Platform::Button::Cancel);
    t.w().editing().txtTEXT_OLEDragDrop({book});
    QCOMPARE(t.platform.prompts.size(), 2);
    for (const auto &q : std::as_const(t.platform.prompts))
        QCOMPARE(q.text, LeaveQuestion(t.note(u"Alpha"_s, u"a.txt"_s)));
    QVERIFY(!QFile::exists(t.note(u"Alpha"_s, u"b.txt"_s)));
    QCOMPARE(t.w().book().BookFilePath, t.bookPath);
    QCOMPARE(t.text(), u"edit a"_s);

    // Yes saves first; the new book then shows no note.
    t.platform.answerMessage(Platform::Button::Yes);
    t.w().editing().txtTEXT_OLEDragDrop({book});
    QCOMPARE(ReadBytes(t.note(u"Alpha"_s, u"a.txt"_s)), QByteArray("edit a"));
    QCOMPARE(t.w().book().BookFilePath, book);
    QCOMPARE(t.pathPanel(), u"No File Selected"_s);
    QCOMPARE(t.platform.unexpected, 0);
}

void TestEditorCommands::dropOtherFile()
{
    NoteWindow t;
    t.put(u"Alpha"_s, u"a.txt"_s, "a");
    t.open();
    for (const QString &name : {u"picture.png"_s, u"no-ending"_s, u"notes.txt.bak"_s}) {
        const QString path = t.root.filePath(name);
        t.platform.answerMessage(Platform::Button::Ok);
        t.w().editing().txtTEXT_OLEDragDrop({path, t.root.filePath(u"x.txt"_s)});
        const auto box = t.platform.prompts.constLast();
        QCOMPARE(box.text,
                 u"The file \""_s + path + u"\" isn't a text file or a valid Quirebox file."_s);
        QCOMPARE(box.title, u"Quirebox File Drop"_s);
        QCOMPARE(box.buttons, Platform::Buttons::Ok);
        QCOMPARE(box.icon, Platform::Icon::Information);
    }
    QCOMPARE(t.files(u"Alpha"_s), QStringList{u"a.txt"_s});
    QCOMPARE(t.platform.unexpected, 0);
}

void TestEditorCommands::realDropEvents()
{
    NoteWindow t;
    t.put(u"Alpha"_s, u"a.txt"_s, "abc");
    const QString source = t.root.filePath(u"elsewhere/dropped.txt"_s);
    QVERIFY(WriteBytes(source, "dropped"));
    t.open();

    // Text is inserted as plain text where it is dropped.
    auto *text = new QMimeData;
    text->setHtml(u"<b>rich</b>"_s);
    text->setText(u"plain"_s);
    DropOn(t.editor(), text);
    QVERIFY(t.text().contains(u"plain"_s));
    QCOMPARE(t.text().size(), 8);
    delete text;

    t.platform.answerMessage(Platform::Button::No); // the text dropped is not kept
    QSignalSpy dropped(t.editor(), &NoteEditor::filesDropped);
    std::unique_ptr<QMimeData> files(FileDrag({source}));
    DropOn(t.editor(), files.get());
    QVERIFY(dropped.wait());
    QCOMPARE(dropped.constFirst().constFirst().toStringList(), QStringList{source});
    QCOMPARE(ReadBytes(t.note(u"Alpha"_s, u"dropped.txt"_s)), QByteArray("dropped"));

    // A book can be dropped while no note is shown and the editor is switched off.
    const QString book = t.root.filePath(u"other.qb"_s);
    QVERIFY(WriteBytes(book, BookBytes(u"Other"_s, {})));
    FakePlatform p;
    frmQB bare(p);
    bare.Form_Load(QString());
    QVERIFY(!bare.txtTEXT()->isEnabled());
    QSignalSpy bareDropped(bare.txtTEXT(), &NoteEditor::filesDropped);
    std::unique_ptr<QMimeData> bookDrag(FileDrag({book}));
    DropOn(bare.txtTEXT(), bookDrag.get());
    QVERIFY(bareDropped.wait());
    QCOMPARE(bare.book().BookFilePath, book);
    QCOMPARE(p.unexpected, 0);
}

QTEST_MAIN(TestEditorCommands)
#include "test_editorcommands.moc"
