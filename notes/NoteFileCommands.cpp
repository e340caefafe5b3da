// The File menu's commands that change the notes of the selected folder.

#include "notes/NoteCommands.h"

#include "app/frmQB.h"
#include "notes/NoteListModel.h"
#include "platform/BusyCursor.h"
#include "platform/Platform.h"

#include <QComboBox>
#include <QFileInfo>
#include <QSignalBlocker>

using namespace Qt::StringLiterals;

namespace qb {

// A name the user typed, made into a file name, that cannot name a note file is refused.
bool NoteCommands::AcceptNoteFileName(const QString &typed, const QString &fileName,
                                      const QString &title)
{
    const std::optional<QString> problem = CheckNoteFileName(fileName);
    if (!problem)
        return true;
    m_window.platform().messageBox(u"The name \""_s + typed + u"\" can't be used for a note.\r\n"_s
                                       + *problem,
                                   Platform::Buttons::Ok, Platform::Icon::Exclamation, title);
    return false;
}

void NoteCommands::MakeNewNote()
{
    const QString dir = SelectedFolderDir();
    if (dir.isEmpty())
        return;
    Platform &platform = m_window.platform();
    const QString title = u"Quirebox - Make New File"_s;
    const QString answer =
        platform.inputBox(u"Directory: "_s + dir + u"\r\n\r\nPlease insert the new filename:"_s,
                          title, MakeSignature(platform.userName()) + u" File"_s);
    if (answer.isEmpty())
        return;
    const QString fileName = EnsureTxtExtension(answer);
    if (!AcceptNoteFileName(answer, fileName, title))
        return;
    const QString path = NoteFilePath(dir, fileName);
    // Making it anew would empty the note that is there.
    if (QFileInfo::exists(path)) {
        platform.messageBox(u"The file \""_s + path
                                + u"\" already exists.\r\nPlease choose another name."_s,
                            Platform::Buttons::Ok, Platform::Icon::Exclamation, title);
        return;
    }
    if (!ConfirmLeaveNote())
        return;
    if (const FileError error = CreateNoteFile(path))
        ReportFileError(u"Quirebox can't make the file "_s + Quoted(path) + u"."_s, *error, title);
    RefreshNoteList(-1);
    ShowNoFileSelected();
}

bool NoteCommands::AddNoteFile(const QString &source, const QString &title)
{
    const QString dir = SelectedFolderDir();
    if (dir.isEmpty())
        return false;
    const QString destination = NoteFilePath(dir, QFileInfo(source).fileName());
    const bool itself = IsSameFile(source, destination);
    const bool replace = !itself && QFileInfo::exists(destination);
    if (replace) {
        const QString text = u"The file \""_s + destination + u"\" already exists.\r\n"_s
                             + u"Replace it with \""_s + source + u"\"?"_s;
        if (m_window.platform().messageBox(text, Platform::Buttons::YesNo,
                                           Platform::Icon::Question, title)
            != Platform::Button::Yes) {
            return false;
        }
    }
    if (!itself && !AcceptFileSize(source, u"Quirebox can't add the file "_s, title))
        return false;
    if (!ConfirmLeaveNote())
        return false;
    if (!itself) {
        const BusyCursor busy(ProbeFile(source).size >= BusyAboveBytes);
        if (const FileError error =
                CopyNoteFile(source, destination, replace, m_sizeLimits.refuseAbove)) {
            ReportFileError(u"Quirebox can't copy the file "_s + Quoted(source) + u" to "_s
                                + Quoted(destination) + u"."_s,
                            *error, title);
        }
    }
    RefreshNoteList(-1);
    ShowNoFileSelected();
    return true;
}

void NoteCommands::AddExistingNote()
{
    if (SelectedFolderRow() == 0)
        return;
    Platform::FileDialogRequest request;
    request.mode = Platform::FileDialogRequest::Mode::Open;
    request.title = u"Add File"_s;
    request.filters = {u"Text File (*.txt)"_s, u"All Files (*)"_s};
    request.selectedFilter = 0;
    request.initialName = m_window.session().cD_FileName;
    const QString chosen = m_window.platform().fileDialog(request);
    if (chosen.isEmpty())
        return;
    m_window.session().cD_FileName = chosen;
    AddNoteFile(EnsureTxtExtension(chosen), u"Add File"_s);
}

void NoteCommands::F_mnuREN_Click()
{
    if (!HasCurrentNote())
        return;
    QComboBox *lstFILE = m_window.lstFILE();
    const int rememberedRow = lstFILE->currentIndex();
    const QString dir = SelectedFolderDir();
    const QString fileName = CurrentFileName();
    const QString title = u"Quirebox File Rename"_s;
    const QString answer = m_window.platform().inputBox(
        u"Folder: "_s + dir + u"\r\nFile: "_s + fileName
            + u"\r\n\r\nPlease insert the new file name:"_s,
        title, CurrentNoteName());
    if (answer.isEmpty())
        return;
    // ".txt" is always added: the answer names the note, not the file.
    const QString newFileName = answer + u".txt"_s;
    if (newFileName == fileName || !AcceptNoteFileName(answer, newFileName, title))
        return;
    const QString from = NoteFilePath(dir, fileName);
    const QString to = NoteFilePath(dir, newFileName);
    if (QFileInfo::exists(to) && !IsSameFile(from, to)) {
        m_window.platform().messageBox(
            u"The file \""_s + to + u"\" already exists.\r\nThe note \""_s + CurrentNoteName()
                + u"\" keeps its name."_s,
            Platform::Buttons::Ok, Platform::Icon::Exclamation, title);
        return;
    }
    if (!ConfirmLeaveNote())
        return;
    if (const FileError error = RenameFile(from, to)) {
        ReportFileError(u"Quirebox can't rename the file "_s + Quoted(from) + u" to "_s
                            + Quoted(to) + u"."_s,
                        *error, title);
        return;
    }
    RefreshNoteList(-1);
    if (rememberedRow < lstFILE->count()) {
        const CodeSelection fromCode(*this);
        {
            const QSignalBlocker quiet(lstFILE);
            lstFILE->setCurrentIndex(rememberedRow);
        }
        lstFILE_Click();
    }
    ShowNoFileSelected();
}

void NoteCommands::DeleteNote()
{
    const QString path = NotePath();
    if (path.isEmpty())
        return;
    if (m_window.platform().messageBox(u"Are you sure to delete: \""_s + path + u"\""_s,
                                       Platform::Buttons::OkCancel, Platform::Icon::Question,
                                       u"Quirebox - File Delete"_s)
        != Platform::Button::Ok) {
        return;
    }
    if (!ConfirmLeaveNote())
        return;
    if (const FileError error = MoveToTrash(path)) {
        ReportFileError(u"Quirebox can't move the file "_s + Quoted(path)
                            + u" to the trash."_s,
                        *error, u"Quirebox - File Delete"_s);
        return;
    }
    RefreshNoteList(-1);
    ShowNoFileSelected();
}

} // namespace qb
