#include "find/MatchSelection.h"

#include "editor/DocumentText.h"
#include "editor/NoteEditor.h"
#include "find/TextSearch.h"
#include "notes/NoteNotice.h"

#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace qb {

void selectNearestMatch(NoteEditor &editor, NoteNotice &notice, qsizetype position,
                        const QString &what, Qt::CaseSensitivity cs)
{
    // Edits seldom move a match by much: it is looked for this far on either side.
    constexpr qsizetype kReach = 1 << 16;
    const QTextDocument &document = *editor.document();
    const qsizetype from = std::max<qsizetype>(0, position - kReach);
    const qsizetype to = std::min(documentTextLength(document), position + what.size() + kReach);
    QString text;
    forEachTextRun(document, from, to, [&text](QStringView run, int) {
        text.append(run);
        return true;
    });
    const qsizetype found = findNearest(text, what, position - from, cs);
    QTextCursor cursor(editor.document());
    if (found < 0) {
        cursor.setPosition(int(std::min(position, to)));
        notice.post(NoteNotice::Kind::Info,
                    u"The note has changed since the search: what was found there is there no "
                    "longer."_s);
    } else {
        cursor.setPosition(int(from + found));
        cursor.setPosition(int(from + found + what.size()), QTextCursor::KeepAnchor);
    }
    editor.setTextCursor(cursor);
    editor.centerCursor();
}

} // namespace qb
