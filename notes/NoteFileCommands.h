#pragma once

#include <QString>

namespace qb {

class CommonDialog;
class HistoryKeeper;
class NoteDisplay;
class NoteListCommands;
class NoteListModel;
class NoteSession;
class Platform;
class UnsavedEdits;

// The File menu's commands that change the notes of the selected folder: Make New, Add
// Existing, Rename and Delete. Each ends with the note list read again.
class NoteFileCommands
{
public:
    NoteFileCommands(NoteListCommands &noteList, const NoteListModel &notes,
                     const NoteSession &session, NoteDisplay &display, UnsavedEdits &unsaved,
                     HistoryKeeper &history, Platform &platform, CommonDialog &cD);

    void MakeNewNote();
    // Makes the note `answer` names in the selected folder, by the rules of Make New: the name
    // checked, a note of that name never emptied, unsaved edits asked about. Its file name, or
    // nothing when it was not to be made; the list is to be read again.
    QString makeNote(const QString &answer, const QString &title);
    void AddExistingNote();
    // A note file dropped on the editor: added to the selected folder as addNoteFile adds it,
    // and the folder's selection then counts as a fresh pick.
    void addDroppedNote(const QString &path, const QString &title);
    // Renames the selected note; its history goes with it.
    void renameNote();
    void DeleteNote();

private:
    // A name the user typed, made into a file name, that cannot name a note file is refused.
    bool acceptNoteFileName(const QString &typed, const QString &fileName, const QString &title);
    // Copies `source` into the selected folder (asking before replacing a note of its name and
    // about unsaved edits) and refills the list. False when nothing was done.
    bool addNoteFile(const QString &source, const QString &title);
    // The list read again, its first note shown; none shown when the folder has no note left.
    void refill();

    NoteListCommands &m_noteList;
    const NoteListModel &m_notes;
    const NoteSession &m_session;
    NoteDisplay &m_display;
    UnsavedEdits &m_unsaved;
    HistoryKeeper &m_history;
    Platform &m_platform;
    CommonDialog &m_cD;
};

} // namespace qb
