#pragma once

class QWidget;

namespace qb {

class HistoryKeeper;
class NoteDisplay;
class NoteEditor;
class NoteSession;
class Platform;

// File > Note History...: the versions kept of the shown note, and one of them put back in the
// editor as an edit of the user's, which Save writes and Undo takes back.
class HistoryCommands
{
public:
    HistoryCommands(const NoteSession &session, NoteDisplay &display, const NoteEditor &editor,
                    HistoryKeeper &history, Platform &platform, QWidget &dialogParent)
        : m_session(session), m_display(display), m_editor(editor), m_history(history),
          m_platform(platform), m_dialogParent(dialogParent)
    {
    }

    void showHistory();

private:
    const NoteSession &m_session;
    NoteDisplay &m_display;
    const NoteEditor &m_editor;
    HistoryKeeper &m_history;
    Platform &m_platform;
    QWidget &m_dialogParent;
};

} // namespace qb
