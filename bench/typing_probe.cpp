// The editor's key-to-paint latency while Find in Book searches, against the same when idle:
// `typing_probe [NOTES]` makes a book of NOTES notes (10,000 by default), opens Quirebox's window
// on it, and types into the shown note: keys posted as the window system posts them, one every
// 40 ms, each timed from its posting to the end of the editor's next paint. Then the same with a
// search of the whole book always running. Prints, in milliseconds, the median, 90th and 99th
// percentile and the worst for both, and how many searches ran.
#include "BenchBook.h"
#include "BenchWindow.h"
#include "KeyLatency.h"
#include "TestFiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    using namespace qb::bench;
    useOffscreenUnlessTold();
    QApplication app(argc, argv);
    const int notes = argc > 1 ? std::atoi(argv[1]) : 10'000;
    const qb::bench::Book &book = qb::bench::makeBook(notes);
    QList<qb::FolderEntry> folders;
    for (const qb::BookSearchFolder &folder : book.folders)
        folders.append({folder.name, folder.dir});
    const QString bookPath = book.dir->filePath(u"book.qb"_s);
    qb::test::writeBytes(bookPath, qb::test::bookBytes(u"Typing"_s, folders));

    qb::bench::BenchWindow w(bookPath);
    w.window->show();
    w.window->activateWindow();
    QPlainTextEdit *editor = w.editor();
    editor->setFocus();
    wait(200);
    PaintClock paints(editor->viewport());
    paints.clock.start();
    constexpr int kKeys = 250;
    const QList<double> idle = type(editor, paints, kKeys, [] {});

    w.action("findInBookAction")->trigger();
    auto *text = w.child<QComboBox>("findInBookField");
    auto *find = w.child<QAbstractButton>("findInBookButton");
    auto *stop = w.child<QAbstractButton>("findInBookStopButton");
    text->setEditText(qb::bench::kText);
    w.window->activateWindow();
    editor->setFocus();
    int searches = 0;
    const QList<double> busy = type(editor, paints, kKeys, [&] {
        if (!stop->isEnabled()) {
            find->click();
            ++searches;
        }
    });
    report("idle", idle);
    report("while searching", busy);
    std::printf("%d searches of %d notes ran meanwhile\n", searches, notes);
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}
