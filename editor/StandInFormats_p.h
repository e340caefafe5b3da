#pragma once

#include <QColor>
#include <QList>

class QPlainTextEdit;
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
QColor standInColour(const QPlainTextEdit &editor);

} // namespace qb
