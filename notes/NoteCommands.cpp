#include "notes/NoteCommands.h"

#include "app/frmQB.h"

#include <QComboBox>
#include <QLabel>

using namespace Qt::StringLiterals;

namespace qb {

NoteCommands::NoteCommands(frmQB &window) : m_window(window) {}

NoteCommands::~NoteCommands() = default;

QString NoteCommands::NoteStatus() const
{
    return m_window.statusPanel(1)->text();
}

void NoteCommands::SetNoteStatus(const QString &status, bool showPath)
{
    Q_UNUSED(showPath);
    m_window.statusPanel(1)->setText(status);
}

void NoteCommands::DisableNoteSave() {}

void NoteCommands::ShowNoFileSelected() {}

int NoteCommands::SelectedFolderRow() const
{
    const int row = m_window.lstFLDS()->currentData().toInt();
    return row >= 1 && row <= MaxFolders ? row : 0;
}

QString NoteCommands::SelectedFolderDir() const
{
    return m_window.book().FolderDir(SelectedFolderRow());
}

bool NoteCommands::HasCurrentNote() const
{
    return false;
}

QString NoteCommands::NotePath() const
{
    return {};
}

void NoteCommands::RefreshNoteList(int selectIndex)
{
    Q_UNUSED(selectIndex);
}

void NoteCommands::lstFLDS_Click() {}

void NoteCommands::lstFILE_Click() {}

void NoteCommands::LoadNote() {}

bool NoteCommands::SaveNote()
{
    return true;
}

void NoteCommands::F_mnuREFRESH_Click() {}

bool NoteCommands::ConfirmLeaveNote()
{
    return true;
}

void NoteCommands::MakeNewNote() {}

void NoteCommands::AddExistingNote() {}

void NoteCommands::F_mnuREN_Click() {}

void NoteCommands::DeleteNote() {}

QByteArray NoteCommands::CurrentNoteBytes(bool *ok) const
{
    if (ok)
        *ok = false;
    return {};
}

void NoteCommands::ShowNoteBytes(const QByteArray &bytes)
{
    Q_UNUSED(bytes);
}

} // namespace qb
