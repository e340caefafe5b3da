#include "find/TextSearch.h"

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

} // namespace qb
