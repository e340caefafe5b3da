#pragma once

#include <QStringList>

namespace qb {

class NoteEditor;
class Platform;

enum class DropKind { Note, Book, Other };
// What a dropped file is taken for, by its ending in any letter case: ".txt" or ".qb".
DropKind classifyDroppedFile(const QString &path);

// The Edit menu on the editor's plain text. Nothing is edited while the editor refuses edits
// (switched off, or a note still being read), whichever way a command comes.
class EditorCommands
{
public:
    EditorCommands(NoteEditor &editor, Platform &platform) : m_editor(editor), m_platform(platform)
    {
    }

    void undo();
    void redo();
    void cut();
    void copy();
    void paste();
    void selectAll();
    void copyAll();
    void insertTime();
    void insertDate();

private:
    // The editor, or nullptr while it is switched off.
    NoteEditor *activeEditor() const;

    NoteEditor &m_editor;
    Platform &m_platform;
};

} // namespace qb
