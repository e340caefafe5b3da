#include "editor/EditorCommands.h"

#include "editor/DocumentText.h"
#include "editor/NoteEditor.h"
#include "platform/DateTimeText.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QClipboard>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

// The clipboard takes the characters at [from, to) as the note holds them.
void putOnClipboard(const NoteEditor &editor, int from, int to)
{
    QApplication::clipboard()->setMimeData(editor.mimeDataOf(from, to));
}

} // namespace

DropKind classifyDroppedFile(const QString &path)
{
    if (path.right(4).toLower() == u".txt")
        return DropKind::Note;
    if (path.right(3).toLower() == u".qb")
        return DropKind::Book;
    return DropKind::Other;
}

NoteEditor *EditorCommands::activeEditor() const
{
    return m_editor.isEnabled() ? &m_editor : nullptr;
}

void EditorCommands::undo()
{
    if (m_editor.acceptsEdits())
        m_editor.undo();
}

void EditorCommands::redo()
{
    if (m_editor.acceptsEdits())
        m_editor.redo();
}

void EditorCommands::cut()
{
    // Nothing is cut from a note still being read: what is in may yet be replaced.
    if (!m_editor.acceptsEdits())
        return;
    const QTextCursor cursor = m_editor.textCursor();
    putOnClipboard(m_editor, cursor.selectionStart(), cursor.selectionEnd());
    if (cursor.hasSelection())
        m_editor.replaceSelection(QString());
}

void EditorCommands::copy()
{
    if (NoteEditor *editor = activeEditor()) {
        const QTextCursor cursor = editor->textCursor();
        putOnClipboard(*editor, cursor.selectionStart(), cursor.selectionEnd());
    }
}

void EditorCommands::paste()
{
    m_editor.pastePlainText();
}

void EditorCommands::selectAll()
{
    if (NoteEditor *editor = activeEditor())
        editor->selectAll();
}

void EditorCommands::copyAll()
{
    if (NoteEditor *editor = activeEditor())
        putOnClipboard(*editor, 0, int(documentTextLength(*editor->document())));
}

void EditorCommands::insertTime()
{
    m_editor.replaceSelection(longTimeText(m_platform.now().time()));
}

void EditorCommands::insertDate()
{
    m_editor.replaceSelection(shortDateText(m_platform.now().date()));
}

} // namespace qb
