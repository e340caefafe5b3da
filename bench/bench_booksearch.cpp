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

Timing Search(qb::BookSearch &search, const Book &book, const QString &text = Text)
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
std::pair<qint64, qsizetype> RunTool(const Book &book, const QString &text, const QString &program,
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
    const Book &book = MakeBook(int(state.range(0)));
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
                const Timing t = Search(search, book, text);
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
                which == 1 ? RunTool(book, text, u"grep"_s, {u"-r"_s, u"-F"_s, u"-i"_s, u"-c"_s})
                           : RunTool(book, text, u"rg"_s, {u"-F"_s, u"-i"_s, u"-c"_s});
            (which == 1 ? grep : rg) += ns;
            counts[which] = ns < 0 ? -1 : lines;
        }
        if (counts[1] != counts[0] || counts[2] != counts[0])
            state.SkipWithError("a baseline failed or counts other matches");
        ++round;
    }
    state.counters["MB"] = double(BookBytes(book)) / 1e6;
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
    const Book &book = MakeBook(int(state.range(0)));
    for (auto _ : state) {
        qb::BookSearch search;
        const Timing t = Search(search, book);
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
BENCHMARK_CAPTURE(BM_FindInBook, invoice, Text)
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
BENCHMARK_CAPTURE(BM_FindInBook, invoice, Text)
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
