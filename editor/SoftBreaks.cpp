#include "editor/SoftBreaks.h"

#include "editor/DocumentText.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <utility>

namespace qb {

namespace {

QTextCharFormat softBreakFormat()
{
    QTextCharFormat soft;
    soft.setProperty(kSoftBreakProperty, true);
    return soft;
}

} // namespace

void markSoftBreaks(QTextDocument &document, const QList<qsizetype> &positions)
{
    if (positions.isEmpty())
        return;
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (const qsizetype at : positions) {
        cursor.setPosition(int(at));
        cursor.setPosition(int(at + 1), QTextCursor::KeepAnchor);
        cursor.setCharFormat(softBreakFormat());
    }
    cursor.endEditBlock();
}

QList<bool> softBreakFormats(const QTextDocument &document)
{
    const QList<QTextFormat> formats = document.allFormats();
    QList<bool> soft;
    for (qsizetype i = 0; i < formats.size(); ++i) {
        if (!formats[i].hasProperty(kSoftBreakProperty))
            continue;
        if (soft.isEmpty())
            soft.resize(formats.size());
        soft[i] = true;
    }
    return soft;
}

QList<qsizetype> softBreakPositions(const QTextDocument &document)
{
    QList<qsizetype> positions;
    const QList<bool> soft = softBreakFormats(document);
    if (soft.isEmpty())
        return positions;
    qsizetype position = 0;
    forEachTextRun(document, [&](QStringView run, int format) {
        if (format >= 0 && format < soft.size() && soft[format]) {
            for (qsizetype i = 0; i < run.size(); ++i) {
                if (run[i] == QChar::ParagraphSeparator)
                    positions.append(position + i);
            }
        }
        position += run.size();
        return true;
    });
    return positions;
}

void forEachNoteRun(const QTextDocument &document, qsizetype from, qsizetype to,
                    const std::function<bool(QStringView run, int formatIndex)> &visit)
{
    const QList<bool> soft = softBreakFormats(document);
    forEachTextRun(document, from, to, [&](QStringView run, int format) {
        if (format < 0 || format >= soft.size() || !soft[format])
            return visit(run, format);
        // A soft break's run, and what was typed after it in its format.
        for (qsizetype done = 0; done < run.size();) {
            qsizetype end = run.indexOf(QChar::ParagraphSeparator, done);
            if (end < 0)
                end = run.size();
            if (end > done && !visit(run.sliced(done, end - done), format))
                return false;
            done = end + 1;
        }
        return true;
    });
}

NotePositions notePositionsOf(const QTextDocument &document)
{
    return NotePositions(softBreakPositions(document));
}

bool isSoftBreakAt(const QTextDocument &document, qsizetype position)
{
    if (position < 0 || position >= documentTextLength(document) ||
        document.characterAt(int(position)) != QChar::ParagraphSeparator)
        return false;
    // The format of a paragraph break is the character format of the paragraph after it.
    return document.findBlock(int(position + 1)).charFormat().hasProperty(kSoftBreakProperty);
}

namespace {

const QString kDisplayLineGuardName = QStringLiteral("qbDisplayLineGuard");

// Lives as the document's child. Qt lets no one edit a document from within its contentsChange:
// the span an edit changed is kept until contentsChanged, which follows once the edit has ended,
// and the soft breaks go in then, joined to the edit's undo step.
class DisplayLineGuard : public QObject
{
public:
    explicit DisplayLineGuard(QTextDocument &document) : QObject(&document), m_document(document)
    {
        setObjectName(kDisplayLineGuardName);
        connect(&document, &QTextDocument::contentsChange, this,
                [this](int position, int, int added) {
                    if (m_breaking)
                        return;
                    m_from = m_from < 0 ? position : std::min(m_from, position);
                    m_to = std::max(m_to, position + added);
                });
        connect(&document, &QTextDocument::contentsChanged, this,
                &DisplayLineGuard::breakLongParagraphs);
    }

    // Waits nest: the soft breaks go in once each has ended.
    void setWaiting(bool waiting)
    {
        m_waits = std::max(0, m_waits + (waiting ? 1 : -1));
        if (m_waits == 0)
            breakLongParagraphs();
    }

private:
    void breakLongParagraphs();

    QTextDocument &m_document;
    int m_from = -1; // the span changed since the soft breaks last went in
    int m_to = -1;
    int m_waits = 0;
    bool m_breaking = false;
};

void DisplayLineGuard::breakLongParagraphs()
{
    if (m_breaking || m_waits > 0 || m_from < 0)
        return;
    const int from = std::exchange(m_from, -1);
    const int to = std::exchange(m_to, -1);
    // An edit clears the redo steps, which an undo or a redo leaves.
    if (!m_document.isUndoRedoEnabled() || m_document.isRedoAvailable())
        return;
    QList<int> breaks;
    for (QTextBlock block = m_document.findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        if (block.length() - 1 <= kDisplayLineLength)
            continue;
        for (const qsizetype at : softBreaksOf(block.text()))
            breaks.append(block.position() + int(at));
    }
    if (breaks.isEmpty())
        return;
    m_breaking = true;
    QTextCursor cursor(&m_document);
    cursor.joinPreviousEditBlock();
    // From the last, so that the positions of those before stay as they are.
    for (auto at = breaks.crbegin(); at != breaks.crend(); ++at) {
        cursor.setPosition(*at);
        cursor.insertBlock(cursor.blockFormat(), softBreakFormat());
    }
    cursor.endEditBlock();
    m_breaking = false;
}

DisplayLineGuard *findDisplayLineGuard(QTextDocument &document)
{
    return dynamic_cast<DisplayLineGuard *>(
        document.findChild<QObject *>(kDisplayLineGuardName, Qt::FindDirectChildrenOnly));
}

// Whether an edit about to replace `caret`'s selection with `added` characters (or, with none
// selected, to take away the character on either side) may leave a paragraph longer than a
// display line.
bool mayNeedSoftBreaks(const QTextCursor &caret, qsizetype added)
{
    const QTextDocument &document = *caret.document();
    QTextBlock first = document.findBlock(caret.selectionStart());
    QTextBlock last = document.findBlock(caret.selectionEnd());
    if (!caret.hasSelection()) {
        if (caret.atBlockStart() && first.previous().isValid())
            first = first.previous();
        if (caret.atBlockEnd() && last.next().isValid())
            last = last.next();
    }
    // The paragraphs the edit may join, as one, with what it adds.
    qsizetype length = added;
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        length += block.length() - 1;
        if (length > kDisplayLineLength)
            return true;
        if (block == last)
            break;
    }
    return false;
}

} // namespace

void guardDisplayLines(QTextDocument &document)
{
    if (!findDisplayLineGuard(document))
        new DisplayLineGuard(document);
}

void insertMakingRoom(QTextCursor &cursor, const QString &text)
{
    const bool block = mayNeedSoftBreaks(cursor, text.size());
    if (block)
        cursor.beginEditBlock();
    cursor.insertText(text);
    if (block)
        cursor.endEditBlock();
}

bool typedMakingRoom(QPlainTextEdit &editor, const QKeyEvent &event, const QString &typed)
{
    QTextCursor cursor = editor.textCursor();
    const bool back = event.key() == Qt::Key_Backspace &&
                      !(event.modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier));
    const bool forward = event.matches(QKeySequence::Delete);
    const QString text =
        event.matches(QKeySequence::InsertLineSeparator) ? QString(QChar::LineSeparator) : typed;
    if (cursor.hasSelection() || (!back && !forward && text.isEmpty()) ||
        !mayNeedSoftBreaks(cursor, text.size()))
        return false;
    cursor.beginEditBlock();
    if (back)
        cursor.deletePreviousChar();
    else if (forward)
        cursor.deleteChar();
    else
        cursor.insertText(text);
    cursor.endEditBlock();
    editor.setTextCursor(cursor);
    editor.ensureCursorVisible();
    return true;
}

SoftBreakWait::SoftBreakWait(QTextDocument &document) : m_document(document)
{
    if (DisplayLineGuard *guard = findDisplayLineGuard(m_document))
        guard->setWaiting(true);
}

SoftBreakWait::~SoftBreakWait()
{
    if (DisplayLineGuard *guard = findDisplayLineGuard(m_document))
        guard->setWaiting(false);
}

} // namespace qb
