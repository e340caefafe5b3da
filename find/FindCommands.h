#pragma once

#include <QPointer>

namespace qb {

class frmQB;
class frmFIND;

// Tools > Find... and Find Next over the editor's text. The Find dialog is made on first use and
// belongs to the main window, which deletes it; this object only keeps a guarded pointer to it.
class FindCommands
{
public:
    explicit FindCommands(frmQB &window);
    ~FindCommands();

    void T_mnuFIND_Click();
    void T_mnuFIND_NEXT_Click();
    // Looks for the dialog's text in the editor, from the top or from the caret, and selects
    // the first match. A selection is left at its end first, so a match right after it counts.
    bool FindInNote(bool fromBeginning);
    void ReportNotFound();
    void CloseDialog();

    // The dialog, made hidden when it does not exist yet.
    frmFIND &dialog();

private:
    frmQB &m_window;
    QPointer<frmFIND> m_dialog;
};

} // namespace qb
