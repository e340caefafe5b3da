#include "notes/NoteListModel.h"

#include "notes/NoteNames.h"

namespace qb {

void NoteListModel::setListing(int folderRow, const QString &dir, NoteListing listing)
{
    beginResetModel();
    m_folderRow = folderRow;
    m_dir = dir;
    m_listing = std::move(listing);
    endResetModel();
    setCurrentRow(-1);
}

void NoteListModel::setCurrentRow(int row)
{
    m_current = row >= 0 && row < m_listing.size() ? row : -1;
    Q_EMIT currentRowChanged(m_current);
}

QString NoteListModel::fileName(int row) const
{
    return row >= 0 && row < m_listing.size() ? m_listing.fileNameAt(row).toString() : QString();
}

int NoteListModel::rowOf(const QString &fileName) const
{
    for (qsizetype row = 0; row < m_listing.size(); ++row) {
        if (m_listing.fileNameAt(row) == fileName)
            return int(row);
    }
    return -1;
}

QString NoteListModel::noteName(int row) const
{
    return noteNameOf(fileName(row));
}

QString NoteListModel::notePath(int row) const
{
    const QString name = fileName(row);
    return name.isEmpty() || m_dir.isEmpty() ? QString() : noteFilePath(m_dir, name);
}

int NoteListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_listing.size());
}

QVariant NoteListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_listing.size())
        return {};
    const QStringView fileName = m_listing.fileNameAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return noteNameView(fileName).toString();
    case Qt::UserRole:
        return fileName.toString();
    default:
        return {};
    }
}

} // namespace qb
