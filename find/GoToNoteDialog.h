#pragma once

#include "find/NoteQuery.h"

#include <QAbstractListModel>
#include <QDialog>
#include <QFutureWatcher>
#include <QThreadPool>
#include <QTimer>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QListView;

namespace qb {

// The notes a Go to Note query found, in rank order.
class GoToNoteModel final : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;
    // The hits held may be every note's: they are let go of off the window's thread, here and
    // when another query's take their place.
    ~GoToNoteModel() override;

    enum Role { HitRole = Qt::UserRole + 1 };

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    void setHits(QList<NoteQueryHit> hits);
    // Shares `hits` rather than copying them: the rest of a query may be every note.
    void appendHits(const QList<NoteQueryHit> &hits);
    const NoteQueryHit &hit(int row) const;

private:
    QList<QList<NoteQueryHit>> m_parts; // the hits in the parts they came in
    int m_count = 0;
};

// Tools > Go to Note...: a field, and under it the notes of the book that hold every word typed,
// each with its folder, its name and a piece of the line of its first match, the match marked.
// The list follows each keystroke; Up and Down move in it while the keys go on into the field.
// Enter asks to open the note selected (openRequested), or tells that there is none
// (nothingFound); Escape closes the window.
class GoToNoteDialog final : public QDialog
{
    Q_OBJECT
public:
    // `snapshot` gives the index as it is now, at each query.
    explicit GoToNoteDialog(std::function<NoteIndexSnapshotPtr()> snapshot,
                            QWidget *parent = nullptr);
    ~GoToNoteDialog() override;

    QLineEdit *queryField() const { return m_text; }
    QListView *resultList() const { return m_list; }
    const GoToNoteModel &results() const { return m_model; }
    // Says something under the list, until the next query.
    void tell(const QString &text);
    // The query of the field, worked out again on the index as it is now.
    void runAgain();
    // Every result of the field's query is listed.
    bool isSettled() const { return m_settled; }

Q_SIGNALS:
    void openRequested(const qb::NoteQueryHit &hit);
    void nothingFound(const QString &query);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void run(const QString &query);
    void enter();
    void showFirst(const QList<NoteQueryHit> &hits);
    void showCount();

    std::function<NoteIndexSnapshotPtr()> m_snapshot;
    QLineEdit *m_text;
    QListView *m_list;
    QLabel *m_status;
    QString m_said; // what tell() said, shown in place of the count until the next query
    bool m_settled = false;
    bool m_firstShown = false; // the query's first screen is in the list
    GoToNoteModel m_model;
    QTimer m_soon;
    // The query under way: its first screen of results comes as the future's result 0, the
    // rest as result 1.
    std::shared_ptr<NoteQuery> m_query;
    // The last query that ranked all it found.
    struct Found
    {
        QString query;
        NoteIndexSnapshotPtr snapshot;
        NoteQueryPlaces places;
    } m_found;
    // The queries' own threads, whose priority they lower: the global pool's run other work.
    QThreadPool m_pool;
    QFutureWatcher<QList<NoteQueryHit>> m_watcher;
};

} // namespace qb
