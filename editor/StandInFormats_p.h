#pragma once

#include "encoder/NoteCodec.h"

#include <QColor>
#include <QList>

class QPalette;
class QTextDocument;

namespace qb {

// Stands in standInOriginals for the format of soft breaks: no character has a stand-in of it.
inline constexpr char16_t kSoftBreakMark = 0xFFFF;

// Index into QTextDocument::allFormats() -> the code unit that format's characters stand for,
// kSoftBreakMark for a soft break's format, 0 where a format marks neither. Empty when the
// document has no such format at all.
QList<char16_t> standInOriginals(const QTextDocument &document);

// The colour stand-ins are drawn in, from the editor's palette: faded as the text around them
// is not, and readable.
QColor standInColour(QPalette palette);

// The program, not the user, puts a note's text into the document from here to endProgramText:
// stand-ins and soft breaks are guarded when the note has any, the guard rests, and no undo
// steps are kept.
void beginProgramText(QTextDocument &document, bool hasStandIns);
// The text is in: undo on again, from a document that holds no edit of the user's.
void endProgramText(QTextDocument &document);
// Marks what a piece of a note put in at the document's position `at` holds: the soft breaks
// before its positions `breaks`, and the stand-ins `standIns` at its positions without them.
void markShown(QTextDocument &document, qsizetype at, QList<StandIn> standIns,
               const QList<qsizetype> &breaks, const QColor &color);

} // namespace qb
