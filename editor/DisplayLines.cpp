#include "editor/DisplayLines.h"

#include <algorithm>

namespace qb {

namespace {

// Whether the character that starts at `at` (a pair of surrogates counted whole) combines with
// the one before it.
bool isCombiningAt(QStringView text, qsizetype at)
{
    char32_t c = text[at].unicode();
    if (text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate())
        c = QChar::surrogateToUcs4(text[at], text[at + 1]);
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return false;
    }
}

} // namespace

DisplayLineEnd endOfDisplayLine(QStringView text, qsizetype start)
{
    // A '\n' right after the longest display line still ends it.
    const qsizetype reach = std::min(text.size() - start, kDisplayLineLength + 1);
    if (const qsizetype lineEnd = text.sliced(start, reach).indexOf(u'\n'); lineEnd >= 0)
        return {start + lineEnd, false};
    if (reach <= kDisplayLineLength)
        return {text.size(), false};
    const qsizetype limit = start + kDisplayLineLength;
    const qsizetype half = start + kDisplayLineLength / 2;
    for (qsizetype i = limit - 1; i >= half; --i) {
        if ((text[i] == u' ' || text[i] == u'\t') && !isCombiningAt(text, i + 1))
            return {i + 1, true};
    }
    qsizetype end = limit;
    while (end > half && (text[end].isLowSurrogate() || isCombiningAt(text, end)))
        --end;
    // Past half a display line of marks, they are parted from their letter, never a pair.
    if (text[end].isLowSurrogate())
        --end;
    return {end, true};
}

QList<qsizetype> softBreaksOf(QStringView text)
{
    QList<qsizetype> breaks;
    for (qsizetype start = 0; start < text.size();) {
        const DisplayLineEnd line = endOfDisplayLine(text, start);
        if (line.soft)
            breaks.append(line.end);
        start = line.soft ? line.end : line.end + 1;
    }
    return breaks;
}

QString withSoftBreaks(QStringView text, const QList<qsizetype> &breaks)
{
    QString shown;
    shown.reserve(text.size() + breaks.size());
    qsizetype done = 0;
    for (const qsizetype at : breaks) {
        shown.append(text.sliced(done, at - done));
        shown.append(u'\n');
        done = at;
    }
    shown.append(text.sliced(done));
    return shown;
}

NotePositions::NotePositions(QList<qsizetype> editorBreaks) : m_editor(std::move(editorBreaks))
{
    m_note.reserve(m_editor.size());
    for (qsizetype k = 0; k < m_editor.size(); ++k)
        m_note.append(m_editor[k] - k);
}

qsizetype NotePositions::editorPosition(qsizetype notePosition) const
{
    // Every break before the character, those right before it included.
    return notePosition +
           (std::upper_bound(m_note.begin(), m_note.end(), notePosition) - m_note.begin());
}

std::pair<qsizetype, qsizetype> NotePositions::editorRange(qsizetype from, qsizetype to) const
{
    const qsizetype start = editorPosition(from);
    return {start, to > from ? editorPosition(to - 1) + 1 : start};
}

qsizetype NotePositions::notePosition(qsizetype editorPosition) const
{
    return editorPosition -
           (std::lower_bound(m_editor.begin(), m_editor.end(), editorPosition) - m_editor.begin());
}

} // namespace qb
