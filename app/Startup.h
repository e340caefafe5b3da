#pragma once

#include <QStringList>

#include <memory>

namespace qb {

class frmQB;
class QtPlatform;

// The program's start: the main window shown, then the book named on the command line loaded.
// The command line is one book path: the arguments after the program's name joined by single
// blanks, so that an unquoted path with blanks still arrives whole.
std::unique_ptr<frmQB> StartMainWindow(QtPlatform &platform, const QStringList &arguments);

} // namespace qb
