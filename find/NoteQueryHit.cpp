#include "find/NoteQueryHit.h"

#include "notes/NoteNames.h"

#include <algorithm>

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
    qsizetype from = lineStart;
    qsizetype to = lineEnd;
    if (to - from > kSnippetKept) {
        from = std::max(lineStart, at - kKeptBeforeMatch);
        to = std::min(lineEnd, std::max(from + kSnippetKept, at + length));
        from = std::max(lineStart, std::min(from, to - kSnippetKept));
        // Half a surrogate pair would show as a box.
        if (from > lineStart && text[from].isLowSurrogate())
            --from;
        if (to < lineEnd && text[to - 1].isHighSurrogate())
            ++to;
    }
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
