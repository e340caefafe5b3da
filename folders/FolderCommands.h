#pragma once

#include <QString>

namespace qb {

class frmQB;

// The Book menu's folder commands and the changes of the folder table their dialogs make.
// Every change is written to the book file and read back, so the window shows what is stored.
class FolderCommands
{
public:
    // How the Ok of the new-folder dialog ended: the dialog closes unless the directory itself
    // was refused, so that the user can pick another one.
    enum class AppendOutcome { Added, Abandoned, DirectoryRefused };

    explicit FolderCommands(frmQB &window) : m_window(window) {}

    void NewFolder();
    void RenameFolder();
    void DeleteFolder();

    // Ok of the new-folder dialog: asks for the display name and adds `directory`.
    AppendOutcome AppendFolder(const QString &directory);
    // Ok of the delete-folder dialog: takes the selected folder out of the book.
    bool RemoveSelectedFolder();

private:
    // Tells the user why `field` cannot be stored in a book line; false when it can't.
    bool AcceptBookField(const QString &field, const QString &what);
    bool RoomForFolder();

    frmQB &m_window;
};

} // namespace qb
