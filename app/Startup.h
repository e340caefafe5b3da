#pragma once

#include <QStringList>

#include <memory>

class QMainWindow;

namespace qb {

class Platform;
class QtPlatform;

// The program's start: the main window shown, then the book named on the command line loaded
// (parseCommandLine tells how the arguments make one book path).
std::unique_ptr<QMainWindow> startMainWindow(QtPlatform &platform, const QStringList &arguments);

// The main window made and started on `bookPath` (none when empty), not shown: for programs
// that measure it. Its controls and menu items are found by their names.
std::unique_ptr<QMainWindow> makeMainWindow(Platform &platform, const QString &bookPath);

} // namespace qb
