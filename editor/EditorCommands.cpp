#include "editor/EditorCommands.h"

#include "app/frmQB.h"
#include "notes/NoteCommands.h"

using namespace Qt::StringLiterals;

namespace qb {

void EditorCommands::Cut() {}
void EditorCommands::Copy() {}
void EditorCommands::Paste() {}
void EditorCommands::SelectAll() {}
void EditorCommands::CopyAll() {}
void EditorCommands::InsertTime() {}
void EditorCommands::InsertDate() {}

void EditorCommands::txtTEXT_Change()
{
    m_window.notes().SetNoteStatus(u"Changed"_s, false);
}

void EditorCommands::txtTEXT_OLEDragDrop(const QStringList &paths)
{
    Q_UNUSED(paths);
}

} // namespace qb
