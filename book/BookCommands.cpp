#include "book/BookCommands.h"

#include "app/frmQB.h"
#include "editor/NoteEditor.h"
#include "notes/NoteCommands.h"
#include "platform/DateTimeText.h"
#include "platform/Platform.h"
#include "platform/SafeFile.h"

#include <QComboBox>
#include <QFileInfo>
#include <QSignalBlocker>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

const QString kBookFilters[] = {u"Quirebox (QB) (*.qb)"_s, u"All Files (*)"_s};

void RefuseBookFile(Platform &platform, const QString &path)
{
    platform.messageBox(u"The file \""_s + path + u"\" isn't a valid Quirebox file."_s,
                        Platform::Buttons::Ok, Platform::Icon::Exclamation, u"Quirebox"_s);
}

// lstFLDS keeps its items sorted by name, letter case ignored; equal names stay in file order.
void FillFolderSelector(QComboBox *lstFLDS, const BookState &book)
{
    const QSignalBlocker quiet(lstFLDS);
    lstFLDS->clear();
    for (int row = 1; row <= book.FolderCount; ++row) {
        const QString &name = book.Folders[row].Name;
        int at = lstFLDS->count();
        while (at > 0 && lstFLDS->itemText(at - 1).compare(name, Qt::CaseInsensitive) > 0)
            --at;
        lstFLDS->insertItem(at, name, row);
    }
    lstFLDS->setCurrentIndex(lstFLDS->count() > 0 ? 0 : -1);
}

// A pasted name can hold line breaks, which would split the "Name=" line and turn the lines
// after it into folder rows.
bool AcceptBookName(Platform &platform, const QString &name)
{
    if (!name.contains(u'\r') && !name.contains(u'\n'))
        return true;
    platform.messageBox(u"Quirebox can't store this book name: it holds a line break, and a book "
                        "file keeps the name on one line."_s,
                        Platform::Buttons::Ok, Platform::Icon::Exclamation, u"Quirebox"_s);
    return false;
}

} // namespace

QString BookCommands::SignatureText() const
{
    Platform &platform = m_window.platform();
    const QDateTime now = platform.now();
    return SignatureLine(ShortDateText(now.date()), LongTimeText(now.time()),
                         MakeSignature(platform.userName()));
}

bool BookCommands::OpenBookFile(const QString &path)
{
    // A book is a few lines: a pipe, a device or a huge file named ".qb" is no book, and
    // reading one could hang or exhaust memory.
    constexpr qint64 kLargestBook = 1024 * 1024;
    std::optional<ParsedBook> parsed;
    const FileProbe probe = ProbeFile(path);
    if (probe.kind == FileProbe::Kind::Regular && probe.size <= kLargestBook) {
        const ReadResult read = ReadWholeFile(path, kLargestBook);
        if (!read.ok() && !read.tooLarge) {
            m_window.platform().messageBox(u"Quirebox can't read the book file \""_s + path
                                               + u"\".\r\n"_s + read.error,
                                           Platform::Buttons::Ok, Platform::Icon::Exclamation,
                                           u"Quirebox"_s);
            return false;
        }
        parsed = read.ok() ? ParseBook(read.bytes) : std::nullopt;
    }
    if (!parsed) {
        RefuseBookFile(m_window.platform(), path);
        return false;
    }

    BookState &book = m_window.book();
    book.BookFilePath = path;
    book.BookName = parsed->name;
    book.encoding = parsed->encoding;
    book.Folders.fill({});
    book.FolderCount = int(parsed->folders.size());
    for (int row = 1; row <= book.FolderCount; ++row)
        book.Folders[row] = parsed->folders.at(row - 1);
    if (parsed->droppedFolders > 0) {
        m_window.platform().messageBox(
            u"The book \"%1\" lists %2 folders, but a book holds at most %3. Only the first %3 "
            "are used; the others will be left out when the book is next written."_s
                .arg(path)
                .arg(MaxFolders + parsed->droppedFolders)
                .arg(MaxFolders),
            Platform::Buttons::Ok, Platform::Icon::Exclamation, u"Quirebox"_s);
    }

    QComboBox *lstFLDS = m_window.lstFLDS();
    FillFolderSelector(lstFLDS, book);
    m_window.ShowCaption();
    // The first folder in the selector's order is listed, and its first note loaded, once:
    // an encoded note asks for its keyword a single time.
    m_window.session().LastFolderName = lstFLDS->currentText();
    m_window.EnableCommands(true);
    NoteCommands &notes = m_window.notes();
    notes.RefreshNoteList(-1);
    // A book without folders, or a folder without notes, shows no note and asks nothing at exit.
    if (!notes.HasCurrentNote())
        notes.ShowNoFileSelected();
    return true;
}

bool BookCommands::LoadBook()
{
    return OpenBookFile(m_window.book().BookFilePath);
}

bool BookCommands::WriteBook(BookState &state)
{
    const QString signature = SignatureText();
    std::optional<QByteArray> bytes = BookFileBytes(state, signature);
    if (!bytes) {
        // A name outside the book's code page: the book moves to UTF-8 rather than lose it.
        state.encoding = TextEncoding::Utf8;
        bytes = BookFileBytes(state, signature);
    }
    if (const FileError error = WriteWholeFile(state.BookFilePath, *bytes).error) {
        m_window.platform().messageBox(u"Quirebox can't write the book file \""_s
                                           + state.BookFilePath + u"\".\r\n"_s + *error,
                                       Platform::Buttons::Ok, Platform::Icon::Exclamation,
                                       u"Quirebox"_s);
        return false;
    }
    return true;
}

bool BookCommands::SaveBook()
{
    if (WriteBook(m_window.book()))
        return true;
    LoadBook();
    return false;
}

void BookCommands::NewBook()
{
    if (!m_window.notes().ConfirmLeaveNote())
        return;
    Platform &platform = m_window.platform();
    const QString name =
        platform.inputBox(u"Insert the name for the new Quirebox:"_s, u"New Quirebox"_s,
                          MakeSignature(platform.userName()) + u" Quirebox"_s);
    if (name.isEmpty() || !AcceptBookName(platform, name))
        return;
    Platform::FileDialogRequest request;
    request.mode = Platform::FileDialogRequest::Mode::Save;
    request.title = u"Save Quirebox"_s;
    request.filters = {kBookFilters[0], kBookFilters[1]};
    request.confirmOverwrite = true;
    request.initialName = name;
    const QString chosen = platform.fileDialog(request);
    if (chosen.isEmpty())
        return;
    m_window.session().cD_FileName = chosen;

    BookState fresh;
    fresh.BookName = name;
    fresh.BookFilePath = EnsureBookExtension(chosen);
    // The dialog asked about the name as typed; the ".qb" added here may name another file.
    if (fresh.BookFilePath != chosen && QFileInfo::exists(fresh.BookFilePath)
        && platform.messageBox(u"The file \""_s + fresh.BookFilePath
                                   + u"\" already exists.\r\nReplace it with the new book?"_s,
                               Platform::Buttons::YesNo, Platform::Icon::Exclamation,
                               u"Save Quirebox"_s)
               != Platform::Button::Yes) {
        return;
    }
    if (WriteBook(fresh))
        OpenBookFile(fresh.BookFilePath);
}

void BookCommands::OpenBook()
{
    if (!m_window.notes().ConfirmLeaveNote())
        return;
    Platform::FileDialogRequest request;
    request.mode = Platform::FileDialogRequest::Mode::Open;
    request.title = u"Open Quirebox"_s;
    request.filters = {kBookFilters[0], kBookFilters[1]};
    request.initialName = m_window.session().cD_FileName;
    const QString chosen = m_window.platform().fileDialog(request);
    if (chosen.isEmpty())
        return;
    m_window.session().cD_FileName = chosen;
    OpenBookFile(EnsureBookExtension(chosen));
}

void BookCommands::RenameBook()
{
    BookState &book = m_window.book();
    if (!book.isOpen())
        return;
    const QString name = m_window.platform().inputBox(
        u"Old Quirebox name: "_s + book.BookName + u"\r\nInsert the new name for the Quirebox:"_s,
        u"New Quirebox"_s, book.BookName);
    if (name.isEmpty() || !AcceptBookName(m_window.platform(), name))
        return;
    BookState renamed = book;
    renamed.BookName = name;
    if (!WriteBook(renamed))
        return;
    book.BookName = name;
    book.encoding = renamed.encoding;
    m_window.ShowCaption();
}

} // namespace qb
