#pragma once

#include <QStringList>

namespace qb {

class frmQB;
class NoteEditor;

enum class DropKind { Note, Book, Other };
// What a dropped file is taken for, by its ending in any letter case: ".txt" or ".qb".
DropKind ClassifyDroppedFile(const QString &path);

// The Edit menu on the editor's plain text, change tracking and files dropped on the editor.
class EditorCommands
{
public:
    explicit EditorCommands(frmQB &window) : m_window(window) {}

    void Cut();
    void Copy();
    void Paste();
    void SelectAll();
    void CopyAll();
    void InsertTime();
    void InsertDate();

    void txtTEXT_Change();
    void txtTEXT_OLEDragDrop(const QStringList &paths);

private:
    // The editor, or nullptr while it is switched off.
    NoteEditor *activeEditor() const;

    frmQB &m_window;
};

} // namespace qb
