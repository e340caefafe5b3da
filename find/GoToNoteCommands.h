#pragma once

#include <QObject>

class QWidget;

namespace qb {

class Book;
class BookIndex;
class NoteDisplay;
class NoteDocument;
class NoteFileCommands;
class NoteListCommands;
class NoteNotice;
class NoteView;
class Platform;
class GoToNoteDialog;
struct NoteQueryHit;

// Tools > Go to Note...: a note found as the words are typed, opened with Enter (after the
// question about unsaved edits) with its first match selected; Enter with none found offers to
// make a note of that name. A result whose file changed since the index read it is read again
// before it is opened.
class GoToNoteCommands final : public QObject
{
    Q_OBJECT
public:
    GoToNoteCommands(const Book &book, BookIndex &index, NoteListCommands &noteList,
                     NoteFileCommands &noteFiles, NoteDisplay &display, NoteDocument &note,
                     NoteView &view, NoteNotice &notice, Platform &platform, QWidget &dialogParent,
                     QObject *parent = nullptr);

    void showDialog();

private:
    // Opens the note of `hit` and closes the window; the window stays when the note is not
    // opened.
    void open(const NoteQueryHit &hit, GoToNoteDialog &dialog);
    // Selects the match of `hit` in its note, once shown.
    void selectMatch(const NoteQueryHit &hit);
    // Enter with nothing found: a note named `query` made, after a question; true when it is.
    bool offerToMake(const QString &query);

    const Book &m_book;
    BookIndex &m_index;
    NoteListCommands &m_noteList;
    NoteFileCommands &m_noteFiles;
    NoteDisplay &m_display;
    NoteDocument &m_note;
    NoteView &m_view;
    NoteNotice &m_notice;
    Platform &m_platform;
    QWidget &m_dialogParent;
};

} // namespace qb
