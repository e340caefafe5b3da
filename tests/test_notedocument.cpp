#include "RowLabel.h"
#include "editor/DocumentText.h"
#include "editor/NoteBytesCache.h"
#include "editor/NoteDocument.h"
#include "editor/NoteEditor.h"
#include "editor/NoteText.h"
#include "editor/SoftBreaks.h"
#include "keeping/LineDiff.h"

#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>

#include <memory>

using namespace Qt::StringLiterals;
using namespace qb;

class TestNoteDocument : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // One editor for everything, as in the program: formats left by one note must not leak
        // into the next.
        m_note = std::make_unique<NoteDocument>();
        m_editor = std::make_unique<NoteEditor>(*m_note);
        m_editor->show();
        m_editor->activateWindow();
        QVERIFY(QTest::qWaitForWindowExposed(m_editor.get()));
    }

    // Shown and taken back unedited, every note gives back its very bytes.
    void roundTrip()
    {
        QByteArray ascending;
        QString latin1, sampled;
        for (int b = 0; b < 256; ++b) {
            ascending.append(char(b));
            latin1.append(QChar(b));
        }
        for (char32_t c = 1; c < 0x110000; c += 251) {
            if (c < 0xD800 || c > 0xDFFF)
                sampled += QString::fromUcs4(&c, 1);
        }
        // Separators, no-break space, frame marks, object mark, a noncharacter, NUL, the
        // pictures; two byte order marks.
        static constexpr char kEditorChanges[] =
            "a\xE2\x80\xA8"
            "b\xE2\x80\xA9"
            "c\xC2\xA0\xEF\xB7\x90"
            "\xEF\xB7\x91\xEF\xBF\xBC\xEF\xBF\xBF\0\xE2\x90\x8D\r\xE2\x90\x8A\n";
        // The notes share the one editor, one after another.
        QList<std::pair<QString, QByteArray>> notes = {
            {u"every byte in order"_s, ascending},
            {u"Latin-1 as UTF-8"_s, latin1.toUtf8()},
            {u"every 251st code point"_s, sampled.toUtf8()},
            {u"characters the editor would change"_s,
             QByteArray(kEditorChanges, sizeof kEditorChanges - 1)},
            {u"two byte order marks"_s, "\xEF\xBB\xBF\xEF\xBB\xBF\n"}};
        // Every mix of CR, LF and a letter up to four long, after ASCII, UTF-8 and Windows-1252.
        QList<QByteArray> mixes{QByteArray()};
        for (qsizetype i = 0; i < mixes.size(); ++i) {
            for (const char c : {'a', '\r', '\n'}) {
                if (mixes[i].size() < 4)
                    mixes.append(mixes[i] + c);
            }
        }
        for (const QByteArray &head : {QByteArray(), "\xC3\xA9"_ba, "\xE9\x80"_ba}) {
            for (const QByteArray &mix : std::as_const(mixes))
                notes.append({u"the mix %1 after %2"_s.arg(QString::fromLatin1(mix.toHex(' ')),
                                                           QString::fromLatin1(head.toHex(' '))),
                              head + mix});
        }
        // Many short lines, some with a stand-in, and one long line: more text than the editor
        // hands out at once.
        QByteArray lines;
        for (int i = 0; i < 30000; ++i)
            lines += "line " + QByteArray::number(i) + (i % 997 == 0 ? "\r" : "") + "\r\n";
        notes.append({u"more text than the editor hands out at once"_s,
                      lines + QByteArray(70000, 'x') + "\n" + lines});
        for (const auto &[row, bytes] : std::as_const(notes)) {
            const test::RowLabel label(row);
            QCOMPARE(unedited(decodeNoteBytes(bytes)), bytes);
        }
    }

    // Random notes of the pieces that matter; odd rounds use the valid UTF-8 ones (listed first)
    // only, even rounds add the Windows-1252 gaps and any byte.
    void randomNotes()
    {
        static constexpr char kPieces[] =
            "\r/\n/\r\n/a/\0/\xC3\xA9/\xE2\x80\xA8/\xE2\x80\xA9/\xEF\xBB\xBF/"
            "\xE2\x90\x8D/\xEF\xB7\x90/\xF0\x9F\x98\x80/\xE9/\x90/\x8D";
        const QList<QByteArray> pieces = QByteArray(kPieces, sizeof kPieces - 1).split('/');
        constexpr int kUtf8Pieces = 12;
        QRandomGenerator random(20240611);
        for (int round = 0; round < 4000; ++round) {
            const bool utf8 = round % 2;
            QByteArray bytes;
            for (int i = random.bounded(30); i > 0; --i) {
                if (!utf8 && random.bounded(4) == 0)
                    bytes.append(char(random.bounded(256)));
                else
                    bytes.append(pieces[random.bounded(utf8 ? kUtf8Pieces : int(pieces.size()))]);
            }
            const QByteArray back = unedited(decodeNoteBytes(bytes));
            QVERIFY2(back == bytes, bytes.toHex(' ') + " came back as " + back.toHex(' '));
        }
    }

    // A note's changed lines put in place of another's (a merge's result): the editor then saves
    // the new note's very bytes, its other lines keep their paragraphs, and one Undo gives the old
    // note back. Random notes of lines that hold stand-ins, differ in their last line end, or
    // run past a display line into soft breaks.
    void changedLinesReplaced()
    {
        static constexpr char kPieces[] = "a/b/\r/\xE2\x80\xA8/\xC3\xA9/ /\t";
        const QList<QByteArray> pieces = QByteArray(kPieces, sizeof kPieces - 1).split('/');
        QRandomGenerator random(20261207);
        const auto line = [&] {
            QByteArray made;
            const int length =
                random.bounded(8) == 0 ? 5000 + random.bounded(5000) : random.bounded(6);
            while (made.size() < length)
                made += pieces[random.bounded(int(pieces.size()))];
            return made;
        };
        for (int round = 0; round < 300; ++round) {
            const QByteArray lineEnd = round % 2 ? "\r\n" : "\n";
            QList<QByteArray> lines;
            for (int i = random.bounded(12); i > 0; --i)
                lines << line();
            QList<QByteArray> changed = lines;
            for (int i = random.bounded(4); i >= 0; --i) {
                const int at = random.bounded(int(changed.size()) + 1);
                switch (random.bounded(3)) {
                case 0:
                    changed.insert(at, line());
                    break;
                case 1:
                    if (at < changed.size())
                        changed.removeAt(at);
                    break;
                default:
                    if (at < changed.size())
                        changed[at] = line();
                }
            }
            const auto joined = [&](const QList<QByteArray> &parts, bool lastEnd) {
                QByteArray bytes = parts.join(lineEnd);
                return lastEnd && !parts.isEmpty() ? bytes + lineEnd : bytes;
            };
            const QByteArray before = joined(lines, random.bounded(2)),
                             after = joined(changed, random.bounded(2));
            const DecodedNote old = decodeNoteBytes(before);
            const DecodedNote now = decodeNoteBytes(after, old.format);
            m_note->showNote(old);
            const int firstBlocks = m_editor->document()->blockCount();
            const LineDiff diff = changedLines(old.text, now.text);
            QVERIFY(!diff.tooDifferent);
            QList<qsizetype> starts{0};
            for (qsizetype at = 0; (at = now.text.indexOf(u'\n', at) + 1) > 0;)
                starts << at;
            starts << now.text.size();
            QList<ReplacedLines> changes;
            for (const DiffHunk &hunk : diff.hunks)
                changes.append({hunk.oldStart, hunk.oldCount,
                                slicedNote(now, starts[hunk.newStart],
                                           starts[hunk.newStart + hunk.newCount])});
            m_note->replaceLines(changes, old.format.lineEnd);
            const QByteArray put = m_note->bytes(old.format).bytes;
            QVERIFY2(put == after,
                     before.toHex(' ') + " to " + after.toHex(' ') + " gave " + put.toHex(' '));
            if (changes.isEmpty())
                QCOMPARE(m_editor->document()->blockCount(), firstBlocks);
            m_editor->undo();
            QCOMPARE(m_note->bytes(old.format).bytes, before);
        }
    }

    // Text typed, pasted or deleted beside a stand-in is plain text; every step of Undo and
    // Redo saves what the editor shows, and all the way back is the note as loaded.
    void edit()
    {
        // What the row is for, the note, the selection (anchor, position; editor text of "a\rb\r\n"
        // is "a␍b" and a break: position 2 is just after the stand-in), what is typed, or pasted
        // (kPaste), or the key pressed with its modifiers, and the note's bytes afterwards.
        constexpr int kPaste = -1;
        const int shiftReturn = (Qt::ShiftModifier | Qt::Key_Return).toCombined();
        // The rows share the one editor, one after another.
        const QList<std::tuple<QString, QByteArray, int, int, QString, int, QByteArray>> rows = {
            {u"typed just after a stand-in"_s, "a\rb\r\n", 2, 2, u"xy"_s, 0, "a\rxyb\r\n"},
            {u"the picture typed over a stand-in"_s, "a\rb", 1, 2, u"\u240D"_s, 0,
             "a\xE2\x90\x8D"
             "b"},
            {u"a line break pasted over a selection"_s, "a\rbc", 3, 2, u"p\nq"_s, kPaste,
             "a\rp\r\nqc"},
            {u"Return after a stand-in"_s, "a\rb\r\nc", 2, 2, {}, Qt::Key_Return, "a\r\r\nb\r\nc"},
            {u"Return before a stand-in"_s, "a\rb\r\nc", 1, 1, {}, Qt::Key_Return, "a\r\n\rb\r\nc"},
            {u"Return at the end, after a CR"_s, "a\nb\r", 4, 4, {}, Qt::Key_Return, "a\nb\r\n"},
            {u"Shift+Return"_s, "a\nb", 1, 1, {}, shiftReturn, "a\n\nb"},
            {u"Backspace over a stand-in"_s, "a\rb\r\n", 2, 2, {}, Qt::Key_Backspace, "ab\r\n"},
            {u"the euro typed into Windows-1252"_s, "\xE9\r\nx\ny", 4, 4, u"\u20AC"_s, 0,
             "\xE9\r\nx\n\x80y"}};
        for (const auto &[row, bytes, anchor, position, input, key, expected] : rows) {
            const test::RowLabel label(row);
            const DecodedNote note = decodeNoteBytes(bytes);
            QCOMPARE(unedited(note), bytes);

            // Placed with the keys, as the user would.
            QTest::keyClick(m_editor.get(), Qt::Key_End, Qt::ControlModifier);
            QTest::keyClick(m_editor.get(), Qt::Key_Home, Qt::ControlModifier);
            for (int i = 0; i < anchor; ++i)
                QTest::keyClick(m_editor.get(), Qt::Key_Right);
            for (int i = anchor; i != position; i += position > anchor ? 1 : -1)
                QTest::keyClick(m_editor.get(), position > anchor ? Qt::Key_Right : Qt::Key_Left,
                                Qt::ShiftModifier);
            QCOMPARE(m_editor->textCursor().position(), position);
            if (key == kPaste)
                m_editor->insertPlainText(input);
            else if (key != 0)
                QTest::keyClick(m_editor.get(), Qt::Key(key & ~Qt::KeyboardModifierMask),
                                Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
            else // typed; QTest::keyClicks knows Latin-1 only
                QTest::sendKeyEvent(QTest::Click, m_editor.get(), Qt::Key_unknown, input,
                                    Qt::NoModifier);
            QCOMPARE(editorBytes(note.format), expected);

            QTextDocument *document = m_editor->document();
            if (anchor == position) { // with nothing selected, one Undo takes the edit back
                m_editor->undo();
                QCOMPARE(editorBytes(note.format), bytes);
                m_editor->redo();
            }
            // Every step back and forth saves what the editor shows; all the way back is the note
            // as loaded, stand-ins included.
            for (const bool back : {true, false}) {
                for (int step = 0; step < 10 && (back ? document->isUndoAvailable()
                                                      : document->isRedoAvailable());
                     ++step) {
                    back ? m_editor->undo() : m_editor->redo();
                    QVERIFY(savesWhatIsShown(note.format));
                }
                QCOMPARE(editorBytes(note.format), back ? bytes : expected);
            }
        }
    }

    void loadReplacesHistory()
    {
        m_note->showNote(decodeNoteBytes("a\rbc"));
        m_editor->moveCursor(QTextCursor::End);
        QTest::keyClicks(m_editor.get(), u"typed"_s);
        // Leave a selection that starts just after the stand-in: its format is the caret's.
        QTest::keyClick(m_editor.get(), Qt::Key_Home, Qt::ControlModifier);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(m_editor.get(), Qt::Key_Right);
        QTest::keyClick(m_editor.get(), Qt::Key_Left, Qt::ShiftModifier);

        const QByteArray second("second \xE2\x90\x8D\r\n\r"); // the picture itself, a stray CR
        m_note->showNote(decodeNoteBytes(second));
        QVERIFY(!m_editor->document()->isUndoAvailable());
        QVERIFY(!m_editor->document()->isModified());
        m_editor->undo();
        QCOMPARE(editorBytes(detectNoteFormat(second)), second);
        QTest::keyClicks(m_editor.get(), u"x"_s); // plain text, at the start
        QCOMPARE(editorBytes(detectNoteFormat(second)), "x" + second);
    }

    // The bytes kept between saves are, after any edits, the bytes the editor's whole text
    // encodes to, or the same character is refused; one character typed leaves most kept.
    void savedBytesFollowEdits()
    {
        // A pair where the first piece would end.
        QByteArray lines = QByteArray(65535 % 80, 'a') + "\xF0\x9F\x98\x80\r\n";
        for (int i = 0; i < 65535 / 80; ++i)
            lines.prepend(QByteArray(79, 'a') + "\r\n");
        for (int i = 0; i < 12000; ++i) {
            lines += "line " + QByteArray::number(i) + (i % 301 == 0 ? "\r" : "") +
                     (i % 7 == 0 ? " \xC3\xA9 \xF0\x9F\x98\x80" : "") + "\r\n";
        }
        QByteArray windows1252 = lines;
        windows1252.replace("\xC3\xA9 \xF0\x9F\x98\x80", "\xE9\x80");
        // Typed, pasted: line breaks, stand-ins' pictures, a pair and its halves, characters
        // Windows-1252 lacks.
        const QStringList inserts = {u"x"_s,
                                     u"\n"_s,
                                     u"a\nb\nc"_s,
                                     u"\u240D"_s,
                                     u"\U0001F600"_s,
                                     u"\xE9"_s,
                                     u"\u20AC"_s,
                                     u"\u2028"_s,
                                     u"\u0101"_s,
                                     QString(QChar(0xD83D)),
                                     QString(QChar(0xDE00)),
                                     QString(3000, u'y') + u"\n"_s};
        QRandomGenerator random(20261206);
        NoteBytesCache cache(*m_note);
        // Kept as worked out from the note, on this thread and on another; as read from the editor.
        enum class Kept { FromNote, Prepared, FromEditor };
        const QList<std::tuple<QString, QByteArray, Kept>> notes = {
            {u"UTF-8 kept from the note"_s, lines, Kept::FromNote},
            {u"Windows-1252 kept from another thread"_s, windows1252, Kept::Prepared},
            {u"UTF-8 with a byte order mark read from the editor"_s, "\xEF\xBB\xBF" + lines,
             Kept::FromEditor}};
        for (const auto &[row, bytes, kept] : notes) {
            const test::RowLabel label(row);
            const DecodedNote note = decodeNoteBytes(bytes);
            if (kept == Kept::Prepared)
                cache.prepare(note);
            m_note->showNote(note);
            if (kept == Kept::FromNote) {
                cache.keep(note);
            } else if (kept == Kept::Prepared) {
                cache.keepPrepared();
            } else {
                cache.reset(note.format);
                cache.extend();
            }
            QTextDocument *document = m_editor->document();
            QCOMPARE(cache.keptCharacters(), documentTextLength(*document));
            QCOMPARE(cachedBytes(cache, note.format, random.bounded(2)), bytes);
            for (int round = 0; round < 150; ++round) {
                const int length = int(documentTextLength(*document));
                QTextCursor cursor(document);
                cursor.setPosition(random.bounded(length + 1));
                switch (random.bounded(6)) {
                case 0:
                case 1:
                    m_editor->setTextCursor(cursor);
                    m_editor->insertPlainText(inserts[random.bounded(inserts.size())]);
                    break;
                case 2: // typed, so that the stand-in guard has its say
                    m_editor->setTextCursor(cursor);
                    QTest::keyClick(m_editor.get(), Qt::Key_Z);
                    break;
                case 3:
                    cursor.setPosition(
                        std::min(length, cursor.position() + random.bounded(1, 90000)),
                        QTextCursor::KeepAnchor);
                    cursor.removeSelectedText();
                    break;
                case 4:
                    m_editor->undo();
                    break;
                default:
                    m_editor->redo();
                }
                if (round % 10 != 9)
                    continue;
                const test::RowLabel after(u"after %1 random edits"_s.arg(round + 1));
                const QByteArray whole = editorBytes(note.format);
                QCOMPARE(cachedBytes(cache, note.format, round % 20 == 9), whole);
                if (!whole.startsWith('<'))
                    QCOMPARE(cache.keptCharacters(), documentTextLength(*document));
                // One character typed leaves all kept but the piece it went into, and its
                // neighbours.
                cursor.setPosition(random.bounded(document->characterCount()));
                m_editor->setTextCursor(cursor);
                QTest::keyClick(m_editor.get(), Qt::Key_Z);
                if (!whole.startsWith('<'))
                    QVERIFY(cache.keptCharacters() >= document->characterCount() - 3 * (1 << 16));
                QCOMPARE(cachedBytes(cache, note.format, false), editorBytes(note.format));
            }
        }
        // The whole text replaced, then the document: nothing kept is taken for it.
        const NoteFormat plain = detectNoteFormat("");
        m_editor->document()->setPlainText(u"replaced"_s);
        QCOMPARE(cachedBytes(cache, plain, false), "replaced");
        m_note->showNote(decodeNoteBytes(QByteArray(1 << 20, 'a')));
        cache.keep(decodeNoteBytes(QByteArray(1 << 20, 'a')));
        const QTextDocument *large = &m_note->document();
        m_note->dropLarge();
        QVERIFY(&m_note->document() != large);
        QCOMPARE(m_editor->document(), &m_note->document());
        m_note->document().setPlainText(u"other\nnote"_s);
        QCOMPARE(cachedBytes(cache, plain, false), "other\r\nnote");
    }

private:
    static QByteArray unencodable(char32_t c)
    {
        return "<unencodable U+" + QByteArray::number(uint(c), 16) + '>';
    }

    // What a save writes from the bytes `cache` keeps, through the pieces a save hands to the
    // file or held whole.
    static QByteArray cachedBytes(NoteBytesCache &cache, const NoteFormat &format, bool inPieces)
    {
        QByteArray written;
        NoteEncoder encoder =
            inPieces
                ? NoteEncoder(
                      format, [&written](QByteArrayView piece) { written.append(piece); }, 4096)
                : NoteEncoder(format);
        cache.encode(encoder);
        encoder.finish();
        if (!encoder.ok())
            return unencodable(*encoder.firstUnencodable());
        return inPieces ? written : encoder.takeBytes();
    }

    // What the editor gives back, unedited, after showing `note`.
    QByteArray unedited(const DecodedNote &note)
    {
        m_note->showNote(note);
        // The editor shows the decoded text as it is: every line break one paragraph, and soft
        // breaks, parting lines into paragraphs no longer than a display line, besides.
        const QString shown = QString(note.text).replace(u'\n', QChar::ParagraphSeparator);
        if (withoutSoftBreaks(*m_editor->document()) != shown)
            return QByteArrayLiteral("<editor changed the text>");
        for (QTextBlock block = m_editor->document()->begin(); block.isValid();
             block = block.next()) {
            if (block.length() - 1 > kDisplayLineLength)
                return QByteArrayLiteral("<a paragraph longer than a display line>");
        }
        // What a save writes without reading the editor is what the editor holds.
        NoteBytesCache cache(*m_note);
        cache.keep(note);
        const QByteArray bytes = editorBytes(note.format);
        if (cachedBytes(cache, note.format, false) != bytes)
            return QByteArrayLiteral("<the kept bytes differ>");
        return bytes;
    }

    QByteArray editorBytes(const NoteFormat &format)
    {
        const NoteBytes back = m_note->bytes(format);
        if (back.unencodable)
            return unencodable(*back.unencodable);
        return back.bytes;
    }

    bool savesWhatIsShown(const NoteFormat &format)
    {
        // A typed soft line break shows as a line break too.
        const QString shown = withoutSoftBreaks(*m_editor->document())
                                  .replace(QChar::LineSeparator, QChar::ParagraphSeparator);
        const QString read = decodeNoteBytes(editorBytes(format), format).text;
        return QString(read).replace(u'\n', QChar::ParagraphSeparator) == shown;
    }

    // The document's raw text but its soft breaks.
    static QString withoutSoftBreaks(const QTextDocument &document)
    {
        QString text = document.toRawText();
        const QList<qsizetype> soft = softBreakPositions(document);
        for (qsizetype k = soft.size() - 1; k >= 0; --k)
            text.remove(soft[k], 1);
        return text;
    }

    std::unique_ptr<NoteDocument> m_note;
    std::unique_ptr<NoteEditor> m_editor;
};

QTEST_MAIN(TestNoteDocument)
#include "test_notedocument.moc"
