#include "notes/MergeDialog.h"

#include "editor/PaletteColours.h"
#include "editor/TextPane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBlock>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace qb {

namespace {

// A merged note larger than this shows only its clashes and the lines around them: laying out
// the whole of a large note would hold the window up at each clash settled.
constexpr qsizetype kWholeViewBytes = 256 * 1024;
constexpr qsizetype kContextLines = 3;

// Of the agreed `bytes` of a large merge, the first and last lines shown, and how many lie
// between; none hidden when there are few. Lines end in '\n' (a note of lone CRs is shown whole).
struct Shortened
{
    QByteArrayView head, tail;
    qsizetype hidden = 0;
};

Shortened shortened(const QByteArray &bytes)
{
    const qsizetype lines = bytes.count('\n') + (bytes.endsWith('\n') ? 0 : 1);
    if (lines - 2 * kContextLines <= 1)
        return {bytes, {}, 0};
    qsizetype headEnd = 0;
    for (qsizetype i = 0; i < kContextLines; ++i)
        headEnd = bytes.indexOf('\n', headEnd) + 1;
    qsizetype tailStart = bytes.size() - (bytes.endsWith('\n') ? 1 : 0);
    for (qsizetype i = 0; i < kContextLines; ++i)
        tailStart = bytes.lastIndexOf('\n', tailStart - 1);
    return {QByteArrayView(bytes).first(headEnd), QByteArrayView(bytes).sliced(tailStart + 1),
            lines - 2 * kContextLines};
}

} // namespace

MergeDialog::MergeDialog(const QString &noteName, MergedNote merged, const NoteFormat &format,
                         const QString &baseText, const QStringList &copies, int copy,
                         QWidget *parent)
    : QDialog(parent), m_note(std::move(merged)), m_format(format),
      m_settled(size_t(m_note.clashCount())), m_base(new QLabel(baseText, this)),
      m_merged(new TextPane(u"mergedView"_s, this)), m_mine(new TextPane(u"mineView"_s, this)),
      m_theirs(new TextPane(u"theirsView"_s, this))
{
    qsizetype bytes = 0;
    for (const MergedNote::Piece &piece : m_note.pieces) {
        if (piece.clash)
            m_clashes.push_back(&*piece.clash);
        bytes += piece.agreed.size();
    }
    m_shortened = bytes > kWholeViewBytes;
    setObjectName(u"mergeDialog"_s);
    setWindowTitle(u"Merge - "_s + noteName);
    m_base->setObjectName(u"mergeBaseLabel"_s);
    m_base->setWordWrap(true);
    // Made in the order Tab takes them.
    QHBoxLayout *settleRow = createSettleButtons();
    connect(m_merged, &QPlainTextEdit::cursorPositionChanged, this, &MergeDialog::showSides);
    followPalette(*m_merged, [this] { markClashes(); });
    QDialogButtonBox *buttons = createDialogButtons();
    QGridLayout *sides = createSides();
    auto *column = new QVBoxLayout(this);
    if (copies.size() > 1)
        column->addLayout(createCopyChoice(copies, copy));
    column->addWidget(m_base);
    auto *mergedLabel = new QLabel(u"Merged n&ote:"_s, this);
    mergedLabel->setBuddy(m_merged);
    column->addWidget(mergedLabel);
    column->addWidget(m_merged, 3);
    column->addLayout(sides, 1);
    column->addLayout(settleRow);
    if (!copies.isEmpty()) {
        m_removeCopy = new QCheckBox(u"&Remove the copy once the merged note is saved"_s, this);
        m_removeCopy->setObjectName(u"removeCopyBox"_s);
        m_removeCopy->setChecked(true);
        column->addWidget(m_removeCopy);
    }
    column->addWidget(buttons);
    resize(720, 560);
    refresh(m_settled.empty() ? -1 : 0);
}

QHBoxLayout *MergeDialog::createSettleButtons()
{
    const auto makeButton = [this](const char *name, const QString &caption) {
        auto *button = new QPushButton(caption, this);
        button->setObjectName(QLatin1String(name));
        button->setAutoDefault(false);
        return button;
    };
    m_mineButton = makeButton("mineButton", u"&Mine"_s);
    m_theirsButton = makeButton("theirsButton", u"&Theirs"_s);
    m_bothButton = makeButton("bothButton", u"&Both"_s);
    m_nextButton = makeButton("nextClashButton", u"&Next Clash"_s);
    connect(m_mineButton, &QPushButton::clicked, this, [this] { settle(Take::Mine); });
    connect(m_theirsButton, &QPushButton::clicked, this, [this] { settle(Take::Theirs); });
    connect(m_bothButton, &QPushButton::clicked, this, [this] { settle(Take::Both); });
    connect(m_nextButton, &QPushButton::clicked, this, &MergeDialog::nextClash);
    auto *settleRow = new QHBoxLayout;
    for (QPushButton *button : {m_mineButton, m_theirsButton, m_bothButton, m_nextButton})
        settleRow->addWidget(button);
    settleRow->addStretch();
    return settleRow;
}

QDialogButtonBox *MergeDialog::createDialogButtons()
{
    auto *buttons = new QDialogButtonBox(this);
    m_useButton = buttons->addButton(u"&Use Merged"_s, QDialogButtonBox::AcceptRole);
    m_useButton->setObjectName(u"useMergedButton"_s);
    QPushButton *cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(u"cancelButton"_s);
    cancel->setText(u"&Cancel"_s);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    return buttons;
}

QGridLayout *MergeDialog::createSides()
{
    auto *sides = new QGridLayout;
    // The buttons take the words' first letters.
    auto *mineLabel = new QLabel(u"M&ine:"_s, this);
    mineLabel->setBuddy(m_mine);
    auto *theirsLabel = new QLabel(u"T&heirs:"_s, this);
    theirsLabel->setBuddy(m_theirs);
    sides->addWidget(mineLabel, 0, 0);
    sides->addWidget(theirsLabel, 0, 1);
    sides->addWidget(m_mine, 1, 0);
    sides->addWidget(m_theirs, 1, 1);
    return sides;
}

QHBoxLayout *MergeDialog::createCopyChoice(const QStringList &copies, int copy)
{
    m_copies = new QComboBox(this);
    m_copies->setObjectName(u"copyBox"_s);
    m_copies->addItems(copies);
    m_copies->setCurrentIndex(copy);
    auto *label = new QLabel(u"Cop&y:"_s, this);
    label->setBuddy(m_copies);
    auto *copyRow = new QHBoxLayout;
    copyRow->addWidget(label);
    copyRow->addWidget(m_copies, 1);
    connect(m_copies, &QComboBox::activated, this, [this] { done(OtherCopy); });
    return copyRow;
}

QPushButton *MergeDialog::button(const QString &objectName) const
{
    return findChild<QPushButton *>(objectName);
}

int MergeDialog::chosenCopy() const
{
    return m_copies ? m_copies->currentIndex() : -1;
}

bool MergeDialog::removesCopy() const
{
    return m_removeCopy && m_removeCopy->isChecked();
}

QByteArray MergeDialog::mergedBytes() const
{
    size_t clash = 0;
    return m_note.bytes(
        [&](const MergeClash &) { return m_settled[clash++].value_or(QByteArray()); });
}

void MergeDialog::settle(Take take)
{
    const int clash = clashAtCaret();
    if (clash < 0)
        return;
    const MergeClash &sides = *m_clashes[size_t(clash)];
    QByteArray both = sides.mine;
    // Mine, then theirs, each on lines of its own.
    if (!both.isEmpty() && !both.endsWith('\n') && !sides.theirs.isEmpty())
        both += m_format.lineEndBytes();
    both += sides.theirs;
    m_settled[size_t(clash)] = take == Take::Mine     ? sides.mine
                               : take == Take::Theirs ? sides.theirs
                                                      : both;
    refresh(clash);
    nextClash();
}

void MergeDialog::nextClash()
{
    const int from = std::max(clashAtCaret(), -1);
    const int count = int(m_settled.size());
    for (int step = 1; step <= count; ++step) {
        const int clash = (from + step) % count;
        if (!m_settled[size_t(clash)]) {
            QTextCursor caret(m_merged->document());
            caret.setPosition(m_clashSpans[size_t(clash)].first);
            m_merged->setTextCursor(caret);
            m_merged->centerCursor();
            return;
        }
    }
}

void MergeDialog::refresh(int clash)
{
    QString text;
    m_clashSpans.clear();
    size_t index = 0;
    const auto decoded = [this](QByteArrayView bytes) {
        return decodeNoteBytes(bytes, m_format).text;
    };
    const auto line = [](QString shown) {
        return shown.isEmpty() || shown.endsWith(u'\n') ? shown : shown + u'\n';
    };
    for (const MergedNote::Piece &piece : m_note.pieces) {
        if (!piece.clash) {
            const Shortened shown =
                m_shortened ? shortened(piece.agreed) : Shortened{piece.agreed, {}, 0};
            text += decoded(shown.head);
            if (shown.hidden > 0)
                text += u"\u22EF %L1 more lines of the merged note \u22EF\n"_s.arg(shown.hidden) +
                        decoded(shown.tail);
            continue;
        }
        const int start = int(text.size());
        if (const std::optional<QByteArray> &settled = m_settled[index])
            text += decoded(*settled);
        else
            text += u"<<<<<<< Mine\n"_s + line(decoded(piece.clash->mine)) + u"=======\n"_s +
                    line(decoded(piece.clash->theirs)) + u">>>>>>> Theirs\n"_s;
        m_clashSpans.emplace_back(start, int(text.size()));
        ++index;
    }
    const QSignalBlocker quiet(m_merged);
    m_merged->setPlainText(text);
    markClashes();
    if (clash >= 0 && size_t(clash) < m_clashSpans.size()) {
        QTextCursor caret(m_merged->document());
        caret.setPosition(m_clashSpans[size_t(clash)].first);
        m_merged->setTextCursor(caret);
    }
    const bool settled = std::all_of(m_settled.cbegin(), m_settled.cend(),
                                     [](const auto &s) { return s.has_value(); });
    m_useButton->setEnabled(settled);
    m_nextButton->setEnabled(!settled);
    showSides();
}

void MergeDialog::markClashes()
{
    const QPalette &palette = m_merged->palette();
    QTextEdit::ExtraSelection clash;
    clash.format.setBackground(markColour(palette, palette.color(QPalette::Base)));
    clash.format.setForeground(textColourOn(palette, clash.format.background().color()));
    clash.format.setProperty(QTextFormat::FullWidthSelection, true);
    QList<QTextEdit::ExtraSelection> marks;
    for (size_t index = 0; index < m_clashSpans.size(); ++index) {
        const auto [start, end] = m_clashSpans[index];
        if (m_settled[index] || start == end)
            continue;
        // Its last line break too, so that its last line is marked across the whole width.
        clash.cursor = QTextCursor(m_merged->document());
        clash.cursor.setPosition(start);
        clash.cursor.setPosition(end, QTextCursor::KeepAnchor);
        marks.append(clash);
    }
    m_merged->setExtraSelections(marks);
}

int MergeDialog::clashAtCaret() const
{
    const int at = m_merged->textCursor().position();
    for (size_t clash = 0; clash < m_clashSpans.size(); ++clash) {
        const auto [start, end] = m_clashSpans[clash];
        if (at >= start && (at < end || (at == end && start == end)))
            return int(clash);
    }
    return -1;
}

void MergeDialog::showSides()
{
    const int clash = clashAtCaret();
    const MergeClash *shown = clash >= 0 ? m_clashes[size_t(clash)] : nullptr;
    m_mine->setPlainText(shown ? decodeNoteBytes(shown->mine, m_format).text : QString());
    m_theirs->setPlainText(shown ? decodeNoteBytes(shown->theirs, m_format).text : QString());
    for (QPushButton *button : {m_mineButton, m_theirsButton, m_bothButton})
        button->setEnabled(shown != nullptr);
}

} // namespace qb
