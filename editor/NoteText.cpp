#include "editor/NoteText.h"

#include "editor/DisplayLines.h"
#include "editor/DocumentText.h"
#include "editor/SoftBreaks.h"
#include "editor/StandInFormats_p.h"

#include <QElapsedTimer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <utility>

namespace qb {

namespace {

// The names by which the guards are found again.
const QString kGuardName = QStringLiteral("qbStandInGuard");

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

} // namespace

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

void beginProgramText(QTextDocument &document, bool hasStandIns)
{
    if (hasStandIns)
        guardStandIns(document);
    if (StandInGuard *guard = findGuard(document))
        guard->setPaused(true);
    document.setUndoRedoEnabled(false);
}

void endProgramText(QTextDocument &document)
{
    document.setUndoRedoEnabled(true);
    document.setModified(false);
    if (StandInGuard *guard = findGuard(document))
        guard->setPaused(false);
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

void guardStandIns(QTextDocument &document)
{
    if (!findGuard(document))
        new StandInGuard(document);
}

void showNoteText(QTextDocument &document, const DecodedNote &note, const QColor &standInColour)
{
    const QList<qsizetype> breaks = softBreaksOf(note.text);
    beginProgramText(document, !note.standIns.isEmpty() || !breaks.isEmpty());
    // The document's own setPlainText: QPlainTextEdit's would then give the whole text the
    // caret's character format, a stand-in's perhaps, at the cost of another pass over it.
    document.setPlainText(breaks.isEmpty() ? note.text : withSoftBreaks(note.text, breaks));
    markShown(document, 0, note.standIns, breaks, standInColour);
    endProgramText(document);
}

namespace {

// Puts `text` in place of `cursor`'s selection as the editor shows it, its stand-ins and soft
// breaks marked; a stand-in stays one unless the note, of `lineEnd`, holds its original as a
// line break. Within an edit block, the stand-in guard paused: what it inserts is the
// program's text, not typed.
void putNoteText(QTextCursor &cursor, const DecodedNote &text, LineEnd lineEnd,
                 const QColor &standInColour)
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
    QTextDocument &document = *cursor.document();
    if (!inserted.standIns.isEmpty() || !breaks.isEmpty())
        guardStandIns(document);
    cursor.removeSelectedText();
    const int start = cursor.position();
    cursor.insertText(breaks.isEmpty() ? inserted.text : withSoftBreaks(inserted.text, breaks),
                      QTextCharFormat());
    markShown(document, start, inserted.standIns, breaks, standInColour);
}

// Runs `edit` as one edit block, the stand-in guard paused throughout, one the edit makes too:
// the document tells of the block's changes only at its end.
template <typename Edit> void asProgramEdit(QTextDocument &document, Edit edit)
{
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

void insertNoteText(QTextCursor &cursor, const DecodedNote &text, LineEnd lineEnd,
                    const QColor &standInColour)
{
    asProgramEdit(*cursor.document(), [&] { putNoteText(cursor, text, lineEnd, standInColour); });
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

int replaceNoteLines(QTextDocument &document, const QList<ReplacedLines> &changes, LineEnd lineEnd,
                     const QColor &standInColour)
{
    if (changes.isEmpty())
        return 0;
    QList<qsizetype> lines;
    for (const ReplacedLines &change : changes)
        lines << change.oldStart << change.oldStart + change.oldCount;
    const QList<int> starts = noteLineStarts(document, lines);
    asProgramEdit(document, [&] {
        // From the last change up, so that the positions of those above stay as they are.
        for (qsizetype i = changes.size() - 1; i >= 0; --i) {
            QTextCursor cursor(&document);
            cursor.setPosition(starts[2 * i]);
            cursor.setPosition(starts[2 * i + 1], QTextCursor::KeepAnchor);
            putNoteText(cursor, changes[i].lines, lineEnd, standInColour);
        }
    });
    return starts.constFirst();
}

} // namespace qb
