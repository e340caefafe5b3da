#pragma once

#include <QStringList>

#include <memory>

namespace qb {

class frmQB;
class QtPlatform;

// The program's start: the main window shown, then the book named on the command line loaded
// (ParseCommandLine tells how the arguments make one book path).
std::unique_ptr<frmQB> StartMainWindow(QtPlatform &platform, const QStringList &arguments);

} // namespace qb
