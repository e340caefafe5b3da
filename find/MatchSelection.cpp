#include "find/MatchSelection.h"

#include "editor/DocumentText.h"
#include "editor/NoteEditor.h"
#include "find/TextSearch.h"
#include "notes/NoteNotice.h"

#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace qb {

void SelectNearestMatch(NoteEditor &editor, NoteNotice &notice, qsizetype position,
                        const QString &what, Qt::CaseSensitivity cs)
{
    // Edits seldom move a match by much: it is looked for this far on either side.
    constexpr qsizetype Reach = 1 << 16;
    const QTextDocument &document = *editor.document();
    const qsizetype from = std::max<qsizetype>(0, position - Reach);
    const qsizetype to = std::min(DocumentTextLength(document), position + what.size() + Reach);
    QString text;
    ForEachTextRun(document, from, to, [&text](QStringView run, int) {
        text.append(run);
        return true;
    });
    const qsizetype found = FindNearest(text, what, position - from, cs);
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
