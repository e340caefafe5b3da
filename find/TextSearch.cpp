#include "find/TextSearch.h"

namespace qb {

qsizetype FindText(QStringView text, QStringView what, qsizetype from, Qt::CaseSensitivity cs)
{
    // indexOf would report an empty needle as a match at `from`; a search for nothing finds
    // nothing here, so Find Next on an empty text reports it instead of selecting nothing.
    if (what.isEmpty() || from > text.size() - what.size())
        return -1;
    return text.indexOf(what, qMax<qsizetype>(from, 0), cs);
}

} // namespace qb
