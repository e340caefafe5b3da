// Start-up with a 30-folder book named on the command line, beside a bare Qt main window with a
// menu bar, a toolbar and a status bar; and LoadBook of that book alone.
//
// A program start is measured whole, as a user waits for it: a new process loads Qt, makes the
// application and draws its first frame (startup_probe). The same windows are also built again
// and again inside this process, which leaves out what every Qt program pays once and so shows
// what the window and the book themselves cost.
#include "BareWindow.h"
#include "BenchWindow.h"
#include "TestFiles.h"

#include "notes/ProgramState.h"
#include "platform/StateFile.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <ctime>
#include <memory>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

// A book of 30 folders, each with a few notes, in a temporary directory.
const QString &thirtyFolderBook()
{
    static QTemporaryDir dir;
    static QString path;
    if (path.isEmpty()) {
        QList<qb::FolderEntry> folders;
        for (int i = 1; i <= 30; ++i) {
            const QString name = u"Folder %1"_s.arg(i, 2, 10, QChar(u'0'));
            folders.append({name, name});
            for (int n = 1; n <= 20; ++n) {
                qb::test::writeBytes(dir.filePath(name + u"/Note %1.txt"_s.arg(n)),
                                     QByteArray("A line of a note.\r\n").repeated(40));
            }
        }
        path = dir.filePath(u"thirty.qb"_s);
        qb::test::writeBytes(path, qb::test::bookBytes(u"Thirty"_s, folders));
    }
    return path;
}

void showAndSettle(QWidget &window)
{
    window.show();
    QCoreApplication::processEvents();
}

// Opening a book dropped on the window: the book read, the selector filled, the first folder
// listed and its first note shown.
void BM_LoadBookThirtyFolders(benchmark::State &state)
{
    qb::bench::BenchWindow w;
    const QString path = thirtyFolderBook();
    QPlainTextEdit *editor = w.editor();
    for (auto _ : state) {
        QMetaObject::invokeMethod(editor, "filesDropped", Q_ARG(QStringList, {path}));
        benchmark::DoNotOptimize(w.lstFILE()->count());
    }
}
BENCHMARK(BM_LoadBookThirtyFolders)->Unit(benchmark::kMillisecond);

void BM_StartupWithThirtyFolderBook(benchmark::State &state)
{
    const QString path = thirtyFolderBook();
    for (auto _ : state) {
        auto w = std::make_unique<qb::bench::BenchWindow>(path);
        showAndSettle(*w->window);
        state.PauseTiming(); // closing the note's file watch waits on the system
        w.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupWithThirtyFolderBook)->Unit(benchmark::kMillisecond);

// The same window with no book: what the book adds is the difference.
void BM_StartupWithoutBook(benchmark::State &state)
{
    for (auto _ : state) {
        auto w = std::make_unique<qb::bench::BenchWindow>();
        showAndSettle(*w->window);
        state.PauseTiming();
        w.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupWithoutBook)->Unit(benchmark::kMillisecond);

// The baseline: what any Qt main window of this shape costs to create and show.
void BM_StartupBareMainWindow(benchmark::State &state)
{
    for (auto _ : state) {
        auto window = std::make_unique<QMainWindow>();
        qb::bench::buildBareMainWindow(*window);
        showAndSettle(*window);
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupBareMainWindow)->Unit(benchmark::kMillisecond);

// A process per start, timed from just before it is started to its first frame; its program
// state kept in `stateHome` when one is given.
void runProbe(benchmark::State &state, const QStringList &arguments, const QString &stateHome = {})
{
    for (auto _ : state) {
        QProcess probe;
        if (!stateHome.isEmpty()) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(u"XDG_STATE_HOME"_s, stateHome);
            probe.setProcessEnvironment(environment);
        }
        timespec start{};
        clock_gettime(CLOCK_MONOTONIC, &start);
        probe.start(QStringLiteral(QB_STARTUP_PROBE), arguments);
        if (!probe.waitForFinished(60'000) || probe.exitStatus() != QProcess::NormalExit ||
            probe.exitCode() != 0) {
            return state.SkipWithError("the probe did not draw its window");
        }
        const qint64 drawn = probe.readAllStandardOutput().trimmed().toLongLong();
        const qint64 started = qint64(start.tv_sec) * 1'000'000'000 + start.tv_nsec;
        state.SetIterationTime(double(drawn - started) / 1e9);
    }
}

void BM_ProgramStartWithThirtyFolderBook(benchmark::State &state)
{
    runProbe(state, {u"quirebox"_s, thirtyFolderBook()});
}
BENCHMARK(BM_ProgramStartWithThirtyFolderBook)->Unit(benchmark::kMillisecond)->UseManualTime();

// The same start with no state file, and with one holding all that is kept: nine recent books,
// the last note of a hundred books and the places of a thousand notes. The state file is read
// again at each start, as the program reads it.
void BM_ProgramStartWithoutStateFile(benchmark::State &state)
{
    static QTemporaryDir empty;
    runProbe(state, {u"quirebox"_s, thirtyFolderBook()}, empty.path());
}
BENCHMARK(BM_ProgramStartWithoutStateFile)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_ProgramStartWithFullStateFile(benchmark::State &state)
{
    static QTemporaryDir full;
    static const bool written = [] {
        qb::ProgramState kept;
        for (int i = 0; i < 100; ++i)
            kept.setLastNote(u"/books/%1.qb"_s.arg(i), u"/notes/%1/last.txt"_s.arg(i));
        for (int i = 0; i < qb::ProgramState::kNotePlaces; ++i)
            kept.setPlace(u"/notes/%1/a note with a name of some length.txt"_s.arg(i),
                          {i * 100, i * 100 + 20, i});
        for (int i = 0; i < qb::ProgramState::kRecentBooks; ++i)
            kept.addRecentBook(u"/books/%1.qb"_s.arg(i));
        kept.addRecentBook(thirtyFolderBook());
        qb::StateFileWriter writer(full.filePath(u"quirebox/state.json"_s));
        writer.schedule(kept.toJson());
        writer.flush();
        return true;
    }();
    Q_UNUSED(written);
    runProbe(state, {u"quirebox"_s, thirtyFolderBook()}, full.path());
}
BENCHMARK(BM_ProgramStartWithFullStateFile)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_ProgramStartBareMainWindow(benchmark::State &state)
{
    runProbe(state, {u"bare"_s});
}
BENCHMARK(BM_ProgramStartBareMainWindow)->Unit(benchmark::kMillisecond)->UseManualTime();

} // namespace
