#include "book/BookCommands.h"

#include "book/Book.h"
#include "book/BookStore.h"
#include "editor/UnsavedEdits.h"
#include "platform/CommonDialog.h"
#include "platform/Platform.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

const QString kBookFilters[] = {u"Quirebox (QB) (*.qb)"_s, u"All Files (*)"_s};

// A pasted name can hold line breaks, which would split the "Name=" line and turn the lines
// after it into folder rows.
bool acceptBookName(Platform &platform, const QString &name)
{
    if (!name.contains(u'\r') && !name.contains(u'\n'))
        return true;
    platform.messageBox(u"Quirebox can't store this book name: it holds a line break, and a book "
                        "file keeps the name on one line."_s,
                        Platform::Buttons::Ok, Platform::Icon::Exclamation, u"Quirebox"_s);
    return false;
}

} // namespace

void BookCommands::NewBook()
{
    if (!m_unsaved.confirmLeave())
        return;
    const QString name =
        m_platform.inputBox(u"Insert the name for the new Quirebox:"_s, u"New Quirebox"_s,
                            MakeSignature(m_platform.userName()) + u" Quirebox"_s);
    if (name.isEmpty() || !acceptBookName(m_platform, name))
        return;
    Platform::FileDialogRequest request;
    request.mode = Platform::FileDialogRequest::Mode::Save;
    request.title = u"Save Quirebox"_s;
    request.filters = {kBookFilters[0], kBookFilters[1]};
    request.confirmOverwrite = true;
    request.initialName = name;
    const QString chosen = m_cD.show(m_platform, request);
    if (chosen.isEmpty())
        return;

    BookState fresh;
    fresh.BookName = name;
    fresh.BookFilePath = EnsureBookExtension(chosen);
    // The dialog asked about the name as typed; the ".qb" added here may name another file.
    if (fresh.BookFilePath != chosen && QFileInfo::exists(fresh.BookFilePath) &&
        m_platform.messageBox(u"The file "_s + quoted(fresh.BookFilePath) +
                                  u" already exists.\r\nReplace it with the new book?"_s,
                              Platform::Buttons::YesNo, Platform::Icon::Exclamation,
                              u"Save Quirebox"_s) != Platform::Button::Yes) {
        return;
    }
    if (m_store.writeNewBook(fresh))
        m_store.openBookFile(fresh.BookFilePath);
}

void BookCommands::OpenBook()
{
    if (!m_unsaved.confirmLeave())
        return;
    Platform::FileDialogRequest request;
    request.mode = Platform::FileDialogRequest::Mode::Open;
    request.title = u"Open Quirebox"_s;
    request.filters = {kBookFilters[0], kBookFilters[1]};
    const QString chosen = m_cD.show(m_platform, request);
    if (chosen.isEmpty())
        return;
    m_store.openBookFile(EnsureBookExtension(chosen));
}

void BookCommands::RenameBook()
{
    if (!m_book.isOpen())
        return;
    const QString oldName = m_book.state().BookName;
    const QString name = m_platform.inputBox(u"Old Quirebox name: "_s + oldName +
                                                 u"\r\nInsert the new name for the Quirebox:"_s,
                                             u"New Quirebox"_s, oldName);
    if (name.isEmpty() || !acceptBookName(m_platform, name))
        return;
    BookState renamed = m_book.state();
    renamed.BookName = name;
    m_store.writeBook(renamed);
}

} // namespace qb
