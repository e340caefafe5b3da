#pragma once

#include "notes/NoteCodec.h"
#include "notes/NoteDocument.h"
#include "notes/NoteFiles.h"
#include "notes/NoteFingerprint.h"
#include "notes/NoteListing.h"
#include "notes/NoteNames.h"
#include "platform/FileOps.h"
#include "notes/NoteSize.h"

#include <QString>

namespace qb {

class frmQB;
class NoteListModel;

// `path` between double quotes, as the messages show file paths.
QString Quoted(const QString &path);

// The note list of the selected folder, the NoteStatus, loading and saving the current note and
// the File menu's note commands. Owned by frmQB; works on its selectors, editor and status bar.
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
    // A note is selected in lstFILE of a selected folder.
    bool HasCurrentNote() const;
    // The editor holds the current note as read from its file (a failed read leaves none).
    bool NoteShown() const { return !m_shownPath.isEmpty(); }
    // The file the editor's note was read from; a save writes there.
    const QString &ShownNotePath() const { return m_shownPath; }
    // The user has changed the note since it was loaded or saved. Encode and Decode move the
    // status away from "Changed" without saving, so the status word alone cannot tell.
    bool HasUnsavedEdits() const { return m_edited && NoteShown(); }
    // "The file: "<note>" isn't saved." and `question` on a line of its own, as every question
    // about unsaved edits reads.
    QString UnsavedNoteText(const QString &question) const;
    // The current note's name as lstFILE shows it, and its file; empty when there is none.
    QString CurrentNoteName() const;
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
    // Copies `source` into the selected folder (asking before replacing a note of its name and
    // about unsaved edits) and refills the list. False when nothing was done.
    bool AddNoteFile(const QString &source, const QString &title);
    void F_mnuREN_Click();
    void DeleteNote();

    // When opening a note asks first, and when it refuses.
    void setSizeLimits(const NoteSizeLimits &limits) { m_sizeLimits = limits; }
    const NoteSizeLimits &sizeLimits() const { return m_sizeLimits; }

    // The encoder works on the note's bytes in the note's own encoding.
    const NoteFormat &noteFormat() const { return m_format; }
    NoteBytes CurrentNoteBytes() const;
    // How many characters the editor holds.
    qint64 ShownTextSize() const;
    // Shows `bytes` as a loaded file would be shown, adopting their format.
    void ShowNoteBytes(const QByteArray &bytes);

    // While one lives, the selectors' click handlers run from code: the command that made the
    // selection has already asked about unsaved edits, so they ask nothing.
    class CodeSelection
    {
    public:
        explicit CodeSelection(NoteCommands &notes) : m_notes(notes) { ++m_notes.m_codeSelection; }
        ~CodeSelection() { --m_notes.m_codeSelection; }
        CodeSelection(const CodeSelection &) = delete;
        CodeSelection &operator=(const CodeSelection &) = delete;

    private:
        NoteCommands &m_notes;
    };

private:
    NoteListModel &noteModel();
    QString CurrentFileName() const;
    void SelectNoteRow(int row);
    void PutSelectorsBack();
    void ForgetShownNote();
    // The editor emptied and switched off, the panels saying no note is shown.
    void ShowNoNote();
    void ShowUnreadableNote(const QString &path, const QString &reason);
    bool AcceptNoteFileName(const QString &typed, const QString &fileName,
                            const QString &title);
    // Asks before a large file is opened or added; false when it must not be: the user said no,
    // or it is too large, which has been said.
    bool AcceptFileSize(const QString &path, const QString &what, const QString &title);
    // A message box: what could not be done, then the system's reason.
    void ReportFileError(const QString &what, const QString &reason, const QString &title);

    frmQB &m_window;
    NoteListModel *m_noteModel = nullptr; // lstFILE's model, owned by lstFILE
    NoteSizeLimits m_sizeLimits = NoteSizeLimits::forThisMachine();
    NoteFormat m_format;
    // The note in the editor: its file, where it was listed, and what the file held.
    QString m_shownPath;
    int m_shownFolderRow = 0;
    int m_shownNoteRow = -1;
    NoteFingerprint m_fingerprint;
    int m_codeSelection = 0;
    // The folder row whose notes lstFILE lists.
    int m_listedFolderRow = 0;
    bool m_edited = false;
    // Text put into the editor by the program (a load, a decode) is no edit of the user's.
    int m_replacingText = 0;
};

} // namespace qb
