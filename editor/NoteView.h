#pragma once

#include "encoder/NoteCodec.h"

class QFont;
class QTextCursor;

namespace qb {

// What the note's commands need of whatever shows a NoteDocument and takes the user's keys:
// the caret, whether edits are taken, and the keys held while a note goes in. The text itself
// is the document's: a view reads it and draws it, and follows the document's signals.
class NoteView
{
public:
    virtual ~NoteView() = default;

    // The caret, with the selection when there is one.
    virtual QTextCursor caret() const = 0;
    // Puts the caret at `caret`; `centred` scrolls it to the middle of the view.
    virtual void setCaret(const QTextCursor &caret, bool centred) = 0;
    // Whether the text may be edited now: a note is shown and all of it is in.
    virtual bool acceptsEdits() const = 0;
    // Off, no key changes the text: a note is still going in, or is shown as armour.
    virtual void setEditable(bool editable) = 0;
    // While held, the keys that would edit the text are kept, and typed once the hold ends.
    virtual void holdKeys(bool hold) = 0;
    // How the shown note ends its lines: a pasted character that is that line end breaks the
    // line.
    virtual void setLineEnd(LineEnd lineEnd) = 0;
    // Brings the view's window to the front and gives the view the keyboard.
    virtual void takeKeyboard() = 0;
    // The font the text is printed in: the view's at its normal size, whatever the zoom.
    virtual QFont printFont() const = 0;
};

} // namespace qb
