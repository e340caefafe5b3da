#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QProcessEnvironment;

namespace qb {

// What the command line asks for. All the arguments after the program's name, joined by single
// blanks, are one book path, so that an unquoted path with blanks still arrives whole. Only a
// help or version option given alone is read as an option; a leading "--" is dropped, so that a
// book whose name starts with a dash can still be opened.
struct CommandLine
{
    enum class Request { OpenBook, Help, Version };
    Request request = Request::OpenBook;
    QString bookPath; // empty when no book is named
};

// `arguments` starts with the program's name, as QCoreApplication::arguments() has it.
CommandLine parseCommandLine(const QStringList &arguments);

// "Quirebox 3.01.0025", as --version prints it.
QString versionText();

// One line telling why no window can be shown, or empty when Qt may go ahead. Qt's X11 and
// Wayland platforms abort the program when DISPLAY or WAYLAND_DISPLAY is missing; a `-platform`
// argument or QT_QPA_PLATFORM naming another platform (offscreen, ...) needs neither.
QString missingDisplay(const QStringList &arguments, const QProcessEnvironment &environment);

// Answers --help and --version, and a missing display, before any window exists; returns the
// program's exit status then, or nothing when the main window is to start.
std::optional<int> answerWithoutWindow(int &argc, char **argv);

// Lives while the application object opens the display. Qt's messages meanwhile are held back
// and passed on once it is open; should the display be named but unreachable, Qt would abort
// with a core dump: the program says instead, in one line naming the display, that it cannot
// reach it, and ends with status 1.
class DisplayOpening
{
public:
    DisplayOpening();
    ~DisplayOpening();
    DisplayOpening(const DisplayOpening &) = delete;
    DisplayOpening &operator=(const DisplayOpening &) = delete;
};

// "Quirebox can't reach the display ":99" for its window.", from the environment.
QString unreachableDisplay(const QProcessEnvironment &environment);

} // namespace qb
