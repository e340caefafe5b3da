#include "find/FindCommands.h"

#include "app/frmQB.h"
#include "editor/NoteEditor.h"
#include "find/TextSearch.h"
#include "find/frmFIND.h"
#include "platform/BusyCursor.h"
#include "platform/Platform.h"

#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace qb {

FindCommands::FindCommands(frmQB &window) : m_window(window) {}
FindCommands::~FindCommands() = default;

frmFIND &FindCommands::dialog()
{
    if (!m_dialog)
        m_dialog = new frmFIND(*this, &m_window);
    return *m_dialog;
}

void FindCommands::T_mnuFIND_Click()
{
    frmFIND &find = dialog();
    find.show();
    find.raise();
    find.activateWindow();
}

void FindCommands::T_mnuFIND_NEXT_Click()
{
    if (!FindInNote(false))
        ReportNotFound();
}

bool FindCommands::FindInNote(bool fromBeginning)
{
    const frmFIND &find = dialog();
    NoteEditor *editor = m_window.txtTEXT();
    QTextCursor cursor = editor->textCursor();
    if (cursor.hasSelection()) {
        cursor.setPosition(cursor.selectionEnd());
        editor->setTextCursor(cursor);
    }

    const BusyCursor busy(editor->document()->characterCount() >= BusyAboveBytes);
    const QString what = find.SearchText();
    // The raw text keeps one UTF-16 unit per cursor position (a paragraph break is U+2029), so
    // an offset in it is a cursor position.
    const QString text = editor->document()->toRawText();
    const qsizetype found =
        FindText(text, what, fromBeginning ? 0 : cursor.position(), find.CaseSensitivity());
    if (found < 0)
        return false;
    cursor.setPosition(int(found));
    cursor.setPosition(int(found + what.size()), QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
    return true;
}

void FindCommands::ReportNotFound()
{
    m_window.platform().messageBox(u"Unable to find the specified string."_s, Platform::Buttons::Ok,
                                   Platform::Icon::None, u"Quirebox Find"_s);
}

void FindCommands::CloseDialog()
{
    delete m_dialog.data();
}

} // namespace qb
