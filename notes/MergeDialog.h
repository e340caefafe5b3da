#pragma once

#include "encoder/NoteCodec.h"
#include "notes/NoteMerge.h"

#include <QDialog>

#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;

namespace qb {

class TextPane;

// The window titled "Merge - <note name>": the merged note with each clash marked (its lines,
// "<<<<<<< Mine" to ">>>>>>> Theirs", on a background of their own), the two sides of the clash
// the caret is in, and the buttons that settle it: "&Mine", "&Theirs", "&Both" (mine, then
// theirs), "&Next Clash"; "&Use Merged" once every clash is settled. A large merge shows its
// clashes with the lines around them, and says how many lines it leaves out.
class MergeDialog final : public QDialog
{
public:
    // `merged` is of notes in `format`; `baseText` says which base the merge had. For the copy
    // of a note (`copies` names the note's copies, `copy` the one merged), a check box offers to
    // remove the copy once the merged note is saved, and with several a list takes another.
    MergeDialog(const QString &noteName, MergedNote merged, const NoteFormat &format,
                const QString &baseText, const QStringList &copies = {}, int copy = -1,
                QWidget *parent = nullptr);

    // The dialog's result when the user took another copy from the list: chosenCopy() tells
    // which, to be merged in its place.
    static constexpr int OtherCopy = 2;
    int chosenCopy() const;

    // The merged note's bytes, every clash settled as chosen.
    QByteArray mergedBytes() const;
    // The user wants the copy removed once the merged note is saved.
    bool removesCopy() const;

    TextPane *mergedView() const { return m_merged; }
    TextPane *mineView() const { return m_mine; }
    TextPane *theirsView() const { return m_theirs; }
    QPushButton *button(const QString &objectName) const;

private:
    enum class Take { Mine, Theirs, Both };
    // The clash the caret is in settled so.
    void settle(Take take);
    void nextClash();
    // Shows the merged note again, the caret in the clash `clash`.
    void refresh(int clash);
    // Marks the lines of each clash not settled yet with a background from the palette.
    void markClashes();
    // The clash the caret is in, or -1.
    int clashAtCaret() const;
    void showSides();
    // The parts of the window: Mine, Theirs, Both and Next Clash; Use Merged and Cancel; the
    // two sides of a clash; the copy to merge, when there are several.
    QHBoxLayout *createSettleButtons();
    QDialogButtonBox *createDialogButtons();
    QGridLayout *createSides();
    QHBoxLayout *createCopyChoice(const QStringList &copies, int copy);

    MergedNote m_note;
    std::vector<const MergeClash *> m_clashes; // in m_note, in order
    NoteFormat m_format;
    std::vector<std::optional<QByteArray>> m_settled; // by clash
    std::vector<std::pair<int, int>> m_clashSpans;    // where each clash is shown
    QLabel *m_base;
    TextPane *m_merged, *m_mine, *m_theirs;
    QPushButton *m_mineButton, *m_theirsButton, *m_bothButton, *m_nextButton, *m_useButton;
    QCheckBox *m_removeCopy = nullptr;
    QComboBox *m_copies = nullptr;
    bool m_shortened = false; // only the clashes and the lines around them shown
};

} // namespace qb
