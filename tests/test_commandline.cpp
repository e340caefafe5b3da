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
QStringList arguments(const QString &words)
{
    return QStringList{u"quirebox"_s} + words.split(u' ', Qt::SkipEmptyParts);
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        const auto openBook = Request::OpenBook;
        QTest::addColumn<QString>("words");
        QTest::addColumn<Request>("request");
        QTest::addColumn<QString>("bookPath");
        QTest::newRow("nothing") << u""_s << openBook << QString();
        QTest::newRow("a book") << u"demo.qb"_s << openBook << u"demo.qb"_s;
        QTest::newRow("a book with blanks, unquoted")
            << u"My Books/Field notes.qb"_s << openBook << u"My Books/Field notes.qb"_s;
        QTest::newRow("--help") << u"--help"_s << Request::Help << QString();
        QTest::newRow("-h") << u"-h"_s << Request::Help << QString();
        QTest::newRow("--version") << u"--version"_s << Request::Version << QString();
        QTest::newRow("-v") << u"-v"_s << Request::Version << QString();
        QTest::newRow("\"--\" ending the options") << u"-- --help"_s << openBook << u"--help"_s;
        QTest::newRow("\"--\" before an option and a book")
            << u"-- -v notes.qb"_s << openBook << u"-v notes.qb"_s;
        QTest::newRow("\"--\" alone") << u"--"_s << openBook << QString();
        QTest::newRow("\"--\" inside a book's name")
            << u"a -- b.qb"_s << openBook << u"a -- b.qb"_s;
        QTest::newRow("an option before a word")
            << u"--version 2.qb"_s << openBook << u"--version 2.qb"_s;
        QTest::newRow("an option after a word")
            << u"notes --help"_s << openBook << u"notes --help"_s;
        QTest::newRow("two options in one word") << u"-hv"_s << openBook << u"-hv"_s;
        QTest::newRow("an option there is not") << u"--read-only"_s << openBook << u"--read-only"_s;
        QTest::newRow("an option with a value") << u"--version=3"_s << openBook << u"--version=3"_s;
    }
    void parse()
    {
        QFETCH(QString, words);
        QFETCH(Request, request);
        QFETCH(QString, bookPath);
        const CommandLine line = parseCommandLine(arguments(words));
        QCOMPARE(line.request, request);
        QCOMPARE(line.bookPath, bookPath);
    }

    void version() { QCOMPARE(versionText(), u"Quirebox 3.01.0025"_s); }

    void missingDisplay_data()
    {
        const QString neither = u"Quirebox needs a display for its window, and neither DISPLAY "
                                "nor WAYLAND_DISPLAY is set."_s;
        const QString noX = u"Quirebox needs a display for its window, and DISPLAY is not set."_s;
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("environment"); // the variables, one blank apart
        QTest::addColumn<QString>("message");
        QTest::newRow("no display") << u""_s << u""_s << neither;
        QTest::newRow("displays set empty") << u""_s << u"DISPLAY= WAYLAND_DISPLAY="_s << neither;
        QTest::newRow("an X display") << u""_s << u"DISPLAY=:0"_s << u""_s;
        QTest::newRow("a Wayland display") << u""_s << u"WAYLAND_DISPLAY=wayland-0"_s << u""_s;
        QTest::newRow("the offscreen platform") << u""_s << u"QT_QPA_PLATFORM=offscreen"_s << u""_s;
        QTest::newRow("X asked for, a Wayland display only")
            << u""_s << u"QT_QPA_PLATFORM=xcb WAYLAND_DISPLAY=wayland-0"_s << noX;
        QTest::newRow("Wayland with options, else X, an X display")
            << u""_s << u"QT_QPA_PLATFORM=wayland:x=1;xcb DISPLAY=:1"_s << u""_s;
        QTest::newRow("-platform offscreen over X")
            << u"-platform offscreen"_s << u"QT_QPA_PLATFORM=xcb"_s << u""_s;
        QTest::newRow("--platform xcb over offscreen")
            << u"--platform xcb"_s << u"QT_QPA_PLATFORM=offscreen"_s << noX;
    }
    void missingDisplay()
    {
        QFETCH(QString, words);
        QFETCH(QString, environment);
        QFETCH(QString, message);
        QProcessEnvironment variables;
        for (const QString &entry : environment.split(u' ', Qt::SkipEmptyParts))
            variables.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
        QCOMPARE(qb::missingDisplay(arguments(words), variables), message);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
