// Spelling through the window: the marks in the view and never in the note, the context menu's
// suggestions, Add to Dictionary and Ignore, View > Spelling and what it remembers, the
// dictionaries' encodings against a Windows-1252 note, no dictionary at all, and secret notes.
#include "DrawnText.h"
#include "SecretNotes.h"
#include "SpellDictionaries.h"
#include "WindowFixture.h"

#include "editor/SoftBreaks.h"
#include "editor/SpellMarks.h"

#include <QMenu>

using namespace qb;
using namespace qb::test;

namespace {

using Ranges = QList<std::pair<int, int>>;

// Dictionaries of the test's own in a system folder of their own, and the program's state
// beside them, so that a window started again finds both.
struct SpellSetup
{
    QTemporaryDir dir;
    QString system = dir.filePath(u"system"_s);
    SpellSetup()
    {
        writeDictionary(system, u"aa_AA"_s, "UTF-8", kFrenchishWords);
        qputenv("QB_HUNSPELL_DIR", QFile::encodeName(system));
    }
};

SpellMarks &marksOf(const TestWindow &t)
{
    return *t.w().findChild<SpellMarks *>();
}

// Shows the window, whose screen is what is checked, and waits for the marks to settle.
void showAndSettle(const TestWindow &t)
{
    if (!t.w().isVisible()) {
        t.w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&t.w()));
    }
    // The dictionary is read in the background.
    if (t.action(u"checkSpellingAction"_s)->isChecked())
        QTRY_VERIFY(marksOf(t).checker());
    QTRY_VERIFY(marksOf(t).isSettled());
    QTest::qWait(20);
    QTRY_VERIFY(marksOf(t).isSettled());
}

// The words marked, in order.
QStringList marked(const TestWindow &t)
{
    showAndSettle(t);
    QStringList words;
    for (const auto &[start, end] : marksOf(t).markedRanges())
        words << noteTextOf(*t.editor()->document(), start, end).text;
    return words;
}

// The colour of the mark drawn under the editor's [from, to), invalid when none is: that of
// its reddest pixel.
QColor markColourUnder(const TestWindow &t, int from, int to)
{
    t.editor()->viewport()->repaint();
    const QImage drawn = t.editor()->viewport()->grab().toImage();
    QTextCursor at(t.editor()->document());
    at.setPosition(from);
    const QRect start = t.editor()->cursorRect(at);
    at.setPosition(to);
    const QRect end = t.editor()->cursorRect(at);
    const qreal ratio = drawn.devicePixelRatio();
    QColor reddest;
    for (int y = start.top(); y < start.bottom() + start.height() / 2; ++y) {
        for (int x = start.left() + 1; x < end.left() - 1; ++x) {
            const QColor pixel = drawn.pixelColor(QPoint(int(x * ratio), int(y * ratio)));
            const int redness = pixel.red() - std::max(pixel.green(), pixel.blue());
            if (redness > 60 &&
                (!reddest.isValid() ||
                 redness > reddest.red() - std::max(reddest.green(), reddest.blue())))
                reddest = pixel;
        }
    }
    return reddest;
}

// The item of `menu` that says `text`, or none.
QAction *itemTitled(const QMenu &menu, const QString &text)
{
    const QList<QAction *> items = menu.actions();
    const auto found = std::find_if(items.cbegin(), items.cend(),
                                    [&](const QAction *item) { return item->text() == text; });
    return found == items.cend() ? nullptr : *found;
}

// The menu a right click on the editor's `position` opens.
QMenu *contextMenuAt(const TestWindow &t, int position)
{
    // The menus of the clicks before, closed, are gone.
    qDeleteAll(t.editor()->findChildren<QMenu *>(u"editorContextMenu"_s));
    QTextCursor caret(t.editor()->document());
    caret.setPosition(position);
    t.editor()->setTextCursor(caret);
    QContextMenuEvent click(QContextMenuEvent::Keyboard, QPoint(), QPoint());
    QCoreApplication::sendEvent(t.editor(), &click);
    return t.editor()->findChild<QMenu *>(u"editorContextMenu"_s);
}

QStringList namesOf(const QMenu *menu)
{
    QStringList names;
    for (const QAction *item : menu->actions())
        names << (item->isSeparator() ? u"-"_s : item->objectName());
    return names;
}

} // namespace

class TestSpellCheck : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase() { keepHomeIn(m_home.path()); }

    // A word marked, its mark moving with the text typed before it and gone once it is fixed;
    // the word being typed waits until the caret leaves it. The note's bytes, its status and its
    // undo stack never see a mark.
    void marksInTheViewOnly()
    {
        SpellSetup spell;
        TestWindow t;
        t.open({{u"n.txt"_s, "the plna note\r\n"}});
        QCOMPARE(marked(t), QStringList({u"plna"_s}));
        QCOMPARE(marksOf(t).markedRanges(), Ranges({{4, 8}}));
        QCOMPARE(t.status(), u"Unchanged"_s);
        QVERIFY(!t.editor()->document()->isUndoAvailable());
        QVERIFY(!t.editor()->document()->isModified());
        for (const QTextFormat &format : t.editor()->document()->allFormats())
            QVERIFY(!format.hasProperty(QTextFormat::TextUnderlineStyle));
        // Drawn under that word alone, in the colour for errors, in a light palette or a dark.
        QCOMPARE(markColourUnder(t, 4, 8), spellingMarkColour(t.editor()->palette()));
        QVERIFY(!markColourUnder(t, 0, 3).isValid());
        QVERIFY(!markColourUnder(t, 9, 13).isValid());
        t.editor()->setPalette(darkPalette());
        QCOMPARE(markColourUnder(t, 4, 8), spellingMarkColour(darkPalette()));
        t.editor()->setPalette({});

        t.type(u"word "_s);
        QCOMPARE(marksOf(t).markedRanges(), Ranges({{9, 13}}));
        // Typed at the end, and not left yet: not judged.
        t.editor()->moveCursor(QTextCursor::End);
        QTest::keyClicks(t.editor(), u" zorbl"_s);
        QCOMPARE(marked(t), QStringList({u"plna"_s}));
        t.editor()->moveCursor(QTextCursor::Start);
        QCOMPARE(marked(t), QStringList({u"plna"_s, u"zorbl"_s}));
        // Fixed: its mark goes.
        QTextCursor fix(t.editor()->document());
        fix.setPosition(9);
        fix.setPosition(13, QTextCursor::KeepAnchor);
        t.editor()->setTextCursor(fix);
        QTest::keyClicks(t.editor(), u"plan"_s);
        t.editor()->moveCursor(QTextCursor::Start);
        QCOMPARE(marked(t), QStringList({u"zorbl"_s}));
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"n.txt"_s), QByteArray("word the plan note\r\n zorbl"));
    }

    // A suggestion taken is one edit that Undo takes back; the Edit menu's items follow the
    // suggestions in the menu made for the click, and the Edit menu itself is as it was.
    void suggestionAndUndo()
    {
        SpellSetup spell;
        TestWindow t;
        t.open({{u"n.txt"_s, "the cafe note"}});
        QCOMPARE(marked(t), QStringList({u"cafe"_s}));
        const QStringList editItems = namesOf(t.child<QMenu>(u"mnuEDIT"_s));
        QMenu *menu = contextMenuAt(t, 5);
        QVERIFY(menu);
        const QStringList names = namesOf(menu);
        QCOMPARE(names.constFirst(), u"suggestionAction_1"_s);
        QVERIFY(names.size() <= 5 + 4 + editItems.size());
        QCOMPARE(names.mid(names.indexOf(u"addWordAction"_s)),
                 QStringList({u"addWordAction"_s, u"ignoreWordAction"_s, u"-"_s}) + editItems);
        QCOMPARE(namesOf(t.child<QMenu>(u"mnuEDIT"_s)), editItems);
        QAction *suggestion = itemTitled(*menu, u"café"_s);
        QVERIFY(suggestion);
        suggestion->trigger();
        menu->close();
        QCOMPARE(t.text(), u"the café note"_s);
        QCOMPARE(t.status(), u"Changed"_s);
        QCOMPARE(marked(t), QStringList());
        t.trigger(u"undoAction"_s);
        QCOMPARE(t.text(), u"the cafe note"_s);
        QCOMPARE(t.status(), u"Unchanged"_s);
        QCOMPARE(marked(t), QStringList({u"cafe"_s}));
        // A click off the marked words opens the Edit menu itself.
        QVERIFY(!contextMenuAt(t, 0) || !contextMenuAt(t, 0)->isVisible());
    }

    // A word split by a soft break of a long line is one word, marked whole; a suggestion taken
    // for it keeps the soft break, and the note saves as if it had none.
    void wordAcrossSoftBreak()
    {
        SpellSetup spell;
        TestWindow t;
        QByteArray line;
        while (line.size() < 6000)
            line += "plna,";
        t.open({{u"n.txt"_s, line}});
        const QList<qsizetype> breaks = softBreakPositions(*t.editor()->document());
        QCOMPARE(breaks.size(), 1);
        const int at = int(breaks.constFirst());
        showAndSettle(t);
        QTextCursor caret(t.editor()->document());
        caret.setPosition(at);
        t.editor()->setTextCursor(caret);
        t.editor()->ensureCursorVisible();
        marked(t);
        const QList<std::pair<int, int>> ranges = marksOf(t).markedRanges();
        const auto across = std::find_if(ranges.cbegin(), ranges.cend(), [at](const auto &r) {
            return r.first < at && r.second > at;
        });
        QVERIFY(across != ranges.cend());
        QCOMPARE(noteTextOf(*t.editor()->document(), across->first, across->second).text,
                 u"plna"_s);
        QMenu *menu = contextMenuAt(t, across->first);
        QVERIFY(menu);
        QAction *plan = itemTitled(*menu, u"plan"_s);
        QVERIFY(plan);
        plan->trigger();
        menu->close();
        // The soft break stays, and the display line the suggestion lengthened is parted again.
        QCOMPARE(softBreakPositions(*t.editor()->document()).size(), 2);
        QByteArray expected = line;
        const qsizetype wordStart = (at / 5) * 5;
        expected.replace(wordStart, 4, "plan");
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"n.txt"_s), expected);
    }

    // Add to Dictionary writes the word to the user's list, read back in the next run; Ignore
    // holds for this run only.
    void addAndIgnore()
    {
        SpellSetup spell;
        TestWindow t;
        t.open({{u"n.txt"_s, "zorbl and frabz"}});
        QCOMPARE(marked(t), QStringList({u"zorbl"_s, u"and"_s, u"frabz"_s}));
        QMenu *menu = contextMenuAt(t, 1);
        menu->findChild<QAction *>(u"addWordAction"_s)->trigger();
        menu->close();
        menu = contextMenuAt(t, 7);
        menu->findChild<QAction *>(u"ignoreWordAction"_s)->trigger();
        menu->close();
        QCOMPARE(marked(t), QStringList({u"frabz"_s}));
        const QString words = t.root.filePath(u"data/quirebox/words/aa_AA.txt"_s);
        // Written off the window's thread.
        QTRY_COMPARE(readBytes(words), QByteArray("zorbl\n"));
        QCOMPARE(t.bytes(u"n.txt"_s), QByteArray("zorbl and frabz"));
        QVERIFY(t.w().close());

        TestWindow again;
        qputenv("XDG_STATE_HOME", QFile::encodeName(t.root.filePath(u"state"_s)));
        qputenv("XDG_DATA_HOME", QFile::encodeName(t.root.filePath(u"data"_s)));
        again.start(t.bookPath);
        QCOMPARE(marked(again), QStringList({u"and"_s, u"frabz"_s}));
    }

    // Each book keeps its language in the program's state, not in its file; Check Spelling
    // off takes the marks away, and stays off in the next run.
    void languagesAndSwitch()
    {
        SpellSetup spell;
        writeDictionary(spell.system, u"bb_BB"_s, "UTF-8", {u"plna"_s, u"the"_s});
        TestWindow first;
        first.open({{u"n.txt"_s, "the plna plan"}});
        const QByteArray bookBytes = readBytes(first.bookPath);
        QCOMPARE(marked(first), QStringList({u"plna"_s}));
        QVERIFY(first.action(u"languageAction_aa_AA"_s)->isChecked());
        first.trigger(u"languageAction_bb_BB"_s);
        QCOMPARE(marked(first), QStringList({u"plan"_s}));
        QVERIFY(first.w().close());
        QCOMPARE(readBytes(first.bookPath), bookBytes);

        TestWindow second;
        qputenv("XDG_STATE_HOME", QFile::encodeName(first.root.filePath(u"state"_s)));
        second.open({{u"m.txt"_s, "the plna plan"}});
        QCOMPARE(marked(second), QStringList({u"plna"_s}));
        second.start(first.bookPath);
        QVERIFY(second.action(u"languageAction_bb_BB"_s)->isChecked());
        QCOMPARE(marked(second), QStringList({u"plan"_s}));
        QAction *check = second.action(u"checkSpellingAction"_s);
        QVERIFY(check->isCheckable() && check->isChecked() && check->isEnabled());
        QCOMPARE(check->shortcut(), QKeySequence(Qt::Key_F7));
        check->trigger();
        QCOMPARE(marked(second), QStringList());
        QVERIFY(second.w().close());

        TestWindow third;
        qputenv("XDG_STATE_HOME", QFile::encodeName(first.root.filePath(u"state"_s)));
        third.start(first.bookPath);
        QVERIFY(!third.action(u"checkSpellingAction"_s)->isChecked());
        QCOMPARE(marked(third), QStringList());
        third.trigger(u"checkSpellingAction"_s);
        QCOMPARE(marked(third), QStringList({u"plan"_s}));
    }

    // A Windows-1252 note's accented words against a dictionary in ISO-8859-1 and one in UTF-8:
    // the same marks, and the note saved as it would be with checking off.
    void encodings_data()
    {
        QTest::addColumn<QByteArray>("encoding");
        QTest::newRow("ISO8859-1") << QByteArray("ISO8859-1");
        QTest::newRow("UTF-8") << QByteArray("UTF-8");
    }
    void encodings()
    {
        QFETCH(QByteArray, encoding);
        SpellSetup spell;
        QDir(spell.system).removeRecursively();
        writeDictionary(spell.system, u"fr_XX"_s, encoding, kFrenchishWords);
        // Windows-1252's œ (0x9C) is none of ISO-8859-1's: unknown there, and no crash.
        const QByteArray note = "caf\xe9 na\xefve garcon cr\xe8me \x9cuvre";
        QByteArray savedWith[2];
        for (const bool on : {true, false}) {
            TestWindow t;
            t.open({{u"n.txt"_s, note}});
            if (!on)
                t.trigger(u"checkSpellingAction"_s);
            QCOMPARE(marked(t), on ? QStringList({u"garcon"_s, u"œuvre"_s}) : QStringList());
            if (on) {
                QMenu *menu = contextMenuAt(t, 12);
                QVERIFY(menu);
                QCOMPARE(menu->actions().constFirst()->text(), u"garçon"_s);
                menu->actions().constFirst()->trigger();
                menu->close();
            } else {
                QTextCursor word(t.editor()->document());
                word.setPosition(11);
                word.setPosition(17, QTextCursor::KeepAnchor);
                word.insertText(u"garçon"_s);
            }
            QVERIFY(t.save());
            savedWith[on] = t.bytes(u"n.txt"_s);
        }
        QCOMPARE(savedWith[1], savedWith[0]);
        QCOMPARE(savedWith[1], QByteArray("caf\xe9 na\xefve gar\xe7on cr\xe8me \x9cuvre"));
    }

    // A large note's document goes to another thread to be deleted when another note is
    // shown: no mark stays behind in it, and the new note's words are marked.
    void marksLeaveWithALargeNote()
    {
        SpellSetup spell;
        TestWindow t;
        QByteArray large;
        while (large.size() < (3 << 19))
            large += "the plna note\r\n";
        t.open({{u"a.txt"_s, large}, {u"b.txt"_s, "the zorbl note\r\n"}});
        QTRY_COMPARE(t.status(), u"Unchanged"_s);
        QVERIFY(marked(t).contains(u"plna"_s));
        const QTextDocument *largeDocument = t.editor()->document();
        t.pickNote(u"b"_s);
        QVERIFY(t.editor()->document() != largeDocument);
        for (const QTextCursor &mark : t.editor()->underlines())
            QCOMPARE(mark.document(), t.editor()->document());
        QCOMPARE(marked(t), QStringList({u"zorbl"_s}));
    }

    // No dictionary anywhere: spelling is off, and the menu says why; nothing is asked.
    void noDictionary()
    {
        QTemporaryDir empty;
        qputenv("QB_HUNSPELL_DIR", QFile::encodeName(empty.path()));
        TestWindow t;
        t.open({{u"n.txt"_s, "the plna note"}});
        QAction *check = t.action(u"checkSpellingAction"_s);
        QVERIFY(!check->isEnabled());
        QVERIFY(!check->isChecked());
        QAction *none = t.action(u"languageAction_none"_s);
        QVERIFY(!none->isEnabled());
        QVERIFY(none->toolTip().contains(empty.path()));
        QCOMPARE(marked(t), QStringList());
        QVERIFY(t.platform.prompts.isEmpty());
    }

    // An encrypted note's armour is not checked; shown decrypted it is, in memory only: Add to
    // Dictionary is off, and no file holds its words.
    void secretNote()
    {
        SpellSetup spell;
        TestWindow t;
        t.open({{u"s.txt"_s, encrypted("the zqxplna note")}});
        QCOMPARE(marked(t), QStringList());
        answerPassphrase(t.platform, kPassphrase);
        t.trigger(u"encryptAction"_s);
        QTRY_COMPARE_WITH_TIMEOUT(t.status(), u"Decrypted"_s, 30'000);
        QCOMPARE(marked(t), QStringList({u"zqxplna"_s}));
        QMenu *menu = contextMenuAt(t, 6);
        QVERIFY(!menu->findChild<QAction *>(u"addWordAction"_s)->isEnabled());
        menu->findChild<QAction *>(u"ignoreWordAction"_s)->trigger();
        menu->close();
        QCOMPARE(marked(t), QStringList());
        QVERIFY(t.w().close());
        QCOMPARE(filesHolding(t.root.path(), "zqxplna"), QStringList());
    }

    // An encoded note's cipher text is not checked; decoded again, its words are.
    void encodedNote()
    {
        SpellSetup spell;
        TestWindow t;
        t.open({{u"n.txt"_s, "the zqxplna note\r\n"}});
        QCOMPARE(marked(t), QStringList({u"zqxplna"_s}));
        t.answer(u"input:kw"_s);
        t.trigger(u"T_mnuENCODE"_s);
        QCOMPARE(t.status(), u"Encoded"_s);
        QCOMPARE(marked(t), QStringList());
        t.answer(u"input:kw"_s);
        t.trigger(u"T_mnuENCODE"_s);
        QCOMPARE(t.status(), u"Decoded"_s);
        QCOMPARE(marked(t), QStringList({u"zqxplna"_s}));
    }
};

QTEST_MAIN(TestSpellCheck)
#include "test_spellcheck.moc"
