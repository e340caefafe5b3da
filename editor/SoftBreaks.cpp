#include "editor/SoftBreaks.h"

#include "editor/DocumentText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace qb {

void markSoftBreaks(QTextDocument &document, const QList<qsizetype> &positions)
{
    if (positions.isEmpty())
        return;
    QTextCharFormat soft;
    soft.setProperty(kSoftBreakProperty, true);
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (const qsizetype at : positions) {
        cursor.setPosition(int(at));
        cursor.setPosition(int(at + 1), QTextCursor::KeepAnchor);
        cursor.setCharFormat(soft);
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

} // namespace qb
