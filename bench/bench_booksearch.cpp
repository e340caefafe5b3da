// Find in Book: the whole search of a book of 30 folders, against GNU grep and ripgrep searching
// the same folders (started with QProcess, in the same run), all files in the page cache.
#include "find/BookSearch.h"
#include "platform/CodePage.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <random>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString Text = u"invoice 2291"_s;
constexpr int Folders = 30;

const char *const Words[] = {
    "the",     "of",      "and",    "to",       "in",      "a",       "is",     "that",
    "for",     "it",      "as",     "was",      "with",    "be",      "by",     "on",
    "not",     "he",      "this",   "are",      "or",      "his",     "from",   "at",
    "which",   "but",     "have",   "an",       "they",    "you",     "were",   "her",
    "she",     "there",   "one",    "all",      "we",      "their",   "been",   "has",
    "when",    "more",    "will",   "would",    "who",     "so",      "no",     "if",
    "out",     "up",      "about",  "into",     "than",    "them",    "some",   "could",
    "time",    "these",   "two",    "may",      "then",    "do",      "first",  "any",
    "my",      "now",     "such",   "like",     "our",     "over",    "man",    "me",
    "even",    "most",    "made",   "after",    "also",    "did",     "many",   "before",
    "must",    "through", "back",   "years",    "where",   "much",    "your",   "way",
    "well",    "down",    "should", "because",  "each",    "just",    "those",  "people",
    "how",     "too",     "little", "state",    "good",    "very",    "make",   "world",
    "still",   "own",     "see",    "men",      "work",    "long",    "get",    "here",
    "between", "both",    "life",   "being",    "under",   "never",   "day",    "same",
    "another", "know",    "while",  "last",     "might",   "us",      "great",  "old",
    "year",    "off",     "come",   "since",    "against", "go",      "came",   "right",
    "used",    "take",    "three",  "garden",   "letter",  "meeting", "budget", "invoices",
    "Monday",  "Anna",    "market", "train",    "river",   "receipt", "café",   "naïve",
    "résumé",  "über",    "Straße", "jalapeño", "déjà",    "façade",  "Zürich", "Malmö",
    "crème",   "brûlée",  "São",    "Paulo",    "fiancée", "Ørsted",  "2024",   "12",
    "3.5",     "2291",    "voice",  "invoice:", "(see",    "notes)",  "—",      "“quoted”"};

// A note of prose-like lines, about `size` bytes; `withMatch` puts the searched text in one
// line. Every fifth note is Windows-1252, every third has LF line ends.
QByteArray MakeNote(std::mt19937 &random, qsizetype size, bool withMatch, int index)
{
    QString text;
    const auto pick = [&](int n) { return int(random() % unsigned(n)); };
    const int matchLine = withMatch ? pick(int(size / 200) + 1) : -1;
    const QString lineEnd = index % 3 == 0 ? u"\n"_s : u"\r\n"_s;
    for (int line = 0; text.size() < size; ++line) {
        for (int sentences = 1 + pick(4); sentences > 0; --sentences) {
            for (int words = 5 + pick(15), w = 0; w < words; ++w) {
                QString word = QString::fromUtf8(Words[pick(int(std::size(Words)))]);
                if (w == 0)
                    word[0] = word[0].toUpper();
                text += word + (w + 1 < words ? u" "_s : u". "_s);
            }
        }
        if (line == matchLine)
            text += QStringList{u"INVOICE 2291"_s, u"Invoice 2291"_s, Text}[pick(3)] + u" paid."_s;
        text += lineEnd;
        if (pick(5) == 0)
            text += lineEnd;
    }
    if (index % 5 == 0) {
        if (const std::optional<QByteArray> bytes = qb::EncodeWindows1252(text))
            return *bytes;
    }
    return text.toUtf8();
}

struct Book
{
    std::unique_ptr<QTemporaryDir> dir;
    QList<qb::BookSearchFolder> folders;
    QStringList dirs;
};

// One book per size, made once per run: notes of 0.5 to 12 KiB, 4 KiB on average, a match in
// about one note in a thousand.
const Book &MakeBook(int notes)
{
    static std::map<int, Book> books;
    Book &book = books[notes];
    if (book.dir)
        return book;
    book.dir = std::make_unique<QTemporaryDir>();
    for (int f = 0; f < Folders; ++f) {
        const QString dir = book.dir->filePath(u"Folder %1"_s.arg(f + 1, 2, 10, QChar(u'0')));
        QDir().mkpath(dir);
        book.folders.append({f + 1, u"Folder %1"_s.arg(f + 1), dir});
        book.dirs.append(dir);
    }
    std::mt19937 random(2291);
    for (int i = 0; i < notes; ++i) {
        const qsizetype size = 512 + qsizetype(random() % 7168);
        const bool match = random() % 1000 == 0;
        QFile file(book.dirs[i % Folders] + u"/Note %1.txt"_s.arg(i * 7919 % 1000003));
        if (!file.open(QIODevice::WriteOnly) || file.write(MakeNote(random, size, match, i)) < 0)
            qFatal("cannot write the book");
    }
    // Written back now, so that the disk is not busy with it while the searches are timed.
    ::sync();
    return book;
}

qsizetype BookBytes(const Book &book)
{
    qsizetype bytes = 0;
    for (const QString &dir : book.dirs) {
        for (const QFileInfo &info : QDir(dir).entryInfoList(QDir::Files))
            bytes += info.size();
    }
    return bytes;
}

struct Timing
{
    qint64 totalNs = 0;
    qint64 firstNs = -1;
    qsizetype hits = 0;
};

Timing Search(qb::BookSearch &search, const Book &book)
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
    search.start({book.folders, Text, Qt::CaseInsensitive, qb::NoteSizeLimits::forThisMachine()});
    loop.exec();
    timing.totalNs = clock.nsecsElapsed();
    return timing;
}

void Report(benchmark::State &state, const Book &book, const Timing &sum, qint64 runs)
{
    state.counters["first_result_ms"] = double(sum.firstNs) / 1e6 / double(runs);
    state.counters["hits"] = double(sum.hits) / double(runs);
    state.counters["MB"] = double(BookBytes(book)) / 1e6;
}

// Warm: the same BookSearch again and again, its threads started and its buffers grown.
void BM_BookSearch(benchmark::State &state)
{
    const Book &book = MakeBook(int(state.range(0)));
    qb::BookSearch search;
    Timing sum;
    for (auto _ : state) {
        const Timing t = Search(search, book);
        state.SetIterationTime(double(t.totalNs) / 1e9);
        sum.firstNs += t.firstNs;
        sum.hits += t.hits;
    }
    Report(state, book, sum, state.iterations());
}

// Cold: a new BookSearch for every search, its threads started for it; the first search of the
// process also folds its case table.
void BM_BookSearchCold(benchmark::State &state)
{
    const Book &book = MakeBook(int(state.range(0)));
    Timing sum;
    for (auto _ : state) {
        qb::BookSearch search;
        const Timing t = Search(search, book);
        state.SetIterationTime(double(t.totalNs) / 1e9);
        sum.firstNs += t.firstNs;
        sum.hits += t.hits;
    }
    Report(state, book, sum, state.iterations());
}

// A command-line search of the same folders; its count of matching lines must be ours.
void RunTool(benchmark::State &state, const QString &program, const QStringList &options)
{
    const Book &book = MakeBook(int(state.range(0)));
    if (QStandardPaths::findExecutable(program).isEmpty()) {
        state.SkipWithError("not installed");
        return;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
    qsizetype lines = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        QProcess tool;
        tool.setProcessEnvironment(environment);
        tool.start(program, options + QStringList{Text} + book.dirs);
        if (!tool.waitForFinished(-1))
            state.SkipWithError("did not finish");
        const QByteArray out = tool.readAllStandardOutput();
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        lines = 0;
        for (const QByteArray &line : out.split('\n'))
            lines += line.mid(line.lastIndexOf(':') + 1).toLongLong();
    }
    state.counters["hits"] = double(lines);
    qb::BookSearch search;
    if (Search(search, book).hits != lines)
        state.SkipWithError("counts a different number of matches");
}

void BM_GrepBaseline(benchmark::State &state)
{
    RunTool(state, u"grep"_s, {u"-r"_s, u"-F"_s, u"-i"_s, u"-c"_s});
}

void BM_RipgrepBaseline(benchmark::State &state)
{
    RunTool(state, u"rg"_s, {u"-F"_s, u"-i"_s, u"-c"_s});
}

} // namespace

// The cold search first, so that it is the first search of the process.
BENCHMARK(BM_BookSearchCold)
    ->Arg(10'000)
    ->Arg(100'000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BookSearch)->Arg(10'000)->Arg(100'000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GrepBaseline)
    ->Arg(10'000)
    ->Arg(100'000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RipgrepBaseline)
    ->Arg(10'000)
    ->Arg(100'000)
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
