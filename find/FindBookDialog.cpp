#include "find/FindBookDialog.h"

#include "find/BookResultsModel.h"
#include "find/SearchHistory.h"

#include "editor/PaletteColours.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

// The line of a result with its match marked: bold, on the highlight faded toward the ground,
// in a colour readable on it, on a selected row too.
class MatchDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QString text = item.text;
        item.text.clear();
        item.widget->style()->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);
        const QPoint match = index.data(BookResultsModel::kMatchRole).toPoint();
        QTextLayout layout(text, item.font);
        const bool selected = item.state & QStyle::State_Selected;
        const QColor mark = markColour(
            item.palette, item.palette.color(selected ? QPalette::Highlight : QPalette::Base));
        QTextCharFormat marked;
        marked.setFontWeight(QFont::Bold);
        marked.setBackground(mark);
        marked.setForeground(textColourOn(item.palette, mark));
        layout.setFormats({{match.x(), match.y(), marked}});
        layout.beginLayout();
        QTextLine line = layout.createLine();
        line.setLineWidth(1e6);
        layout.endLayout();
        const QRect area =
            item.widget->style()->subElementRect(QStyle::SE_ItemViewItemText, &item, item.widget);
        painter->save();
        painter->setClipRect(area);
        painter->setPen(item.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        layout.draw(painter,
                    QPointF(area.left(), area.top() + (area.height() - line.height()) / 2));
        painter->restore();
    }
};

QString count(qsizetype n, const QString &one, const QString &many)
{
    return QLocale().toString(qlonglong(n)) + u' ' + (n == 1 ? one : many);
}

} // namespace

FindBookDialog::FindBookDialog(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_results(new BookResultsModel(this))
{
    setObjectName(u"findInBookDialog"_s);
    setWindowTitle(u"Find in Book"_s);
    setModal(false);

    QLabel *label = createQuery();
    QLabel *resultsLabel = createResults();
    auto *grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(m_text, 0, 1);
    grid->addWidget(m_find, 0, 2);
    grid->addWidget(m_matchCase, 1, 1);
    grid->addWidget(m_stop, 1, 2);
    grid->addWidget(resultsLabel, 2, 0, 1, 3);
    grid->addWidget(m_list, 3, 0, 1, 3);
    grid->addWidget(m_summary, 4, 0, 1, 3);
    grid->addWidget(m_problemsLabel, 5, 0, 1, 3);
    grid->addWidget(m_problems, 6, 0, 1, 3);
    grid->setRowStretch(3, 1);
    resize(640, 420);

    connect(m_find, &QPushButton::clicked, this, &FindBookDialog::search);
    connect(m_stop, &QPushButton::clicked, this, &FindBookDialog::stop);
    connect(m_list, &QTreeView::activated, this, &FindBookDialog::openCurrent);
}

QLabel *FindBookDialog::createQuery()
{
    auto *label = new QLabel(u"&Text:"_s, this);
    m_text = new QComboBox(this);
    m_text->setObjectName(u"findInBookField"_s);
    setUpSearchHistory(*m_text); // apart from the Find dialog's
    m_text->setMinimumWidth(280);
    m_text->installEventFilter(this);
    m_text->lineEdit()->installEventFilter(this);
    label->setBuddy(m_text);
    m_matchCase = new QCheckBox(u"&Match case"_s, this);
    m_matchCase->setObjectName(u"findInBookCaseBox"_s);
    m_find = new QPushButton(u"&Find"_s, this);
    m_find->setObjectName(u"findInBookButton"_s);
    m_find->setDefault(true);
    m_stop = new QPushButton(u"&Stop"_s, this);
    m_stop->setObjectName(u"findInBookStopButton"_s);
    m_stop->setEnabled(false);
    return label;
}

QLabel *FindBookDialog::createResults()
{
    m_list = new QTreeView(this);
    m_list->setObjectName(u"findInBookList"_s);
    m_list->setAccessibleName(u"Results"_s);
    m_list->setModel(m_results);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setItemDelegateForColumn(BookResultsModel::Text, new MatchDelegate(m_list));
    m_list->header()->setStretchLastSection(true);
    m_list->installEventFilter(this);
    m_summary = new QLabel(this);
    m_summary->setObjectName(u"findInBookSummaryLabel"_s);
    m_summary->setTextFormat(Qt::PlainText);
    auto *resultsLabel = new QLabel(u"&Results:"_s, this);
    resultsLabel->setBuddy(m_list);
    m_problems = new QListWidget(this);
    m_problems->setObjectName(u"findInBookProblemList"_s);
    m_problems->setAccessibleName(u"Not searched"_s);
    m_problems->setMaximumHeight(80);
    m_problems->hide();
    m_problemsLabel = new QLabel(u"&Not searched:"_s, this);
    m_problemsLabel->setBuddy(m_problems);
    m_problemsLabel->hide();
    return resultsLabel;
}

void FindBookDialog::search()
{
    const QString text = m_text->currentText();
    addToSearchHistory(*m_text, text);
    Q_EMIT searchRequested(text,
                           m_matchCase->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive);
}

void FindBookDialog::searchStarted()
{
    clearResults();
    setRunning(true);
}

void FindBookDialog::clearResults()
{
    m_results->clear();
    m_problems->clear();
    m_problems->hide();
    m_problemsLabel->hide();
    m_summary->clear();
    m_notesDone = m_notesTotal = 0;
    setRunning(false);
}

void FindBookDialog::stop()
{
    if (!m_running)
        return;
    Q_EMIT stopRequested();
    setRunning(false);
    m_summary->setText(u"Stopped after "_s + QLocale().toString(qlonglong(m_notesDone)) +
                       u" of "_s + count(m_notesTotal, u"note"_s, u"notes"_s));
}

void FindBookDialog::setRunning(bool running)
{
    m_running = running;
    m_stop->setEnabled(running);
}

void FindBookDialog::showProgress(qsizetype notesDone, qsizetype notesTotal)
{
    m_notesDone = notesDone;
    m_notesTotal = notesTotal;
    m_summary->setText(QLocale().toString(qlonglong(notesDone)) + u" of "_s +
                       count(notesTotal, u"note"_s, u"notes"_s));
}

void FindBookDialog::showSummary(const BookSearchSummary &summary)
{
    setRunning(false);
    QStringList parts = {count(summary.hits, u"match"_s, u"matches"_s) + u" in "_s +
                         count(summary.notesSearched, u"note searched"_s, u"notes searched"_s)};
    if (!summary.encipheredNotes.isEmpty())
        parts.append(
            count(summary.encipheredNotes.size(), u"enciphered note"_s, u"enciphered notes"_s) +
            u" not searched"_s);
    if (!summary.largeNotes.isEmpty())
        parts.append(count(summary.largeNotes.size(), u"large note"_s, u"large notes"_s) +
                     u" not searched"_s);
    const qsizetype unreadable = summary.unreadableNotes.size() + summary.unreadableFolders.size();
    if (unreadable > 0)
        parts.append(count(unreadable, u"note or folder"_s, u"notes or folders"_s) +
                     u" could not be read"_s);
    if (summary.hitLimitReached)
        parts.append(u"the search stops at this many matches"_s);
    m_summary->setText(parts.join(u"; "_s));
    for (const auto &list : {summary.unreadableFolders, summary.unreadableNotes}) {
        for (const BookSearchProblem &problem : list)
            m_problems->addItem(problem.path + u": "_s + problem.reason);
    }
    m_problems->setVisible(m_problems->count() > 0);
    m_problemsLabel->setVisible(m_problems->isVisibleTo(this));
}

void FindBookDialog::openCurrent()
{
    const QModelIndex index = m_list->currentIndex();
    if (index.isValid())
        Q_EMIT openRequested(m_results->hit(index.row()));
}

bool FindBookDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // Down from the text goes to the first result.
        if ((watched == m_text || watched == m_text->lineEdit()) && key->key() == Qt::Key_Down &&
            m_results->rowCount() > 0 && !m_text->view()->isVisible()) {
            m_list->setFocus();
            m_list->setCurrentIndex(m_results->index(0, 0));
            return true;
        }
        if (watched == m_list && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            openCurrent();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FindBookDialog::keyPressEvent(QKeyEvent *event)
{
    // Escape stops a search that runs, and closes the window when none does; the results stay.
    if (event->key() == Qt::Key_Escape && m_running) {
        stop();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace qb
