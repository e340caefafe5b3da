// Find in Book: the whole search of a book of 30 folders, against GNU grep and ripgrep searching
// the same folders (started with QProcess, in the same run), all files in the page cache.
#include "BenchBook.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

using namespace qb::bench;

struct Timing
{
    qint64 totalNs = 0;
    qint64 firstNs = -1;
    qsizetype hits = 0;
};

Timing timedSearch(qb::BookSearch &search, const Book &book, const QString &text = kText)
{
    Timing timing;
    QEventLoop loop;
    QElapsedTimer clock;
    QObject::connect(&search, &qb::BookSearch::hitsFound, &loop, [&](const auto &hits) {
        if (timing.firstNs < 0)
            timing.firstNs = clock.nsecsElapsed();
        timing.hits += hits.size();
    });
    QObject::connect(&search, &qb::BookSearch::finished, &loop, [&] { loop.quit(); });
    clock.start();
    search.start({book.folders, text, Qt::CaseInsensitive, qb::NoteSizeLimits::forThisMachine()});
    loop.exec();
    timing.totalNs = clock.nsecsElapsed();
    return timing;
}

// A command-line search of the same folders: its time, and its count of matching lines.
std::pair<qint64, qsizetype> runTool(const Book &book, const QString &text, const QString &program,
                                     const QStringList &options)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
    QElapsedTimer clock;
    clock.start();
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.start(program, options + QStringList{text} + book.dirs);
    tool.waitForFinished(-1);
    const QByteArray out = tool.readAllStandardOutput();
    const qint64 ns = clock.nsecsElapsed();
    qsizetype lines = 0;
    for (const QByteArray &line : out.split('\n'))
        lines += line.mid(line.lastIndexOf(':') + 1).toLongLong();
    return {tool.exitStatus() == QProcess::NormalExit ? ns : -1, lines};
}

// Every round runs the search, `grep -r -F -i -c` and `rg -F -i -c` one after the other, each
// round in another order, so that the machine's other work weighs on the three alike. The time
// is the search's; the counters give the baselines' and the ratios.
void BM_FindInBook(benchmark::State &state, const QString &text)
{
    const Book &book = makeBook(int(state.range(0)));
    for (const QString &tool : {u"grep"_s, u"rg"_s}) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            state.SkipWithError("grep or rg (ripgrep) is not installed");
            return;
        }
    }
    qb::BookSearch search;
    qint64 ours = 0, first = 0, grep = 0, rg = 0;
    int round = 0, withHits = 0;
    for (auto _ : state) {
        qsizetype counts[3] = {};
        for (int k = 0; k < 3; ++k) {
            const int which = (round + k) % 3;
            if (which == 0) {
                const Timing t = timedSearch(search, book, text);
                state.SetIterationTime(double(t.totalNs) / 1e9);
                ours += t.totalNs;
                if (t.firstNs >= 0) {
                    first += t.firstNs;
                    ++withHits;
                }
                counts[0] = t.hits;
                continue;
            }
            const auto [ns, lines] =
                which == 1 ? runTool(book, text, u"grep"_s, {u"-r"_s, u"-F"_s, u"-i"_s, u"-c"_s})
                           : runTool(book, text, u"rg"_s, {u"-F"_s, u"-i"_s, u"-c"_s});
            (which == 1 ? grep : rg) += ns;
            counts[which] = ns < 0 ? -1 : lines;
        }
        if (counts[1] != counts[0] || counts[2] != counts[0])
            state.SkipWithError("a baseline failed or counts other matches");
        ++round;
    }
    state.counters["MB"] = double(bookBytes(book)) / 1e6;
    if (withHits > 0)
        state.counters["first_result_ms"] = double(first) / 1e6 / withHits;
    state.counters["grep_ms"] = double(grep) / 1e6 / round;
    state.counters["rg_ms"] = double(rg) / 1e6 / round;
    state.counters["x_grep"] = double(ours) / double(grep);
    state.counters["x_rg"] = double(ours) / double(rg);
}

// The first search of the process, on a new BookSearch (threads started, case table folded).
void BM_FindInBookFirst(benchmark::State &state)
{
    const Book &book = makeBook(int(state.range(0)));
    for (auto _ : state) {
        qb::BookSearch search;
        const Timing t = timedSearch(search, book);
        state.SetIterationTime(double(t.totalNs) / 1e9);
        state.counters["first_result_ms"] = double(t.firstNs) / 1e6;
    }
}

} // namespace

// The first search of the process first. "ss" has no run that only ASCII matches (the long s
// folds to "s"): every note is decoded.
BENCHMARK(BM_FindInBookFirst)
    ->Arg(10'000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FindInBook, invoice, kText)
    ->Arg(10'000)
    ->Iterations(12)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FindInBook, ss, u"ss"_s)
    ->Arg(10'000)
    ->Iterations(6)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindInBookFirst)
    ->Arg(100'000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FindInBook, invoice, kText)
    ->Arg(100'000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
