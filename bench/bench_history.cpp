// Keeping a version of a large note (compressed and written safely), beside the plain safe write
// of the same bytes; reading it back; and the line diff shown beside a version, with dtl alone
// as the baseline where the diff bounds it.

#include "keeping/LineDiff.h"
#include "keeping/NoteHistory.h"

#include <QFileInfo>
#include <QHash>
#include <QStringList>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <dtl/dtl.hpp>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;
using namespace qb;

namespace {

constexpr qsizetype kMiB = 1024 * 1024;

// Prose-like lines of up to 80 characters, CR LF, some accented; `seed` picks the words.
QString proseText(qsizetype size, quint32 seed)
{
    const QStringList words =
        u"the of and a to in is you that it he was for on are as with his they at be this have "
        "from or one had by word but not what all were we when your can said there use an each "
        "which she do how their if will up other about out many then them these so some her "
        "would make like him into time has look two more write go see number no way could "
        "people café naïve über façade résumé “quoted” — 12,50 € déjà-vu Zürich"_s.split(u' ');
    QString text, line;
    text.reserve(size + 100);
    while (text.size() < size) {
        seed = seed * 1103515245u + 12345u;
        const QString &word = words[(seed >> 16) % words.size()];
        if (line.size() + 1 + word.size() > 80) {
            text += line + u"\r\n"_s;
            line.clear();
        }
        line += (line.isEmpty() ? QString() : u" "_s) + word;
    }
    return text;
}

QStringList linesOf(const QString &text)
{
    return text.split(u"\r\n"_s);
}

struct Kept
{
    QTemporaryDir dir;
    NoteHistory history{dir.filePath(u"history"_s)};
    QString note = dir.filePath(u"note.txt"_s);
    QByteArray bytes = proseText(10 * kMiB, 1).toUtf8();
    qint64 ms = 1'700'000'000'000;
    Kept() { writeWholeFile(note, bytes); }
};

void BM_KeepFromReader10MiB(benchmark::State &state)
{
    Kept k;
    for (auto _ : state) {
        FileReader reader(k.note);
        if (!k.history.keep(k.note, reader, ++k.ms).ok())
            state.SkipWithError("not kept");
    }
    state.SetBytesProcessed(state.iterations() * k.bytes.size());
    state.counters["ratio"] =
        double(QFileInfo(k.history.versions(k.note).value(0).filePath).size()) /
        double(k.bytes.size());
}

void BM_KeepFromMemory10MiB(benchmark::State &state)
{
    Kept k;
    for (auto _ : state) {
        if (!k.history.keep(k.note, k.bytes, ++k.ms).ok())
            state.SkipWithError("not kept");
    }
    state.SetBytesProcessed(state.iterations() * k.bytes.size());
}

// The baseline: the same bytes written safely, uncompressed, as a save writes a note.
void BM_SafeWriteBaseline10MiB(benchmark::State &state)
{
    Kept k;
    const QString copy = k.dir.filePath(u"copy.txt"_s);
    for (auto _ : state) {
        if (!writeWholeFile(copy, k.bytes).ok())
            state.SkipWithError("not written");
    }
    state.SetBytesProcessed(state.iterations() * k.bytes.size());
}

void BM_ReadVersion10MiB(benchmark::State &state)
{
    Kept k;
    const NoteVersion version = k.history.keep(k.note, k.bytes, k.ms).version;
    for (auto _ : state) {
        const VersionBytes read = NoteHistory::read(version, 64 * kMiB);
        benchmark::DoNotOptimize(read.bytes.constData());
    }
    state.SetBytesProcessed(state.iterations() * k.bytes.size());
}

// Two texts of `mib` MiB: the second with `changes` lines changed, spread evenly, the first and
// the last among them (so that no common start or end is set aside); or with other words
// altogether when `changes` is -1, or the same lines in reverse order when it is -2.
std::pair<QStringList, QStringList> textPair(qsizetype mib, int changes)
{
    const QStringList a = linesOf(proseText(mib * kMiB, 1));
    QStringList b = a;
    if (changes == -1)
        b = linesOf(proseText(mib * kMiB, 2));
    else if (changes == -2)
        std::reverse(b.begin(), b.end());
    for (int i = 0; i < changes; ++i)
        b[(b.size() - 1) * i / std::max(changes - 1, 1)] += u" (edited)"_s;
    return {a, b};
}

void BM_DiffLines(benchmark::State &state)
{
    const auto [a, b] = textPair(state.range(0), int(state.range(1)));
    qsizetype hunks = 0;
    bool tooDifferent = false;
    for (auto _ : state) {
        const LineDiff diff = diffLines(a, b);
        hunks = diff.hunks.size();
        tooDifferent = diff.tooDifferent;
    }
    state.counters["lines"] = double(a.size());
    state.counters["hunks"] = double(hunks);
    state.counters["too_different"] = tooDifferent;
}

// dtl alone on the same texts, lines numbered as the diff numbers them, without a bound.
void BM_DtlUnbounded(benchmark::State &state)
{
    const auto [a, b] = textPair(state.range(0), int(state.range(1)));
    QHash<QString, int> numbers;
    const auto number = [&](const QString &line) {
        auto it = numbers.find(line);
        if (it == numbers.end())
            it = numbers.insert(line, int(numbers.size()));
        return *it;
    };
    std::vector<int> x, y;
    for (const QString &line : a)
        x.push_back(number(line));
    for (const QString &line : b)
        y.push_back(number(line));
    for (auto _ : state) {
        dtl::Diff<int> diff(x, y);
        diff.compose();
        benchmark::DoNotOptimize(diff.getEditDistance());
    }
}

} // namespace

BENCHMARK(BM_KeepFromReader10MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeepFromMemory10MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SafeWriteBaseline10MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadVersion10MiB)->Unit(benchmark::kMillisecond);
// {MiB, changed lines}: -1 other words altogether, -2 the same lines in reverse order.
void diffCases(benchmark::internal::Benchmark *b)
{
    for (const auto &[mib, changed] :
         {std::pair(10, 5), {1, -1}, {1, -2}, {4, -2}, {10, -1}, {10, -2}})
        b->Args({mib, changed});
    b->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_DiffLines)->Apply(diffCases);
BENCHMARK(BM_DtlUnbounded)->Apply(diffCases)->Iterations(1);

BENCHMARK_MAIN();
