#pragma once

#include "platform/Platform.h"

#include <QString>

namespace qb {

// What a command that would drop the editor's text asks first: whether to save the shown note's
// unsaved edits. Commands take this rather than the note itself.
class UnsavedEdits
{
public:
    enum class Answer {
        Unasked,  // nothing unsaved
        Saved,    // the user said Yes (or Ok), and the note was saved
        Dropped,  // the user said No
        Cancelled // the user said Cancel, or the save failed: nothing may go on
    };

    virtual ~UnsavedEdits() = default;

    // "The file: "<path>" isn't saved.", a line break, then `question`; Yes, No and Cancel.
    virtual Answer askToSave(const QString &question, const QString &title) = 0;
    // A question of another shape: the whole text and the buttons given.
    virtual Answer askToSave(const QString &text, Platform::Buttons buttons, Platform::Icon icon,
                             const QString &title) = 0;
    // Before something replaces the editor's text: "Save this file before leaving it?"
    Answer askToLeave()
    {
        return askToSave(QStringLiteral("Save this file before leaving it?"),
                         QStringLiteral("Save file?"));
    }
    // The same: false when the user said Cancel.
    bool confirmLeave() { return askToLeave() != Answer::Cancelled; }
};

} // namespace qb
