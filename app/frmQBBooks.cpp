// The main window and the books: a book opened, the books opened last, files dropped, and the
// guide in the editor's place when there is no note to show.
#include "app/frmQB.h"

#include "app/EmptyGuide.h"
#include "app/SpellingCommands.h"
#include "book/Book.h"
#include "book/BookStore.h"
#include "book/FolderListModel.h"
#include "editor/EditorCommands.h"
#include "editor/NoteEditor.h"
#include "find/BookIndex.h"
#include "find/BookSearch.h"
#include "notes/NoteFileCommands.h"
#include "notes/NoteListCommands.h"
#include "notes/NoteListModel.h"
#include "notes/NoteSaveFlow.h"
#include "notes/NoteSession.h"
#include "notes/ProgramState.h"
#include "notes/RecoveryCommands.h"
#include "platform/Platform.h"
#include "platform/QuotedPath.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QStackedWidget>

using namespace Qt::StringLiterals;

namespace qb {

void frmQB::bookOpened()
{
    m_folderModel->fill(m_book->state());
    ShowCaption();
    EnableCommands(true);
    m_bookIndex->open(bookSearchFolders(m_book->state()));
    const QString bookPath = m_book->state().BookFilePath;
    m_state->addRecentBook(bookPath);
    m_spelling->bookOpened(bookPath);
    // A book read again after a change of its folders shows its first folder, as when it is new.
    const bool reread = std::exchange(m_openedBook, bookPath) == bookPath;
    const QString last = reread ? QString() : m_state->lastNote(bookPath);
    if (!last.isEmpty() && QFileInfo::exists(last)) {
        m_noteList->showNotePath(last, [this](bool shown) {
            if (!shown)
                m_noteList->showFirstFolder();
        });
    } else {
        m_noteList->showFirstFolder();
    }
    m_recoveryOffers->offerForBook();
}

void frmQB::updateGuide()
{
    m_guideDue->start();
}

void frmQB::showGuideNow()
{
    const bool noBook = !m_book->isOpen();
    const bool noNotes = !noBook && !m_session->isShown() && !m_session->isLoading() &&
                         !m_noteList->isListing() && m_noteModel->rowCount() == 0;
    if (noBook) {
        const auto keys = [this](const QString &name) {
            return findChild<QAction *>(name)->shortcut().toString(QKeySequence::NativeText);
        };
        m_guide->showNoBook(m_state->recentBooks(), keys(u"B_NEW"_s), keys(u"B_mnuOPEN"_s));
    } else if (noNotes && !m_noteModel->dir().isEmpty() && !QFileInfo(m_noteModel->dir()).isDir()) {
        m_guide->showMissingFolder(m_noteModel->dir(), m_noteModel->listingError());
    } else if (noNotes) {
        m_guide->showNoNotes();
    }
    // The guide never takes the focus: the selectors keep it.
    m_editorPlace->setCurrentWidget(noBook || noNotes ? static_cast<QWidget *>(m_guide)
                                                      : m_txtTEXT);
}

void frmQB::fillRecentBooks()
{
    m_recentBooks->clear();
    int number = 0;
    for (const QString &path : m_state->recentBooks()) {
        QAction *item = m_recentBooks->addAction(u"&%1 %2"_s.arg(++number).arg(
            QFileInfo(path).completeBaseName().replace(u'&', u"&&"_s)));
        item->setObjectName(u"recentBookAction_%1"_s.arg(number));
        item->setToolTip(path);
        connect(item, &QAction::triggered, this, [this, path] { openRecentBook(path); });
    }
    m_recentBooks->setToolTipsVisible(true);
    updateCommands();
}

void frmQB::openRecentBook(const QString &path)
{
    if (!QFileInfo(path).isFile()) {
        m_state->removeRecentBook(path);
        m_platform.messageBox(
            u"The book "_s + quoted(path) + u" is no longer there. It is taken off the list."_s,
            Platform::Buttons::Ok, Platform::Icon::Information, u"Recent Books"_s);
        return;
    }
    if (m_saveFlow->confirmLeave())
        m_bookStore->openBookFile(path);
}

void frmQB::txtTEXT_OLEDragDrop(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    // Only the first file of a drop counts.
    const QString path = paths.first();
    const QString title = u"Quirebox File Drop"_s;
    switch (classifyDroppedFile(path)) {
    case DropKind::Note:
        m_noteFiles->addDroppedNote(path, title);
        return;
    case DropKind::Book:
        if (m_saveFlow->confirmLeave())
            m_bookStore->openBookFile(path);
        return;
    case DropKind::Other:
        m_platform.messageBox(u"The file "_s + quoted(path) +
                                  u" isn't a text file or a valid Quirebox file."_s,
                              Platform::Buttons::Ok, Platform::Icon::Information, title);
        return;
    }
}

} // namespace qb
