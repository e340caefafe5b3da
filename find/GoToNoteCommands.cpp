#include "find/GoToNoteCommands.h"

#include "book/Book.h"
#include "editor/NoteDocument.h"
#include "editor/NoteView.h"
#include "editor/SoftBreaks.h"
#include "find/BookIndex.h"
#include "find/GoToNoteDialog.h"
#include "find/MatchSelection.h"
#include "notes/NoteDisplay.h"
#include "notes/NoteFileCommands.h"
#include "notes/NoteListCommands.h"
#include "platform/Platform.h"

#include <QFileInfo>
#include <QPointer>
#include <QTextCursor>

using namespace Qt::StringLiterals;

namespace qb {

GoToNoteCommands::GoToNoteCommands(const Book &book, BookIndex &index, NoteListCommands &noteList,
                                   NoteFileCommands &noteFiles, NoteDisplay &display,
                                   NoteDocument &note, NoteView &view, NoteNotice &notice,
                                   Platform &platform, QWidget &dialogParent, QObject *parent)
    : QObject(parent), m_book(book), m_index(index), m_noteList(noteList), m_noteFiles(noteFiles),
      m_display(display), m_note(note), m_view(view), m_notice(notice), m_platform(platform),
      m_dialogParent(dialogParent)
{
}

void GoToNoteCommands::showDialog()
{
    if (!m_book.isOpen())
        return;
    GoToNoteDialog dialog([this] { return m_index.snapshot(); }, &m_dialogParent);
    connect(&dialog, &GoToNoteDialog::openRequested, &dialog,
            [this, &dialog](const NoteQueryHit &hit) { open(hit, dialog); });
    connect(&dialog, &GoToNoteDialog::nothingFound, &dialog, [this, &dialog](const QString &query) {
        if (offerToMake(query))
            dialog.accept();
    });
    m_platform.execDialog(dialog);
}

void GoToNoteCommands::open(const NoteQueryHit &hit, GoToNoteDialog &dialog)
{
    // Never a note that is gone, nor text that is no longer there.
    if (!hit.isCurrent()) {
        const bool gone = !QFileInfo(hit.path()).isFile();
        if (gone)
            m_index.index().removeNote(hit.folderRow, hit.noteFileName);
        else
            m_index.index().updateNote(hit.folderRow, hit.noteFileName);
        dialog.tell((gone ? u"The note \"%1\" is gone"_s : u"The note \"%1\" was changed"_s)
                        .arg(hit.noteName()) +
                    u" since the notes were read: the list shows them as they are now."_s);
        dialog.runAgain();
        return;
    }
    // A large folder is listed off the window's thread: the note may be shown after the window
    // has been closed.
    showNoteAndFocus(m_noteList, m_display, m_view, hit.folderRow, hit.noteFileName,
                     hit.position >= 0 ? std::function<void()>([this, hit] { selectMatch(hit); })
                                       : nullptr,
                     [window = QPointer<GoToNoteDialog>(&dialog)] {
                         if (window)
                             window->accept();
                     });
}

void GoToNoteCommands::selectMatch(const NoteQueryHit &hit)
{
    // The match as the index found it; a note with unsaved edits may hold it elsewhere.
    const qsizetype position = hit.position;
    if (hit.matchInSnippet + hit.length <= hit.snippet.size()) {
        const QString found = hit.snippet.mid(hit.matchInSnippet, hit.length);
        selectNearestMatch(m_note, m_view, m_notice, position, found, Qt::CaseInsensitive);
        return;
    }
    const auto [start, end] = m_note.positions().editorRange(position, position + hit.length);
    QTextCursor cursor(&m_note.document());
    cursor.setPosition(int(start));
    cursor.setPosition(int(end), QTextCursor::KeepAnchor);
    m_view.setCaret(cursor, true);
}

bool GoToNoteCommands::offerToMake(const QString &query)
{
    const QString name = query.trimmed();
    const int row = m_noteList.selectedFolderRow();
    if (name.isEmpty() || row == 0)
        return false;
    const QString title = u"Go to Note"_s;
    const QString folder = m_book.state().Folders[row].Name;
    if (m_platform.messageBox(u"No note is named or holds "_s + quoted(name) +
                                  u".\r\nMake a note named "_s + quoted(name) +
                                  u" in the folder "_s + quoted(folder) + u"?"_s,
                              Platform::Buttons::YesNo, Platform::Icon::Question, title,
                              Platform::Button::No) != Platform::Button::Yes) {
        return false;
    }
    const QString fileName = m_noteFiles.makeNote(name, title);
    if (fileName.isEmpty())
        return false;
    showNoteAndFocus(m_noteList, m_display, m_view, row, fileName, nullptr);
    return true;
}

} // namespace qb
