#include "launch/LaunchCommands.h"

#include "app/frmQB.h"
#include "launch/mgABOUT.h"
#include "notes/NoteCommands.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace qb {

QString LaunchCommands::GlyphwrightPath() const
{
#ifdef Q_OS_WIN
    const QString name = u"Glyphwright.exe"_s;
#else
    const QString name = u"Glyphwright"_s;
#endif
    return QDir(m_window.platform().programDir()).filePath(name);
}

bool LaunchCommands::GlyphwrightPresent() const
{
    const QFileInfo tool(GlyphwrightPath());
    return tool.isFile() && !tool.isHidden();
}

void LaunchCommands::RunGlyphwright()
{
    NoteCommands &notes = m_window.notes();
    if (notes.HasUnsavedEdits()) {
        if (m_window.platform().messageBox(u"Save the file before executing Glyphwright?"_s,
                                           Platform::Buttons::OkCancel, Platform::Icon::Information,
                                           u"Glyphwright"_s) != Platform::Button::Ok)
            return;
        // The tool must not read an older file than the user was promised.
        if (!notes.SaveNote())
            return;
    }
    if (notes.HasCurrentNote())
        StartGlyphwright(notes.NotePath());
}

bool LaunchCommands::StartGlyphwright(const QString &notePath)
{
    // An argument list and no shell: blanks, quotes and ";" in the path stay part of it.
    const QString tool = GlyphwrightPath();
    if (m_window.platform().startProgram(tool, {notePath}))
        return true;
    m_window.platform().messageBox(u"Unable to start Glyphwright:\r\n\"%1\""_s.arg(tool),
                                   Platform::Buttons::Ok, Platform::Icon::Exclamation,
                                   u"Glyphwright"_s);
    return false;
}

void LaunchCommands::B_mnuF_DISKOPEN_Click()
{
    const QString dir = m_window.notes().SelectedFolderDir();
    if (dir.isEmpty())
        return;
    // A file URL keeps "#" and "%" in a directory name as part of the path.
    m_window.platform().openUrl(QUrl::fromLocalFile(dir));
}

void LaunchCommands::H_mnuABOUT_Click()
{
    mgABOUT box(m_window.platform(), &m_window);
    m_window.platform().execDialog(box);
}

} // namespace qb
