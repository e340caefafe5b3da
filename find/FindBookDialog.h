#pragma once

#include "find/BookSearch.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTreeView;

namespace qb {

class BookResultsModel;

// "Find in Book": a tool window with the text to look for (its history kept as the Find dialog
// keeps its own), Match case, the results in book order as they come, and a line saying how far
// the search has come and what it could not search. Owned by its parent window; it asks for
// searches and for results to be opened, and shows what it is given.
class FindBookDialog final : public QDialog
{
    Q_OBJECT
public:
    explicit FindBookDialog(QWidget *parent);

    BookResultsModel &results() const { return *m_results; }

    // A new search has started: the results of the last one go.
    void searchStarted();
    // The results go, and nothing is said about them.
    void clearResults();
    void showProgress(qsizetype notesDone, qsizetype notesTotal);
    void showSummary(const BookSearchSummary &summary);

Q_SIGNALS:
    void searchRequested(const QString &text, Qt::CaseSensitivity caseSensitivity);
    void stopRequested();
    void openRequested(const qb::BookSearchHit &hit);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // The text, Match case, Find and Stop; the results, their summary and what was not
    // searched. Each returns the label of its first control.
    QLabel *createQuery();
    QLabel *createResults();
    void search();
    void stop();
    void openCurrent();
    void setRunning(bool running);

    BookResultsModel *m_results;
    QComboBox *m_text = nullptr;
    QCheckBox *m_matchCase = nullptr;
    QPushButton *m_find = nullptr;
    QPushButton *m_stop = nullptr;
    QTreeView *m_list = nullptr;
    QLabel *m_summary = nullptr;
    QListWidget *m_problems = nullptr;
    QLabel *m_problemsLabel = nullptr;
    bool m_running = false;
    qsizetype m_notesDone = 0;
    qsizetype m_notesTotal = 0;
};

} // namespace qb
