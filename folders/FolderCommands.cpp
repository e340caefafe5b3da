#include "folders/FolderCommands.h"

#include "book/Book.h"
#include "book/BookStore.h"
#include "book/FolderListModel.h"
#include "editor/UnsavedEdits.h"
#include "folders/FolderRules.h"
#include "folders/frmFLD.h"
#include "folders/frmFLD_DEL.h"
#include "notes/NoteListCommands.h"
#include "platform/Platform.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace qb {

bool FolderCommands::acceptBookField(const QString &field, const QString &what)
{
    const QString problem = bookFieldProblem(field);
    if (problem.isEmpty())
        return true;
    m_platform.messageBox(u"Quirebox can't store "_s + what + u" in the book.\r\n"_s + problem,
                          Platform::Buttons::Ok, Platform::Icon::Exclamation, u"Quirebox"_s);
    return false;
}

bool FolderCommands::roomForFolder()
{
    if (m_book.state().FolderCount < kMaxFolders)
        return true;
    m_platform.messageBox(u"A book holds at most %1 folders, and this one has %1.\r\n"
                          "Delete a folder before adding another one."_s.arg(kMaxFolders),
                          Platform::Buttons::Ok, Platform::Icon::Exclamation, u"Quirebox"_s);
    return false;
}

void FolderCommands::NewFolder()
{
    // Without a book file there is nowhere to write the folder to.
    if (!m_book.isOpen()) {
        m_platform.messageBox(u"Make a new book or open one first: a folder is added to the open "
                              "book."_s,
                              Platform::Buttons::Ok, Platform::Icon::Exclamation, u"Quirebox"_s);
        return;
    }
    // Adding a folder reloads the book, which empties the editor.
    if (!roomForFolder() || !m_unsaved.confirmLeave())
        return;
    frmFLD dialog(m_platform);
    while (m_platform.execDialog(dialog) == QDialog::Accepted) {
        if (appendFolder(dialog.openDirectory()) != AppendOutcome::DirectoryRefused)
            return;
    }
}

FolderCommands::AppendOutcome FolderCommands::appendFolder(const QString &directory)
{
    if (directory.isEmpty())
        return AppendOutcome::Abandoned;
    const QString shown = QDir::toNativeSeparators(directory);
    if (!acceptBookField(shown, u"the directory "_s + quoted(shown)))
        return AppendOutcome::DirectoryRefused;

    const QString name =
        m_platform.inputBox(newFolderNamePrompt(shown), u"Quirebox - New Folder Name"_s,
                            MakeSignature(m_platform.userName()) + u" Folder"_s);
    if (name.isEmpty() || !acceptBookField(name, u"this folder name"_s))
        return AppendOutcome::Abandoned;

    BookState changed = m_book.state();
    changed.FolderCount += 1;
    changed.Folders[changed.FolderCount] = {name, shown};
    if (!m_store.writeBook(changed))
        return AppendOutcome::Abandoned;
    m_store.LoadBook();
    return AppendOutcome::Added;
}

void FolderCommands::RenameFolder()
{
    const int row = m_noteList.selectedFolderRow();
    if (row == 0 || !m_unsaved.confirmLeave())
        return;
    const QString name = m_platform.inputBox(renameFolderPrompt(m_book.state().Folders[row].Name),
                                             u"Rename Folder"_s, m_folders.currentName());
    if (name.isEmpty() || !acceptBookField(name, u"this folder name"_s))
        return;

    // The position is what comes back, not the folder: a new name may sort elsewhere.
    const int position = m_folders.currentPosition();
    BookState changed = m_book.state();
    changed.Folders[row].Name = name;
    if (!m_store.writeBook(changed))
        return;
    m_store.LoadBook();
    if (position >= 0 && position < m_folders.rowCount())
        m_noteList.selectFolder(position);
}

void FolderCommands::DeleteFolder()
{
    const int row = m_noteList.selectedFolderRow();
    // Removing a folder reloads the book, which empties the editor.
    if (row == 0 || !m_unsaved.confirmLeave())
        return;
    const QString directory = QDir::toNativeSeparators(m_noteList.selectedFolderDir());
    frmFLD_DEL dialog(directory);
    while (m_platform.execDialog(dialog) == QDialog::Accepted) {
        if (!dialog.keepFiles()) {
            const QString refusal =
                deleteRefusal(directory, QDir::homePath(), m_book.state().BookFilePath);
            if (!refusal.isEmpty()) {
                // Keeping the directory is still a way to go on: the dialog comes back.
                m_platform.messageBox(refusal, Platform::Buttons::Ok, Platform::Icon::Exclamation,
                                      u"Quirebox - Delete Folder"_s);
                continue;
            }
            if (!removeDirectoryWithFiles(QDir::fromNativeSeparators(directory))) {
                m_platform.messageBox(folderDeleteErrorText(directory), Platform::Buttons::Ok,
                                      Platform::Icon::Exclamation, u"Folder Delete Error"_s);
                return;
            }
        }
        removeFolder(row);
        return;
    }
}

void FolderCommands::removeFolder(int row)
{
    BookState changed = m_book.state();
    changed.Folders[row].Path.clear();
    if (m_store.writeBook(changed))
        m_store.LoadBook();
}

} // namespace qb
