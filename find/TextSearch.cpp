#include "find/TextSearch.h"

#include <algorithm>

namespace qb {

qsizetype findText(QStringView text, QStringView what, qsizetype from, Qt::CaseSensitivity cs)
{
    // indexOf would report an empty needle as a match at `from`; a search for nothing finds
    // nothing here, so Find Next on an empty text reports it instead of selecting nothing.
    if (what.isEmpty() || from > text.size() - what.size())
        return -1;
    return text.indexOf(what, qMax<qsizetype>(from, 0), cs);
}

qsizetype findNearest(QStringView text, QStringView what, qsizetype around, Qt::CaseSensitivity cs)
{
    // The last one that starts at `around` or before, and the first one after it.
    qsizetype before = -1;
    qsizetype after = findText(text, what, 0, cs);
    while (after >= 0 && after <= around) {
        before = after;
        after = findText(text, what, after + 1, cs);
    }
    if (before < 0 || (after >= 0 && after - around < around - before))
        return after;
    return before;
}

ShownSpan spanAroundMatch(QStringView text, qsizetype lineStart, qsizetype lineEnd, qsizetype at,
                          qsizetype length, qsizetype kept, qsizetype keptBefore)
{
    if (lineEnd - lineStart <= kept)
        return {lineStart, lineEnd};
    qsizetype from = std::max(lineStart, at - keptBefore);
    qsizetype to = std::min(lineEnd, std::max(from + kept, at + length));
    from = std::max(lineStart, std::min(from, to - kept));
    if (from > lineStart && text[from].isLowSurrogate())
        --from;
    if (to < lineEnd && text[to - 1].isHighSurrogate())
        ++to;
    return {from, to};
}

} // namespace qb
