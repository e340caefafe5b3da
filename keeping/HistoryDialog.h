#pragma once

#include "keeping/NoteHistory.h"

#include <QDialog>
#include <QStringList>

#include <functional>

class QListWidget;
class QPushButton;

namespace qb {

class TextPane;

// File > Note History...: the versions kept of the shown note, newest first, each with the time
// it was taken and its size, and the lines that differ between the one selected and the text
// in the editor. Restore (Enter, a double click) accepts with that version selected.
class HistoryDialog final : public QDialog
{
public:
    // `read` gives a version's bytes, or why they cannot be had; `current` is the editor's text.
    HistoryDialog(const QString &noteName, const QList<NoteVersion> &versions,
                  std::function<VersionBytes(const NoteVersion &)> read, const QString &current,
                  QWidget *parent = nullptr);

    // The version selected; -1 for none.
    int selectedRow() const;

    QListWidget *versionList() const { return m_list; }
    TextPane *diffView() const { return m_diff; }
    QPushButton *restoreButton() const { return m_restore; }

private:
    void showDifferences(int row);
    // Sets the colours of the removed and added lines from the palette as it is now.
    void colourDifferences();

    QList<NoteVersion> m_versions;
    std::function<VersionBytes(const NoteVersion &)> m_read;
    QStringList m_current;
    QListWidget *m_list;
    TextPane *m_diff;
    QPushButton *m_restore;
};

} // namespace qb
