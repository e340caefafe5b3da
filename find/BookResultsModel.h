#pragma once

#include "find/BookSearch.h"

#include <QAbstractTableModel>

namespace qb {

// The results of Find in Book: one row per match, in book order whatever order they come in
// (folders as the book lists them, notes as the note list sorts them, matches in order).
// Columns: folder, note, line, and the line with the match.
class BookResultsModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Folder, Note, Line, Text, ColumnCount };
    // The match's start and length within the Text column's text, as a QPoint (x start, y
    // length), for the delegate that marks it.
    static constexpr int kMatchRole = Qt::UserRole;

    using QAbstractTableModel::QAbstractTableModel;

    void clear();
    // Puts `hits` in their places.
    void add(QList<BookSearchHit> hits);
    const BookSearchHit &hit(int row) const { return m_hits.at(row); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QList<BookSearchHit> m_hits;
};

} // namespace qb
