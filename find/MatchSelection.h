#pragma once

#include <QString>

namespace qb {

class NoteEditor;
class NoteNotice;

// Selects in the editor the occurrence of `what` (found as Find finds it) nearest to
// `position`, where a search of the note's file found it: edits made since move it by what was
// typed or cut before it. When it is there no longer, the caret goes to `position` and the
// notice says so.
void selectNearestMatch(NoteEditor &editor, NoteNotice &notice, qsizetype position,
                        const QString &what, Qt::CaseSensitivity cs);

} // namespace qb
