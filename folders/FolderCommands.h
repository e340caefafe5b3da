#pragma once

#include <QString>

namespace qb {

class frmQB;

// The Book menu's folder commands and the changes of the folder table their dialogs make.
class FolderCommands
{
public:
    explicit FolderCommands(frmQB &window) : m_window(window) {}

    void NewFolder();
    void RenameFolder();
    void DeleteFolder();

    // Ok of the new-folder dialog: asks for the display name and adds `directory`.
    void AppendFolder(const QString &directory);
    // Ok of the delete-folder dialog: takes the selected folder out of the book.
    void RemoveSelectedFolder();

private:
    frmQB &m_window;
};

} // namespace qb
