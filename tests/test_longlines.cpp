// Long lines shown as display lines: where the soft breaks go, positions of the note and of the
// editor mapped both ways, and every edit, copy, paste, search and save beside a soft break
// giving the note's bytes as if there were none.
#include "RowLabel.h"
#include "WindowFixture.h"

#include "editor/DisplayLines.h"
#include "editor/NoteBytesCache.h"
#include "editor/SoftBreaks.h"
#include "find/frmFIND.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QRandomGenerator>
#include <QTextBlock>

using namespace qb;
using namespace qb::test;

namespace {

// A line of numbered words, `length` characters long.
QByteArray wordsLine(qsizetype length)
{
    QByteArray line;
    for (int i = 0; line.size() < length; ++i)
        line += "w" + QByteArray::number(i) + ' ';
    line.truncate(length);
    return line;
}

// Two short lines around a long one of words, and a long one with no space, LF line ends.
const QByteArray kNote =
    "head\n" + wordsLine(10'000) + "\nmiddle\n" + QByteArray(9'000, 'q') + "\ntail";

// An editor showing a note, and what a save of it writes.
struct ShownNote
{
    explicit ShownNote(const QByteArray &bytes = kNote) : note(decodeNoteBytes(bytes))
    {
        editor.resize(600, 400);
        editor.show();
        document.showNote(note);
        editor.setLineEnd(note.format.lineEnd);
    }
    QByteArray bytes() const { return document.bytes(note.format).bytes; }
    QList<qsizetype> soft() const { return softBreakPositions(*editor.document()); }
    qsizetype longestParagraph() const
    {
        qsizetype longest = 0;
        for (QTextBlock block = editor.document()->begin(); block.isValid(); block = block.next())
            longest = std::max<qsizetype>(longest, block.length() - 1);
        return longest;
    }
    void select(qsizetype anchor, qsizetype position)
    {
        QTextCursor cursor(editor.document());
        cursor.setPosition(int(anchor));
        cursor.setPosition(int(position), QTextCursor::KeepAnchor);
        editor.setTextCursor(cursor);
    }

    DecodedNote note;
    NoteDocument document;
    NoteEditor editor{document};
};

} // namespace

class TestLongLines : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(kNote.size() > 2 * kDisplayLineLength); }

    // A soft break goes after the last space or tab of a display line's second half, else at
    // its end, but never inside a grapheme that fits a display line, nor a surrogate pair.
    void whereSoftBreaksGo_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<qsizetype>>("breaks");
        const qsizetype n = kDisplayLineLength;
        const QString x(n, u'x');
        QTest::newRow("a line of a display line's length") << x << QList<qsizetype>{};
        QTest::newRow("a line end right after it") << x + u"\nmore"_s << QList<qsizetype>{};
        QTest::newRow("one character more, no space") << x + u'y' << QList<qsizetype>{n};
        QTest::newRow("a space in the second half")
            << QString(x).replace(n - 10, 1, u' ') + u"yy"_s << QList<qsizetype>{n - 9};
        QTest::newRow("a tab at the very end")
            << QString(x).replace(n - 1, 1, u'\t') + u'y' << QList<qsizetype>{n};
        QTest::newRow("a space in the first half only")
            << QString(x).replace(10, 1, u' ') + u'y' << QList<qsizetype>{n};
        QTest::newRow("a surrogate pair across the limit")
            << QString(n - 1, u'x') + u"\U0001F600y"_s << QList<qsizetype>{n - 1};
        QTest::newRow("combining marks at the limit")
            << QString(n - 2, u'x') + u"e\u0301\u0302y"_s << QList<qsizetype>{n - 2};
        QTest::newRow("a pair, then marks past half a display line")
            << QString(n / 2 - 1, u'x') + u"\U0001F600"_s + QString(n / 2 + 1, QChar(0x0301))
            << QList<qsizetype>{n / 2 - 1};
        QTest::newRow("a mark beyond the Basic Multilingual Plane at the limit")
            << QString(n - 1, u'x') + u"\U0001D167y"_s << QList<qsizetype>{n - 2};
        QTest::newRow("a flag across the limit")
            << QString(n - 2, u'x') + u"\U0001F1EB\U0001F1F7y"_s << QList<qsizetype>{n - 2};
        QTest::newRow("two flags, the limit inside the second")
            << QString(n - 6, u'x') + u"\U0001F1EB\U0001F1F7\U0001F1E9\U0001F1EAy"_s
            << QList<qsizetype>{n - 2};
        QTest::newRow("a family emoji across the limit")
            << QString(n - 5, u'x') +
                   u"\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466y"_s
            << QList<qsizetype>{n - 5};
        QTest::newRow("marks longer than a display line")
            << u'x' + QString(n + 5, QChar(0x0301)) << QList<qsizetype>{n};
        QTest::newRow("a mark after the last space")
            << QString(x).replace(n - 10, 2, u" \u0301"_s) + u"yy"_s << QList<qsizetype>{n};
        QTest::newRow("three display lines after a short line")
            << u"short\n"_s + x + x + u'y' << QList<qsizetype>{6 + n, 6 + 2 * n};
        QTest::newRow("two long lines")
            << x + u"y\n"_s + x + u'z' << QList<qsizetype>{n, 2 * n + 2};
    }
    void whereSoftBreaksGo()
    {
        QFETCH(QString, text);
        QFETCH(QList<qsizetype>, breaks);
        QCOMPARE(softBreaksOf(text), breaks);
    }

    // For random text, each character of the note is found where the editor shows it, and every
    // range of the note is the same characters in the editor, with no soft break at its ends.
    void positionsMapBothWays()
    {
        QRandomGenerator random(20261207);
        const QStringList pieces = {u"word "_s,          u"\n"_s, u"\U0001F600"_s, u"e\u0301"_s,
                                    QString(3000, u'z'), u"\t"_s};
        for (int round = 0; round < 40; ++round) {
            QString text;
            while (text.size() < 30'000)
                text += pieces[random.bounded(pieces.size())];
            const QList<qsizetype> breaks = softBreaksOf(text);
            const QString shown = withSoftBreaks(text, breaks);
            QList<qsizetype> editorBreaks;
            for (qsizetype k = 0; k < breaks.size(); ++k)
                editorBreaks.append(breaks[k] + k);
            const NotePositions positions(editorBreaks);
            const test::RowLabel row(u"round %1, %2 soft breaks"_s.arg(round).arg(breaks.size()));
            QVERIFY(!breaks.isEmpty());
            for (qsizetype i = 0; i < text.size(); ++i) {
                const qsizetype at = positions.editorPosition(i);
                QVERIFY2(!editorBreaks.contains(at) && shown[at] == text[i],
                         qPrintable(u"character %1"_s.arg(i)));
                QCOMPARE(positions.notePosition(at), i);
            }
            for (int range = 0; range < 50; ++range) {
                qsizetype from = random.bounded(text.size() + 1);
                qsizetype to = random.bounded(text.size() + 1);
                if (from > to)
                    std::swap(from, to);
                const auto [start, end] = positions.editorRange(from, to);
                QString inEditor = shown.sliced(start, end - start);
                inEditor.remove(u'\n');
                QCOMPARE(inEditor, QString(text.sliced(from, to - from)).remove(u'\n'));
                QVERIFY(from == to ||
                        (!editorBreaks.contains(start) && !editorBreaks.contains(end - 1)));
            }
        }
    }

    // A note with long lines is shown in display lines and saved as it was, whether shown whole
    // or put in a slice at a time while its bytes are worked out beside; the two put their soft
    // breaks in the same places, and the bytes kept stay true through edits beside them.
    void shownInDisplayLines()
    {
        const QByteArray notes = (kNote + '\n').repeated(4); // more than one slice takes
        ShownNote whole(notes);
        QVERIFY(whole.longestParagraph() <= kDisplayLineLength);
        QCOMPARE(whole.soft().size(), 4 * 4);
        QCOMPARE(whole.bytes(), notes);

        ShownNote sliced("");
        sliced.note = whole.note;
        NoteBytesCache &cache = sliced.document.keptBytes();
        cache.prepare(whole.note);
        {
            NoteFiller filler(sliced.document, whole.note);
            int slices = 1;
            while (!filler.fillFor(0))
                ++slices;
            QVERIFY(slices > 1);
        }
        cache.keepPrepared();
        QCOMPARE(sliced.soft(), whole.soft());
        QCOMPARE(cache.keptCharacters(), documentTextLength(*sliced.editor.document()));

        const auto cached = [&cache, &sliced] {
            NoteEncoder encoder(sliced.note.format);
            cache.encode(encoder);
            encoder.finish();
            return encoder.takeBytes();
        };
        QCOMPARE(cached(), notes);
        const QList<qsizetype> soft = sliced.soft();
        sliced.select(soft[1] + 1, soft[1] + 1);
        QTest::keyClicks(&sliced.editor, u"typed"_s);
        sliced.select(soft[0] - 2, soft[0] + 3);
        QTest::keyClick(&sliced.editor, Qt::Key_Delete);
        QCOMPARE(cached(), sliced.bytes());
        QCOMPARE(sliced.bytes().size(), notes.size() + 5 - 4);
    }

    // A key at either side of a soft break does to the note what it would do were the line one
    // paragraph: a soft break is never typed over, deleted as a character, or made a line end.
    // An undo gives back the note's very bytes.
    void editsBesideASoftBreak_data()
    {
        QTest::addColumn<bool>("after"); // the caret after the soft break, else before it
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("removed"); // the note's characters removed, from the break on
        QTest::addColumn<QString>("added");
        for (const bool after : {false, true}) {
            const char *side = after ? "after" : "before";
            const auto row = [&](const char *what, int key, int removed, const QString &added) {
                QTest::addRow("%s %s a soft break", what, side) << after << key << removed << added;
            };
            row("a letter", Qt::Key_X, 0, u"x"_s);
            row("Enter", Qt::Key_Return, 0, u"\n"_s);
            row("Backspace", Qt::Key_Backspace, -1, {});
            row("Delete", Qt::Key_Delete, 1, {});
        }
    }
    void editsBesideASoftBreak()
    {
        QFETCH(bool, after);
        QFETCH(int, key);
        QFETCH(int, removed);
        QFETCH(QString, added);
        ShownNote shown;
        const qsizetype soft = shown.soft().constFirst();
        const qsizetype at = soft; // the note's position of the break: none comes before it
        shown.select(soft + after, soft + after);
        QTest::keyClick(&shown.editor, Qt::Key(key));
        QByteArray expected = kNote;
        if (removed < 0)
            expected.remove(at + removed, -removed);
        else
            expected.remove(at, removed);
        expected.insert(at, added.toLatin1());
        QCOMPARE(shown.bytes(), expected);
        shown.editor.undo();
        QCOMPARE(shown.bytes(), kNote);
        QCOMPARE(shown.soft().constFirst(), soft);
    }

    // A display line emptied of its characters leaves two soft breaks side by side; an Enter and
    // a letter typed between them are a line end and a letter of the note. So is an Enter typed
    // over a selection that ends at the start of such a line.
    void typedIntoAnEmptiedDisplayLine()
    {
        ShownNote shown;
        const QList<qsizetype> soft = shown.soft();
        shown.select(soft[0] + 1, soft[1]);
        QTest::keyClick(&shown.editor, Qt::Key_Delete);
        QCOMPARE(shown.editor.textCursor().block().length(), 1);
        QTest::keyClick(&shown.editor, Qt::Key_Return);
        QTest::keyClick(&shown.editor, Qt::Key_Y);
        QByteArray expected = kNote;
        expected.replace(soft[0], soft[1] - soft[0] - 1, "\ny");
        QCOMPARE(shown.bytes(), expected);

        // Selected from the line before to the emptied one's start, and typed over with Enter.
        ShownNote again;
        again.select(soft[0] + 1, soft[1]);
        QTest::keyClick(&again.editor, Qt::Key_Delete);
        again.select(soft[0] - 3, soft[0] + 1);
        QTest::keyClick(&again.editor, Qt::Key_Return);
        expected = kNote;
        expected.replace(soft[0] - 3, soft[1] - 1 - (soft[0] - 3), "\n");
        QCOMPARE(again.bytes(), expected);
    }

    // A display line emptied with the caret left in it (a selection made backwards, then
    // Delete): what is typed there next is the note's, a pair of surrogates whole, a line end an
    // input method commits a line end; Backspace after it takes the character before it.
    void typedWhereADisplayLineWasEmptied()
    {
        const QList<qsizetype> soft = ShownNote().soft();
        QByteArray expected = kNote;
        expected.replace(soft[0], soft[1] - soft[0] - 1,
                         "\xF0\x9F\x98\x80"
                         "a\nb");
        ShownNote shown;
        shown.select(soft[1], soft[0] + 1);
        QTest::keyClick(&shown.editor, Qt::Key_Delete);
        QTest::sendKeyEvent(QTest::Click, &shown.editor, Qt::Key_unknown, u"\U0001F600"_s, {});
        QInputMethodEvent commit(QString(), {});
        commit.setCommitString(u"a\nb"_s);
        QApplication::sendEvent(&shown.editor, &commit);
        QCOMPARE(shown.bytes(), expected);

        // Backspace past two soft breaks side by side takes the character before them.
        ShownNote again;
        again.select(soft[0] + 1, soft[1]);
        QTest::keyClick(&again.editor, Qt::Key_Delete);
        again.select(soft[0] + 2, soft[0] + 2);
        QTest::keyClick(&again.editor, Qt::Key_Backspace);
        expected = kNote;
        expected.remove(soft[0] - 1, soft[1] - soft[0]);
        QCOMPARE(again.bytes(), expected);
    }

    // Copied across a soft break, the clipboard holds the note's characters only, and a paste
    // of them gives them back.
    void clipboard()
    {
        ShownNote shown;
        const qsizetype soft = shown.soft().constFirst();
        shown.select(soft - 3, soft + 4);
        shown.editor.copy();
        const QString copied = QString::fromLatin1(kNote.mid(soft - 3, 6));
        QCOMPARE(QApplication::clipboard()->text(), copied);
        shown.editor.moveCursor(QTextCursor::End);
        shown.editor.pastePlainText();
        QCOMPARE(shown.bytes(), kNote + copied.toLatin1());
    }

    // Letters typed on and on at the end of a line, one key after another, go on in new display
    // lines; the caret stays after the last. Each Undo and Redo takes back or gives back typing
    // with its soft breaks, never a soft break alone.
    void typedIntoOneDisplayLine()
    {
        const QByteArray note = "head\nwords: ";
        ShownNote shown(note);
        shown.editor.moveCursor(QTextCursor::End);
        QString typed;
        for (int i = 0; i < 10'000; ++i)
            typed += QChar(u'a' + i % 26);
        QTest::keyClicks(&shown.editor, typed);
        QCOMPARE(shown.bytes(), note + typed.toLatin1());
        QVERIFY(shown.soft().size() >= 2);
        QVERIFY(shown.longestParagraph() <= kDisplayLineLength);
        QVERIFY(shown.editor.textCursor().atEnd());

        // Each step shows the note as it was after some of the keys, in display lines: how many.
        const auto typedSoFar = [&] {
            const QByteArray bytes = shown.bytes();
            const bool asTyped = bytes.startsWith(note) &&
                                 typed.startsWith(QLatin1StringView(bytes.sliced(note.size()))) &&
                                 shown.longestParagraph() <= kDisplayLineLength;
            return asTyped ? bytes.size() - note.size() : qsizetype(-1);
        };
        qsizetype steps = 0;
        for (qsizetype left = typed.size(); left > 0; ++steps) {
            shown.editor.undo();
            const qsizetype now = typedSoFar();
            QVERIFY(now >= 0 && now < left);
            left = now;
        }
        QVERIFY(steps >= 3);
        for (qsizetype done = 0; done < typed.size();) {
            shown.editor.redo();
            const qsizetype now = typedSoFar();
            QVERIFY(now > done);
            done = now;
        }
        QVERIFY(shown.editor.textCursor().atEnd());
    }

    // Each way of editing that makes a line longer than a display line, a key at its end, or
    // one that joins two lines, puts soft breaks in, and one Undo takes the edit back with them.
    void editsPastADisplayLine_data()
    {
        QTest::addColumn<QByteArray>("note");
        QTest::addColumn<int>("anchor");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("key"); // 0: an input method commits `text`
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("text"); // on the clipboard for a paste
        QTest::addColumn<QByteArray>("edited");
        const auto replaced = [](QByteArray note, int from, int to, const QByteArray &with) {
            return note.replace(from, to - from, with);
        };
        const QByteArray full = "head\n" + QByteArray(kDisplayLineLength, 'x') + "\ntail";
        const int end = 5 + int(kDisplayLineLength); // of the full line
        QTest::newRow("a letter at the end of a full line")
            << full << end << end << int(Qt::Key_Y) << 0 << QString()
            << replaced(full, end, end, "y");
        QTest::newRow("Tab at the end of a full line")
            << full << end << end << int(Qt::Key_Tab) << 0 << QString()
            << replaced(full, end, end, "\t");
        QTest::newRow("a paste at the end of a full line")
            << full << end << end << int(Qt::Key_V) << int(Qt::ControlModifier) << u"pasted"_s
            << replaced(full, end, end, "pasted");
        const QByteArray almost = "head\n" + QByteArray(kDisplayLineLength - 2, 'x') + "\ntail";
        QTest::newRow("an input method's commit across the end of a line")
            << almost << end - 2 << end - 2 << 0 << 0 << u"abcd"_s
            << replaced(almost, end - 2, end - 2, "abcd");
        const QByteArray two = "head\n" + QByteArray(3000, 'a') + '\n' + QByteArray(3000, 'b');
        const int lineEnd = 5 + 3000;
        QTest::newRow("Backspace joining two lines")
            << two << lineEnd + 1 << lineEnd + 1 << int(Qt::Key_Backspace) << 0 << QString()
            << replaced(two, lineEnd, lineEnd + 1, {});
        QTest::newRow("Delete joining two lines")
            << two << lineEnd << lineEnd << int(Qt::Key_Delete) << 0 << QString()
            << replaced(two, lineEnd, lineEnd + 1, {});
        QTest::newRow("a letter typed over a line end")
            << two << lineEnd - 1 << lineEnd + 2 << int(Qt::Key_Z) << 0 << QString()
            << replaced(two, lineEnd - 1, lineEnd + 2, "z");
        QTest::newRow("Cut of a line end")
            << two << lineEnd << lineEnd + 1 << int(Qt::Key_X) << int(Qt::ControlModifier)
            << QString() << replaced(two, lineEnd, lineEnd + 1, {});
    }
    void editsPastADisplayLine()
    {
        QFETCH(QByteArray, note);
        QFETCH(int, anchor);
        QFETCH(int, position);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, text);
        QFETCH(QByteArray, edited);
        ShownNote shown(note);
        QVERIFY(shown.soft().isEmpty());
        shown.select(anchor, position);
        if (key == 0) {
            QInputMethodEvent commit(QString(), {});
            commit.setCommitString(text);
            QApplication::sendEvent(&shown.editor, &commit);
        } else {
            QApplication::clipboard()->setText(text);
            QTest::keyClick(&shown.editor, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        }
        QCOMPARE(shown.bytes(), edited);
        QVERIFY(!shown.soft().isEmpty());
        QVERIFY(shown.longestParagraph() <= kDisplayLineLength);
        shown.editor.undo();
        QCOMPARE(shown.bytes(), note);
        QVERIFY(shown.soft().isEmpty());
        shown.editor.redo();
        QCOMPARE(shown.bytes(), edited);
        QVERIFY(shown.longestParagraph() <= kDisplayLineLength);
    }

    // A line pasted into the middle of a display line is shown in display lines with the text on
    // either side of it, the caret after it; one Undo takes it away with its soft breaks, and
    // one Redo gives both back.
    void pastedIntoADisplayLine()
    {
        ShownNote shown;
        const QList<qsizetype> soft = shown.soft();
        const qsizetype at = soft[0] - 100; // the note's position: no soft break before it
        shown.select(at, at);
        const QByteArray line = QByteArray(20'000, 'p');
        QApplication::clipboard()->setText(QString::fromLatin1(line));
        QTest::keyClick(&shown.editor, Qt::Key_V, Qt::ControlModifier);
        QByteArray expected = kNote;
        expected.insert(at, line);
        QCOMPARE(shown.bytes(), expected);
        QVERIFY(shown.longestParagraph() <= kDisplayLineLength);
        const auto caret = [&shown] {
            return notePositionsOf(*shown.editor.document())
                .notePosition(shown.editor.textCursor().position());
        };
        QCOMPARE(caret(), at + line.size());
        const QList<qsizetype> pasted = shown.soft();
        QTest::keyClick(&shown.editor, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(shown.bytes(), kNote);
        QCOMPARE(shown.soft(), soft);
        QTest::keyClick(&shown.editor, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(shown.bytes(), expected);
        QCOMPARE(shown.soft(), pasted);
    }

    // A letter with its marks, a flag, or an emoji sequence typed across the end of a display
    // line, in one key or a key for each character, goes whole into one display line, and the
    // caret after it; Undo takes it back with its soft break.
    void typedGraphemesStayWhole_data()
    {
        QTest::addColumn<QString>("grapheme");
        QTest::addColumn<bool>("oneKey");
        const QList<std::pair<const char *, QString>> graphemes = {
            {"a letter with two marks", u"e\u0301\u0323"_s},
            {"a flag", u"\U0001F1EB\U0001F1F7"_s},
            {"a family", u"\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466"_s},
        };
        for (const auto &[name, grapheme] : graphemes) {
            QTest::addRow("%s in one key", name) << grapheme << true;
            QTest::addRow("%s a character at a time", name) << grapheme << false;
        }
    }
    void typedGraphemesStayWhole()
    {
        QFETCH(QString, grapheme);
        QFETCH(bool, oneKey);
        QStringList keys;
        if (oneKey) {
            keys.append(grapheme);
        } else {
            for (qsizetype i = 0; i < grapheme.size(); i += grapheme[i].isHighSurrogate() ? 2 : 1)
                keys.append(grapheme.mid(i, grapheme[i].isHighSurrogate() ? 2 : 1));
        }
        // The end of the display line at each place inside the grapheme.
        for (qsizetype inside = 1; inside < grapheme.size(); ++inside) {
            const test::RowLabel row(u"%1 of its characters past the end"_s.arg(inside));
            const QByteArray note(kDisplayLineLength - grapheme.size() + inside, 'x');
            ShownNote shown(note);
            shown.editor.moveCursor(QTextCursor::End);
            for (const QString &key : std::as_const(keys))
                QTest::sendKeyEvent(QTest::Click, &shown.editor, Qt::Key_unknown, key, {});
            QCOMPARE(shown.bytes(), note + grapheme.toUtf8());
            QCOMPARE(shown.soft().size(), 1);
            QCOMPARE(shown.editor.textCursor().block().text(), grapheme);
            QVERIFY(shown.editor.textCursor().atEnd());
            // Undo never takes a soft break back alone.
            for (int undos = 0; shown.bytes() != note; ++undos) {
                QVERIFY(undos < keys.size());
                shown.editor.undo();
                QVERIFY(shown.longestParagraph() <= kDisplayLineLength);
            }
            QVERIFY(shown.soft().isEmpty());
        }
    }

    // Find finds what a soft break parts in the editor, and Find Next goes on from it.
    void findAcrossSoftBreaks()
    {
        QByteArray line(3 * kDisplayLineLength, 'q');
        line.replace(kDisplayLineLength - 3, 6, "NEEDLE");
        line.replace(2 * kDisplayLineLength - 2, 6, "NEEDLE");
        TestWindow t;
        t.open({{u"n.txt"_s, "first line\r\n" + line}});
        QVERIFY(softBreakPositions(*t.editor()->document()).size() >= 2);
        t.trigger(u"T_mnuFIND"_s);
        auto *find = t.window->findChild<frmFIND *>(u"frmFIND"_s);
        for (const QChar c : u"needle"_s)
            QTest::sendKeyEvent(QTest::Click, find->txtFIND(), Qt::Key_unknown, QString(c), {});
        QTest::keyClick(find->txtFIND(), Qt::Key_Return);
        const auto selected = [&t] {
            const QTextCursor cursor = t.editor()->textCursor();
            return noteTextOf(*t.editor()->document(), cursor.selectionStart(),
                              cursor.selectionEnd())
                .text;
        };
        const auto notePosition = [&t] {
            return notePositionsOf(*t.editor()->document())
                .notePosition(t.editor()->textCursor().selectionStart());
        };
        QCOMPARE(selected(), u"NEEDLE"_s);
        QCOMPARE(notePosition(), 11 + kDisplayLineLength - 3);
        t.trigger(u"T_mnuFIND_NEXT"_s);
        QCOMPARE(selected(), u"NEEDLE"_s);
        QCOMPARE(notePosition(), 11 + 2 * kDisplayLineLength - 2);
    }
};

QTEST_MAIN(TestLongLines)
#include "test_longlines.moc"
