#pragma once

#include "notes/NoteCodec.h"

#include <QString>

namespace qb {

class frmQB;

// The note list of the selected folder, the NoteStatus, loading and saving the current note and
// the File menu's note commands.
class NoteCommands
{
public:
    explicit NoteCommands(frmQB &window);
    ~NoteCommands();

    // The status word of panel 1: "Unchanged", "Changed", "Encoded" or "Decoded".
    QString NoteStatus() const;
    void SetNoteStatus(const QString &status, bool showPath);
    void DisableNoteSave();
    void ShowNoFileSelected();

    // Row of the book's folder table behind lstFLDS's selection; 0 when none is selected.
    int SelectedFolderRow() const;
    // The selected folder's directory, relative paths resolved; empty when none.
    QString SelectedFolderDir() const;
    bool HasCurrentNote() const;
    // The current note's file; empty when there is no current note.
    QString NotePath() const;

    void RefreshNoteList(int selectIndex);
    void lstFLDS_Click();
    void lstFILE_Click();

    void LoadNote();
    // Writes the current note unless it is "Unchanged"; false when a write was needed and failed
    // or the user declined it.
    bool SaveNote();
    void F_mnuREFRESH_Click();
    // Asks about unsaved edits before something replaces the editor's text. False: stop.
    bool ConfirmLeaveNote();

    void MakeNewNote();
    void AddExistingNote();
    void F_mnuREN_Click();
    void DeleteNote();

    // The encoder works on the note's bytes in the note's own encoding.
    const NoteFormat &noteFormat() const { return m_format; }
    QByteArray CurrentNoteBytes(bool *ok = nullptr) const;
    // Shows `bytes` as a loaded file would be shown, adopting their format.
    void ShowNoteBytes(const QByteArray &bytes);

private:
    frmQB &m_window;
    NoteFormat m_format;
};

} // namespace qb
