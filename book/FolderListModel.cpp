#include "book/FolderListModel.h"

#include <algorithm>

namespace qb {

void FolderListModel::fill(const BookState &book)
{
    beginResetModel();
    m_items.clear();
    for (int row = 1; row <= book.FolderCount; ++row)
        m_items.append({book.Folders[row].Name, row});
    std::stable_sort(m_items.begin(), m_items.end(), [](const Item &a, const Item &b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    endResetModel();
    setCurrentPosition(m_items.isEmpty() ? -1 : 0);
}

void FolderListModel::setCurrentPosition(int position)
{
    m_current = position >= 0 && position < m_items.size() ? position : -1;
    Q_EMIT currentPositionChanged(m_current);
}

int FolderListModel::folderRowAt(int position) const
{
    return position >= 0 && position < m_items.size() ? m_items.at(position).folderRow : 0;
}

int FolderListModel::positionOf(int folderRow) const
{
    for (qsizetype position = 0; position < m_items.size(); ++position) {
        if (m_items.at(position).folderRow == folderRow)
            return int(position);
    }
    return -1;
}

QString FolderListModel::nameAt(int position) const
{
    return position >= 0 && position < m_items.size() ? m_items.at(position).name : QString();
}

int FolderListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant FolderListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_items.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return m_items.at(index.row()).name;
    case Qt::UserRole:
        return m_items.at(index.row()).folderRow;
    default:
        return {};
    }
}

} // namespace qb
