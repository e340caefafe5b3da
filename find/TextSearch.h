#pragma once

#include <QStringView>

namespace qb {

// Where the first occurrence of `what` that begins at `from` or later starts in `text`; -1 when
// there is none. Positions count UTF-16 units, as QTextCursor does. An empty `what` finds
// nothing, and nothing is found past the end of `text`: the search never wraps around.
qsizetype FindText(QStringView text, QStringView what, qsizetype from, Qt::CaseSensitivity cs);

} // namespace qb
