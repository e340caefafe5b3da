// The note index: building it against GNU grep and ripgrep reading the same notes (started with
// QProcess in the same run, files warm), its memory (in a process of its own), the latency of
// Go to Note queries at 10,000 and 100,000 notes, and Find in Book on the index.
#include "BenchBook.h"
#include "find/NoteIndex.h"
#include "find/NoteIndexBuilder.h"
#include "find/NoteQuery.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using qb::bench::kFolders;
using qb::bench::kWords;

const QString kPhrase = u"invoice 2291"_s;

// Folders of notes of 2 to 4 KiB, prose-like as in Find in Book's benchmark, named by two
// words and a number, changed at random times over a year; the phrase in one note in a hundred.
struct IndexBook : qb::bench::Book
{
    qint64 bytes = 0;
};

const IndexBook &makeIndexBook(int notes)
{
    static std::map<int, IndexBook> books;
    IndexBook &book = books[notes];
    if (book.dir)
        return book;
    qb::bench::makeFolders(book);
    QStringList nameWords;
    for (const char *word : kWords) {
        const QString w = QString::fromUtf8(word);
        if (std::all_of(w.begin(), w.end(), [](QChar c) { return c.isLetter(); }))
            nameWords.append(w);
    }
    std::mt19937 random(2291);
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 0; i < notes; ++i) {
        QString first = nameWords[int(random() % unsigned(nameWords.size()))];
        first[0] = first[0].toUpper();
        const QString name = u"%1 %2 %3.txt"_s.arg(
            first, nameWords[int(random() % unsigned(nameWords.size()))], QString::number(i));
        const qsizetype size = 2048 + qsizetype(random() % 2049);
        const QByteArray bytes = qb::bench::makeNote(random, size, i % 100 == 0, i);
        QFile file(book.dirs[i % kFolders] + u'/' + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) < 0 ||
            !file.setFileTime(now.addSecs(-qint64(random() % (365 * 86400))),
                              QFileDevice::FileModificationTime))
            qFatal("cannot write the book");
        book.bytes += bytes.size();
    }
    ::sync();
    return book;
}

qint64 runTool(const IndexBook &book, const QString &program, const QStringList &options)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
    QElapsedTimer clock;
    clock.start();
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.start(program, options + book.dirs);
    tool.waitForFinished(-1);
    tool.readAllStandardOutput();
    return tool.exitStatus() == QProcess::NormalExit ? clock.nsecsElapsed() : -1;
}

qint64 build(qb::NoteIndex &index, const QList<qb::BookSearchFolder> &folders)
{
    qb::NoteIndexBuilder builder(index);
    bool finished = false;
    QObject::connect(&builder, &qb::NoteIndexBuilder::finished, [&] { finished = true; });
    QElapsedTimer clock;
    clock.start();
    builder.start(folders);
    builder.waitForThreads();
    const qint64 ns = clock.nsecsElapsed();
    while (!finished)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return ns;
}

// Every round builds the index and runs `grep -r -F -c` and `rg -F -i -l` over the same notes,
// in turns, each round in another order.
void BM_Build(benchmark::State &state)
{
    const IndexBook &book = makeIndexBook(int(state.range(0)));
    for (const QString &tool : {u"grep"_s, u"rg"_s}) {
        if (QStandardPaths::findExecutable(tool).isEmpty()) {
            state.SkipWithError("grep or rg (ripgrep) is not installed");
            return;
        }
    }
    qint64 ours = 0, grep = 0, rg = 0;
    int round = 0;
    for (auto _ : state) {
        for (int k = 0; k < 3; ++k) {
            const int which = (round + k) % 3;
            if (which == 0) {
                qb::NoteIndex index;
                const qint64 ns = build(index, book.folders);
                state.SetIterationTime(double(ns) / 1e9);
                ours += ns;
            } else if (which == 1) {
                grep += runTool(book, u"grep"_s, {u"-r"_s, u"-F"_s, u"-c"_s, u"invoice"_s});
            } else {
                rg += runTool(book, u"rg"_s, {u"-F"_s, u"-i"_s, u"-l"_s, u"invoice"_s});
            }
        }
        ++round;
    }
    state.counters["MB"] = double(book.bytes) / 1e6;
    state.counters["grep_ms"] = double(grep) / 1e6 / round;
    state.counters["rg_ms"] = double(rg) / 1e6 / round;
    state.counters["x_grep"] = double(ours) / double(grep);
    state.counters["x_rg"] = double(ours) / double(rg);
}

struct Memory
{
    double before = 0, after = 0, peak = 0; // resident MB
};

Memory readMemory()
{
    Memory m;
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return m;
    for (const QByteArray &line : status.readAll().split('\n')) {
        const double mb = line.simplified().split(' ').value(1).toDouble() * 1024 / 1e6;
        if (line.startsWith("VmRSS:"))
            m.after = mb;
        else if (line.startsWith("VmHWM:"))
            m.peak = mb;
    }
    return m;
}

// In a process of its own (this program started again), so that nothing freed before is
// reused: resident memory before and after the build, and its peak.
void BM_BuildMemory(benchmark::State &state)
{
    const IndexBook &book = makeIndexBook(int(state.range(0)));
    for (auto _ : state) {
        QProcess probe;
        probe.start(QCoreApplication::applicationFilePath(),
                    {u"--memory-probe"_s, book.dirs.join(u'\n')});
        probe.waitForFinished(-1);
        const QList<QByteArray> figures = probe.readAllStandardOutput().trimmed().split(' ');
        if (figures.size() != 4) {
            state.SkipWithError("the memory probe failed");
            return;
        }
        const double notesMb = double(book.bytes) / 1e6;
        state.counters["notes_MB"] = notesMb;
        state.counters["text_MB"] = figures[3].toDouble();
        state.counters["growth_x"] = (figures[1].toDouble() - figures[0].toDouble()) / notesMb;
        state.counters["peak_x"] = (figures[2].toDouble() - figures[0].toDouble()) / notesMb;
    }
}

int memoryProbe(const QString &dirs)
{
    QList<qb::BookSearchFolder> folders;
    for (const QString &dir : dirs.split(u'\n'))
        folders.append({int(folders.size()) + 1, dir, dir});
    qb::NoteIndex index;
    const Memory before = readMemory();
    build(index, folders);
    const Memory after = readMemory();
    std::printf("%.2f %.2f %.2f %.2f\n", before.after, after.after, after.peak,
                double(index.snapshot()->textBytes()) / 1e6);
    return 0;
}

const qb::NoteIndexSnapshotPtr &indexOf(int notes)
{
    static std::map<int, std::pair<std::unique_ptr<qb::NoteIndex>, qb::NoteIndexSnapshotPtr>> all;
    auto &[index, snapshot] = all[notes];
    if (!index) {
        index = std::make_unique<qb::NoteIndex>();
        build(*index, makeIndexBook(notes).folders);
        snapshot = index->snapshot();
        snapshot->byRecency();
    }
    return snapshot;
}

// The queries of a kind: words typed one letter at a time, whole words, two words.
QStringList kQueries(const QString &kind)
{
    const QStringList typed = {u"garden"_s,  u"invoice"_s, u"brûlée"_s, u"meeting"_s,
                               u"zürich"_s,  u"receipt"_s, u"market"_s, u"letter"_s,
                               u"fiancée"_s, u"train"_s,   u"river"_s,  u"budget"_s};
    QStringList queries;
    if (kind == u"typed"_s) {
        for (const QString &word : typed) {
            for (qsizetype n = 1; n <= word.size(); ++n)
                queries.append(word.left(n));
        }
    } else if (kind == u"words"_s) {
        queries = typed + QStringList{u"the"_s, u"café"_s, u"this"_s, u"quirewick"_s};
    } else {
        queries = {kPhrase,          u"anna garden"_s, u"café budget"_s,   u"meeting monday"_s,
                   u"river train"_s, u"zürich 12"_s,   u"letter résumé"_s, u"market 2024"_s};
    }
    return queries;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    const size_t at = std::min(values.size() - 1, size_t(p * double(values.size())));
    std::nth_element(values.begin(), values.begin() + qsizetype(at), values.end());
    return values[at];
}

// Each round runs every query of the kind once: the first screen (next(50)), then every note
// ranked (count()), then the hits of the rest made (rest()). The times are from the query's
// start; the iteration's is the sum of the whole queries.
void BM_Query(benchmark::State &state, const QString &kind, qb::NoteQueryScope scope)
{
    const qb::NoteIndexSnapshotPtr &snapshot = indexOf(int(state.range(0)));
    const QStringList queries = kQueries(kind);
    std::vector<double> first, ranked, full;
    qint64 results = 0;
    for (auto _ : state) {
        qint64 roundNs = 0;
        for (const QString &text : queries) {
            QElapsedTimer clock;
            clock.start();
            qb::NoteQuery query(snapshot, text, scope);
            const qsizetype shown = query.next(50).size();
            first.push_back(double(clock.nsecsElapsed()) / 1e6);
            const qsizetype all = query.count();
            ranked.push_back(double(clock.nsecsElapsed()) / 1e6);
            if (shown + query.rest().size() != all)
                state.SkipWithError("the hits handed out are not all the results");
            full.push_back(double(clock.nsecsElapsed()) / 1e6);
            results += all;
            roundNs += clock.nsecsElapsed();
        }
        state.SetIterationTime(double(roundNs) / 1e9);
    }
    state.counters["queries"] = double(queries.size());
    state.counters["results_avg"] = double(results) / double(full.size());
    state.counters["first_p50_ms"] = percentile(first, 0.5);
    state.counters["first_p95_ms"] = percentile(first, 0.95);
    state.counters["all_ranked_p50_ms"] = percentile(ranked, 0.5);
    state.counters["all_ranked_p95_ms"] = percentile(ranked, 0.95);
    state.counters["all_hits_p50_ms"] = percentile(full, 0.5);
    state.counters["all_hits_p95_ms"] = percentile(full, 0.95);
}

// Find in Book over the index's text against the same search reading the disk, and ripgrep.
void BM_FindInBook(benchmark::State &state)
{
    const int notes = int(state.range(0));
    const IndexBook &book = makeIndexBook(notes);
    const qb::NoteIndexSnapshotPtr &snapshot = indexOf(notes);
    qb::BookSearch search;
    const auto run = [&](qb::NoteIndexSnapshotPtr index, qsizetype *hits) {
        QEventLoop loop;
        QObject::connect(&search, &qb::BookSearch::finished, &loop,
                         [&](const qb::BookSearchSummary &summary) {
                             *hits = summary.hits;
                             loop.quit();
                         });
        QElapsedTimer clock;
        clock.start();
        qb::BookSearchRequest request{book.folders, kPhrase, Qt::CaseInsensitive,
                                      qb::NoteSizeLimits::forThisMachine()};
        request.index = std::move(index);
        search.start(request);
        loop.exec();
        QObject::disconnect(&search, nullptr, &loop, nullptr);
        return clock.nsecsElapsed();
    };
    qint64 ours = 0, disk = 0, rg = 0;
    qsizetype hits = 0, diskHits = 0;
    int round = 0;
    for (auto _ : state) {
        const qint64 ns = run(snapshot, &hits);
        state.SetIterationTime(double(ns) / 1e9);
        ours += ns;
        disk += run(nullptr, &diskHits);
        rg += runTool(book, u"rg"_s, {u"-F"_s, u"-i"_s, u"-c"_s, kPhrase});
        ++round;
    }
    if (hits != diskHits)
        state.SkipWithError("the index found other matches than the disk");
    state.counters["hits"] = double(hits);
    state.counters["disk_ms"] = double(disk) / 1e6 / round;
    state.counters["rg_ms"] = double(rg) / 1e6 / round;
    state.counters["x_rg"] = double(ours) / double(rg);
}

} // namespace

BENCHMARK(BM_BuildMemory)->Arg(10'000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Build)->Arg(10'000)->Iterations(8)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Query, typed, u"typed"_s, qb::NoteQueryScope::NamesAndText)
    ->Arg(10'000)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Query, words, u"words"_s, qb::NoteQueryScope::NamesAndText)
    ->Arg(10'000)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Query, two_words, u"two"_s, qb::NoteQueryScope::NamesAndText)
    ->Arg(10'000)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindInBook)
    ->Arg(10'000)
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildMemory)->Arg(100'000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Build)->Arg(100'000)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Query, names_typed, u"typed"_s, qb::NoteQueryScope::NamesOnly)
    ->Arg(100'000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Query, typed, u"typed"_s, qb::NoteQueryScope::NamesAndText)
    ->Arg(100'000)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Query, words, u"words"_s, qb::NoteQueryScope::NamesAndText)
    ->Arg(100'000)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Query, two_words, u"two"_s, qb::NoteQueryScope::NamesAndText)
    ->Arg(100'000)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--memory-probe") == 0)
        return memoryProbe(QString::fromLocal8Bit(argv[2]));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
