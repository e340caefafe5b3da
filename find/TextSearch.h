#pragma once

#include <QString>
#include <QStringView>

namespace qb {

// What the Find dialog asks for.
struct FindRequest
{
    QString text;
    Qt::CaseSensitivity caseSensitivity = Qt::CaseInsensitive;
    bool fromBeginning = false;
};

// Where the first occurrence of `what` that begins at `from` or later starts in `text`; -1 when
// there is none. Positions count UTF-16 units, as QTextCursor does. An empty `what` finds
// nothing, and nothing is found past the end of `text`: the search never wraps around.
qsizetype findText(QStringView text, QStringView what, qsizetype from, Qt::CaseSensitivity cs);

// The start of the occurrence of `what` in `text` that starts nearest to `around`, the earlier
// one of two as near; -1 when there is none.
qsizetype findNearest(QStringView text, QStringView what, qsizetype around, Qt::CaseSensitivity cs);

// The part [from, to) of the line [lineStart, lineEnd) of `text` that a list shows around a match
// at [at, at + length): the whole line when it is at most `kept` long, else about `kept`
// characters, at most `keptBefore` of them before the match. Never half a surrogate pair, which
// would show as a box.
struct ShownSpan
{
    qsizetype from = 0;
    qsizetype to = 0;
};
ShownSpan spanAroundMatch(QStringView text, qsizetype lineStart, qsizetype lineEnd, qsizetype at,
                          qsizetype length, qsizetype kept, qsizetype keptBefore);

} // namespace qb
