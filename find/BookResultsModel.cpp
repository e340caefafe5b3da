#include "find/BookResultsModel.h"

#include "notes/NoteNames.h"

#include <QPoint>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qb {

void BookResultsModel::clear()
{
    beginResetModel();
    m_hits.clear();
    endResetModel();
}

void BookResultsModel::add(QList<BookSearchHit> hits)
{
    std::sort(hits.begin(), hits.end(), bookOrderLess);
    // A batch comes from a few notes: each run of it goes in where it belongs, in one insert.
    for (qsizetype first = 0; first < hits.size();) {
        const auto at = std::upper_bound(m_hits.begin(), m_hits.end(), hits[first], bookOrderLess);
        const qsizetype row = at - m_hits.begin();
        qsizetype last = first + 1;
        while (last < hits.size() &&
               (row == m_hits.size() || bookOrderLess(hits[last], m_hits[row])))
            ++last;
        beginInsertRows({}, int(row), int(row + last - first - 1));
        m_hits.insert(row, last - first, {});
        std::move(hits.begin() + first, hits.begin() + last, m_hits.begin() + row);
        endInsertRows();
        first = last;
    }
}

int BookResultsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_hits.size());
}

int BookResultsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant BookResultsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_hits.size())
        return {};
    const BookSearchHit &hit = m_hits.at(index.row());
    if (role == kMatchRole && index.column() == Text) {
        const qsizetype start = hit.matchInLine + (hit.cutBefore ? 1 : 0);
        return QPoint(int(start), int(std::min(hit.length, hit.lineText.size() - hit.matchInLine)));
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case Folder:
        return hit.folderName;
    case Note:
        return noteNameOf(hit.noteFileName);
    case Line:
        return role == Qt::DisplayRole ? QVariant(qlonglong(hit.line)) : QVariant();
    case Text:
        return (hit.cutBefore ? u"…"_s : QString()) + hit.lineText +
               (hit.cutAfter ? u"…"_s : QString());
    default:
        return {};
    }
}

QVariant BookResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const QString headers[ColumnCount] = {u"Folder"_s, u"Note"_s, u"Line"_s, u"Text"_s};
    return section >= 0 && section < ColumnCount ? headers[section] : QString();
}

} // namespace qb
