#include "notes/ConflictCopies.h"
#include "notes/NoteFiles.h"
#include "notes/NoteListing.h"
#include "notes/NoteNames.h"
#include "platform/FileOps.h"
#include "platform/NoteFingerprint.h"

#include <benchmark/benchmark.h>

#include <QCollator>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QTemporaryDir>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// One folder per size, made once per run: `count` notes named in scrambled order, every tenth
// ending in ".TXT", and a few things that are not notes.
QString noteFolder(int count)
{
    static std::map<int, std::unique_ptr<QTemporaryDir>> folders;
    std::unique_ptr<QTemporaryDir> &dir = folders[count];
    if (!dir) {
        dir = std::make_unique<QTemporaryDir>();
        const std::filesystem::path root = dir->path().toStdString();
        for (int i = 0; i < count; ++i) {
            const std::string name =
                "Note " + std::to_string(i * 7919L % 1000003) + (i % 10 == 0 ? ".TXT" : ".txt");
            std::ofstream(root / name) << "\r\n";
        }
        // Copies a sync tool left of one note in a hundred, each in another tool's form.
        for (int i = 0; i < count / 100; ++i) {
            const std::string note = "Note " + std::to_string(i * 7919L % 1000003);
            const char *tags[] = {
                ".sync-conflict-20261207-101530-ABCDEFG", " (conflicted copy 2026-12-07 101530)",
                " (Alice's conflicted copy 2026-12-07)", " (conflicted 2)", ".Conflict1"};
            std::ofstream(root / (note + tags[i % 5] + ".txt")) << "\r\n";
        }
        for (const char *other : {".hidden.txt", "readme.md", "plan.txt.bak"})
            std::ofstream(root / other) << "\r\n";
        std::filesystem::create_directory(root / "folder.txt");
    }
    return dir->path();
}

void BM_ListNoteFiles(benchmark::State &state)
{
    const QString folder = noteFolder(int(state.range(0)));
    for (auto _ : state) {
        const qb::NoteListing listing = qb::listNoteFiles(folder);
        benchmark::DoNotOptimize(listing.size());
    }
}

// Finding a listing's conflict copies and their notes, to be set beside the listing itself.
void BM_FindConflictCopies(benchmark::State &state)
{
    const qb::NoteListing listing = qb::listNoteFiles(noteFolder(int(state.range(0))));
    for (auto _ : state) {
        const QList<qb::ConflictCopy> copies = qb::findConflictCopies(listing);
        benchmark::DoNotOptimize(copies.size());
    }
}

// The floor: every entry's name, no filter, no decoding, no sorting.
void BM_DirectoryIteratorBaseline(benchmark::State &state)
{
    const std::filesystem::path folder = noteFolder(int(state.range(0))).toStdString();
    for (auto _ : state) {
        std::vector<std::string> names;
        for (const std::filesystem::directory_entry &entry :
             std::filesystem::directory_iterator(folder))
            names.push_back(entry.path().filename().native());
        benchmark::DoNotOptimize(names.size());
    }
}

// What QDir's own filters cost, unsorted.
void BM_QDirIteratorListing(benchmark::State &state)
{
    const QString folder = noteFolder(int(state.range(0)));
    for (auto _ : state) {
        QStringList names;
        QDirIterator it(folder, {u"*.txt"_s}, QDir::Files);
        while (it.hasNext()) {
            it.next();
            names.append(it.fileName());
        }
        benchmark::DoNotOptimize(names.size());
    }
}

// Sorting alone: the note list order against a locale collator with sort keys.
void BM_SortNoteOrder(benchmark::State &state)
{
    const QStringList listed = qb::listNoteFiles(noteFolder(int(state.range(0)))).fileNames();
    for (auto _ : state) {
        QStringList names = listed;
        std::reverse(names.begin(), names.end());
        std::sort(names.begin(), names.end(),
                  [](const QString &a, const QString &b) { return qb::noteFileNameLess(a, b); });
        benchmark::DoNotOptimize(names.size());
    }
}

void BM_SortQCollatorKeys(benchmark::State &state)
{
    const QStringList listed = qb::listNoteFiles(noteFolder(int(state.range(0)))).fileNames();
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    for (auto _ : state) {
        std::vector<std::pair<QCollatorSortKey, QString>> keyed;
        keyed.reserve(size_t(listed.size()));
        for (auto it = listed.crbegin(); it != listed.crend(); ++it)
            keyed.emplace_back(collator.sortKey(qb::noteNameOf(*it)), *it);
        std::sort(keyed.begin(), keyed.end(),
                  [](const auto &a, const auto &b) { return a.first.compare(b.first) < 0; });
        benchmark::DoNotOptimize(keyed.size());
    }
}

const QByteArray &tenMiB()
{
    static const QByteArray bytes = [] {
        QByteArray b(10 << 20, Qt::Uninitialized);
        for (qsizetype i = 0; i < b.size(); ++i)
            b[i] = char((i * 131 + (i >> 9)) & 0xff);
        return b;
    }();
    return bytes;
}

// What loading and saving a 10 MiB note pay for its fingerprint, beside a cryptographic digest
// of the same bytes.
void BM_TakeFingerprint10MiB(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(qb::takeFingerprint(QString(), tenMiB()).digest);
    state.SetBytesProcessed(state.iterations() * tenMiB().size());
}

void BM_Blake2bDigest10MiB(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(
            QCryptographicHash::hash(tenMiB(), QCryptographicHash::Blake2b_256));
    state.SetBytesProcessed(state.iterations() * tenMiB().size());
}

// The whole check before a save: stat, read and digest of a 10 MiB note.
void BM_CheckFingerprint10MiB(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"big.txt"_s);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(tenMiB()) != tenMiB().size()) {
        state.SkipWithError("could not write the note");
        return;
    }
    file.close();
    const qb::NoteFingerprint fingerprint = qb::takeFingerprint(path, tenMiB());
    for (auto _ : state) {
        if (qb::checkFingerprint(path, fingerprint).outcome != qb::FingerprintCheck::Outcome::Same)
            state.SkipWithError("fingerprint does not match");
    }
}

} // namespace

BENCHMARK(BM_ListNoteFiles)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindConflictCopies)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectoryIteratorBaseline)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QDirIteratorListing)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortNoteOrder)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortQCollatorKeys)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TakeFingerprint10MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Blake2bDigest10MiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckFingerprint10MiB)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
