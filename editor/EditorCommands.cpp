#include "editor/EditorCommands.h"

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

// The editor keeps line breaks as paragraph separators; the clipboard wants line feeds.
QString ClipboardText(QString text)
{
    return text.replace(QChar::ParagraphSeparator, u'\n');
}

} // namespace

DropKind ClassifyDroppedFile(const QString &path)
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

void EditorCommands::Cut()
{
    // Nothing is cut from a note still being read: what is in may yet be replaced.
    if (!m_editor.acceptsEdits())
        return;
    const QTextCursor cursor = m_editor.textCursor();
    QApplication::clipboard()->setText(ClipboardText(cursor.selectedText()));
    if (cursor.hasSelection())
        m_editor.replaceSelection(QString());
}

void EditorCommands::Copy()
{
    if (NoteEditor *editor = activeEditor())
        QApplication::clipboard()->setText(ClipboardText(editor->textCursor().selectedText()));
}

void EditorCommands::Paste()
{
    m_editor.pastePlainText();
}

void EditorCommands::SelectAll()
{
    if (NoteEditor *editor = activeEditor())
        editor->selectAll();
}

void EditorCommands::CopyAll()
{
    if (NoteEditor *editor = activeEditor())
        QApplication::clipboard()->setText(ClipboardText(editor->document()->toRawText()));
}

void EditorCommands::InsertTime()
{
    m_editor.replaceSelection(LongTimeText(m_platform.now().time()));
}

void EditorCommands::InsertDate()
{
    m_editor.replaceSelection(ShortDateText(m_platform.now().date()));
}

} // namespace qb
