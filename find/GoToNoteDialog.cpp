#include "find/GoToNoteDialog.h"

#include "find/QueryWords.h"

#include "editor/PaletteColours.h"

#include "platform/Background.h"
#include "platform/ThreadPriority.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

// The first screen of results: as many as the list shows at once, and some.
constexpr qsizetype kFirstScreen = 50;

// A result on two lines: the note's name (the words found in it marked) and its folder, then a
// piece of the line of its first match in the text, the match marked; the folder and the piece
// faded. A mark is bold, on the highlight faded toward the ground, in a colour readable on it.
class HitDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const override
    {
        return {option.rect.width(), 2 * option.fontMetrics.height() + 6};
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem plain = option;
        initStyleOption(&plain, index);
        plain.text.clear();
        QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &plain, painter);
        const auto hit = index.data(GoToNoteModel::HitRole).value<NoteQueryHit>();
        const bool selected = option.state & QStyle::State_Selected;
        const QColor mark = markColour(
            option.palette, option.palette.color(selected ? QPalette::Highlight : QPalette::Base));
        const Marking marking{option.font, mark, textColourOn(option.palette, mark)};
        painter->save();
        painter->setPen(
            option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        const int line = option.fontMetrics.height();
        QPoint at = option.rect.topLeft() + QPoint(4, 3 + option.fontMetrics.ascent());
        QList<NoteQueryHit::Range> inName = hit.nameMatches;
        at = drawMarked(painter, marking, at, hit.noteName(), inName);
        painter->setPen(selected ? option.palette.color(QPalette::HighlightedText)
                                 : fadedTextColour(option.palette));
        drawMarked(painter, marking, at + QPoint(12, 0), hit.folderName, {});
        if (hit.position >= 0) {
            const QString snippet = (hit.cutBefore ? u"…"_s : QString()) + hit.snippet;
            const qsizetype shift = hit.cutBefore ? 1 : 0;
            drawMarked(painter, marking,
                       option.rect.topLeft() + QPoint(4, 3 + line + option.fontMetrics.ascent()),
                       snippet, {{hit.matchInSnippet + shift, hit.length}});
        }
        painter->restore();
    }

private:
    // How a mark is drawn.
    struct Marking
    {
        QFont font;
        QColor ground, ink;
    };

    // Draws `text` at `at` (its baseline) with the painter's pen, the ranges marked; where the
    // text ends.
    static QPoint drawMarked(QPainter *painter, const Marking &marking, QPoint at,
                             const QString &text, QList<NoteQueryHit::Range> marks)
    {
        QFont bold = marking.font;
        bold.setBold(true);
        const QPen pen = painter->pen();
        qsizetype done = 0;
        const auto draw = [&](qsizetype end, bool marked) {
            if (end <= done)
                return;
            const QString piece = text.mid(done, end - done);
            const QFontMetrics metrics(marked ? bold : marking.font);
            const int width = metrics.horizontalAdvance(piece);
            painter->setFont(marked ? bold : marking.font);
            if (marked) {
                painter->fillRect(QRect(at.x(), at.y() - metrics.ascent(), width, metrics.height()),
                                  marking.ground);
                painter->setPen(marking.ink);
            }
            painter->drawText(at, piece);
            painter->setPen(pen);
            at.rx() += width;
            done = end;
        };
        std::sort(marks.begin(), marks.end(),
                  [](const auto &a, const auto &b) { return a.start < b.start; });
        for (const NoteQueryHit::Range &mark : marks) {
            draw(std::clamp<qsizetype>(mark.start, 0, text.size()), false);
            draw(std::clamp<qsizetype>(mark.start + mark.length, 0, text.size()), true);
        }
        draw(text.size(), false);
        return at;
    }
};

} // namespace

int GoToNoteModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_count;
}

const NoteQueryHit &GoToNoteModel::hit(int row) const
{
    for (const QList<NoteQueryHit> &part : m_parts) {
        if (row < part.size())
            return part.at(row);
        row -= int(part.size());
    }
    qFatal("GoToNoteModel::hit: row out of range");
}

QVariant GoToNoteModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_count)
        return {};
    const NoteQueryHit &hit = this->hit(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return hit.noteName() + u", "_s + hit.folderName +
               (hit.position >= 0 ? u": "_s + hit.snippet : QString());
    case HitRole:
        return QVariant::fromValue(hit);
    default:
        return {};
    }
}

GoToNoteModel::~GoToNoteModel()
{
    freeInBackground(std::move(m_parts));
}

void GoToNoteModel::setHits(QList<NoteQueryHit> hits)
{
    beginResetModel();
    m_count = int(hits.size());
    freeInBackground(std::exchange(m_parts, {std::move(hits)}));
    endResetModel();
}

void GoToNoteModel::appendHits(const QList<NoteQueryHit> &hits)
{
    if (hits.isEmpty())
        return;
    beginInsertRows({}, m_count, int(m_count + hits.size() - 1));
    m_parts.append(hits);
    m_count += int(hits.size());
    endInsertRows();
}

GoToNoteDialog::GoToNoteDialog(std::function<NoteIndexSnapshotPtr()> snapshot, QWidget *parent)
    : QDialog(parent), m_snapshot(std::move(snapshot)), m_text(new QLineEdit(this)),
      m_list(new QListView(this)), m_status(new QLabel(this))
{
    setObjectName(u"goToNoteDialog"_s);
    setWindowTitle(u"Go to Note"_s);
    m_text->setObjectName(u"goToNoteField"_s);
    m_text->setAccessibleName(u"Words to look for"_s);
    m_text->setPlaceholderText(u"A note's name or words of its text"_s);
    m_list->setObjectName(u"goToNoteList"_s);
    m_list->setAccessibleName(u"Notes found"_s);
    m_list->setModel(&m_model);
    m_list->setItemDelegate(new HitDelegate(m_list));
    m_list->setUniformItemSizes(true);
    m_list->setFocusPolicy(Qt::NoFocus); // the keys stay in the field
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_status->setObjectName(u"goToNoteStatusLabel"_s);
    m_status->setTextFormat(Qt::PlainText);
    auto *label = new QLabel(u"&Look for:"_s, this);
    label->setBuddy(m_text);
    auto *row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_text, 1);
    auto *column = new QVBoxLayout(this);
    column->addLayout(row);
    column->addWidget(m_list, 1);
    column->addWidget(m_status);
    resize(600, 380);
    m_text->setFocus();

    m_text->installEventFilter(this);
    m_soon.setSingleShot(true);
    m_soon.setInterval(0);
    connect(&m_soon, &QTimer::timeout, this, [this] { run(m_text->text()); });
    // The query of a key typed starts once the field has shown it.
    connect(m_text, &QLineEdit::textChanged, &m_soon, qOverload<>(&QTimer::start));
    connect(m_text, &QLineEdit::returnPressed, this, &GoToNoteDialog::enter);
    connect(m_list, &QListView::activated, this, [this](const QModelIndex &index) {
        m_list->setCurrentIndex(index);
        enter();
    });
    connect(&m_watcher, &QFutureWatcher<QList<NoteQueryHit>>::resultReadyAt, this, [this](int at) {
        const QList<NoteQueryHit> hits = m_watcher.resultAt(at);
        if (at == 0) {
            if (!m_firstShown)
                showFirst(hits);
        } else {
            m_model.appendHits(hits);
            m_settled = true;
            // The query's thread is done with it: what it found is kept for the next keys.
            m_found = {m_query->text(), m_query->snapshot(), m_query->foundPlaces()};
        }
        showCount();
    });
    run({});
}

GoToNoteDialog::~GoToNoteDialog()
{
    if (m_query)
        m_query->cancel();
    m_watcher.waitForFinished();
}

void GoToNoteDialog::showFirst(const QList<NoteQueryHit> &hits)
{
    m_firstShown = true;
    m_model.setHits(hits);
    if (!hits.isEmpty())
        m_list->setCurrentIndex(m_model.index(0));
}

void GoToNoteDialog::run(const QString &query)
{
    m_soon.stop();
    if (m_query)
        m_query->cancel();
    m_query = std::make_shared<NoteQuery>(m_snapshot(), query);
    // A key typed on finds some of what the keys before it found: only those notes are looked at.
    if (m_found.places && m_found.snapshot == m_query->snapshot() &&
        queryNarrows(m_found.query, query))
        m_query->narrowTo(m_found.places);
    m_said.clear();
    m_settled = false;
    m_firstShown = false;
    m_status->clear();
    m_watcher.setFuture(runInBackground<QList<NoteQueryHit>>(
        m_pool, [query = m_query](QPromise<QList<NoteQueryHit>> &promise) {
            lowerThreadPriority();
            promise.addResult(query->next(kFirstScreen));
            if (!query->isCancelled())
                promise.addResult(query->rest());
        }));
}

void GoToNoteDialog::runAgain()
{
    const QString said = m_said;
    run(m_text->text());
    tell(said);
}

void GoToNoteDialog::tell(const QString &text)
{
    m_said = text;
    m_status->setText(text);
}

void GoToNoteDialog::showCount()
{
    const int count = m_model.rowCount();
    m_status->setText(!m_said.isEmpty() ? m_said
                      : count == 1      ? u"1 note found"_s
                                        : u"%1 notes found"_s.arg(count));
}

void GoToNoteDialog::enter()
{
    // Enter before the query's first screen came waits for it, so that it never opens a note
    // the query of fewer keys found: the query takes a moment at most.
    if (m_soon.isActive())
        run(m_text->text());
    if (!m_firstShown)
        showFirst(m_watcher.future().resultAt(0));
    const QModelIndex current = m_list->currentIndex();
    if (!current.isValid()) {
        Q_EMIT nothingFound(m_text->text());
        return;
    }
    Q_EMIT openRequested(m_model.hit(current.row()));
}

bool GoToNoteDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_text && event->type() == QEvent::KeyPress && m_model.rowCount() > 0) {
        // A page is what the list shows at once, at least one row.
        const int page =
            std::max(1, m_list->viewport()->height() / std::max(1, m_list->sizeHintForRow(0)));
        int step = 0;
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Up:
            step = -1;
            break;
        case Qt::Key_Down:
            step = 1;
            break;
        case Qt::Key_PageUp:
            step = -page;
            break;
        case Qt::Key_PageDown:
            step = page;
            break;
        default:
            return QDialog::eventFilter(watched, event);
        }
        const int row = std::clamp(m_list->currentIndex().row() + step, 0, m_model.rowCount() - 1);
        m_list->setCurrentIndex(m_model.index(row));
        m_list->scrollTo(m_model.index(row));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace qb
