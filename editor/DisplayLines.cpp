#include "editor/DisplayLines.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace qb {

namespace {

// Whether no rule of where graphemes end looks back past a character like `c`: a letter, a digit,
// punctuation or a space, but not of Hangul, whose jamo join into syllables.
bool resetsGraphemes(QChar c)
{
    switch (c.category()) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
    case QChar::Punctuation_Connector:
    case QChar::Punctuation_Dash:
    case QChar::Punctuation_Open:
    case QChar::Punctuation_Close:
    case QChar::Punctuation_InitialQuote:
    case QChar::Punctuation_FinalQuote:
    case QChar::Punctuation_Other:
    case QChar::Separator_Space:
        return c.script() != QChar::Script_Hangul;
    default:
        return false;
    }
}

// The last grapheme boundary of `text` in (from, to], or `from` when there is none. Worked out
// from the nearest character before `to` that resets the rules, so that a long line is not gone
// over whole; the character at `to` decides whether one is there, a pair of surrogates whole.
qsizetype lastGraphemeBoundary(QStringView text, qsizetype from, qsizetype to)
{
    constexpr qsizetype kContext = 32;
    qsizetype first = std::max(from, to - kContext);
    while (first > from && !resetsGraphemes(text[first]))
        --first;
    const qsizetype end = std::min(text.size(), to + 2);
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text.data() + first, end - first);
    graphemes.setPosition(to - first + 1);
    return first + std::max<qsizetype>(0, graphemes.toPreviousBoundary());
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
    for (qsizetype i = limit - 1; i >= start + kDisplayLineLength / 2; --i) {
        if ((text[i] == u' ' || text[i] == u'\t') && lastGraphemeBoundary(text, i, i + 1) > i)
            return {i + 1, true};
    }
    if (const qsizetype end = lastGraphemeBoundary(text, start, limit); end > start)
        return {end, true};
    // A grapheme longer than a display line is parted, but never a pair of surrogates.
    return {text[limit].isLowSurrogate() ? limit - 1 : limit, true};
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
