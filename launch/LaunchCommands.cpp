#include "launch/LaunchCommands.h"

#include "editor/UnsavedEdits.h"
#include "launch/mgABOUT.h"
#include "notes/NoteListCommands.h"
#include "notes/NoteListModel.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace qb {

QString LaunchCommands::glyphwrightPath() const
{
#ifdef Q_OS_WIN
    const QString name = u"Glyphwright.exe"_s;
#else
    const QString name = u"Glyphwright"_s;
#endif
    return QDir(m_platform.programDir()).filePath(name);
}

bool LaunchCommands::glyphwrightPresent() const
{
    const QFileInfo tool(glyphwrightPath());
    return tool.isFile() && !tool.isHidden();
}

void LaunchCommands::RunGlyphwright()
{
    // The tool must not read an older file than the user was promised.
    if (m_unsaved.askToSave(u"Save the file before executing Glyphwright?"_s,
                            Platform::Buttons::OkCancel, Platform::Icon::Information,
                            u"Glyphwright"_s) == UnsavedEdits::Answer::Cancelled) {
        return;
    }
    if (m_noteList.hasCurrentNote())
        startGlyphwright(m_notes.currentPath());
}

bool LaunchCommands::startGlyphwright(const QString &notePath)
{
    // An argument list and no shell: blanks, quotes and ";" in the path stay part of it.
    const QString tool = glyphwrightPath();
    if (m_platform.startProgram(tool, {notePath}))
        return true;
    m_platform.messageBox(u"Unable to start Glyphwright:\r\n"_s + quoted(tool),
                          Platform::Buttons::Ok, Platform::Icon::Exclamation, u"Glyphwright"_s);
    return false;
}

void LaunchCommands::openDiskFolder()
{
    const QString dir = m_noteList.selectedFolderDir();
    if (dir.isEmpty())
        return;
    // A file URL keeps "#" and "%" in a directory name as part of the path.
    m_platform.openUrl(QUrl::fromLocalFile(dir));
}

void LaunchCommands::showAbout()
{
    mgABOUT box(m_platform, &m_aboutParent);
    m_platform.execDialog(box);
}

} // namespace qb
