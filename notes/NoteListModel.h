#pragma once

#include <QAbstractListModel>
#include <QStringList>

namespace qb {

// The rows of lstFILE: a note name on show (the file name less ".txt"), the real file name as
// the row's item data. Filled in one go, so a folder of many notes lists quickly.
class NoteListModel final : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    void setFileNames(QStringList fileNames);
    const QStringList &fileNames() const { return m_fileNames; }
    QString fileName(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    QStringList m_fileNames;
};

} // namespace qb
