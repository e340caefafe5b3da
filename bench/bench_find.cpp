// A search through a 50 MiB note that finds nothing: the text taken out of the editor and
// searched with FindText, against QTextDocument::find on the same document.
#include "BenchApp.h"

#include "editor/NoteEditor.h"
#include "find/TextSearch.h"

#include <QApplication>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype NoteSize = 50 * 1024 * 1024;

// Lines of ordinary prose, as a long journal would hold them.
QString LongNote()
{
    static const QString lines[] = {
        u"Monday: bought flour, eggs and milk at the market; the baker was out of rye.\n"_s,
        u"Read two chapters in the evening and wrote letters to Anna and the landlord.\n"_s,
        u"Rain all day. Mended the shelf in the hall, sorted the receipts of March.\n"_s,
        u"\n"_s,
        u"Tuesday: the train was late again, 25 minutes; note to complain on Friday.\n"_s,
    };
    QString text;
    text.reserve(NoteSize + 128);
    for (int i = 0; text.size() < NoteSize; ++i)
        text += lines[i % std::size(lines)];
    text.truncate(NoteSize);
    return text;
}

// Made on first use, so that a filtered run builds it only when needed; gone before the
// application object.
std::unique_ptr<qb::NoteEditor> g_editor;

qb::NoteEditor &Editor()
{
    if (!g_editor) {
        g_editor = std::make_unique<qb::NoteEditor>();
        qb::bench::AtBenchEnd([] { g_editor.reset(); });
        g_editor->setPlainText(LongNote());
    }
    return *g_editor;
}

const QString Missing = u"Zanzibar harbour"_s;

void BM_FindText(benchmark::State &state, Qt::CaseSensitivity cs)
{
    qb::NoteEditor &editor = Editor();
    for (auto _ : state) {
        const QString text = editor.document()->toRawText();
        const qsizetype found = qb::FindText(text, Missing, 0, cs);
        benchmark::DoNotOptimize(found);
        if (found >= 0)
            state.SkipWithError("found a text that is not there");
    }
    state.SetBytesProcessed(state.iterations() * NoteSize);
}

void BM_DocumentFind(benchmark::State &state, QTextDocument::FindFlags flags)
{
    QTextDocument *document = Editor().document();
    for (auto _ : state) {
        const QTextCursor found = document->find(Missing, 0, flags);
        benchmark::DoNotOptimize(found.position());
        if (!found.isNull())
            state.SkipWithError("found a text that is not there");
    }
    state.SetBytesProcessed(state.iterations() * NoteSize);
}

// Where the time of BM_FindText goes: taking the text out, searching it, and what a fresh
// buffer of the same size costs by itself on this system (allocating and touching its pages).
void BM_TakeTextOut(benchmark::State &state)
{
    qb::NoteEditor &editor = Editor();
    for (auto _ : state) {
        const QString text = editor.document()->toRawText();
        benchmark::DoNotOptimize(text.constData());
    }
}

void BM_SearchTakenText(benchmark::State &state)
{
    const QString text = Editor().document()->toRawText();
    for (auto _ : state)
        benchmark::DoNotOptimize(qb::FindText(text, Missing, 0, Qt::CaseInsensitive));
}

void BM_FreshBuffer(benchmark::State &state)
{
    for (auto _ : state) {
        QString buffer(NoteSize, u' ');
        benchmark::DoNotOptimize(buffer.constData());
    }
}

BENCHMARK_CAPTURE(BM_FindText, ignoring_case, Qt::CaseInsensitive)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DocumentFind, ignoring_case, QTextDocument::FindFlags())
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FindText, matching_case, Qt::CaseSensitive)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DocumentFind, matching_case, QTextDocument::FindCaseSensitively)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TakeTextOut)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchTakenText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FreshBuffer)->Unit(benchmark::kMillisecond);

} // namespace
