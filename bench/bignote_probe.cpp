// One measured opening of a large note, in a process of its own so that its peak memory is its
// own: `bignote_probe quirebox NOTE` opens the note's folder as a book in Quirebox's window, and
// `bignote_probe bare NOTE` shows the same file in a bare QPlainTextEdit with setPlainText.
// Prints, in milliseconds from the start of the load: when the first screen of text was in the
// editor, when the load had settled (the window showing the whole note, ready for work); the
// longest the window's thread was kept from its events meanwhile, as the lateness of a 10 ms
// timer; and the process's peak resident memory in KiB.
#include "BenchWindow.h"
#include "TestFiles.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The window's thread as the user meets it: a timer that should fire every 10 ms, and how late
// it came at worst.
struct Responsiveness
{
    QTimer timer;
    QElapsedTimer since;
    qint64 worstLateness = 0;

    Responsiveness()
    {
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &timer,
                         [this] { worstLateness = std::max(worstLateness, since.restart() - 10); });
        since.start();
        timer.start(10);
    }
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const QString note = arguments.value(2);
    QElapsedTimer clock;
    qint64 firstScreen = -1;
    qint64 settled = -1;
    qint64 worst = 0;
    if (arguments.value(1) == u"bare") {
        QPlainTextEdit editor;
        editor.resize(640, 480);
        editor.show();
        QCoreApplication::processEvents();
        Responsiveness responsiveness;
        clock.start();
        QFile file(note);
        if (!file.open(QIODevice::ReadOnly))
            return EXIT_FAILURE;
        editor.setPlainText(QString::fromUtf8(file.readAll()));
        firstScreen = clock.elapsed();
        QCoreApplication::processEvents();
        settled = clock.elapsed();
        worst = std::max(responsiveness.worstLateness, settled);
    } else if (arguments.value(1) == u"quirebox") {
        const QFileInfo info(note);
        QTemporaryDir dir;
        const QString book = dir.filePath(u"big.qb"_s);
        qb::test::writeBytes(book,
                             qb::test::bookBytes(u"Big"_s, {{u"Notes"_s, info.absolutePath()}}));
        qb::bench::BenchWindow w;
        w.window->show();
        QCoreApplication::processEvents();
        w.platform.answerMessage(qb::Platform::Button::Yes); // a note this large may be asked about
        Responsiveness responsiveness;
        QObject::connect(w.editor(), &QPlainTextEdit::textChanged, w.editor(), [&] {
            if (firstScreen < 0 && !w.editor()->document()->isEmpty())
                firstScreen = clock.elapsed();
        });
        clock.start();
        QMetaObject::invokeMethod(w.editor(), "filesDropped", Q_ARG(QStringList, {book}));
        while (w.status().startsWith(u"Loading"))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::processEvents();
        settled = clock.elapsed();
        worst = responsiveness.worstLateness;
        if (w.status() != u"Unchanged")
            return EXIT_FAILURE;
    } else {
        std::fputs("usage: bignote_probe bare|quirebox NOTE\n", stderr);
        return EXIT_FAILURE;
    }
    std::printf("%lld %lld %lld %ld\n", static_cast<long long>(firstScreen),
                static_cast<long long>(settled), static_cast<long long>(worst), peakKiB());
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}
