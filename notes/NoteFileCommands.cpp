#include "notes/NoteFileCommands.h"

#include "book/BookFile.h"
#include "editor/UnsavedEdits.h"
#include "keeping/HistoryKeeper.h"
#include "notes/NoteDisplay.h"
#include "notes/NoteFiles.h"
#include "notes/NoteListCommands.h"
#include "notes/NoteListModel.h"
#include "notes/NoteNames.h"
#include "notes/NoteSession.h"
#include "platform/CommonDialog.h"
#include "platform/FileOps.h"
#include "platform/LongCommand.h"
#include "platform/Platform.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace qb {

NoteFileCommands::NoteFileCommands(NoteListCommands &noteList, const NoteListModel &notes,
                                   const NoteSession &session, NoteDisplay &display,
                                   UnsavedEdits &unsaved, HistoryKeeper &history,
                                   Platform &platform, CommonDialog &cD)
    : m_noteList(noteList), m_notes(notes), m_session(session), m_display(display),
      m_unsaved(unsaved), m_history(history), m_platform(platform), m_cD(cD)
{
}

bool NoteFileCommands::acceptNoteFileName(const QString &typed, const QString &fileName,
                                          const QString &title)
{
    const std::optional<QString> problem = checkNoteFileName(fileName);
    if (!problem)
        return true;
    m_platform.messageBox(u"The name \""_s + typed + u"\" can't be used for a note.\r\n"_s +
                              *problem,
                          Platform::Buttons::Ok, Platform::Icon::Exclamation, title);
    return false;
}

void NoteFileCommands::refill()
{
    m_noteList.RefreshNoteList(-1, NoteDisplay::Asking::Allowed,
                               [this] { m_noteList.ShowNoFileSelected(); });
}

void NoteFileCommands::MakeNewNote()
{
    const QString dir = m_noteList.selectedFolderDir();
    if (dir.isEmpty())
        return;
    const QString title = u"Quirebox - Make New File"_s;
    const QString answer =
        m_platform.inputBox(u"Directory: "_s + dir + u"\r\n\r\nPlease insert the new filename:"_s,
                            title, MakeSignature(m_platform.userName()) + u" File"_s);
    if (answer.isEmpty())
        return;
    if (!makeNote(answer, title).isEmpty())
        refill();
}

QString NoteFileCommands::makeNote(const QString &answer, const QString &title)
{
    const QString dir = m_noteList.selectedFolderDir();
    const QString fileName = EnsureTxtExtension(answer);
    if (dir.isEmpty() || !acceptNoteFileName(answer, fileName, title))
        return {};
    const QString path = noteFilePath(dir, fileName);
    // Making it anew would empty the note that is there.
    if (QFileInfo::exists(path)) {
        m_platform.messageBox(u"The file "_s + quoted(path) +
                                  u" already exists.\r\nPlease choose another name."_s,
                              Platform::Buttons::Ok, Platform::Icon::Exclamation, title);
        return {};
    }
    if (!m_unsaved.confirmLeave())
        return {};
    if (const FileError error = createNoteFile(path)) {
        m_platform.reportError(u"Quirebox can't make the file "_s + quoted(path) + u"."_s, *error,
                               title);
    }
    // The list is read again whatever became of it.
    return fileName;
}

void NoteFileCommands::addDroppedNote(const QString &path, const QString &title)
{
    if (m_noteList.selectedFolderRow() == 0) {
        m_platform.messageBox(u"The file \""_s + path +
                                  u"\" can't be added: a book and a folder must be open "
                                  "to take it."_s,
                              Platform::Buttons::Ok, Platform::Icon::Information, title);
        return;
    }
    if (addNoteFile(path, title))
        m_noteList.forgetFolderPick();
}

bool NoteFileCommands::addNoteFile(const QString &source, const QString &title)
{
    const QString dir = m_noteList.selectedFolderDir();
    if (dir.isEmpty())
        return false;
    const QString destination = noteFilePath(dir, QFileInfo(source).fileName());
    const bool itself = isSameFile(source, destination);
    const bool replace = !itself && QFileInfo::exists(destination);
    if (replace) {
        const QString text = u"The file \""_s + destination + u"\" already exists.\r\n"_s +
                             u"Replace it with \""_s + source + u"\"?"_s;
        if (m_platform.messageBox(text, Platform::Buttons::YesNo, Platform::Icon::Question,
                                  title) != Platform::Button::Yes) {
            return false;
        }
    }
    const FileProbe probe = probeFile(source);
    if (!itself &&
        !m_display.acceptFileSize(source, probe, u"Quirebox can't add the file "_s, title)) {
        return false;
    }
    if (!m_unsaved.confirmLeave())
        return false;
    if (!itself) {
        const LongCommand command(probe.size >= kLongCommandBytes);
        if (const FileError error =
                copyNoteFile(source, destination, replace, m_session.sizeLimits().refuseAbove)) {
            m_platform.reportError(u"Quirebox can't copy the file "_s + quoted(source) + u" to "_s +
                                       quoted(destination) + u"."_s,
                                   *error, title);
        }
    }
    refill();
    return true;
}

void NoteFileCommands::AddExistingNote()
{
    if (m_noteList.selectedFolderRow() == 0)
        return;
    Platform::FileDialogRequest request;
    request.mode = Platform::FileDialogRequest::Mode::Open;
    request.title = u"Add File"_s;
    request.filters = {u"Text File (*.txt)"_s, u"All Files (*)"_s};
    request.selectedFilter = 0;
    const QString chosen = m_cD.show(m_platform, request);
    if (chosen.isEmpty())
        return;
    addNoteFile(EnsureTxtExtension(chosen), u"Add File"_s);
}

void NoteFileCommands::renameNote()
{
    if (!m_noteList.hasCurrentNote())
        return;
    const int rememberedRow = m_notes.currentRow();
    const QString dir = m_noteList.selectedFolderDir();
    const QString fileName = m_notes.fileName(rememberedRow);
    const QString noteName = m_notes.currentNoteName();
    const QString title = u"Quirebox File Rename"_s;
    const QString answer = m_platform.inputBox(u"Folder: "_s + dir + u"\r\nFile: "_s + fileName +
                                                   u"\r\n\r\nPlease insert the new file name:"_s,
                                               title, noteName);
    if (answer.isEmpty())
        return;
    // ".txt" is always added: the answer names the note, not the file.
    const QString newFileName = answer + u".txt"_s;
    if (newFileName == fileName || !acceptNoteFileName(answer, newFileName, title))
        return;
    const QString from = noteFilePath(dir, fileName);
    const QString to = noteFilePath(dir, newFileName);
    if (QFileInfo::exists(to) && !isSameFile(from, to)) {
        m_platform.messageBox(u"The file \""_s + to + u"\" already exists.\r\nThe note \""_s +
                                  noteName + u"\" keeps its name."_s,
                              Platform::Buttons::Ok, Platform::Icon::Exclamation, title);
        return;
    }
    if (!m_unsaved.confirmLeave())
        return;
    if (const FileError error = renameFile(from, to)) {
        m_platform.reportError(u"Quirebox can't rename the file "_s + quoted(from) + u" to "_s +
                                   quoted(to) + u"."_s,
                               *error, title);
        return;
    }
    m_history.carry(from, to);
    m_noteList.RefreshNoteList(-1, NoteDisplay::Asking::Allowed, [this, rememberedRow] {
        // The row, not the note: the renamed note may sort elsewhere.
        if (rememberedRow < m_notes.rowCount())
            m_noteList.selectNote(rememberedRow);
        m_noteList.ShowNoFileSelected();
    });
}

void NoteFileCommands::DeleteNote()
{
    const QString path = m_notes.currentPath();
    if (path.isEmpty() || m_noteList.selectedFolderRow() == 0)
        return;
    const QString title = u"Quirebox - File Delete"_s;
    if (m_platform.messageBox(u"Are you sure to delete: "_s + quoted(path),
                              Platform::Buttons::OkCancel, Platform::Icon::Question,
                              title) != Platform::Button::Ok) {
        return;
    }
    if (!m_unsaved.confirmLeave())
        return;
    if (const FileError error = moveToTrash(path)) {
        m_platform.reportError(
            u"Quirebox can't move the file "_s + quoted(path) + u" to the trash."_s, *error, title);
        return;
    }
    refill();
}

} // namespace qb
