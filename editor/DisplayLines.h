#pragma once

#include <QList>
#include <QString>
#include <QStringView>

namespace qb {

// The editor lays a paragraph out whole at every key typed into it, in time that grows with the
// paragraph's length: a line of hundreds of thousands of characters would hold the window up at
// each key. So a line longer than kDisplayLineLength is shown as display lines of at most that
// many characters, each a paragraph of the editor, parted by soft breaks: paragraph breaks that
// are no line ends, which the note's text and bytes leave out.
inline constexpr qsizetype kDisplayLineLength = 4096;

// The end of the display line of `text` ('\n' ending its lines) that starts at `start`: the
// index of its '\n' or of the text's end, or, in a longer line, of the character before which a
// soft break goes (`soft`). A soft break follows the last space or tab of the display line's
// second half that ends a grapheme (no mark combines with it), when there is one, else the last
// whole grapheme that fits: it never parts a letter from its marks, a flag, or an emoji
// sequence, unless one is longer than a display line, and never a surrogate pair.
struct DisplayLineEnd
{
    qsizetype end = 0;
    bool soft = false;
};
DisplayLineEnd endOfDisplayLine(QStringView text, qsizetype start);

// The positions of `text` before which a soft break goes, ascending.
QList<qsizetype> softBreaksOf(QStringView text);
// `text` with a '\n' before each position of `breaks`.
QString withSoftBreaks(QStringView text, const QList<qsizetype> &breaks);

// Between the positions of a note's text and of the editor's, which holds soft breaks at its
// positions `breaks` besides.
class NotePositions
{
public:
    NotePositions() = default;
    explicit NotePositions(QList<qsizetype> editorBreaks);

    // Where the note's character at `position` lies in the editor (or the editor's end, for the
    // note's end).
    qsizetype editorPosition(qsizetype notePosition) const;
    // The editor's [start, end) of the note's characters [from, to): no soft break at its ends.
    std::pair<qsizetype, qsizetype> editorRange(qsizetype from, qsizetype to) const;
    // The note's position of the editor's `position`: of the character there, or, on a soft
    // break, of the character after it.
    qsizetype notePosition(qsizetype editorPosition) const;
    bool isEmpty() const { return m_editor.isEmpty(); }

private:
    QList<qsizetype> m_editor; // ascending
    QList<qsizetype> m_note;   // the note's position before which each goes, the same order
};

} // namespace qb
