#pragma once

#include "book/BookFile.h"

#include <QAbstractListModel>

namespace qb {

// The rows of lstFLDS: the book's folders sorted by name, letter case ignored, folders of equal
// names in book order; each carries its row in the book's folder table, and one is the current
// (selected) folder.
class FolderListModel final : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // Lists the folders of `book` and makes the first one current.
    void fill(const BookState &book);

    int currentPosition() const { return m_current; }
    // The folder table row of the current folder; 0 when none is.
    int currentFolderRow() const { return folderRowAt(m_current); }
    QString currentName() const { return nameAt(m_current); }
    void setCurrentPosition(int position);
    // Tells the selector again which folder is current, after it showed another one.
    void resyncCurrent() { Q_EMIT currentPositionChanged(m_current); }

    int folderRowAt(int position) const;
    // The position of the folder of table row `folderRow`; -1 when it is not listed.
    int positionOf(int folderRow) const;
    QString nameAt(int position) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    void currentPositionChanged(int position);

private:
    struct Item
    {
        QString name;
        int folderRow;
    };
    QList<Item> m_items;
    int m_current = -1;
};

} // namespace qb
