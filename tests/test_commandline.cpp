// The command line as a user types it: the book path, the lone help and version options, and the
// check for a display before Qt would abort without one.
#include "app/CommandLine.h"

#include <QProcessEnvironment>
#include <QtTest/QTest>

using namespace Qt::StringLiterals;
using namespace qb;
using Request = CommandLine::Request;

namespace {

// The program's name, then `words` one blank apart.
QStringList Arguments(const QString &words)
{
    return QStringList{u"quirebox"_s} + words.split(u' ', Qt::SkipEmptyParts);
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse()
    {
        const auto Open = Request::OpenBook;
        const QList<std::tuple<QString, Request, QString>> rows = {
            {u""_s, Open, {}},
            {u"demo.qb"_s, Open, u"demo.qb"_s},
            {u"My Books/Field notes.qb"_s, Open, u"My Books/Field notes.qb"_s}, // blanks, unquoted
            {u"--help"_s, Request::Help, {}},
            {u"-h"_s, Request::Help, {}},
            {u"--version"_s, Request::Version, {}},
            {u"-v"_s, Request::Version, {}},
            {u"-- --help"_s, Open, u"--help"_s}, // "--" ends the options
            {u"-- -v notes.qb"_s, Open, u"-v notes.qb"_s},
            {u"--"_s, Open, {}},
            {u"a -- b.qb"_s, Open, u"a -- b.qb"_s},
            {u"--version 2.qb"_s, Open, u"--version 2.qb"_s}, // an option not alone
            {u"notes --help"_s, Open, u"notes --help"_s},
            {u"-hv"_s, Open, u"-hv"_s}, // two options in one word
            {u"--read-only"_s, Open, u"--read-only"_s},
            {u"--version=3"_s, Open, u"--version=3"_s}};
        for (const auto &[words, request, bookPath] : rows) {
            const CommandLine line = ParseCommandLine(Arguments(words));
            QCOMPARE(line.request, request);
            QCOMPARE(line.bookPath, bookPath);
        }
        QCOMPARE(VersionText(), u"Quirebox 3.01.0025"_s);
    }

    void missingDisplay()
    {
        const QString neither = u"Quirebox needs a display for its window, and neither DISPLAY "
                                "nor WAYLAND_DISPLAY is set."_s;
        const QString noX = u"Quirebox needs a display for its window, and DISPLAY is not set."_s;
        // The words, the environment's variables one blank apart, and the message.
        const QList<std::tuple<QString, QString, QString>> rows = {
            {u""_s, u""_s, neither},
            {u""_s, u"DISPLAY= WAYLAND_DISPLAY="_s, neither},
            {u""_s, u"DISPLAY=:0"_s, u""_s},
            {u""_s, u"WAYLAND_DISPLAY=wayland-0"_s, u""_s},
            {u""_s, u"QT_QPA_PLATFORM=offscreen"_s, u""_s},
            {u""_s, u"QT_QPA_PLATFORM=xcb WAYLAND_DISPLAY=wayland-0"_s, noX},
            {u""_s, u"QT_QPA_PLATFORM=wayland:x=1;xcb DISPLAY=:1"_s, u""_s},
            {u"-platform offscreen"_s, u"QT_QPA_PLATFORM=xcb"_s, u""_s},
            {u"--platform xcb"_s, u"QT_QPA_PLATFORM=offscreen"_s, noX}};
        for (const auto &[words, environment, message] : rows) {
            QProcessEnvironment variables;
            for (const QString &entry : environment.split(u' ', Qt::SkipEmptyParts))
                variables.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
            QCOMPARE(MissingDisplay(Arguments(words), variables), message);
        }
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
