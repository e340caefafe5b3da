#pragma once

#include "notes/ConflictCopies.h"
#include "notes/NoteListing.h"

#include <QAbstractListModel>
#include <QList>

#include <vector>

namespace qb {

// The rows of lstFILE: the notes of one folder, shown by name (the file name less ".txt") with
// the real file name as each row's item data, and the current (selected) note. Filled in one go,
// so a folder of many notes lists quickly.
class NoteListModel final : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // What a row is to the copies sync tools leave: a ConflictMark, under this role.
    static constexpr int kConflictRole = Qt::UserRole + 1;
    enum class ConflictMark { None, HasCopies, IsCopy };

    // The notes of the folder `folderRow` of the book, whose directory is `dir`; none current.
    void setListing(int folderRow, const QString &dir, NoteListing listing);

    // The folder table row whose notes are listed; 0 when none.
    int folderRow() const { return m_folderRow; }
    // Its directory, and why it could not be read (fully); empty when it could.
    const QString &dir() const { return m_dir; }
    const QString &listingError() const { return m_listing.error; }

    int currentRow() const { return m_current; }
    void setCurrentRow(int row);
    // Tells the selector again which note is current, after it showed another one.
    void resyncCurrent() { Q_EMIT currentRowChanged(m_current); }

    QString fileName(int row) const;
    // The row of the note whose file is named `fileName`; -1 when it is not listed.
    int rowOf(const QString &fileName) const;
    QString noteName(int row) const;
    // The path of the note at `row`; empty for no such row.
    QString notePath(int row) const;
    QString currentNoteName() const { return noteName(m_current); }
    QString currentPath() const { return notePath(m_current); }

    // The rows of the copies sync tools left of the note at `row`, in note list order.
    QList<int> copiesOf(int row) const;
    // The row of the note the copy at `row` was made of; -1 when it is no copy.
    int noteOfCopy(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    void currentRowChanged(int row);

private:
    NoteListing m_listing;
    QList<ConflictCopy> m_copies;         // by copy row
    std::vector<qsizetype> m_copiedNotes; // the rows of the notes that have copies, sorted
    QString m_dir;
    int m_folderRow = 0;
    int m_current = -1;
};

} // namespace qb
