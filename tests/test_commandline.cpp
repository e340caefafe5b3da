// The command line as a user types it: the book path, the lone help and version options, and the
// check for a display before Qt would abort without one.
#include "app/CommandLine.h"

#include <QProcessEnvironment>
#include <QtTest/QTest>

using namespace Qt::StringLiterals;
using Request = qb::CommandLine::Request;

Q_DECLARE_METATYPE(qb::CommandLine::Request)

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<Request>("request");
        QTest::addColumn<QString>("bookPath");

        QTest::newRow("nothing") << QStringList() << Request::OpenBook << QString();
        QTest::newRow("a book") << QStringList{u"demo.qb"_s} << Request::OpenBook << u"demo.qb"_s;
        QTest::newRow("an unquoted path with blanks")
            << QStringList{u"My"_s, u"Books/Field"_s, u"notes.qb"_s} << Request::OpenBook
            << u"My Books/Field notes.qb"_s;
        QTest::newRow("--help") << QStringList{u"--help"_s} << Request::Help << QString();
        QTest::newRow("-h") << QStringList{u"-h"_s} << Request::Help << QString();
        QTest::newRow("--version") << QStringList{u"--version"_s} << Request::Version << QString();
        QTest::newRow("-v") << QStringList{u"-v"_s} << Request::Version << QString();
        QTest::newRow("-- ends the options")
            << QStringList{u"--"_s, u"--help"_s} << Request::OpenBook << u"--help"_s;
        QTest::newRow("-- before a path with blanks")
            << QStringList{u"--"_s, u"-v"_s, u"notes.qb"_s} << Request::OpenBook
            << u"-v notes.qb"_s;
        QTest::newRow("-- alone") << QStringList{u"--"_s} << Request::OpenBook << QString();
        QTest::newRow("-- inside a path")
            << QStringList{u"a"_s, u"--"_s, u"b.qb"_s} << Request::OpenBook << u"a -- b.qb"_s;
        QTest::newRow("an option not alone")
            << QStringList{u"--version"_s, u"2.qb"_s} << Request::OpenBook << u"--version 2.qb"_s;
        QTest::newRow("an option after a word")
            << QStringList{u"notes"_s, u"--help"_s} << Request::OpenBook << u"notes --help"_s;
        QTest::newRow("two options in one word")
            << QStringList{u"-hv"_s} << Request::OpenBook << u"-hv"_s;
        QTest::newRow("an unknown option")
            << QStringList{u"--read-only"_s} << Request::OpenBook << u"--read-only"_s;
        QTest::newRow("an option with a value")
            << QStringList{u"--version=3"_s} << Request::OpenBook << u"--version=3"_s;
    }

    void parse()
    {
        QFETCH(QStringList, words);
        QFETCH(Request, request);
        QFETCH(QString, bookPath);

        const qb::CommandLine line = qb::ParseCommandLine(QStringList{u"quirebox"_s} + words);
        QCOMPARE(line.request, request);
        QCOMPARE(line.bookPath, bookPath);
    }

    void versionText() { QCOMPARE(qb::VersionText(), u"Quirebox 3.01.0025"_s); }

    void missingDisplay_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QString>("message");

        const QString neither =
            u"Quirebox needs a display for its window, and neither DISPLAY nor WAYLAND_DISPLAY "
            "is set."_s;
        QTest::newRow("no display at all") << QStringList() << QStringList() << neither;
        QTest::newRow("empty variables")
            << QStringList() << QStringList{u"DISPLAY="_s, u"WAYLAND_DISPLAY="_s} << neither;
        QTest::newRow("X11") << QStringList() << QStringList{u"DISPLAY=:0"_s} << QString();
        QTest::newRow("Wayland") << QStringList() << QStringList{u"WAYLAND_DISPLAY=wayland-0"_s}
                                 << QString();
        QTest::newRow("offscreen")
            << QStringList() << QStringList{u"QT_QPA_PLATFORM=offscreen"_s} << QString();
        QTest::newRow("xcb without DISPLAY")
            << QStringList()
            << QStringList{u"QT_QPA_PLATFORM=xcb"_s, u"WAYLAND_DISPLAY=wayland-0"_s}
            << u"Quirebox needs a display for its window, and DISPLAY is not set."_s;
        QTest::newRow("a list with options")
            << QStringList() << QStringList{u"QT_QPA_PLATFORM=wayland:x=1;xcb"_s, u"DISPLAY=:1"_s}
            << QString();
        QTest::newRow("-platform over the environment")
            << QStringList{u"-platform"_s, u"offscreen"_s} << QStringList{u"QT_QPA_PLATFORM=xcb"_s}
            << QString();
        QTest::newRow("--platform xcb")
            << QStringList{u"--platform"_s, u"xcb"_s} << QStringList{u"QT_QPA_PLATFORM=offscreen"_s}
            << u"Quirebox needs a display for its window, and DISPLAY "
               "is not set."_s;
    }

    void missingDisplay()
    {
        QFETCH(QStringList, words);
        QFETCH(QStringList, environment);
        QFETCH(QString, message);

        QProcessEnvironment variables;
        for (const QString &entry : environment)
            variables.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
        QCOMPARE(qb::MissingDisplay(QStringList{u"quirebox"_s} + words, variables), message);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_commandline.moc"
