// Find Next through the window in a 50 MiB note that holds no match, against QTextDocument::find
// on the same document; and the memory the process holds before and after the first search.
#include "BenchApp.h"
#include "BenchWindow.h"
#include "TestFiles.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype kNoteSize = 50 * 1024 * 1024;

// Lines of ordinary prose, as a long journal would hold them.
QByteArray longNote()
{
    static const QByteArray lines[] = {
        "Monday: bought flour, eggs and milk at the market; the baker was out of rye.\n",
        "Read two chapters in the evening and wrote letters to Anna and the landlord.\n",
        "Rain all day. Mended the shelf in the hall, sorted the receipts of March.\n",
        "\n",
        "Tuesday: the train was late again, 25 minutes; note to complain on Friday.\n",
    };
    QByteArray text;
    text.reserve(kNoteSize + 128);
    for (int i = 0; text.size() < kNoteSize; ++i)
        text += lines[i % std::size(lines)];
    text.truncate(kNoteSize);
    return text;
}

// The resident memory of this process, in MiB.
double residentMiB()
{
    QFile statm(u"/proc/self/statm"_s);
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * 4096 / (1024 * 1024);
}

// The window showing the note, whole, with the Find dialog's text set to one it does not hold.
struct FindWindow
{
    QTemporaryDir dir;
    std::unique_ptr<qb::bench::BenchWindow> w;

    FindWindow()
    {
        qb::test::writeBytes(dir.filePath(u"notes/journal.txt"_s), longNote());
        const QString book = dir.filePath(u"journal.qb"_s);
        qb::test::writeBytes(book, qb::test::bookBytes(u"Journal"_s, {{u"Notes"_s, u"notes"_s}}));
        w = std::make_unique<qb::bench::BenchWindow>(book);
        w->action("T_mnuFIND")->trigger();
        auto *text = w->window->findChild<QComboBox *>(u"txtFIND"_s);
        text->setEditText(u"Zanzibar harbour"_s);
        text->window()->hide();
    }
};

FindWindow &findWindow()
{
    static std::unique_ptr<FindWindow> window;
    if (!window) {
        window = std::make_unique<FindWindow>();
        qb::bench::atBenchEnd([] { window.reset(); });
    }
    return *window;
}

void BM_FindNext(benchmark::State &state)
{
    FindWindow &window = findWindow();
    QAction *findNext = window.w->action("T_mnuFIND_NEXT");
    QPlainTextEdit *editor = window.w->editor();
    const double before = residentMiB();
    bool first = true;
    for (auto _ : state) {
        editor->moveCursor(QTextCursor::Start);
        window.w->platform.answerMessage(qb::Platform::Button::Ok); // "Unable to find ..."
        findNext->trigger();
        if (first) {
            state.counters["rss_before_MiB"] = before;
            state.counters["rss_after_first_MiB"] = residentMiB();
            first = false;
        }
    }
    state.counters["rss_after_MiB"] = residentMiB();
    if (window.w->platform.unexpected != 0 || window.w->platform.prompts.isEmpty())
        state.SkipWithError("the search did not run through");
    state.SetBytesProcessed(state.iterations() * kNoteSize);
}

void BM_DocumentFind(benchmark::State &state)
{
    QTextDocument *document = findWindow().w->editor()->document();
    for (auto _ : state) {
        const QTextCursor found = document->find(u"Zanzibar harbour"_s, 0);
        benchmark::DoNotOptimize(found.position());
        if (!found.isNull())
            state.SkipWithError("found a text that is not there");
    }
    state.SetBytesProcessed(state.iterations() * kNoteSize);
}

BENCHMARK(BM_FindNext)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DocumentFind)->Unit(benchmark::kMillisecond);

} // namespace
