// What a user waits for in Go to Note and Find in Book, over a book of 30 folders and NOTES
// notes of 2-4 KB (10,000 by default), a word in one note in a hundred: `goto_probe [NOTES]`.
// - Go to Note: queries typed a key at a time, each key timed from its posting to the list's
//   repaint with the results of what the field then holds; and the field's own repaint after
//   each key, beside the same typing into the same window with nothing to look through.
// - Find in Book: Enter timed to the repaint of the summary line under the full list: the first
//   search after the book opened, at once and once its notes are read into memory, and later
//   ones, beside `rg -F -i -c` and `grep -r -F -i -c` over the same notes, warm.
// - Cold, when the probe may empty the page cache (as root): the first search at once after the
//   book opened, beside rg and grep, and the book opened until all its notes are read into
//   memory, beside `grep -r -F -c`; each after the cache was emptied.
// Prints the median, the 90th, 95th and 99th percentiles and the worst, in milliseconds.
#include "BenchWindow.h"
#include "GoToBook.h"
#include "KeyLatency.h"
#include "TestFiles.h"

#include "find/BookIndex.h"
#include "find/GoToNoteDialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProcess>

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString &kRare = qb::bench::kRareWord;
const QStringList kQueries = {u"market"_s, u"garden meeting"_s, u"anna train"_s,
                              kRare,       u"budget river"_s,   u"note 12"_s,
                              u"folder"_s, u"café résumé"_s};

double runMs(const QString &program, const QStringList &arguments)
{
    QElapsedTimer clock;
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    clock.start();
    process.start(program, arguments);
    process.waitForFinished(-1);
    return double(clock.nsecsElapsed()) / 1e6;
}

// Posts `key` to `target` and waits for the next paint of `viewport` after `ready()` holds;
// milliseconds from the post.
template <typename Ready>
double keyToPaint(QWidget *target, qb::bench::PaintClock &paints, int key, const QString &text,
                  Ready ready)
{
    using qb::bench::wait;
    const qint64 posted = paints.clock.nsecsElapsed();
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, {}, text));
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, {}, text));
    paints.lastPaintNs = -1;
    while (!ready() || paints.lastPaintNs < 0) {
        if (!ready())
            paints.lastPaintNs = -1;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return double(paints.lastPaintNs - posted) / 1e6;
}

// Empties the page cache, so that the next read comes from the disk; false without the right.
bool dropCaches()
{
    ::sync();
    QFile control(u"/proc/sys/vm/drop_caches"_s);
    return control.open(QIODevice::WriteOnly) && control.write("3\n") == 2;
}

} // namespace

int main(int argc, char *argv[])
{
    using namespace qb::bench;
    useOffscreenUnlessTold();
    QApplication app(argc, argv);
    const int notes = argc > 1 ? std::atoi(argv[1]) : 10'000;
    QTemporaryDir dir;
    qputenv("XDG_STATE_HOME", QFile::encodeName(dir.filePath(u"state"_s)));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(u"data"_s)));
    const QString bookPath = qb::bench::makeGoToBook(notes, dir);
    const QStringList dirs = QDir(dir.path()).entryList({u"Folder *"_s}, QDir::Dirs);
    QStringList folderPaths;
    for (const QString &folder : dirs)
        folderPaths << dir.filePath(folder);
    // Warm: the files once read.
    runMs(u"grep"_s, QStringList{u"-r"_s, u"-F"_s, u"-i"_s, u"-c"_s, kRare} + folderPaths);

    // Find in Book: Enter, then the summary line's repaint under the whole list. The first
    // search comes at once after the book opened, while its notes are still being read, or once
    // they are in; then later ones, each beside ripgrep and grep.
    QList<double> duringRead, firstSearch, laterSearches, rg, grep;
    const auto findInBook = [&](BenchWindow &w, int rounds, bool waitForIndex) {
        w.window->show();
        w.window->activateWindow();
        if (waitForIndex)
            w.window->findChild<qb::BookIndex *>()->waitUntilCurrent();
        w.action("findInBookAction")->trigger();
        auto *findText = w.child<QComboBox>("findInBookField");
        auto *summary = w.child<QLabel>("findInBookSummaryLabel");
        PaintClock summaryPaints(summary);
        summaryPaints.clock.start();
        for (int round = 0; round < rounds; ++round) {
            if (round > 0 || waitForIndex)
                wait(100);
            findText->setEditText(kRare);
            const double ms = keyToPaint(findText, summaryPaints, Qt::Key_Return, u"\r"_s, [&] {
                return summary->text().contains(u"notes searched"_s);
            });
            (round > 0 ? laterSearches : waitForIndex ? firstSearch : duringRead).append(ms);
            summary->clear();
            if (round == 0)
                continue;
            rg.append(runMs(u"rg"_s, QStringList{u"-F"_s, u"-i"_s, u"-c"_s, kRare} + folderPaths));
            grep.append(runMs(u"grep"_s, QStringList{u"-r"_s, u"-F"_s, u"-i"_s, u"-c"_s, kRare} +
                                             folderPaths));
        }
        w.window->findChild<QDialog *>(u"findInBookDialog"_s)->hide();
    };
    for (int open = 0; open < 3; ++open) {
        BenchWindow during(bookPath);
        findInBook(during, 1, false);
        BenchWindow after(bookPath);
        findInBook(after, open == 0 ? 12 : 1, true);
    }

    // Cold: the page cache dropped before each, which takes root. The first search at once after
    // the book opened, and the book opened until its notes are all read into memory.
    QList<double> coldSearch, coldRg, coldGrep, coldIndex, coldGrepCount;
    for (int round = 0; round < 3 && dropCaches(); ++round) {
        {
            BenchWindow cold(bookPath);
            findInBook(cold, 1, false);
            coldSearch.append(duringRead.takeLast());
        }
        dropCaches();
        coldRg.append(runMs(u"rg"_s, QStringList{u"-F"_s, u"-i"_s, u"-c"_s, kRare} + folderPaths));
        dropCaches();
        coldGrep.append(
            runMs(u"grep"_s, QStringList{u"-r"_s, u"-F"_s, u"-i"_s, u"-c"_s, kRare} + folderPaths));
        dropCaches();
        QElapsedTimer clock;
        clock.start();
        {
            BenchWindow cold(bookPath);
            cold.window->findChild<qb::BookIndex *>()->waitUntilCurrent();
            coldIndex.append(double(clock.nsecsElapsed()) / 1e6);
        }
        dropCaches();
        coldGrepCount.append(
            runMs(u"grep"_s, QStringList{u"-r"_s, u"-F"_s, u"-c"_s, kRare} + folderPaths));
    }
    runMs(u"grep"_s, QStringList{u"-r"_s, u"-F"_s, u"-i"_s, u"-c"_s, kRare} + folderPaths);

    BenchWindow w(bookPath);
    w.window->show();
    w.window->activateWindow();

    // Go to Note, typed into as a user types.
    w.window->findChild<qb::BookIndex *>()->waitUntilCurrent();
    QList<double> listPaint, fieldPaint, idleTyping;
    w.platform.answerDialog([&](QDialog &dialog) {
        auto &goTo = static_cast<qb::GoToNoteDialog &>(dialog);
        dialog.show();
        QLineEdit *field = goTo.queryField();
        field->setFocus();
        wait(200);
        PaintClock listPaints(goTo.resultList()->viewport());
        PaintClock fieldPaints(field);
        listPaints.clock.start();
        fieldPaints.clock = listPaints.clock;
        // The first screen of results of each query resets the list.
        qint64 resetNs = -1;
        QObject::connect(&goTo.results(), &QAbstractItemModel::modelReset, &dialog,
                         [&] { resetNs = listPaints.clock.nsecsElapsed(); });
        for (const QString &query : kQueries) {
            field->clear();
            for (const QChar c : query) {
                wait(60);
                const QString typed = field->text() + c;
                resetNs = -1;
                fieldPaints.lastPaintNs = -1;
                listPaints.lastPaintNs = -1;
                const qint64 posted = listPaints.clock.nsecsElapsed();
                QCoreApplication::postEvent(
                    field, new QKeyEvent(QEvent::KeyPress, Qt::Key_unknown, {}, QString(c)));
                QCoreApplication::postEvent(
                    field, new QKeyEvent(QEvent::KeyRelease, Qt::Key_unknown, {}, QString(c)));
                double toField = -1, toList = -1;
                while (toField < 0 || toList < 0) {
                    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
                    if (toField < 0 && field->text() == typed && fieldPaints.lastPaintNs >= 0)
                        toField = double(fieldPaints.lastPaintNs - posted) / 1e6;
                    if (toList < 0 && resetNs >= 0 && listPaints.lastPaintNs > resetNs)
                        toList = double(listPaints.lastPaintNs - posted) / 1e6;
                }
                fieldPaint.append(toField);
                listPaint.append(toList);
            }
        }
        return int(QDialog::Rejected);
    });
    w.action("goToNoteAction")->trigger();

    // The baseline: the same keys into the same window idle, over a book of no notes.
    qb::GoToNoteDialog idle([] { return std::make_shared<const qb::NoteIndexSnapshot>(); });
    idle.show();
    QLineEdit *idleField = idle.queryField();
    idleField->setFocus();
    wait(200);
    PaintClock idlePaints(idleField);
    idlePaints.clock.start();
    for (const QString &query : kQueries) {
        idleField->clear();
        for (const QChar c : query) {
            wait(60);
            const QString typed = idleField->text() + c;
            idleTyping.append(keyToPaint(idleField, idlePaints, Qt::Key_unknown, QString(c),
                                         [&] { return idleField->text() == typed; }));
        }
    }

    std::printf("%d notes\n", notes);
    report("Find in Book, first search while the notes are read", duringRead);
    report("Find in Book, first search once they are in", firstSearch);
    report("Find in Book, later searches", laterSearches);
    report("rg -F -i -c", rg);
    report("grep -r -F -i -c", grep);
    if (!coldSearch.isEmpty()) {
        report("cold: Find in Book, first search", coldSearch);
        report("cold: rg -F -i -c", coldRg);
        report("cold: grep -r -F -i -c", coldGrep);
        report("cold: book opened to all notes read", coldIndex);
        report("cold: grep -r -F -c", coldGrepCount);
    }
    report("Go to Note, key to list painted", listPaint);
    report("Go to Note, key to field painted", fieldPaint);
    report("the same window idle, key to field", idleTyping);
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}
