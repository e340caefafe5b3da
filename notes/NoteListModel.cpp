#include "notes/NoteListModel.h"

#include "notes/NoteNames.h"

#include <algorithm>

namespace qb {

void NoteListModel::setListing(int folderRow, const QString &dir, NoteListing listing)
{
    beginResetModel();
    m_folderRow = folderRow;
    m_dir = dir;
    m_listing = std::move(listing);
    m_copies = findConflictCopies(m_listing);
    m_copiedNotes.clear();
    for (const ConflictCopy &copy : std::as_const(m_copies))
        m_copiedNotes.push_back(copy.noteRow);
    std::sort(m_copiedNotes.begin(), m_copiedNotes.end());
    m_copiedNotes.erase(std::unique(m_copiedNotes.begin(), m_copiedNotes.end()),
                        m_copiedNotes.end());
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

QList<int> NoteListModel::copiesOf(int row) const
{
    QList<int> rows;
    for (const ConflictCopy &copy : m_copies) {
        if (copy.noteRow == row)
            rows << int(copy.copyRow);
    }
    return rows;
}

int NoteListModel::noteOfCopy(int row) const
{
    const auto found = std::lower_bound(
        m_copies.cbegin(), m_copies.cend(), row,
        [](const ConflictCopy &copy, int wanted) { return copy.copyRow < wanted; });
    return found != m_copies.cend() && found->copyRow == row ? int(found->noteRow) : -1;
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
    case kConflictRole:
        if (noteOfCopy(index.row()) >= 0)
            return QVariant::fromValue(ConflictMark::IsCopy);
        if (std::binary_search(m_copiedNotes.cbegin(), m_copiedNotes.cend(), index.row()))
            return QVariant::fromValue(ConflictMark::HasCopies);
        return QVariant::fromValue(ConflictMark::None);
    default:
        return {};
    }
}

} // namespace qb
