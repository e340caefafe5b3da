#pragma once

#include <QString>

namespace qb {

class frmQB;

// Handing the note to Glyphwright, opening a folder in the file browser, and the about box.
class LaunchCommands
{
public:
    explicit LaunchCommands(frmQB &window) : m_window(window) {}

    // The scripting tool beside the program.
    QString GlyphwrightPath() const;
    bool GlyphwrightPresent() const;

    void RunGlyphwright();
    // Starts the tool on `notePath`, passed as one argument; says so when it cannot start.
    bool StartGlyphwright(const QString &notePath);
    void B_mnuF_DISKOPEN_Click();
    void H_mnuABOUT_Click();

private:
    frmQB &m_window;
};

} // namespace qb
