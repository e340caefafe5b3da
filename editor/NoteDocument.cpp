#include "editor/NoteDocument.h"

#include "editor/DisplayLines.h"
#include "editor/DocumentText.h"
#include "editor/SoftBreaks.h"
#include "editor/StandInFormats_p.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <utility>

namespace qb {

namespace {

// The names by which the guards are found again.
const QString kGuardName = QStringLiteral("qbStandInGuard");
const QString kCaretGuardName = QStringLiteral("qbStandInCaretGuard");

// Calls visit(position, length, original) for each run of stand-in-formatted characters within
// [from, to), in document order.
template <typename Visit>
void forEachStandInRun(const QTextDocument &document, const QList<char16_t> &originals, int from,
                       int to, Visit visit)
{
    for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() < to;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int index = fragment.charFormatIndex();
            if (index < 0 || index >= originals.size() || originals[index] == 0)
                continue;
            const int start = std::max(from, fragment.position());
            const int end = std::min(to, fragment.position() + fragment.length());
            if (start < end)
                visit(start, end - start, originals[index]);
        }
    }
}

QTextCharFormat standInFormat(const QColor &color, char16_t original)
{
    QTextCharFormat format;
    format.setProperty(kStandInProperty, uint(original));
    format.setForeground(color);
    return format;
}

// Lives as the document's child. Text typed or pasted next to a stand-in takes on its format;
// that is taken off again. (Text typed after a soft break may take on its mark, which is left:
// only a paragraph break is a soft break, and the editor types its line ends plain.) An undo or
// redo is left alone: it puts back characters as they were, a deleted stand-in included, and
// touching the document then would cost the redo steps. The two are told apart by undoCommandAdded,
// which an edit emits before its contentsChange and an undo or redo does not emit at all. An undo
// can leave a typed character marked for a moment; encodeEditorText writes such a character as
// itself, since it is not the stand-in of the mark it carries.
class StandInGuard : public QObject
{
public:
    explicit StandInGuard(QTextDocument &document) : QObject(&document), m_document(document)
    {
        setObjectName(kGuardName);
        connect(&document, &QTextDocument::undoCommandAdded, this, [this] { m_edited = true; });
        connect(&document, &QTextDocument::contentsChange, this, &StandInGuard::onContentsChange);
    }

    // Pauses nest: the guard works again once each has ended.
    void setPaused(bool paused) { m_pauses = std::max(0, m_pauses + (paused ? 1 : -1)); }

private:
    void onContentsChange(int position, int /*removed*/, int added);

    QTextDocument &m_document;
    int m_pauses = 0;
    bool m_edited = false;
};

void StandInGuard::onContentsChange(int position, int /*removed*/, int added)
{
    const bool edited = std::exchange(m_edited, false) || !m_document.isUndoRedoEnabled();
    if (m_pauses > 0 || !edited || added <= 0)
        return;
    const QList<char16_t> originals = standInOriginals(m_document);
    if (originals.isEmpty())
        return;
    QList<std::pair<int, int>> runs;
    forEachStandInRun(m_document, originals, position, position + added,
                      [&runs](int start, int length, char16_t original) {
                          if (original != kSoftBreakMark)
                              runs.append({start, length});
                      });
    if (runs.isEmpty())
        return;
    QTextCursor cursor(&m_document);
    cursor.beginEditBlock();
    for (const auto &[start, length] : std::as_const(runs)) {
        cursor.setPosition(start);
        cursor.setPosition(start + length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(QTextCharFormat());
    }
    cursor.endEditBlock();
    m_edited = false; // set again by the format change just made
}

void guardCaret(QPlainTextEdit &editor)
{
    if (editor.findChild<QObject *>(kCaretGuardName, Qt::FindDirectChildrenOnly))
        return;
    auto *guard = new QObject(&editor);
    guard->setObjectName(kCaretGuardName);
    // The caret's format changes when it moves, and when the text around it does (a display
    // line emptied by Delete leaves it after a soft break).
    QObject::connect(&editor, &QPlainTextEdit::cursorPositionChanged, guard,
                     [&editor] { keepCaretPlain(editor); });
    QObject::connect(&editor, &QPlainTextEdit::textChanged, guard,
                     [&editor] { keepCaretPlain(editor); });
}

StandInGuard *findGuard(QTextDocument &document)
{
    return dynamic_cast<StandInGuard *>(
        document.findChild<QObject *>(kGuardName, Qt::FindDirectChildrenOnly));
}

void markStandIns(QTextDocument &document, const QList<StandIn> &standIns, const QColor &color)
{
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (qsizetype first = 0; first < standIns.size();) {
        // Neighbours standing for the same character take their format in one go.
        qsizetype last = first;
        while (last + 1 < standIns.size() &&
               standIns[last + 1].position == standIns[last].position + 1 &&
               standIns[last + 1].original == standIns[first].original) {
            ++last;
        }
        cursor.setPosition(int(standIns[first].position));
        cursor.setPosition(int(standIns[last].position + 1), QTextCursor::KeepAnchor);
        cursor.setCharFormat(standInFormat(color, standIns[first].original));
        first = last + 1;
    }
    cursor.endEditBlock();
}

// Marks what a piece of a note put in at the editor's position `at` holds: the soft breaks before
// its positions `breaks`, and the stand-ins `standIns` at its positions without them.
void markShown(QTextDocument &document, qsizetype at, QList<StandIn> standIns,
               const QList<qsizetype> &breaks, const QColor &color)
{
    QList<qsizetype> soft;
    soft.reserve(breaks.size());
    for (qsizetype k = 0; k < breaks.size(); ++k)
        soft.append(at + breaks[k] + k);
    markSoftBreaks(document, soft);
    const NotePositions positions(soft);
    for (StandIn &standIn : standIns)
        standIn.position = positions.editorPosition(at + standIn.position);
    markStandIns(document, standIns, color);
}

// The program, not the user, puts a note's text into the editor from here to endProgramText:
// stand-ins and soft breaks are guarded when the note has any, the guard rests, and no undo
// steps are kept.
void beginProgramText(QPlainTextEdit &editor, bool hasStandIns)
{
    QTextDocument &document = *editor.document();
    if (hasStandIns) {
        guardStandIns(document);
        guardCaret(editor);
    }
    if (StandInGuard *guard = findGuard(document))
        guard->setPaused(true);
    document.setUndoRedoEnabled(false);
}

// The text is in: undo on again, from a document that holds no edit of the user's.
void endProgramText(QPlainTextEdit &editor)
{
    QTextDocument &document = *editor.document();
    document.setUndoRedoEnabled(true);
    document.setModified(false);
    if (StandInGuard *guard = findGuard(document))
        guard->setPaused(false);
}

} // namespace

// Typing uses the caret's format, which is the format of the character before it: after a
// stand-in or a soft break, a plain one is set instead, so that typed text is not marked in the
// first place and no extra undo step is needed to unmark it. A selection keeps its formats
// (setting one would change them); the document guard covers typing over it.
void keepCaretPlain(QPlainTextEdit &editor)
{
    const QTextCursor caret = editor.textCursor();
    const QTextCharFormat format = caret.charFormat();
    if (!caret.hasSelection() &&
        (format.hasProperty(kStandInProperty) || format.hasProperty(kSoftBreakProperty)))
        editor.setCurrentCharFormat(QTextCharFormat());
}

StandInGuardRest::StandInGuardRest(QTextDocument &document) : m_document(document)
{
    if (StandInGuard *guard = findGuard(m_document))
        guard->setPaused(true);
}

StandInGuardRest::~StandInGuardRest()
{
    if (StandInGuard *guard = findGuard(m_document))
        guard->setPaused(false);
}

void makePlain(QTextDocument &document, int from, int to)
{
    if (from >= to)
        return;
    QTextCursor cursor(&document);
    cursor.joinPreviousEditBlock();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    cursor.setCharFormat(QTextCharFormat());
    cursor.endEditBlock();
}

NoteFiller::NoteFiller(QPlainTextEdit &editor, DecodedNote note, qsizetype shown)
    : m_editor(editor), m_note(std::move(note)), m_done(shown)
{
    // Guarded whatever the note holds: a long line's soft breaks are found piece by piece.
    beginProgramText(editor, true);
    while (m_nextStandIn < m_note.standIns.size() &&
           m_note.standIns[m_nextStandIn].position < m_done)
        ++m_nextStandIn;
}

NoteFiller::~NoteFiller()
{
    endProgramText(m_editor);
}

bool NoteFiller::fillFor(int milliseconds)
{
    QTextDocument &document = *m_editor.document();
    const QStringView text(m_note.text);
    // Whole display lines at a time, small enough that the window waits a few milliseconds at
    // most. A piece ends a paragraph: the editor lays a paragraph out whole whenever a piece is
    // added to it, so one put in piece by piece would be laid out again and again.
    constexpr qsizetype kFillStep = 1 << 16;
    QElapsedTimer clock;
    clock.start();
    // One piece at least; no more begun that would end the slice late, if it takes as long as
    // the last one.
    const qint64 slice = milliseconds * 1'000'000LL;
    for (bool first = true;
         m_done < text.size() && (first || clock.nsecsElapsed() + m_lastPiece < slice);
         first = false) {
        const qint64 pieceStart = clock.nsecsElapsed();
        const bool intoEmpty = document.isEmpty();
        QList<qsizetype> breaks; // in the piece
        qsizetype end = m_done;
        while (end < text.size() && end - m_done < kFillStep) {
            const DisplayLineEnd line = endOfDisplayLine(text, end);
            if (line.soft)
                breaks.append(line.end - m_done);
            end = line.soft ? line.end : std::min(line.end + 1, text.size());
        }
        const QStringView piece = text.sliced(m_done, end - m_done);
        QTextCursor cursor(&document);
        cursor.movePosition(QTextCursor::End);
        const qsizetype at = cursor.position();
        // Plain: the character before, a soft break's perhaps, would lend its format.
        cursor.insertText(breaks.isEmpty() ? piece.toString() : withSoftBreaks(piece, breaks),
                          QTextCharFormat());
        QList<StandIn> standIns;
        for (; m_nextStandIn < m_note.standIns.size() &&
               m_note.standIns[m_nextStandIn].position < end;
             ++m_nextStandIn) {
            const StandIn &standIn = m_note.standIns[m_nextStandIn];
            standIns.append({standIn.position - m_done, standIn.original});
        }
        markShown(document, at, standIns, breaks, standInColour(m_editor));
        m_done = end;
        // The caret stays at the start, as for a note shown whole, rather than going along with
        // the text put in after it.
        if (intoEmpty)
            m_editor.setTextCursor(QTextCursor(&document));
        m_lastPiece = clock.nsecsElapsed() - pieceStart;
    }
    return m_done == text.size();
}

int NoteFiller::percentDone() const
{
    return m_note.text.isEmpty() ? 100 : int(m_done * 100 / m_note.text.size());
}

void guardStandIns(QTextDocument &document)
{
    if (!findGuard(document))
        new StandInGuard(document);
}

void showNoteText(QPlainTextEdit &editor, const DecodedNote &note)
{
    QTextDocument &document = *editor.document();
    const QList<qsizetype> breaks = softBreaksOf(note.text);
    beginProgramText(editor, !note.standIns.isEmpty() || !breaks.isEmpty());
    // The document's own setPlainText: QPlainTextEdit's would then give the whole text the
    // caret's character format, a stand-in's perhaps, at the cost of another pass over it.
    document.setPlainText(breaks.isEmpty() ? note.text : withSoftBreaks(note.text, breaks));
    markShown(document, 0, note.standIns, breaks, standInColour(editor));
    endProgramText(editor);
    editor.setTextCursor(QTextCursor(&document)); // caret and view to the start
    keepCaretPlain(editor);
}

namespace {

// Puts `text` in place of `cursor`'s selection as the editor shows it, its stand-ins and soft
// breaks marked; a stand-in stays one unless the note, of `lineEnd`, holds its original as a
// line break. Within an edit block, the stand-in guard paused: what it inserts is the
// program's text, not typed.
void putNoteText(QPlainTextEdit &editor, QTextCursor &cursor, const DecodedNote &text,
                 LineEnd lineEnd)
{
    const NoteFormat noteLines{TextEncoding::Utf8, false, lineEnd};
    DecodedNote inserted = text;
    // An original the note holds as it is (an LF where LF ends the lines) goes in as itself.
    inserted.standIns.removeIf([&](const StandIn &standIn) {
        if (needsStandIn(standIn.original, noteLines))
            return false;
        inserted.text[standIn.position] = QChar(standIn.original);
        return true;
    });
    const QList<qsizetype> breaks = softBreaksOf(inserted.text);
    QTextDocument &document = *editor.document();
    if (!inserted.standIns.isEmpty() || !breaks.isEmpty()) {
        guardStandIns(document);
        guardCaret(editor);
    }
    cursor.removeSelectedText();
    const int start = cursor.position();
    cursor.insertText(breaks.isEmpty() ? inserted.text : withSoftBreaks(inserted.text, breaks),
                      QTextCharFormat());
    markShown(document, start, inserted.standIns, breaks, standInColour(editor));
}

// Runs `edit` as one edit block, the stand-in guard paused throughout, one the edit makes too:
// the document tells of the block's changes only at its end.
template <typename Edit> void asProgramEdit(QPlainTextEdit &editor, Edit edit)
{
    QTextDocument &document = *editor.document();
    StandInGuard *guard = findGuard(document);
    if (guard)
        guard->setPaused(true);
    QTextCursor block(&document);
    block.beginEditBlock();
    edit();
    if (!guard && (guard = findGuard(document)))
        guard->setPaused(true);
    block.endEditBlock();
    if (guard)
        guard->setPaused(false);
}

} // namespace

void insertNoteText(QPlainTextEdit &editor, const DecodedNote &text, LineEnd lineEnd)
{
    QTextCursor cursor = editor.textCursor();
    asProgramEdit(editor, [&] { putNoteText(editor, cursor, text, lineEnd); });
    editor.setTextCursor(cursor);
    keepCaretPlain(editor);
}

namespace {

// The editor's positions of the starts of the note's lines `lines` (ascending): of their blocks,
// counted past the soft breaks; the editor's end for the line after the last.
QList<int> noteLineStarts(const QTextDocument &document, const QList<qsizetype> &lines)
{
    QList<int> starts;
    starts.reserve(lines.size());
    const QList<qsizetype> soft = softBreakPositions(document);
    const int end = document.characterCount() - 1;
    if (soft.isEmpty()) {
        // A block a line: found by number, without a walk over the document.
        for (const qsizetype line : lines) {
            const QTextBlock block = document.findBlockByNumber(int(line));
            starts.append(block.isValid() ? block.position() : end);
        }
        return starts;
    }
    auto nextSoft = soft.cbegin();
    auto wanted = lines.cbegin();
    qsizetype line = 0;
    bool lineStarts = true;
    // Positions summed from the lengths: a block's own position takes a search of the document.
    qsizetype position = 0;
    for (QTextBlock block = document.begin(); block.isValid() && wanted != lines.cend();
         block = block.next()) {
        if (lineStarts) {
            while (wanted != lines.cend() && *wanted == line) {
                starts.append(int(position));
                ++wanted;
            }
            ++line;
        }
        position += block.length();
        while (nextSoft != soft.cend() && *nextSoft < position - 1)
            ++nextSoft;
        lineStarts = nextSoft == soft.cend() || *nextSoft != position - 1;
    }
    for (; wanted != lines.cend(); ++wanted)
        starts.append(end);
    return starts;
}

} // namespace

void replaceNoteLines(QPlainTextEdit &editor, const QList<ReplacedLines> &changes, LineEnd lineEnd)
{
    if (changes.isEmpty())
        return;
    QTextDocument &document = *editor.document();
    QList<qsizetype> lines;
    for (const ReplacedLines &change : changes)
        lines << change.oldStart << change.oldStart + change.oldCount;
    const QList<int> starts = noteLineStarts(document, lines);
    asProgramEdit(editor, [&] {
        // From the last change up, so that the positions of those above stay as they are.
        for (qsizetype i = changes.size() - 1; i >= 0; --i) {
            QTextCursor cursor(&document);
            cursor.setPosition(starts[2 * i]);
            cursor.setPosition(starts[2 * i + 1], QTextCursor::KeepAnchor);
            putNoteText(editor, cursor, changes[i].lines, lineEnd);
        }
    });
    QTextCursor caret(&document);
    caret.setPosition(starts.constFirst());
    editor.setTextCursor(caret);
    keepCaretPlain(editor);
}

} // namespace qb
