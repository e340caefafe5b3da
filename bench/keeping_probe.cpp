// What keeping the user's text costs the user, each beside the same window with it switched off,
// in turns: `keeping_probe [MIB]` opens Quirebox's window on a note of MIB mebibytes (10 by
// default) and
// - types into it, keys posted as the window system posts them, one every 40 ms, each timed from
//   its posting to the end of the editor's next paint, with the recovery copy taken every two
//   seconds and with it off;
// - saves it, timed from the command to its end, with the note's history kept and not; the
//   history's compression, which runs after the save on a thread of its own, is waited for
//   between the saves and timed apart.
// Prints the median, 90th and 99th percentile and the worst of each, in milliseconds.
#include "BenchWindow.h"
#include "KeyLatency.h"
#include "TestFiles.h"

#include "keeping/HistoryKeeper.h"
#include "notes/RecoveryKeeper.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    using namespace qb::bench;
    useOffscreenUnlessTold();
    QApplication app(argc, argv);
    const qsizetype size = qsizetype(argc > 1 ? std::atoi(argv[1]) : 10) * 1024 * 1024;
    QTemporaryDir dir;
    // The program's own state goes with the probe.
    qputenv("XDG_STATE_HOME", QFile::encodeName(dir.filePath(u"state"_s)));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(u"data"_s)));
    QByteArray note;
    for (int line = 0; note.size() < size; ++line)
        note += "Line " + QByteArray::number(line) +
                " of a long note, about as long as a line of prose is.\r\n";
    qb::test::writeBytes(dir.filePath(u"notes/note.txt"_s), note);
    const QString bookPath = dir.filePath(u"book.qb"_s);
    qb::test::writeBytes(bookPath, qb::test::bookBytes(u"Keeping"_s, {{u"Notes"_s, u"notes"_s}}));

    qb::bench::BenchWindow w(bookPath);
    w.window->show();
    w.window->activateWindow();
    QPlainTextEdit *editor = w.editor();
    editor->setFocus();
    editor->moveCursor(QTextCursor::End);
    wait(300);
    auto *recovery = w.window->findChild<qb::RecoveryKeeper *>();
    auto *history = w.window->findChild<qb::HistoryKeeper *>();
    PaintClock paints(editor->viewport());
    paints.clock.start();

    // Turns of 100 keys (four seconds: two copies) each way, so that drift falls on both.
    QList<double> typedOff, typedOn;
    for (int turn = 0; turn < 4; ++turn) {
        recovery->setEnabled(false);
        wait(2500); // a copy still on its way is written first
        typedOff += type(editor, paints, 100);
        recovery->setEnabled(true);
        typedOn += type(editor, paints, 100);
    }

    QAction *save = w.action("F_mnuSAVE");
    QList<double> savedOff, savedOn, kept;
    QElapsedTimer clock;
    for (int turn = 0; turn < 16; ++turn) {
        const bool keeping = turn % 2 == 1;
        history->setKeeping(keeping);
        QTest::keyClick(editor, Qt::Key_X);
        QTest::keyClick(editor, Qt::Key_Backspace);
        clock.start();
        save->trigger();
        (keeping ? savedOn : savedOff).append(double(clock.nsecsElapsed()) / 1e6);
        if (w.status() != u"Unchanged"_s) {
            std::puts("a save failed");
            return EXIT_FAILURE;
        }
        clock.start();
        history->waitForDone();
        if (keeping)
            kept.append(double(clock.nsecsElapsed()) / 1e6);
    }

    std::printf("a note of %lld MiB\n", static_cast<long long>(size >> 20));
    report("typing, no recovery copy", typedOff);
    report("typing, copy every two seconds", typedOn);
    report("save, history off", savedOff);
    report("save, history kept", savedOn);
    report("history's own work after a save", kept);
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}
