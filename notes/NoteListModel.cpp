#include "notes/NoteListModel.h"

#include "notes/NoteNames.h"

namespace qb {

void NoteListModel::setListing(int folderRow, const QString &dir, QStringList fileNames)
{
    beginResetModel();
    m_folderRow = folderRow;
    m_dir = dir;
    m_fileNames = std::move(fileNames);
    endResetModel();
    setCurrentRow(-1);
}

void NoteListModel::setCurrentRow(int row)
{
    m_current = row >= 0 && row < m_fileNames.size() ? row : -1;
    Q_EMIT currentRowChanged(m_current);
}

QString NoteListModel::fileName(int row) const
{
    return row >= 0 && row < m_fileNames.size() ? m_fileNames.at(row) : QString();
}

QString NoteListModel::noteName(int row) const
{
    return NoteNameOf(fileName(row));
}

QString NoteListModel::notePath(int row) const
{
    const QString name = fileName(row);
    return name.isEmpty() || m_dir.isEmpty() ? QString() : NoteFilePath(m_dir, name);
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
