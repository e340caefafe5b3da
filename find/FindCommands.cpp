#include "find/FindCommands.h"

#include "app/frmQB.h"

namespace qb {

FindCommands::FindCommands(frmQB &window) : m_window(window) {}
FindCommands::~FindCommands() = default;

void FindCommands::T_mnuFIND_Click() {}
void FindCommands::T_mnuFIND_NEXT_Click() {}
bool FindCommands::FindInNote(bool fromBeginning)
{
    Q_UNUSED(fromBeginning);
    return false;
}
void FindCommands::CloseDialog() {}

} // namespace qb
