// The editor through the window: the Edit menu, the editor's keys and context menu, what is
// dropped on it, and Tools > Find and Find Next.
#include "WindowFixture.h"

#include "editor/NoticeBar.h"
#include "editor/SoftBreaks.h"
#include "find/frmFIND.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QSignalSpy>
#include <QUrl>

using namespace qb;
using namespace qb::test;

namespace {

// Formatted text on the clipboard, as a browser or word processor leaves it.
void putRichClipboard(const QString &plain)
{
    auto *mime = new QMimeData;
    mime->setHtml(u"<b>bold</b> and <i>more</i>"_s);
    mime->setText(plain);
    QApplication::clipboard()->setMimeData(mime);
}

// A drop as the window system delivers it: enter, then drop on the editor's viewport.
void dropOn(NoteEditor *editor, QMimeData *mime)
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
    void keys_data()
    {
        QTest::addColumn<QKeyCombination>("keys");
        QTest::addColumn<QString>("text");
        QTest::newRow("Tab") << QKeyCombination(Qt::Key_Tab) << u"a\tdef"_s;
        QTest::newRow("Shift+Tab") << (Qt::SHIFT | Qt::Key_Backtab) << u"a\tdef"_s;
        QTest::newRow("Ctrl+V") << (Qt::CTRL | Qt::Key_V) << u"aplain\nlinedef"_s;
        QTest::newRow("Ctrl+Shift+V") << (Qt::CTRL | Qt::SHIFT | Qt::Key_V) << u"abcdef"_s;
    }
    void keys()
    {
        QFETCH(QKeyCombination, keys);
        QFETCH(QString, text);
        NoteWindow t(u"abcdef"_s);
        putRichClipboard(u"plain\r\nline"_s);
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
        putRichClipboard(u" three"_s);
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

    // Edit > Undo and Redo head the Edit menu, on as the editor's undo stack allows. Undo back to
    // the text as read or saved leaves the note as it was then: "Unchanged", Save off, nothing
    // to ask about when another note is picked; Redo away from it makes it "Changed" again.
    void undoAndRedo()
    {
        TestWindow t;
        t.open({{u"a.txt"_s, "alpha\n"}, {u"b.txt"_s, "beta\n"}});
        QAction *undo = t.action(u"undoAction"_s);
        QAction *redo = t.action(u"redoAction"_s);
        const QList<QAction *> items = t.child<QMenu>(u"mnuEDIT"_s)->actions();
        QCOMPARE(items.mid(0, 3), QList<QAction *>({undo, redo, items[2]}));
        QVERIFY(items[2]->isSeparator());
        QCOMPARE(undo->text() + u'|' + redo->text(), u"&Undo|&Redo"_s);
        QCOMPARE(undo->shortcuts(), QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Z)});
        QCOMPARE(redo->shortcuts(),
                 QList<QKeySequence>({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                      QKeySequence(Qt::CTRL | Qt::Key_Y)}));
        const auto on = [&] {
            return QString::number(int(undo->isEnabled())) +
                   QString::number(int(redo->isEnabled()));
        };
        QCOMPARE(on(), u"00"_s);

        t.type(u"x"_s);
        QCOMPARE(t.state(), u"Changed, &Encode, Save on"_s);
        QCOMPARE(on(), u"10"_s);
        t.trigger(u"undoAction"_s);
        QCOMPARE(t.text(), u"alpha\n"_s);
        QCOMPARE(t.state(), u"Unchanged, &Encode, Save off"_s);
        QCOMPARE(on(), u"01"_s);
        t.pickNote(u"b"_s);
        QCOMPARE(t.text(), u"beta\n"_s);
        QCOMPARE(t.platform.prompts.size(), 0);
        QCOMPARE(on(), u"00"_s);

        // Type, save, type: Undo goes back to the text saved, and Redo away from it.
        t.type(u"1"_s);
        QVERIFY(t.save());
        t.type(u"2"_s);
        t.trigger(u"undoAction"_s);
        QCOMPARE(t.text(), u"1beta\n"_s);
        QCOMPARE(t.state(), u"Unchanged, &Encode, Save off"_s);
        t.trigger(u"redoAction"_s);
        QCOMPARE(t.text(), u"21beta\n"_s);
        QCOMPARE(t.state(), u"Changed, &Encode, Save on"_s);
        // Back beyond the save is a text the file does not hold.
        t.trigger(u"undoAction"_s);
        t.trigger(u"undoAction"_s);
        QCOMPARE(t.text(), u"beta\n"_s);
        QCOMPARE(t.state(), u"Changed, &Encode, Save on"_s);
        t.trigger(u"redoAction"_s);
        QCOMPARE(t.text(), u"1beta\n"_s);
        QCOMPARE(t.state(), u"Unchanged, &Encode, Save off"_s);
        QCOMPARE(t.bytes(u"b.txt"_s), QByteArray("1beta\n"));

        // The keys, wherever the keyboard is in the window.
        t.w().show();
        t.w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&t.w()));
        t.lstFILE()->setFocus();
        QTest::keyClick(t.lstFILE(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.text(), u"beta\n"_s);
        QTest::keyClick(t.lstFILE(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(t.text(), u"1beta\n"_s);
        t.editor()->setFocus();
        QTest::keyClick(t.editor(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.text(), u"beta\n"_s);
        QTest::keyClick(t.editor(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(t.text(), u"1beta\n"_s);
        QCOMPARE(t.status(), u"Unchanged"_s);
    }

    // The marks the editor puts on what it shows (the stand-ins, the soft breaks of a long
    // line, and the plain format of what is typed beside them) go with the edit: one Undo
    // brings the note back as read, "Unchanged", and Redo makes it "Changed" again.
    void undoBesideTheEditorsMarks_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QByteArray>("note");
        QTest::addColumn<int>("at"); // where the edit goes; -1: after the first soft break
        QTest::newRow("a key after a stand-in") << u"key"_s << "ab\rcd\nef"_ba << 3;
        QTest::newRow("a key before a stand-in") << u"key"_s << "ab\rcd\nef"_ba << 2;
        QTest::newRow("an input method's commit beside a stand-in")
            << u"commit"_s << "ab\rcd\nef"_ba << 3;
        QTest::newRow("a paste of a stand-in") << u"paste"_s << "ab\rcd\nef"_ba << 2;
        QTest::newRow("a key after a soft break") << u"key"_s << QByteArray(10'000, 'a') << -1;
        QTest::newRow("a paste after a soft break") << u"paste"_s << QByteArray(10'000, 'a') << -1;
    }
    void undoBesideTheEditorsMarks()
    {
        QFETCH(QString, edit);
        QFETCH(QByteArray, note);
        QFETCH(int, at);
        TestWindow t;
        t.open({{u"n.txt"_s, note}});
        const QString shown = t.text();
        QTextCursor caret(t.editor()->document());
        caret.setPosition(at >= 0 ? at : int(softBreakPositions(*t.editor()->document())[0] + 1));
        t.editor()->setTextCursor(caret);
        if (edit == u"key") {
            QTest::sendKeyEvent(QTest::Click, t.editor(), Qt::Key_unknown, u"x"_s, {});
        } else if (edit == u"commit") {
            QInputMethodEvent event(QString(), {});
            event.setCommitString(u"mn"_s);
            QApplication::sendEvent(t.editor(), &event);
        } else {
            DecodedNote text;
            text.text = u"A\u240DB"_s;
            text.standIns.append({1, u'\r'});
            auto *mime = new QMimeData;
            mime->setText(u"A\rB"_s);
            mime->setData(QLatin1String(kNoteTextMimeType), noteTextMimeData(text));
            QApplication::clipboard()->setMimeData(mime);
            t.trigger(u"E_mnuPASTE"_s);
        }
        QCOMPARE(t.status(), u"Changed"_s);
        const QString edited = t.text();
        QVERIFY(edited != shown);
        t.trigger(u"undoAction"_s);
        QCOMPARE(t.text(), shown);
        QCOMPARE(t.state(), u"Unchanged, &Encode, Save off"_s);
        t.trigger(u"redoAction"_s);
        QCOMPARE(t.text(), edited);
        QCOMPARE(t.status(), u"Changed"_s);
        t.trigger(u"undoAction"_s);
        QCOMPARE(t.status(), u"Unchanged"_s);
        QCOMPARE(t.bytes(u"n.txt"_s), note);
    }

    // What the bar says of the note stays when Undo takes it back to the text as read.
    void undoKeepsTheBar()
    {
        TestWindow t;
        t.open({{u"n.txt"_s, "a\n<<<<<<< mine\nb\n=======\nc\n>>>>>>> theirs\n"}});
        auto *bar = t.child<NoticeBar>(u"noticeBar"_s);
        QCOMPARE(bar->text(), u"This note holds an unfinished merge."_s);
        t.type(u"x"_s);
        t.trigger(u"undoAction"_s);
        QCOMPARE(t.status(), u"Unchanged"_s);
        QCOMPARE(bar->text(), u"This note holds an unfinished merge."_s);
        QVERIFY(!bar->isHidden());
    }

    // A note shown decoded goes back to "Decoded" when Undo takes back what was typed since,
    // Save as it was then.
    void undoBackToADecodedNote()
    {
        TestWindow t;
        t.open({{u"n.txt"_s, "plain\r\n"}, {u"o.txt"_s, "other"}});
        t.answer(u"input:kw"_s);
        t.trigger(u"T_mnuENCODE"_s);
        QVERIFY(t.save());
        t.answer(u"input:kw"_s);
        t.trigger(u"F_mnuREFRESH"_s);
        const QString decoded = t.state();
        QCOMPARE(decoded, u"Decoded, &Encode, Save on"_s);
        t.type(u"x"_s);
        QCOMPARE(t.status(), u"Changed"_s);
        t.trigger(u"undoAction"_s);
        QCOMPARE(t.text(), u"plain\n"_s);
        QCOMPARE(t.state(), decoded);
        // Nothing typed is held: another note asks nothing.
        t.pickNote(u"o"_s);
        QCOMPARE(t.text(), u"other"_s);
        QCOMPARE(t.platform.prompts.size(), 2);
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
        const QList<std::pair<const char *, char32_t>> pictures = {
            {"the picture of a CR", 0x240D},
            {"the picture of an LF", 0x240A},
            {"the picture of a line separator", 0x2424}};
        for (const auto &[row, picture] : pictures)
            QVERIFY2(render(picture) != missing, row);
    }

    // Dropped through the window system's events: only the first file counts, and a second
    // one comes along every time. With no book open the editor is switched off, and still
    // takes them.
    // An input method's commit and a drop of note text keep the stand-ins beside them, though
    // Qt reports either as a change of the whole line. The note's lone CR is a stand-in.
    void inputMethodBesideAStandIn_data()
    {
        QTest::addColumn<int>("at");
        QTest::addColumn<QString>("commit");
        for (int at = 0; at <= 6; ++at) {
            QTest::addRow("a word at %d", at) << at << u"mn"_s;
            QTest::addRow("a line end at %d", at) << at << u"m\nn"_s;
        }
    }
    void inputMethodBesideAStandIn()
    {
        QFETCH(int, at);
        QFETCH(QString, commit);
        NoteWindow t(u"ab\rcd\nef"_s);
        t.select(at, at);
        QInputMethodEvent event(QString(), {});
        event.setCommitString(commit);
        QApplication::sendEvent(t.editor(), &event);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"n.txt"_s), QByteArray("ab\rcd\nef").insert(at, commit.toUtf8()));
    }
    void dropBesideAStandIn()
    {
        NoteWindow t(u"first\rline\nsecond\n"_s);
        DecodedNote text;
        text.text = u"A\u240DB"_s;
        text.standIns.append({1, u'\r'});
        QMimeData mime;
        mime.setText(u"A\rB"_s);
        mime.setData(QLatin1String(kNoteTextMimeType), noteTextMimeData(text));
        const QPoint at = t.editor()->cursorRect(QTextCursor(t.editor()->document())).center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(t.editor()->viewport(), &enter);
        QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(t.editor()->viewport(), &drop);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"n.txt"_s), QByteArray("A\rBfirst\rline\nsecond\n"));
    }

    // A long line (an encoded picture, say) is shown in display lines short enough to lay out
    // by word at each key; a paragraph grown past what that can take wraps anywhere, until the
    // next note is shown.
    // Keys held while a note comes in are typed once the hold ends, after the events that ended
    // it, and keys that come before they are typed wait behind them: all go in in order.
    void heldKeysKeepTheirOrder()
    {
        NoteDocument note;
        NoteEditor editor(note);
        editor.setPlainText(u"note"_s);
        editor.moveCursor(QTextCursor::End);
        editor.setReadOnly(true);
        editor.holdKeys(true);
        QTest::keyClicks(&editor, u"ab"_s);
        QInputMethodEvent commit;
        commit.setCommitString(u"é"_s);
        QCoreApplication::sendEvent(&editor, &commit);
        QCOMPARE(editor.toPlainText(), u"note"_s);
        editor.setReadOnly(false);
        editor.holdKeys(false);
        QTest::keyClick(&editor, Qt::Key_Home);
        QTest::keyClicks(&editor, u"c"_s);
        QTest::keyClick(&editor, Qt::Key_Backspace);
        QTest::keyClicks(&editor, u"d"_s);
        QCOMPARE(editor.toPlainText(), u"note"_s);
        QTRY_COMPARE(editor.toPlainText(), u"dnoteabé"_s);
    }

    void dropFiles_data()
    {
        const QStringList kept = {u"a.txt=in folder"_s};
        const QString other = u"The file \"%1\" isn't a text file or a valid Quirebox file."_s;
        const QString z = u"Z - Quirebox v3.01"_s;
        QTest::addColumn<QString>("dropped"); // "@": one of the folder
        QTest::addColumn<bool>("bookOpen");
        QTest::addColumn<QString>("message");   // "%1": the file
        QTest::addColumn<QStringList>("after"); // the folder's notes
        QTest::addColumn<QString>("title");     // the window's afterwards; empty: as it was
        QTest::newRow("a note from elsewhere")
            << u"Plan.TXT"_s << true << QString() << kept + QStringList{u"Plan.TXT=dropped"_s}
            << QString();
        QTest::newRow("a note of the folder")
            << u"@a.txt"_s << true << QString() << kept << QString();
        QTest::newRow("a note with no book open")
            << u"new.txt"_s << false
            << u"The file \"%1\" can't be added: a book and a folder must be open to take it."_s
            << kept << QString();
        QTest::newRow("a book") << u"OTHER.QB"_s << true << QString() << kept << z;
        QTest::newRow("a book with no book open")
            << u"other.qb"_s << false << QString() << kept << z;
        QTest::newRow("a picture") << u"picture.png"_s << true << other << kept << QString();
        QTest::newRow("a note's name with more after it")
            << u"a.txt.bak"_s << true << other << kept << QString();
    }
    void dropFiles()
    {
        QFETCH(QString, dropped);
        QFETCH(bool, bookOpen);
        QFETCH(QString, message);
        QFETCH(QStringList, after);
        QFETCH(QString, title);
        TestWindow t;
        const QString path = dropped.startsWith(u'@') ? t.note(dropped.mid(1))
                                                      : t.root.filePath(u"elsewhere/"_s + dropped);
        const QString second = t.root.filePath(u"elsewhere/second.txt"_s);
        const QString zeds = t.root.filePath(u"zeds"_s);
        QVERIFY(writeBytes(zeds + u"/z.txt"_s, "zed") && writeBytes(second, "second"));
        if (!dropped.startsWith(u'@'))
            QVERIFY(writeBytes(path,
                               title.isEmpty() ? "dropped" : bookBytes(u"Z"_s, {{u"Z"_s, zeds}})));
        t.put(u"a.txt"_s, "in folder");
        bookOpen ? t.open() : t.start({});
        const QString before = t.title();
        if (!message.isEmpty())
            t.platform.answerMessage(Platform::Button::Ok);
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path), QUrl::fromLocalFile(second)});
        QSignalSpy spy(t.editor(), &NoteEditor::filesDropped);
        dropOn(t.editor(), &mime);
        QVERIFY(spy.wait());
        if (!message.isEmpty())
            QCOMPARE(t.last().text, message.arg(path));
        QCOMPARE(t.entries(), after);
        QCOMPARE(t.title(), title.isEmpty() ? before : title);
        QCOMPARE(t.text(), !title.isEmpty() ? u"zed"_s : bookOpen ? u"in folder"_s : QString());
    }

    // A match is selected and the dialog hidden; a failed search keeps the dialog open. Enter
    // finds, and adds the text to the history once.
    void search_data()
    {
        QTest::addColumn<QString>("text"); // the note
        QTest::addColumn<QString>("search");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<bool>("fromBeginning");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("start"); // of the match; -1: none
        const auto row = [](const char *name, const QString &text, const QString &search,
                            bool matchCase, bool fromBeginning, int caret, int start) {
            QTest::newRow(name) << text << search << matchCase << fromBeginning << caret << start;
        };
        row("a match at the caret", u"Tea time"_s, u"tea"_s, false, false, 0, 0);
        row("case ignored", u"The TEA room"_s, u"tea"_s, false, false, 0, 4);
        row("case ignored beyond ASCII", u"Crème BRÛLÉE"_s, u"brûlée"_s, false, false, 0, 6);
        row("Match Case", u"The TEA room"_s, u"tea"_s, true, false, 0, -1);
        row("From the Beginning", u"tea, tea"_s, u"tea"_s, false, true, 8, 0);
        row("no wrapping round", u"tea, tea"_s, u"tea"_s, false, false, 6, -1);
        row("nothing to look for", u"tea"_s, QString(), false, false, 0, -1);
        // A line break is one position between the lines, as in the editor.
        row("after line breaks", u"a\r\nb\r\nthree"_s, u"THREE"_s, false, false, 0, 4);
    }
    void search()
    {
        QFETCH(QString, text);
        QFETCH(QString, search);
        QFETCH(bool, matchCase);
        QFETCH(bool, fromBeginning);
        QFETCH(int, caret);
        QFETCH(int, start);
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
};

QTEST_MAIN(TestEditor)
#include "test_editor.moc"
