#include "launch/LaunchCommands.h"

#include "app/frmQB.h"
#include "platform/Platform.h"

#include <QDir>
#include <QFileInfo>

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

void LaunchCommands::RunGlyphwright() {}
void LaunchCommands::B_mnuF_DISKOPEN_Click() {}
void LaunchCommands::H_mnuABOUT_Click() {}

} // namespace qb
