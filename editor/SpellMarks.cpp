#include "editor/SpellMarks.h"

#include "editor/NoteEditor.h"
#include "editor/SoftBreaks.h"
#include "editor/SpellWords.h"
#include "platform/Background.h"

#include <QMenu>
#include <QPalette>
#include <QScrollBar>
#include <QTextBlock>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

// After a key, the check waits for a pause in the typing; after a scroll, hardly at all.
constexpr int kAfterEdit = 250;
constexpr int kAfterScroll = 10;
constexpr int kSuggestions = 5;
// Judgements kept: beyond this many the oldest are dropped all at once.
constexpr qsizetype kMostKnown = 200'000;
// How far before and after the range checked a word may reach.
constexpr int kLongestWord = 256;

} // namespace

QColor spellingMarkColour(const QPalette &palette)
{
    // Red that stands out from the text's background, dark or light.
    const bool dark = palette.color(QPalette::Base).lightness() < 128;
    return dark ? QColor(0xFF, 0x6E, 0x6E) : QColor(0xD0, 0x10, 0x10);
}

// A stretch of the editor's text taken into the checked text, which leaves soft breaks out.
struct SpellMarks::Piece
{
    qsizetype textStart; // in the checked text
    int editorStart;
    qsizetype length;
};

struct SpellMarks::Gathered
{
    QString text;
    QList<Piece> pieces;
    int to = 0; // the editor's position where the text checked ends
    int editorPosition(qsizetype at) const
    {
        auto piece = std::upper_bound(pieces.cbegin(), pieces.cend(), at,
                                      [](qsizetype a, const Piece &p) { return a < p.textStart; });
        --piece;
        return piece->editorStart + int(at - piece->textStart);
    }
    // The end of a word ending at `at`: in the piece that holds its last character.
    int editorEnd(qsizetype at) const { return editorPosition(at - 1) + 1; }
};

SpellMarks::SpellMarks(NoteDocument &note, NoteEditor &editor, QObject *parent)
    : QObject(parent), m_note(note), m_editor(editor), m_editorAlive(&editor)
{
    m_due.setSingleShot(true);
    connect(&m_due, &QTimer::timeout, this, &SpellMarks::check);
    connect(&m_judging, &QFutureWatcher<QList<bool>>::finished, this, [this] {
        const QList<bool> known =
            m_judging.future().isResultReadyAt(0) ? m_judging.result() : QList<bool>();
        if (known.size() == m_judged.size()) {
            if (m_known.size() > kMostKnown)
                m_known.clear();
            for (qsizetype i = 0; i < known.size(); ++i)
                m_known.insert(m_judged[i], known[i]);
        }
        m_judged.clear();
        schedule(0);
    });
    m_editor.installEventFilter(this);
    followDocument();
    connect(&note, &NoteDocument::documentReplaced, this, &SpellMarks::followDocument);
    connect(m_editor.verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { schedule(kAfterScroll); });
    connect(&m_editor, &QPlainTextEdit::cursorPositionChanged, this,
            [this] { schedule(kAfterEdit); });
    connect(&m_editor, &QPlainTextEdit::updateRequest, this, [this](const QRect &, int dy) {
        if (dy != 0)
            schedule(kAfterScroll);
    });
    m_editor.setContextItems(
        [this](QMenu &menu, int position) { addContextItems(menu, position); });
}

SpellMarks::~SpellMarks()
{
    if (m_editorAlive)
        m_editor.setContextItems({});
    m_judging.waitForFinished();
}

bool SpellMarks::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_editor && event->type() == QEvent::PaletteChange &&
        !m_editor.underlines().isEmpty())
        m_editor.setUnderlines(m_editor.underlines(), spellingMarkColour(m_editor.palette()));
    if (watched == &m_editor &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::InputMethod)) {
        m_keyPending = true;
        // Over once the key has been handled.
        QTimer::singleShot(0, this, [this] { m_keyPending = false; });
    }
    return QObject::eventFilter(watched, event);
}

void SpellMarks::followDocument()
{
    m_lastEdit = -1;
    m_checkedTo = -1;
    connect(&m_note.document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int added) {
                // Past what was checked, nothing checked changes or moves: a note read in slices.
                if (!m_keyPending && m_checkedTo >= 0 && position > m_checkedTo)
                    return;
                // Text put in by the program (a note read in slices, a suggestion) is no word
                // typed.
                m_lastEdit = m_keyPending ? position + added : -1;
                schedule(kAfterEdit);
            });
    schedule(kAfterScroll);
}

QString SpellMarks::wordAt(int start, int end) const
{
    const QTextDocument &document = m_note.document();
    QString word;
    for (int at = start; at < end && at < document.characterCount() - 1; ++at) {
        if (!isSoftBreakAt(document, at))
            word += document.characterAt(at);
    }
    return word;
}

void SpellMarks::setChecker(std::shared_ptr<SpellChecker> checker)
{
    m_checker = std::move(checker);
    judgeAgain();
}

void SpellMarks::setAllowed(bool allowed)
{
    if (allowed == m_allowed)
        return;
    m_allowed = allowed;
    schedule(0);
}

void SpellMarks::ignore(const QString &word)
{
    m_ignored.insert(word);
    schedule(0);
}

void SpellMarks::judgeAgain()
{
    m_judging.waitForFinished();
    m_known.clear();
    schedule(0);
}

QList<std::pair<int, int>> SpellMarks::markedRanges() const
{
    QList<std::pair<int, int>> ranges;
    for (const QTextCursor &mark : m_editor.underlines())
        ranges.append({mark.selectionStart(), mark.selectionEnd()});
    return ranges;
}

bool SpellMarks::isSettled() const
{
    return !m_due.isActive() && m_judging.isFinished();
}

void SpellMarks::schedule(int delay)
{
    if (m_due.isActive() && m_due.remainingTime() <= delay)
        return;
    m_due.start(delay);
}

SpellMarks::Gathered SpellMarks::gather() const
{
    Gathered gathered;
    const QTextDocument &document = m_note.document();
    const QRect view = m_editor.viewport()->rect();
    const int first = m_editor.cursorForPosition(view.topLeft()).position();
    const int last = m_editor.cursorForPosition(view.bottomRight()).position();
    const int screen = std::max(last - first, 1);
    const int end = int(document.characterCount()) - 1;
    int from = std::max(0, first - screen - kLongestWord);
    int to = std::min(end, last + screen + kLongestWord);
    // Whole words only at the ends.
    while (from > 0 && from > first - screen - 2 * kLongestWord &&
           !document.characterAt(from - 1).isSpace())
        --from;
    while (to < end && to < last + screen + 2 * kLongestWord && !document.characterAt(to).isSpace())
        ++to;
    for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        const int start = std::max(from, block.position());
        const int stop = std::min(to, block.position() + block.length() - 1);
        if (stop > start) {
            gathered.pieces.append({gathered.text.size(), start, stop - start});
            gathered.text +=
                QStringView(block.text()).sliced(start - block.position(), stop - start);
        }
        const int breakAt = block.position() + block.length() - 1;
        // A soft break joins the display lines of one line: no separator between them.
        if (breakAt < to && !isSoftBreakAt(document, breakAt)) {
            gathered.pieces.append({gathered.text.size(), breakAt, 1});
            gathered.text += u'\n';
        }
    }
    gathered.to = to;
    return gathered;
}

void SpellMarks::check()
{
    if (!m_checker || !m_allowed || !m_editor.isEnabled()) {
        if (!m_editor.underlines().isEmpty())
            m_editor.setUnderlines({}, {});
        Q_EMIT marked();
        return;
    }
    if (!m_judging.isFinished()) {
        schedule(kAfterScroll);
        return;
    }
    const Gathered gathered = gather();
    m_checkedTo = gathered.to;
    const QList<WordSpan> words = wordsToCheck(gathered.text, m_checker->wordCharacters());
    QStringList unknown;
    QSet<QString> asked;
    for (const WordSpan &span : words) {
        const QString word = gathered.text.mid(span.start, span.length);
        if (!m_known.contains(word) && !asked.contains(word)) {
            asked.insert(word);
            unknown.append(word);
        }
    }
    if (unknown.isEmpty()) {
        apply(gathered);
        return;
    }
    m_judged = unknown;
    m_judging.setFuture(runInBackground<QList<bool>>(
        [checker = m_checker, unknown](QPromise<QList<bool>> &promise) {
            QList<bool> known;
            known.reserve(unknown.size());
            for (const QString &word : unknown)
                known.append(checker->isKnown(word));
            promise.addResult(known);
        }));
}

void SpellMarks::apply(const Gathered &gathered)
{
    const int caret = m_editor.textCursor().position();
    QList<std::pair<int, int>> marks;
    for (const WordSpan &span : wordsToCheck(gathered.text, m_checker->wordCharacters())) {
        const QString word = gathered.text.mid(span.start, span.length);
        if (m_known.value(word, true) || m_ignored.contains(word))
            continue;
        const int start = gathered.editorPosition(span.start);
        const int end = gathered.editorEnd(span.end());
        // The word being typed is judged once the caret has left it.
        if (caret >= start && caret <= end && m_lastEdit >= start && m_lastEdit <= end)
            continue;
        marks.append({start, end});
    }
    if (marks != markedRanges()) {
        QList<QTextCursor> ranges;
        ranges.reserve(marks.size());
        for (const auto &[start, end] : std::as_const(marks)) {
            QTextCursor cursor(&m_note.document());
            cursor.setPosition(start);
            cursor.setPosition(end, QTextCursor::KeepAnchor);
            ranges.append(cursor);
        }
        m_editor.setUnderlines(ranges, spellingMarkColour(m_editor.palette()));
    }
    Q_EMIT marked();
}

void SpellMarks::addContextItems(QMenu &menu, int position)
{
    if (!m_checker || !m_allowed)
        return;
    // The marks' cursors have moved with the edits since they were set.
    const QList<std::pair<int, int>> ranges = markedRanges();
    const auto found = std::find_if(ranges.cbegin(), ranges.cend(), [position](const auto &r) {
        return position >= r.first && position <= r.second;
    });
    if (found == ranges.cend())
        return;
    struct
    {
        int start, end;
        QString word;
    } const mark{found->first, found->second, wordAt(found->first, found->second)};
    // Asked only now: suggestions take the engine a while.
    const QStringList suggestions = m_checker->suggestions(mark.word, kSuggestions);
    int number = 0;
    for (const QString &suggestion : suggestions) {
        QAction *item = menu.addAction(QString(suggestion).replace(u'&', u"&&"_s));
        item->setObjectName(u"suggestionAction_%1"_s.arg(++number));
        connect(item, &QAction::triggered, this,
                [this, mark, suggestion] { replace(mark.start, mark.end, mark.word, suggestion); });
    }
    if (suggestions.isEmpty()) {
        QAction *none = menu.addAction(u"(No Suggestions)"_s);
        none->setObjectName(u"noSuggestionAction"_s);
        none->setEnabled(false);
    }
    menu.addSeparator();
    QAction *add = menu.addAction(u"&Add to Dictionary"_s);
    add->setObjectName(u"addWordAction"_s);
    add->setEnabled(m_mayKeepWords);
    if (!m_mayKeepWords)
        add->setToolTip(u"The words of an encrypted or encoded note are not written to a file"_s);
    connect(add, &QAction::triggered, this,
            [this, word = mark.word] { Q_EMIT addRequested(word); });
    QAction *ignoreItem = menu.addAction(u"&Ignore"_s);
    ignoreItem->setObjectName(u"ignoreWordAction"_s);
    connect(ignoreItem, &QAction::triggered, this, [this, word = mark.word] { ignore(word); });
}

void SpellMarks::replace(int start, int end, const QString &word, const QString &with)
{
    QTextDocument &document = m_note.document();
    if (!m_editor.acceptsEdits() || end > int(document.characterCount()) - 1)
        return;
    // The word must still be there as it was marked.
    if (wordAt(start, end) != word)
        return;
    QList<int> softBreaks;
    for (int at = start; at < end; ++at) {
        if (isSoftBreakAt(document, at))
            softBreaks.append(at);
    }
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    // The part after a soft break goes; the soft break stays where it is.
    const int firstEnd = softBreaks.isEmpty() ? end : softBreaks.constFirst();
    if (firstEnd < end) {
        cursor.setPosition(firstEnd + 1);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    cursor.setPosition(start);
    cursor.setPosition(firstEnd, QTextCursor::KeepAnchor);
    cursor.insertText(with);
    cursor.endEditBlock();
    m_editor.setTextCursor(cursor);
}

} // namespace qb
