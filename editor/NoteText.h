#pragma once

#include "encoder/NoteCodec.h"

#include <QByteArray>
#include <QTextFormat>

#include <optional>

class QColor;
class QTextCursor;
class QTextDocument;

namespace qb {

// A character of the editor that stands for another one carries this character-format property,
// holding the code unit it stands for. The property, not the character, makes a stand-in: a note
// may well hold U+240D itself.
inline constexpr int kStandInProperty = QTextFormat::UserProperty + 1;

// Replaces the document's whole text with the note, its stand-ins drawn in `standInColour`.
// The load cannot be undone and leaves the document unmodified. A note with stand-ins guards the
// document (guardStandIns), so that text typed beside a stand-in is plain text.
void showNoteText(QTextDocument &document, const DecodedNote &note, const QColor &standInColour);

// The note's bytes as the document holds them now, in `format`.
NoteBytes noteBytesOf(const QTextDocument &document, const NoteFormat &format);
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

// Gives the document's stand-ins `colour` as no edit: the text, its undo steps and its modified
// flag stay as they are. True when some stand-in changed colour.
bool recolourStandIns(QTextDocument &document, const QColor &colour);
// Makes the characters at [from, to) plain, within the undo step of the edit just made.
void makePlain(QTextDocument &document, int from, int to);

// The characters at [from, to) of the editor's text as the note holds them: the text with its
// line breaks as '\n', and where each stand-in stands for which original. The format is left
// as it comes.
DecodedNote noteTextOf(const QTextDocument &document, int from, int to);
// The same text with each stand-in's original in its place: what another program should get.
QString originalText(const DecodedNote &text);
// Text from another program as the editor holds it: "\r\n" and "\n" break the line, and every
// other character no note can hold as it is (a lone CR, U+2028, ...) becomes a stand-in.
DecodedNote pastedNoteText(QStringView text);
// Replaces the selection of `cursor` with `text` as one edit of the user's, undone in one step,
// `cursor` then after it: a stand-in of `text` stays a stand-in, unless the note, of `lineEnd`,
// holds its original as a line break.
void insertNoteText(QTextCursor &cursor, const DecodedNote &text, LineEnd lineEnd,
                    const QColor &standInColour);

// The note lines [oldStart, oldStart + oldCount) of the editor, and the text to put in their
// place: whole lines of the note, each with its '\n' but perhaps the last of the note.
struct ReplacedLines
{
    qsizetype oldStart = 0, oldCount = 0;
    DecodedNote lines;
};
// Puts the lines `changes` (ascending, apart) name in place of the editor's, as one edit of the
// user's, undone in one step; the rest of the text, its layout included, stays as it is. The
// position of the first change is given.
int replaceNoteLines(QTextDocument &document, const QList<ReplacedLines> &changes, LineEnd lineEnd,
                     const QColor &standInColour);

// The form in which the editor puts a note's text on the clipboard beside plain text, so that a
// paste into a note gives back the very characters copied, stand-ins included.
inline constexpr char kNoteTextMimeType[] = "application/x-quirebox-note-text";
QByteArray noteTextMimeData(const DecodedNote &text);
// Nothing when `data` is not such text.
std::optional<DecodedNote> parseNoteTextMimeData(const QByteArray &data);

} // namespace qb
