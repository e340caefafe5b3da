#pragma once

#include <QString>

#include <functional>

namespace qb {

class NoteDisplay;
class NoteDocument;
class NoteListCommands;
class NoteNotice;
class NoteView;

// Selects in the view the occurrence of `what` (found as Find finds it) nearest to
// `position`, where a search of the note's file found it: edits made since move it by what was
// typed or cut before it. When it is there no longer, the caret goes to `position` and the
// notice says so.
void selectNearestMatch(NoteDocument &note, NoteView &view, NoteNotice &notice, qsizetype position,
                        const QString &what, Qt::CaseSensitivity cs);

// Shows the note `fileName` of the folder at `folderRow` and moves the keyboard to the view;
// once the note's text is in, `select` selects a match in it, when given. `shown` runs last,
// when the note was shown.
void showNoteAndFocus(NoteListCommands &noteList, NoteDisplay &display, NoteView &view,
                      int folderRow, const QString &fileName, std::function<void()> select,
                      std::function<void()> shown = {});

} // namespace qb
