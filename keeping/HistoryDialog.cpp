#include "keeping/HistoryDialog.h"

#include "editor/PaletteColours.h"
#include "editor/TextPane.h"
#include "encoder/NoteCodec.h"
#include "keeping/LineDiff.h"
#include "platform/SizeText.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPalette>
#include <QPushButton>
#include <QSplitter>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

// `field` under a label naming it, which takes the keyboard to it.
QWidget *labelled(const QString &caption, QWidget *field)
{
    auto *box = new QWidget(field->parentWidget());
    auto *label = new QLabel(caption, box);
    label->setBuddy(field);
    auto *column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(label);
    column->addWidget(field, 1);
    return box;
}

} // namespace

namespace {

// The kind of the diff's line a run of its text belongs to: the colour follows from it and the
// palette, and is set again when the palette changes.
constexpr int kDiffLineProperty = QTextFormat::UserProperty + 1;
enum DiffColour { Removed = 1, Added = 2 };

QTextCharFormat diffLineFormat(DiffColour kind, const QPalette &palette)
{
    QTextCharFormat format;
    format.setProperty(kDiffLineProperty, int(kind));
    format.setForeground(kind == Removed ? removedLineColour(palette) : addedLineColour(palette));
    return format;
}

} // namespace

HistoryDialog::HistoryDialog(const QString &noteName, const QList<NoteVersion> &versions,
                             std::function<VersionBytes(const NoteVersion &)> read,
                             const QString &current, QWidget *parent)
    : QDialog(parent), m_versions(versions), m_read(std::move(read)),
      m_current(current.split(u'\n')), m_list(new QListWidget(this)),
      m_diff(new TextPane(u"historyDiffView"_s, this)),
      m_restore(new QPushButton(u"&Restore"_s, this))
{
    setObjectName(u"historyDialog"_s);
    setWindowTitle(u"Note History - "_s + noteName);
    m_list->setObjectName(u"historyVersionList"_s);
    m_list->setAccessibleName(u"Versions"_s);
    const QLocale locale;
    for (const NoteVersion &version : versions) {
        m_list->addItem(locale.toString(version.taken().toLocalTime(), QLocale::ShortFormat) +
                        u"    "_s + sizeText(version.size));
    }
    m_diff->setAccessibleName(u"Lines that differ from the editor's text"_s);
    followPalette(*m_diff, [this] { colourDifferences(); });
    m_diff->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_restore->setObjectName(u"historyRestoreButton"_s);
    m_restore->setDefault(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(u"&Close"_s);
    buttons->addButton(m_restore, QDialogButtonBox::AcceptRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemActivated, this, &QDialog::accept);
    connect(m_list, &QListWidget::currentRowChanged, this, &HistoryDialog::showDifferences);

    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(labelled(u"&Versions:"_s, m_list));
    splitter->addWidget(labelled(u"&Differences from the text in the editor:"_s, m_diff));
    splitter->setStretchFactor(1, 3);
    auto *column = new QVBoxLayout(this);
    column->addWidget(splitter);
    column->addWidget(buttons);
    resize(640, 480);

    m_list->setCurrentRow(0);
    m_list->setFocus();
}

int HistoryDialog::selectedRow() const
{
    return m_list->currentRow();
}

void HistoryDialog::showDifferences(int row)
{
    m_diff->clear();
    m_restore->setEnabled(row >= 0);
    if (row < 0 || row >= m_versions.size())
        return;
    const VersionBytes version = m_read(m_versions.at(row));
    if (!version.ok()) {
        m_diff->setPlainText(u"This version can't be read.\n"_s + version.error);
        return;
    }
    const LineDiff diff = diffLines(decodeNoteBytes(version.bytes).text.split(u'\n'), m_current);
    if (diff.tooDifferent) {
        m_diff->setPlainText(u"This version differs from the text in the editor throughout."_s);
        return;
    }
    if (diff.hunks.isEmpty()) {
        m_diff->setPlainText(u"This version holds the text in the editor."_s);
        return;
    }
    // Removed lines are those of the version only, added ones those of the editor only.
    const QTextCharFormat plain;
    const QTextCharFormat removed = diffLineFormat(Removed, m_diff->palette());
    const QTextCharFormat added = diffLineFormat(Added, m_diff->palette());
    QTextCursor cursor(m_diff->document());
    for (const DiffHunk &hunk : diff.hunks) {
        cursor.insertText(u"@@ version line %1, editor line %2 @@\n"_s.arg(hunk.oldStart + 1)
                              .arg(hunk.newStart + 1),
                          plain);
        for (const DiffLine &line : hunk.lines) {
            switch (line.kind) {
            case DiffLine::Kind::Same:
                cursor.insertText(u"  "_s + line.text + u'\n', plain);
                break;
            case DiffLine::Kind::Removed:
                cursor.insertText(u"- "_s + line.text + u'\n', removed);
                break;
            case DiffLine::Kind::Added:
                cursor.insertText(u"+ "_s + line.text + u'\n', added);
                break;
            }
        }
    }
    m_diff->moveCursor(QTextCursor::Start);
}

void HistoryDialog::colourDifferences()
{
    QTextDocument &document = *m_diff->document();
    QList<std::tuple<int, int, DiffColour>> runs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (const int kind = fragment.charFormat().intProperty(kDiffLineProperty))
                runs.append({fragment.position(), fragment.length(), DiffColour(kind)});
        }
    }
    QTextCursor cursor(&document);
    for (const auto &[position, length, kind] : std::as_const(runs)) {
        cursor.setPosition(position);
        cursor.setPosition(position + length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(diffLineFormat(kind, m_diff->palette()));
    }
}

} // namespace qb
