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
    void dropFile_data();
    void dropFile();
    void dropAsksAboutEdits();
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

void TestEditorCommands::dropFile_data()
{
    QTest::addColumn<QString>("dropped"); // a file elsewhere; "@" names one of the folder
    QTest::addColumn<bool>("bookOpen");
    QTest::addColumn<Platform::Button>("answer"); // to the one prompt, when there is one
    QTest::addColumn<QString>("message");         // %1: the dropped path, %2: the folder's a.txt
    QTest::addColumn<QString>("copied");          // the folder's note that now holds the drop
    QTest::addColumn<bool>("opensBook");
    const auto Ok = Platform::Button::Ok;
    const QString replace = u"The file \"%2\" already exists.\r\nReplace it with \"%1\"?"_s;
    const QString other = u"The file \"%1\" isn't a text file or a valid Quirebox file."_s;
    QTest::newRow("note") << u"new.txt"_s << true << Ok << QString() << u"new.txt"_s << false;
    QTest::newRow("note, capital ending")
        << u"Plan.TXT"_s << true << Ok << QString() << u"Plan.TXT"_s << false;
    QTest::newRow("note of a taken name, No")
        << u"a.txt"_s << true << Platform::Button::No << replace << QString() << false;
    QTest::newRow("note of a taken name, Yes")
        << u"a.txt"_s << true << Platform::Button::Yes << replace << u"a.txt"_s << false;
    QTest::newRow("note of the folder itself")
        << u"@a.txt"_s << true << Ok << QString() << QString() << false;
    QTest::newRow("note, no book open")
        << u"new.txt"_s << false << Ok
        << u"The file \"%1\" can't be added: a book and a folder must be open to take it."_s
        << QString() << false;
    QTest::newRow("book") << u"other.qb"_s << true << Ok << QString() << QString() << true;
    QTest::newRow("book, capital ending")
        << u"OTHER.QB"_s << true << Ok << QString() << QString() << true;
    QTest::newRow("book, none open") << u"other.qb"_s << false << Ok << QString() << QString()
                                     << true;
    QTest::newRow("not a book") << u"fake.qb"_s << true << Ok
                                << u"The file \"%1\" isn't a valid Quirebox file."_s << QString()
                                << false;
    QTest::newRow("picture") << u"picture.png"_s << true << Ok << other << QString() << false;
    QTest::newRow("no ending") << u"no-ending"_s << true << Ok << other << QString() << false;
    QTest::newRow("txt inside") << u"a.txt.bak"_s << true << Ok << other << QString() << false;
}

// Only the first file of a drop counts; second.txt comes along every time.
void TestEditorCommands::dropFile()
{
    QFETCH(QString, dropped);
    QFETCH(bool, bookOpen);
    QFETCH(Platform::Button, answer);
    QFETCH(QString, message);
    QFETCH(QString, copied);
    QFETCH(bool, opensBook);
    NoteWindow t;
    t.put(u"Alpha"_s, u"a.txt"_s, "in folder");
    const QString elsewhere = t.root.filePath(u"elsewhere/"_s);
    for (const char *name : {"new.txt", "Plan.TXT", "a.txt", "second.txt", "a.txt.bak"})
        QVERIFY(WriteBytes(elsewhere + QLatin1String(name), "dropped"));
    const QString zeds = t.root.filePath(u"zeds"_s);
    QVERIFY(WriteBytes(zeds + u"/z.txt"_s, "zed"));
    const QByteArray book = BookBytes(u"Z"_s, {{u"Zeds"_s, zeds}});
    for (const char *name : {"other.qb", "OTHER.QB"})
        QVERIFY(WriteBytes(elsewhere + QLatin1String(name), book));
    QVERIFY(WriteBytes(elsewhere + u"fake.qb"_s, "just text\r\n"));
    const QString path = dropped.startsWith(u'@') ? t.note(u"Alpha"_s, dropped.mid(1))
                                                  : elsewhere + dropped;
    const QString folderNote = t.note(u"Alpha"_s, u"a.txt"_s);
    if (!message.isEmpty())
        t.platform.answerMessage(answer);
    if (bookOpen) {
        t.open();
    } else {
        t.window = std::make_unique<frmQB>(t.platform);
        t.w().Form_Load(QString());
    }
    t.w().editing().txtTEXT_OLEDragDrop({path, elsewhere + u"second.txt"_s});
    QCOMPARE(t.platform.unexpected, 0);
    QCOMPARE(t.platform.prompts.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QCOMPARE(t.platform.prompts[0].text, message.arg(path, folderNote));
    QStringList notes = {u"a.txt"_s};
    if (!copied.isEmpty() && !notes.contains(copied))
        notes.append(copied);
    notes.sort();
    QCOMPARE(t.files(u"Alpha"_s), notes);
    QCOMPARE(ReadBytes(folderNote), copied == u"a.txt" ? "dropped" : "in folder");
    if (!copied.isEmpty()) {
        QCOMPARE(ReadBytes(t.note(u"Alpha"_s, copied)), QByteArray("dropped"));
        QCOMPARE(t.w().lstFILE()->currentIndex(), 0);
        QCOMPARE(t.w().session().LastFolderName, QString());
    }
    QCOMPARE(t.w().book().BookFilePath, opensBook ? path : bookOpen ? t.bookPath : QString());
    if (opensBook)
        QCOMPARE(t.text(), u"zed"_s);
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
