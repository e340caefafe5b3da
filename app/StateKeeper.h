#pragma once

#include "notes/ProgramState.h"
#include "platform/StateFile.h"

#include <QObject>

namespace qb {

class Book;
class NoteDisplay;
class NoteEditor;
class NoteSession;

// Keeps what the program remembers in step with the window: the state file read once and
// written as the state changes; the book's last note and the place in each note taken as the
// user moves, and the place given back when a note is shown again.
class StateKeeper final : public QObject
{
public:
    StateKeeper(ProgramState &state, const QString &stateFile, const Book &book,
                NoteSession &session, const NoteDisplay &display, NoteEditor &editor,
                QObject *parent = nullptr);
    // Writes what waits.
    ~StateKeeper() override;

    void flush() { m_writer.flush(); }

private:
    // A note newly shown, whole: its place given back, and it is the book's last note.
    void shown();
    void keepPlace();

    ProgramState &m_state;
    const Book &m_book;
    NoteSession &m_session;
    NoteEditor &m_editor;
    StateFileWriter m_writer;
    // The note whose place was given back last: its moves are kept from then on.
    QString m_placed;
};

} // namespace qb
