#include "find/MatchSelection.h"

#include "editor/DocumentText.h"
#include "editor/NoteDocument.h"
#include "editor/NoteText.h"
#include "editor/NoteView.h"
#include "editor/SoftBreaks.h"
#include "find/TextSearch.h"
#include "notes/NoteDisplay.h"
#include "notes/NoteListCommands.h"
#include "notes/NoteNotice.h"

#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace qb {

void selectNearestMatch(NoteDocument &note, NoteView &view, NoteNotice &notice, qsizetype position,
                        const QString &what, Qt::CaseSensitivity cs)
{
    // Edits seldom move a match by much: it is looked for this far on either side.
    constexpr qsizetype kReach = 1 << 16;
    const QTextDocument &document = note.document();
    // `position` is the note's; the document holds the soft breaks of long lines besides.
    const NotePositions positions = note.positions();
    const qsizetype length = positions.notePosition(documentTextLength(document));
    const qsizetype from = std::max<qsizetype>(0, position - kReach);
    const qsizetype to = std::min(length, position + what.size() + kReach);
    const auto [editorFrom, editorTo] = positions.editorRange(from, to);
    const QString text = noteTextOf(document, int(editorFrom), int(editorTo)).text;
    const qsizetype found = findNearest(text, what, position - from, cs);
    QTextCursor cursor(&note.document());
    if (found < 0) {
        cursor.setPosition(int(positions.editorPosition(std::min(position, to))));
        notice.post(NoteNotice::Kind::Info,
                    u"The note has changed since the search: what was found there is there no "
                    "longer."_s);
    } else {
        const auto [start, end] = positions.editorRange(from + found, from + found + what.size());
        cursor.setPosition(int(start));
        cursor.setPosition(int(end), QTextCursor::KeepAnchor);
    }
    view.setCaret(cursor, true);
}

void showNoteAndFocus(NoteListCommands &noteList, NoteDisplay &display, NoteView &view,
                      int folderRow, const QString &fileName, std::function<void()> select,
                      std::function<void()> shown)
{
    noteList.showNoteOf(
        folderRow, fileName,
        [&display, &view, select = std::move(select), shown = std::move(shown)](bool wasShown) {
            if (!wasShown)
                return;
            if (select)
                display.whenShown(select);
            view.takeKeyboard();
            if (shown)
                shown();
        });
}

} // namespace qb
