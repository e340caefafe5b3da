#include "folders/FolderCommands.h"

#include "app/frmQB.h"
#include "book/BookCommands.h"
#include "folders/FolderRules.h"
#include "folders/frmFLD.h"
#include "folders/frmFLD_DEL.h"
#include "notes/NoteCommands.h"
#include "platform/Platform.h"

#include <QComboBox>
#include <QDir>
#include <QSignalBlocker>

using namespace Qt::StringLiterals;

namespace qb {

bool FolderCommands::AcceptBookField(const QString &field, const QString &what)
{
    const QString problem = BookFieldProblem(field);
    if (problem.isEmpty())
        return true;
    m_window.platform().messageBox(
        u"Quirebox can't store "_s + what + u" in the book.\r\n"_s + problem, Platform::Buttons::Ok,
        Platform::Icon::Exclamation, u"Quirebox"_s);
    return false;
}

bool FolderCommands::RoomForFolder()
{
    if (m_window.book().FolderCount < MaxFolders)
        return true;
    m_window.platform().messageBox(u"A book holds at most %1 folders, and this one has %1.\r\n"
                                   "Delete a folder before adding another one."_s.arg(MaxFolders),
                                   Platform::Buttons::Ok, Platform::Icon::Exclamation,
                                   u"Quirebox"_s);
    return false;
}

void FolderCommands::NewFolder()
{
    Platform &platform = m_window.platform();
    // Without a book file there is nowhere to write the folder to.
    if (!m_window.book().isOpen()) {
        platform.messageBox(u"Make a new book or open one first: a folder is added to the open "
                            "book."_s,
                            Platform::Buttons::Ok, Platform::Icon::Exclamation, u"Quirebox"_s);
        return;
    }
    if (!RoomForFolder())
        return;
    // Adding a folder reloads the book, which empties the editor.
    if (!m_window.notes().ConfirmLeaveNote())
        return;
    frmFLD dialog(m_window);
    platform.execDialog(dialog);
}

void FolderCommands::RenameFolder()
{
    NoteCommands &notes = m_window.notes();
    const int row = notes.SelectedFolderRow();
    if (row == 0 || !notes.ConfirmLeaveNote())
        return;
    BookState &book = m_window.book();
    QComboBox *lstFLDS = m_window.lstFLDS();
    const QString name = m_window.platform().inputBox(RenameFolderPrompt(book.Folders[row].Name),
                                                      u"Rename Folder"_s, lstFLDS->currentText());
    if (name.isEmpty() || !AcceptBookField(name, u"this folder name"_s))
        return;

    // The position is what comes back, not the folder: a new name may sort elsewhere.
    const int position = lstFLDS->currentIndex();
    book.Folders[row].Name = name;
    BookCommands &books = m_window.books();
    if (!books.SaveBook())
        return;
    books.LoadBook();
    if (position >= 0 && position < lstFLDS->count()) {
        const NoteCommands::CodeSelection fromCode(notes);
        {
            const QSignalBlocker quiet(lstFLDS);
            lstFLDS->setCurrentIndex(position);
        }
        notes.lstFLDS_Click();
    }
}

void FolderCommands::DeleteFolder()
{
    NoteCommands &notes = m_window.notes();
    // Removing a folder reloads the book, which empties the editor.
    if (notes.SelectedFolderRow() == 0 || !notes.ConfirmLeaveNote())
        return;
    frmFLD_DEL dialog(m_window);
    m_window.platform().execDialog(dialog);
}

FolderCommands::AppendOutcome FolderCommands::AppendFolder(const QString &directory)
{
    BookState &book = m_window.book();
    if (!book.isOpen() || directory.isEmpty() || !RoomForFolder())
        return AppendOutcome::Abandoned;
    const QString shown = QDir::toNativeSeparators(directory);
    if (!AcceptBookField(shown, u"the directory \""_s + shown + u'"'))
        return AppendOutcome::DirectoryRefused;

    Platform &platform = m_window.platform();
    const QString name =
        platform.inputBox(NewFolderNamePrompt(shown), u"Quirebox - New Folder Name"_s,
                          MakeSignature(platform.userName()) + u" Folder"_s);
    if (name.isEmpty() || !AcceptBookField(name, u"this folder name"_s))
        return AppendOutcome::Abandoned;

    const int row = book.FolderCount + 1;
    book.Folders[row] = {name, shown};
    book.FolderCount = row;
    BookCommands &books = m_window.books();
    if (!books.SaveBook())
        return AppendOutcome::Abandoned;
    m_window.session().LastFileName.clear();
    books.LoadBook();
    return AppendOutcome::Added;
}

bool FolderCommands::RemoveSelectedFolder()
{
    const int row = m_window.notes().SelectedFolderRow();
    if (row == 0)
        return false;
    m_window.book().Folders[row].Path.clear();
    BookCommands &books = m_window.books();
    if (!books.SaveBook())
        return false;
    books.LoadBook();
    return true;
}

} // namespace qb
