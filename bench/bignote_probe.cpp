// One measured opening of a large note, in a process of its own so that its peak memory is its
// own: `bignote_probe quirebox NOTE` opens the note's folder as a book in Quirebox's window, and
// `bignote_probe bare NOTE` shows the same file in a bare QPlainTextEdit with setPlainText.
// Prints the milliseconds from the start of the load until the window has settled, and the
// process's peak resident memory in KiB.
#include "BenchWindow.h"
#include "TestFiles.h"


#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

long PeakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void Settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    const QString note = arguments.value(2);
    QElapsedTimer timer;
    if (arguments.value(1) == u"bare") {
        QPlainTextEdit editor;
        editor.resize(640, 480);
        editor.show();
        Settle();
        timer.start();
        QFile file(note);
        if (!file.open(QIODevice::ReadOnly))
            return EXIT_FAILURE;
        editor.setPlainText(QString::fromUtf8(file.readAll()));
        Settle();
    } else if (arguments.value(1) == u"quirebox") {
        const QFileInfo info(note);
        QTemporaryDir dir;
        const QString book = dir.filePath(u"big.qb"_s);
        qb::test::WriteBytes(book, qb::test::BookBytes(u"Big"_s, {{u"Notes"_s, info.absolutePath()}}));
        qb::bench::BenchWindow w;
        w.window->show();
        Settle();
        w.platform.answerMessage(qb::Platform::Button::Yes); // a note this large is asked about
        timer.start();
        QMetaObject::invokeMethod(w.editor(), "filesDropped", Q_ARG(QStringList, {book}));
        Settle();
    } else {
        std::fputs("usage: bignote_probe bare|quirebox NOTE\n", stderr);
        return EXIT_FAILURE;
    }
    std::printf("%lld %ld\n", static_cast<long long>(timer.elapsed()), PeakKiB());
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}
