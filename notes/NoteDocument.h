#pragma once

#include "notes/NoteCodec.h"

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QTextFormat>
#include <QTextOption>

#include <functional>
#include <memory>
#include <optional>

class QPlainTextEdit;
class QTextDocument;

namespace qb {

// A character of the editor that stands for another one carries this character-format property,
// holding the code unit it stands for. The property, not the character, makes a stand-in: a note
// may well hold U+240D itself.
inline constexpr int StandInProperty = QTextFormat::UserProperty + 1;

// Replaces the editor's whole text with the note (one textChanged at least is fine and expected).
// The load cannot be undone and leaves the document unmodified. A note with stand-ins guards the
// document (GuardStandIns) and the editor's caret, so that text typed beside a stand-in is
// plain text.
void ShowNoteText(QPlainTextEdit &editor, const DecodedNote &note);

// How the editor lays out its text, taken on the window's thread so that a document for it can be
// built on another.
struct DocumentLook
{
    QFont font;
    QTextOption textOption;
    qreal margin = 0;
    QColor standInColor; // stand-ins are dimmed, so as not to pass for characters typed
};
DocumentLook LookOf(const QPlainTextEdit &editor);

// A document holding `note` as `editor` would show it, built on the calling thread, which may be
// any. `progress` is told the part done, in percent, and stops the work when it returns false;
// the result is then null. The document belongs to the calling thread: move it to the window's
// before it is shown (QPlainTextEdit::setDocument).
std::unique_ptr<QTextDocument> BuildNoteDocument(const DecodedNote &note, const DocumentLook &look,
                                                 const std::function<bool(int)> &progress);

struct NoteBytes
{
    QByteArray bytes;                    // empty when `unencodable` is set: nothing to write
    std::optional<char32_t> unencodable; // the first character the note's encoding cannot hold
};

// The note's bytes as the editor holds them now, in `format`.
NoteBytes NoteBytesFromEditor(const QPlainTextEdit &editor, const NoteFormat &format);
// The editor's text, block by block, into `encoder`: the bytes of the note as it is now, with
// no copy of the whole text made on the way.
void EncodeEditorText(const QTextDocument &document, NoteEncoder &encoder);

// Install once per editor: keeps typed/pasted text from taking on a stand-in's identity.
// Installing again does nothing.
void GuardStandIns(QTextDocument &document);

} // namespace qb
