#include "find/NoteQueryHit.h"

#include "find/TextSearch.h"
#include "notes/NoteNames.h"

namespace qb {

namespace {

// A snippet shows a line up to this long whole; of a longer one, this much around the match.
constexpr qsizetype kSnippetKept = 160;
constexpr qsizetype kKeptBeforeMatch = 50;

} // namespace

void NoteQueryHit::placeSnippet(QStringView text)
{
    const qsizetype at = position;
    const qsizetype lineStart = at > 0 ? text.lastIndexOf(u'\n', at - 1) + 1 : 0;
    qsizetype lineEnd = text.indexOf(u'\n', at);
    if (lineEnd < 0)
        lineEnd = text.size();
    const auto [from, to] =
        spanAroundMatch(text, lineStart, lineEnd, at, length, kSnippetKept, kKeptBeforeMatch);
    snippet = text.sliced(from, to - from).toString();
    matchInSnippet = at - from;
    cutBefore = from > lineStart;
    cutAfter = to < lineEnd;
}

QString NoteQueryHit::noteName() const
{
    return noteNameOf(noteFileName);
}

QString NoteQueryHit::path() const
{
    return noteFilePath(folderDir, noteFileName);
}

bool NoteQueryHit::isCurrent() const
{
    return stamp.isValid() && stampOfFile(path()) == stamp;
}

} // namespace qb
