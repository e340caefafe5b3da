#pragma once

#include "editor/DisplayLines.h"

#include <QList>
#include <QStringView>
#include <QTextFormat>

#include <functional>

class QKeyEvent;
class QPlainTextEdit;
class QTextCursor;
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

// Install once per document: an edit of the user's that leaves a paragraph longer than a display
// line has soft breaks put in, in the undo step of that edit, in time that goes with the
// paragraphs it touched. An undo or a redo, and text the program puts in with no undo steps
// kept, are left as they are. Installing again does nothing.
void guardDisplayLines(QTextDocument &document);

// Qt joins soft breaks only to an edit made within an edit block, and an edit made within one
// never merges with the keys typed before it into one undo step: these two make an edit that may
// leave a paragraph longer than a display line within one, and any other outside.

// Replaces `cursor`'s selection with `text`.
void insertMakingRoom(QTextCursor &cursor, const QString &text);
// Types a key of `editor`'s that may need soft breaks as Qt's editor types it, `typed` being the
// text Qt would type: a key that types text, Backspace, Delete or Shift+Enter's line separator,
// with nothing selected (Qt takes a selection away within an edit block of its own). Qt lays the
// text out as it handles a key, which an edit block left open meanwhile would hold back. False,
// doing nothing, for any other key, left to Qt.
bool typedMakingRoom(QPlainTextEdit &editor, const QKeyEvent &event, const QString &typed);

// While one lives, the soft breaks of the edits made meanwhile wait, and go in when it ends: for
// an edit of Qt's that the program carries on, counting positions from where Qt left them.
class SoftBreakWait
{
public:
    explicit SoftBreakWait(QTextDocument &document);
    ~SoftBreakWait();
    SoftBreakWait(const SoftBreakWait &) = delete;
    SoftBreakWait &operator=(const SoftBreakWait &) = delete;

private:
    QTextDocument &m_document;
};

} // namespace qb
