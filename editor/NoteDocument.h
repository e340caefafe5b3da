#pragma once

#include "encoder/NoteCodec.h"

#include <QByteArray>
#include <QTextFormat>

#include <optional>

class QPlainTextEdit;
class QTextDocument;

namespace qb {

// A character of the editor that stands for another one carries this character-format property,
// holding the code unit it stands for. The property, not the character, makes a stand-in: a note
// may well hold U+240D itself.
inline constexpr int kStandInProperty = QTextFormat::UserProperty + 1;

// Replaces the editor's whole text with the note (one textChanged at least is fine and expected).
// The load cannot be undone and leaves the document unmodified. A note with stand-ins guards the
// document (guardStandIns) and the editor's caret, so that text typed beside a stand-in is
// plain text.
void showNoteText(QPlainTextEdit &editor, const DecodedNote &note);

// Puts a note into the editor a piece at a time, so that the window keeps answering between the
// pieces, and what is in already can be read and scrolled. Meant for a large note; the editor
// shows nothing else meanwhile, and the pieces go after what it holds.
class NoteFiller
{
public:
    // `note` goes into `editor`, whose text is already the first `shown` characters of it.
    NoteFiller(QPlainTextEdit &editor, DecodedNote note, qsizetype shown = 0);
    ~NoteFiller();
    NoteFiller(const NoteFiller &) = delete;
    NoteFiller &operator=(const NoteFiller &) = delete;

    // Puts pieces in for at most about `milliseconds`; true once the whole note is in. The load
    // cannot be undone, and leaves the document unmodified.
    bool fillFor(int milliseconds);
    int percentDone() const;

private:
    QPlainTextEdit &m_editor;
    DecodedNote m_note;
    qsizetype m_done;
    qsizetype m_nextStandIn = 0;
    qint64 m_lastPiece = 0; // nanoseconds
};

// The note's bytes as the editor holds them now, in `format`.
NoteBytes noteBytesFromEditor(const QPlainTextEdit &editor, const NoteFormat &format);
// The editor's text into `encoder`, run by run: the bytes of the note as it is now, with no copy
// of the whole text made on the way.
void encodeEditorText(const QTextDocument &document, NoteEncoder &encoder);
// The same for the characters at [from, to) of the text (paragraph breaks count one each).
void encodeEditorText(const QTextDocument &document, qsizetype from, qsizetype to,
                      NoteEncoder &encoder);

// Install once per editor: keeps typed/pasted text from taking on a stand-in's identity.
// Installing again does nothing.
void guardStandIns(QTextDocument &document);
// While one lives, the guard of `document` rests: for an edit that Qt reports as a change of
// more text than it made (a drop, an input method's commit), whose formats are set by hand.
class StandInGuardRest
{
public:
    explicit StandInGuardRest(QTextDocument &document);
    ~StandInGuardRest();
    StandInGuardRest(const StandInGuardRest &) = delete;
    StandInGuardRest &operator=(const StandInGuardRest &) = delete;

private:
    QTextDocument &m_document;
};
// Gives the editor's stand-ins the colour of its palette as it is now, as no edit: the text, its
// undo steps and its modified flag stay as they are.
void recolourStandIns(QPlainTextEdit &editor);
// Makes the characters at [from, to) plain, within the undo step of the edit just made.
void makePlain(QTextDocument &document, int from, int to);
// Sets the caret's format for typing plain when it would mark what is typed (after a stand-in
// or a soft break, with nothing selected).
void keepCaretPlain(QPlainTextEdit &editor);

// The characters at [from, to) of the editor's text as the note holds them: the text with its
// line breaks as '\n', and where each stand-in stands for which original. The format is left
// as it comes.
DecodedNote noteTextOf(const QTextDocument &document, int from, int to);
// The same text with each stand-in's original in its place: what another program should get.
QString originalText(const DecodedNote &text);
// Text from another program as the editor holds it: "\r\n" and "\n" break the line, and every
// other character no note can hold as it is (a lone CR, U+2028, ...) becomes a stand-in.
DecodedNote pastedNoteText(QStringView text);
// Replaces the selection of `editor` with `text` as one edit of the user's, undone in one step:
// a stand-in of `text` stays a stand-in, unless the note, of `lineEnd`, holds its original as a
// line break.
void insertNoteText(QPlainTextEdit &editor, const DecodedNote &text, LineEnd lineEnd);

// The note lines [oldStart, oldStart + oldCount) of the editor, and the text to put in their
// place: whole lines of the note, each with its '\n' but perhaps the last of the note.
struct ReplacedLines
{
    qsizetype oldStart = 0, oldCount = 0;
    DecodedNote lines;
};
// Puts the lines `changes` (ascending, apart) name in place of the editor's, as one edit of the
// user's, undone in one step; the rest of the text, its layout included, stays as it is. The
// caret goes to the first change.
void replaceNoteLines(QPlainTextEdit &editor, const QList<ReplacedLines> &changes, LineEnd lineEnd);

// The form in which the editor puts a note's text on the clipboard beside plain text, so that a
// paste into a note gives back the very characters copied, stand-ins included.
inline constexpr char kNoteTextMimeType[] = "application/x-quirebox-note-text";
QByteArray noteTextMimeData(const DecodedNote &text);
// Nothing when `data` is not such text.
std::optional<DecodedNote> parseNoteTextMimeData(const QByteArray &data);

} // namespace qb
