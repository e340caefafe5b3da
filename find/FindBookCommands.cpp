#include "find/FindBookCommands.h"

#include "book/Book.h"
#include "editor/NoteDocument.h"
#include "editor/NoteView.h"
#include "find/BookIndex.h"
#include "find/BookResultsModel.h"
#include "find/FindBookDialog.h"
#include "find/MatchSelection.h"
#include "notes/NoteDisplay.h"
#include "notes/NoteListCommands.h"
#include "notes/NoteNames.h"
#include "notes/NoteNotice.h"
#include "notes/NoteSession.h"
#include "platform/Platform.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace qb {

FindBookCommands::FindBookCommands(const Book &book, BookIndex &index, const NoteSession &session,
                                   NoteListCommands &noteList, NoteDisplay &display,
                                   NoteDocument &note, NoteView &view, NoteNotice &notice,
                                   Platform &platform, QWidget &dialogParent, QObject *parent)
    : QObject(parent), m_book(book), m_index(index), m_session(session), m_noteList(noteList),
      m_display(display), m_note(note), m_view(view), m_notice(notice), m_platform(platform),
      m_dialogParent(dialogParent)
{
    // Results name folders by their row, which means another folder in another book.
    connect(&book, &Book::opened, this, &FindBookCommands::forgetResults);
}

FindBookCommands::~FindBookCommands() = default;

FindBookDialog &FindBookCommands::dialog()
{
    if (!m_dialog) {
        m_dialog = new FindBookDialog(&m_dialogParent);
        FindBookDialog *window = m_dialog;
        connect(window, &FindBookDialog::searchRequested, this, &FindBookCommands::search);
        connect(window, &FindBookDialog::stopRequested, this, &FindBookCommands::stop);
        connect(window, &FindBookDialog::openRequested, this, &FindBookCommands::open);
        connect(&m_search, &BookSearch::hitsFound, window,
                [window](const QList<BookSearchHit> &hits) { window->results().add(hits); });
        connect(&m_search, &BookSearch::progress, window, &FindBookDialog::showProgress);
        connect(&m_search, &BookSearch::finished, window, &FindBookDialog::showSummary);
    }
    return *m_dialog;
}

void FindBookCommands::showDialog()
{
    FindBookDialog &window = dialog();
    window.show();
    window.raise();
    window.activateWindow();
}

void FindBookCommands::search(const QString &text, Qt::CaseSensitivity caseSensitivity)
{
    BookSearchRequest request;
    request.folders = bookSearchFolders(m_book.state());
    request.text = text;
    request.caseSensitivity = caseSensitivity;
    request.limits = m_session.sizeLimits();
    m_index.lendTo(request);
    m_searchedText = text;
    m_searchedCase = caseSensitivity;
    m_searchedDirs.clear();
    for (const BookSearchFolder &folder : std::as_const(request.folders))
        m_searchedDirs.insert(folder.row, folder.dir);
    dialog().searchStarted();
    m_search.start(request);
}

void FindBookCommands::stop()
{
    m_search.cancel();
}

void FindBookCommands::forgetResults()
{
    m_search.cancel();
    m_searchedDirs.clear();
    if (m_dialog)
        m_dialog->clearResults();
}

void FindBookCommands::open(const BookSearchHit &hit)
{
    const QString dir = m_searchedDirs.value(hit.folderRow);
    const QString path = noteFilePath(dir, hit.noteFileName);
    if (dir.isEmpty() || m_book.folderDir(hit.folderRow) != dir || !QFileInfo(path).isFile()) {
        m_platform.messageBox(u"Quirebox can't find the file "_s + quoted(path) +
                                  u".\r\nIt was moved, renamed or removed after the search."_s,
                              Platform::Buttons::Ok, Platform::Icon::Exclamation,
                              u"Find in Book"_s);
        return;
    }
    showNoteAndFocus(m_noteList, m_display, m_view, hit.folderRow, hit.noteFileName,
                     [this, position = hit.position, text = m_searchedText, cs = m_searchedCase] {
                         selectNearestMatch(m_note, m_view, m_notice, position, text, cs);
                     });
}

} // namespace qb
