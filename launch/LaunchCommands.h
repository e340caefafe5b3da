#pragma once

#include <QString>

class QWidget;

namespace qb {

class NoteListCommands;
class NoteListModel;
class Platform;
class UnsavedEdits;

// Handing the note to Glyphwright, opening a folder in the file browser, and the about box.
class LaunchCommands
{
public:
    LaunchCommands(Platform &platform, UnsavedEdits &unsaved, const NoteListCommands &noteList,
                   const NoteListModel &notes, QWidget &aboutParent)
        : m_platform(platform), m_unsaved(unsaved), m_noteList(noteList), m_notes(notes),
          m_aboutParent(aboutParent)
    {
    }

    // The scripting tool beside the program.
    QString glyphwrightPath() const;
    bool glyphwrightPresent() const;

    void RunGlyphwright();
    // Starts the tool on `notePath`, passed as one argument; says so when it cannot start.
    bool startGlyphwright(const QString &notePath);
    void openDiskFolder();
    void showAbout();

private:
    Platform &m_platform;
    UnsavedEdits &m_unsaved;
    const NoteListCommands &m_noteList;
    const NoteListModel &m_notes;
    QWidget &m_aboutParent;
};

} // namespace qb
