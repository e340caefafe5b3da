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
    NoteEditor *editor = activeEditor();
    if (!editor)
        return;
    QTextCursor cursor = editor->textCursor();
    QApplication::clipboard()->setText(ClipboardText(cursor.selectedText()));
    if (cursor.hasSelection()) {
        cursor.removeSelectedText();
        editor->setTextCursor(cursor);
    }
}

void EditorCommands::Copy()
{
    if (NoteEditor *editor = activeEditor())
        QApplication::clipboard()->setText(ClipboardText(editor->textCursor().selectedText()));
}

void EditorCommands::Paste()
{
    if (NoteEditor *editor = activeEditor())
        editor->pastePlainText();
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
    if (NoteEditor *editor = activeEditor())
        editor->textCursor().insertText(LongTimeText(m_platform.now().time()));
}

void EditorCommands::InsertDate()
{
    if (NoteEditor *editor = activeEditor())
        editor->textCursor().insertText(ShortDateText(m_platform.now().date()));
}

} // namespace qb
