#include "notes/NoteListModel.h"

#include "notes/NoteNames.h"

namespace qb {

void NoteListModel::setFileNames(QStringList fileNames)
{
    beginResetModel();
    m_fileNames = std::move(fileNames);
    endResetModel();
}

QString NoteListModel::fileName(int row) const
{
    return row >= 0 && row < m_fileNames.size() ? m_fileNames.at(row) : QString();
}

int NoteListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_fileNames.size());
}

QVariant NoteListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_fileNames.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return NoteNameOf(m_fileNames.at(index.row()));
    case Qt::UserRole:
        return m_fileNames.at(index.row());
    default:
        return {};
    }
}

} // namespace qb
