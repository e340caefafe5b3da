#pragma once

#include "editor/DisplayLines.h"

#include <QList>
#include <QStringView>
#include <QTextFormat>

#include <functional>

class QTextDocument;

namespace qb {

// A paragraph break of the editor that is no line end of the note but a soft break between the
// display lines of a long line (editor/DisplayLines.h) carries this character-format property.
// Only a paragraph break is one: a character typed beside it may carry the mark too.
inline constexpr int kSoftBreakProperty = QTextFormat::UserProperty + 2;

// Marks the paragraph breaks at the editor's positions `positions` as soft breaks.
void markSoftBreaks(QTextDocument &document, const QList<qsizetype> &positions);
// Which formats of QTextDocument::allFormats() mark soft breaks; empty when none does.
QList<bool> softBreakFormats(const QTextDocument &document);
// The editor's positions of its soft breaks, ascending: none in most notes, found at once then.
QList<qsizetype> softBreakPositions(const QTextDocument &document);
// Between the note's positions and the document's.
NotePositions notePositionsOf(const QTextDocument &document);
// Goes over the editor's text at [from, to) as forEachTextRun does, its soft breaks left out:
// the note's characters, each run in its format.
void forEachNoteRun(const QTextDocument &document, qsizetype from, qsizetype to,
                    const std::function<bool(QStringView run, int formatIndex)> &visit);
// Whether the character at the editor's `position` is a soft break.
bool isSoftBreakAt(const QTextDocument &document, qsizetype position);

} // namespace qb
