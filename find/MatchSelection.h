#pragma once

#include <QString>

#include <functional>

namespace qb {

class NoteDisplay;
class NoteEditor;
class NoteListCommands;
class NoteNotice;

// Selects in the editor the occurrence of `what` (found as Find finds it) nearest to
// `position`, where a search of the note's file found it: edits made since move it by what was
// typed or cut before it. When it is there no longer, the caret goes to `position` and the
// notice says so.
void selectNearestMatch(NoteEditor &editor, NoteNotice &notice, qsizetype position,
                        const QString &what, Qt::CaseSensitivity cs);

// Shows the note `fileName` of the folder at `folderRow` and moves the keyboard to the editor;
// once the note's text is in, `select` selects a match in it, when given. `shown` runs last,
// when the note was shown.
void showNoteAndFocus(NoteListCommands &noteList, NoteDisplay &display, NoteEditor &editor,
                      int folderRow, const QString &fileName, std::function<void()> select,
                      std::function<void()> shown = {});

} // namespace qb
