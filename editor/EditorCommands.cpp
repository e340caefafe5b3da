#include "editor/EditorCommands.h"

#include "app/frmQB.h"
#include "book/BookCommands.h"
#include "editor/NoteEditor.h"
#include "notes/NoteCommands.h"
#include "platform/DateTimeText.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
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
    // Nothing is edited while no note is shown, whichever way the command came.
    NoteEditor *txtTEXT = m_window.txtTEXT();
    return txtTEXT->isEnabled() ? txtTEXT : nullptr;
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
        editor->textCursor().insertText(LongTimeText(m_window.platform().now().time()));
}

void EditorCommands::InsertDate()
{
    if (NoteEditor *editor = activeEditor())
        editor->textCursor().insertText(ShortDateText(m_window.platform().now().date()));
}

void EditorCommands::txtTEXT_Change()
{
    m_window.notes().SetNoteStatus(u"Changed"_s, false);
}

void EditorCommands::txtTEXT_OLEDragDrop(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    // Only the first file of a drop counts.
    const QString path = paths.first();
    const QString title = u"Quirebox File Drop"_s;
    Platform &platform = m_window.platform();
    switch (ClassifyDroppedFile(path)) {
    case DropKind::Note:
        if (m_window.notes().SelectedFolderRow() == 0) {
            platform.messageBox(u"The file \""_s + path
                                    + u"\" can't be added: a book and a folder must be open "
                                      "to take it."_s,
                                Platform::Buttons::Ok, Platform::Icon::Information, title);
            return;
        }
        if (m_window.notes().AddNoteFile(path, title))
            m_window.session().LastFolderName.clear();
        return;
    case DropKind::Book:
        if (m_window.notes().ConfirmLeaveNote())
            m_window.books().OpenBookFile(path);
        return;
    case DropKind::Other:
        platform.messageBox(u"The file \""_s + path
                                + u"\" isn't a text file or a valid Quirebox file."_s,
                            Platform::Buttons::Ok, Platform::Icon::Information, title);
        return;
    }
}

} // namespace qb
