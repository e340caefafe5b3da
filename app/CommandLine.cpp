#include "app/CommandLine.h"

#include "app/Version.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QProcessEnvironment>

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace qb {
namespace {

// The options the program knows, shared by the parsing and the help text.
struct Options
{
    QCommandLineParser parser;
    const QCommandLineOption help{{u"h"_s, u"help"_s}, u"Show this help."_s};
    const QCommandLineOption version{{u"v"_s, u"version"_s}, u"Show the version."_s};

    Options()
    {
        parser.setApplicationDescription(
            u"Quirebox keeps plain-text notes in folders grouped into books."_s);
        parser.addOption(help);
        parser.addOption(version);
        parser.addPositionalArgument(
            u"book"_s,
            u"The book file (.qb) to open: all the words after the program's name, blanks "
            "included. An option counts only when it is alone; put -- first for a book whose "
            "name starts with a dash."_s,
            u"[--] [book]"_s);
    }
};

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    const QStringList words = arguments.mid(1);
    if (words.size() == 1) {
        Options options;
        if (options.parser.parse(arguments) && options.parser.optionNames().size() == 1) {
            if (options.parser.isSet(options.help))
                return {CommandLine::Request::Help, {}};
            if (options.parser.isSet(options.version))
                return {CommandLine::Request::Version, {}};
        }
    }
    const bool endOfOptions = !words.isEmpty() && words.constFirst() == u"--"_s;
    return {CommandLine::Request::OpenBook, words.mid(endOfOptions ? 1 : 0).join(u' ')};
}

QString versionText()
{
    // The status panel's version without its "v".
    return u"Quirebox "_s + statusVersion().sliced(1);
}

QString missingDisplay(const QStringList &arguments, const QProcessEnvironment &environment)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
    // Qt takes the platform from its -platform argument, else from QT_QPA_PLATFORM, else it
    // picks X11 or Wayland itself; a list separated by ";" is tried in order.
    QString platforms = environment.value(u"QT_QPA_PLATFORM"_s);
    for (qsizetype i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments.at(i) == u"-platform"_s || arguments.at(i) == u"--platform"_s)
            platforms = arguments.at(i + 1);
    }
    if (platforms.isEmpty())
        platforms = u"xcb;wayland"_s;

    QStringList missing;
    for (const QString &entry : platforms.split(u';', Qt::SkipEmptyParts)) {
        const QString name = entry.section(u':', 0, 0); // options follow a colon
        QString variable;
        if (name == u"xcb"_s)
            variable = u"DISPLAY"_s;
        else if (name.startsWith(u"wayland"_s))
            variable = u"WAYLAND_DISPLAY"_s;
        else
            return {}; // a platform without a display server: Qt knows best
        if (!environment.value(variable).isEmpty())
            return {};
        if (!missing.contains(variable))
            missing << variable;
    }
    if (missing.isEmpty())
        return {};
    const QString unset = missing.size() == 1
                              ? missing.constFirst() + u" is not set"_s
                              : u"neither "_s + missing.join(u" nor "_s) + u" is set"_s;
    return u"Quirebox needs a display for its window, and "_s + unset + u'.';
#else
    Q_UNUSED(arguments)
    Q_UNUSED(environment)
    return {};
#endif
}

std::optional<int> answerWithoutWindow(int &argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    switch (parseCommandLine(arguments).request) {
    case CommandLine::Request::Help: {
        // The usage line names the program as it was called, which Qt takes from the application.
        const QCoreApplication application(argc, argv);
        std::fputs(qPrintable(Options().parser.helpText()), stdout);
        return 0;
    }
    case CommandLine::Request::Version:
        std::printf("%s\n", qPrintable(versionText()));
        return 0;
    case CommandLine::Request::OpenBook:
        break;
    }
    const QString missing = missingDisplay(arguments, QProcessEnvironment::systemEnvironment());
    if (!missing.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(missing));
        return 1;
    }
    return std::nullopt;
}

QString unreachableDisplay(const QProcessEnvironment &environment)
{
    QStringList displays;
    for (const QString &variable : {u"WAYLAND_DISPLAY"_s, u"DISPLAY"_s}) {
        if (const QString display = environment.value(variable); !display.isEmpty())
            displays << u'"' + display + u'"';
    }
    return u"Quirebox can't reach the display "_s + displays.join(u" or "_s) +
           u" for its window."_s;
}

namespace {

struct HeldMessage
{
    QtMsgType type;
    QString text;
};

QtMessageHandler previousHandler = nullptr;
std::vector<HeldMessage> heldMessages;

void holdMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtFatalMsg) {
        heldMessages.push_back({type, text});
        return;
    }
    Q_UNUSED(context)
    std::fprintf(stderr, "%s\n",
                 qPrintable(unreachableDisplay(QProcessEnvironment::systemEnvironment())));
    std::_Exit(1);
}

} // namespace

DisplayOpening::DisplayOpening()
{
    previousHandler = qInstallMessageHandler(holdMessage);
}

DisplayOpening::~DisplayOpening()
{
    qInstallMessageHandler(previousHandler);
    for (const auto &[type, text] : std::exchange(heldMessages, {}))
        qt_message_output(type, QMessageLogContext(), text);
}

} // namespace qb
