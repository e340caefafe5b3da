#include "app/StateKeeper.h"

#include "book/Book.h"
#include "editor/NoteEditor.h"
#include "notes/NoteDisplay.h"
#include "notes/NoteSession.h"

#include <QScrollBar>
#include <QTextCursor>

namespace qb {

StateKeeper::StateKeeper(ProgramState &state, const QString &stateFile, const Book &book,
                         NoteSession &session, const NoteDisplay &display, NoteEditor &editor,
                         QObject *parent)
    : QObject(parent), m_state(state), m_book(book), m_session(session), m_editor(editor),
      m_writer(stateFile)
{
    connect(&m_state, &ProgramState::changed, this,
            [this] { m_writer.schedule(m_state.toJson()); });
    connect(&m_session, &NoteSession::shownChanged, this, [this] {
        if (!m_session.isShown())
            m_placed.clear();
    });
    connect(&display, &NoteDisplay::shownWhole, this, &StateKeeper::shown);
    connect(&m_editor, &QPlainTextEdit::cursorPositionChanged, this, &StateKeeper::keepPlace);
    connect(m_editor.verticalScrollBar(), &QScrollBar::valueChanged, this, &StateKeeper::keepPlace);
}

StateKeeper::~StateKeeper()
{
    m_writer.flush();
}

void StateKeeper::shown()
{
    const QString path = m_session.path();
    m_state.setLastNote(m_book.state().BookFilePath, path);
    // The same note read again keeps the place it is at.
    if (path == m_placed)
        return;
    m_placed = path;
    const std::optional<NotePlace> place = m_state.place(path);
    if (!place)
        return;
    const int end = m_editor.document()->characterCount() - 1;
    QTextCursor caret(m_editor.document());
    caret.setPosition(std::clamp(place->anchor, 0, end));
    caret.setPosition(std::clamp(place->position, 0, end), QTextCursor::KeepAnchor);
    m_editor.setTextCursor(caret);
    m_editor.verticalScrollBar()->setValue(place->scroll);
}

void StateKeeper::keepPlace()
{
    if (!m_session.isShown() || m_session.path() != m_placed)
        return;
    const QTextCursor caret = m_editor.textCursor();
    m_state.setPlace(m_placed,
                     {caret.anchor(), caret.position(), m_editor.verticalScrollBar()->value()});
}

} // namespace qb
