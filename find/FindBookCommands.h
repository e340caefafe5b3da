#pragma once

#include "find/BookSearch.h"

#include <QHash>
#include <QObject>
#include <QPointer>

class QWidget;

namespace qb {

class Book;
class BookIndex;
class NoteDisplay;
class NoteDocument;
class NoteListCommands;
class NoteNotice;
class NoteSession;
class NoteView;
class Platform;
class FindBookDialog;

// Tools > Find in Book...: searches every note of the open book's folders, in the index's memory
// where it holds a note as its file still is, and opens the results.
// The window is made on first use as a child of `dialogParent`, which deletes it; its results
// stay until the next search, or until another book is opened.
class FindBookCommands final : public QObject
{
    Q_OBJECT
public:
    FindBookCommands(const Book &book, BookIndex &index, const NoteSession &session,
                     NoteListCommands &noteList, NoteDisplay &display, NoteDocument &note,
                     NoteView &view, NoteNotice &notice, Platform &platform, QWidget &dialogParent,
                     QObject *parent = nullptr);
    ~FindBookCommands() override;

    // Shows the window, or brings it to the front as it is.
    void showDialog();

private:
    FindBookDialog &dialog();
    void search(const QString &text, Qt::CaseSensitivity caseSensitivity);
    void stop();
    // Shows the note of `hit` with its match selected, the editor taking the keyboard.
    void open(const BookSearchHit &hit);
    void forgetResults();

    const Book &m_book;
    BookIndex &m_index;
    const NoteSession &m_session;
    NoteListCommands &m_noteList;
    NoteDisplay &m_display;
    NoteDocument &m_note;
    NoteView &m_view;
    NoteNotice &m_notice;
    Platform &m_platform;
    QWidget &m_dialogParent;
    QPointer<FindBookDialog> m_dialog;
    BookSearch m_search;
    // What the results were found for.
    QString m_searchedText;
    Qt::CaseSensitivity m_searchedCase = Qt::CaseInsensitive;
    // The directory each folder row had when searched: a result opens only the file it found.
    QHash<int, QString> m_searchedDirs;
};

} // namespace qb
