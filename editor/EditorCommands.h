#pragma once

#include <QStringList>

namespace qb {

class frmQB;

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
    frmQB &m_window;
};

} // namespace qb
