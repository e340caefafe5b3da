#pragma once

#include <memory>

namespace qb {

class frmQB;
class frmFIND;

// Tools > Find... and Find Next over the editor's text.
class FindCommands
{
public:
    explicit FindCommands(frmQB &window);
    ~FindCommands();

    void T_mnuFIND_Click();
    void T_mnuFIND_NEXT_Click();
    bool FindInNote(bool fromBeginning);
    void CloseDialog();

private:
    frmQB &m_window;
};

} // namespace qb
