#include "folders/FolderCommands.h"

#include "app/frmQB.h"

namespace qb {

void FolderCommands::NewFolder() {}
void FolderCommands::RenameFolder() {}
void FolderCommands::DeleteFolder() {}
void FolderCommands::AppendFolder(const QString &directory)
{
    Q_UNUSED(directory);
}
void FolderCommands::RemoveSelectedFolder() {}

} // namespace qb
