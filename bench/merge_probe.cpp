// The merge as the user waits for it: `merge_probe [RUNS]` runs RUNS times (4 by default; the
// first is cold, the process's first merge) in Quirebox's window, on a folder holding
// "plan.txt", 10 MiB of prose lines, and the copy Syncthing kept of it. The note's history
// holds the version both grew from, kept by a save through the window; the editor's text
// differs from it in 100 lines and the copy in 100 others, so the three-way merge is clean.
// Each run prints, in milliseconds:
// - the baseline: the note picked until all of it is in the editor and painted;
// - Tools > Merge Versions... until the merge window has painted the merged note, and its
//   steps: the sides read on the window's thread, the merge off it (the base looked for, then
//   libgit2's git_merge_file), the merge window built, shown and painted;
// - "Use Merged" clicked until the editor has painted the merged text, and its steps;
// - for both, the worst and the 99th percentile lateness of a 10 ms timer on the window's
//   thread, until 300 ms after the merge window was shown and 200 ms after the repaint;
// - the parts alone, with the window idle; and what Qt takes to put the merged text over the
//   note's in a bare editor, whole or only the lines that differ, each as one edit.
// Then the medians and extremes, the cold run apart from the warm ones.
#include "BenchWindow.h"
#include "KeyLatency.h"
#include "Lateness.h"
#include "TestFiles.h"

#include "editor/TextPane.h"
#include "keeping/NoteHistory.h"
#include "notes/MergeDialog.h"
#include "notes/NoteMerge.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using qb::bench::BenchWindow;
using qb::bench::Lateness;
using qb::bench::PaintClock;

constexpr qsizetype kNoteBytes = 10 << 20;
constexpr int kChangesEach = 100;
const QString kCopyName = u"plan.sync-conflict-20261207-101530-ABCDEFG.txt"_s;
const QString kMineEdit = u" - and so it was changed on this machine"_s;
const QByteArray kTheirsEdit = " - and so it was changed on the other one";

[[noreturn]] void fail(const char *why)
{
    std::fprintf(stderr, "merge_probe: %s\n", why);
    std::fflush(nullptr);
    std::_Exit(EXIT_FAILURE);
}

double msSince(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

// Runs the window's events until `done` holds; fails after a minute.
void runUntil(const std::function<bool()> &done)
{
    QElapsedTimer clock;
    clock.start();
    QTimer poll; // wakes the loop now and then, whatever else happens
    poll.start(5);
    while (!done()) {
        if (clock.elapsed() > 60'000)
            fail("the window did not get there within a minute");
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

// Lines of prose of varied length, LF ended, some empty between paragraphs, to `size` bytes.
// The same lines every run.
std::vector<QByteArray> proseLines(qsizetype size)
{
    static const char *const words[] = {
        "the",      "plan",     "for",       "spring", "garden",  "we",       "will",    "need",
        "seeds",    "and",      "a",         "new",    "fence",   "along",    "north",   "side",
        "of",       "house",    "after",     "rain",   "stops",   "call",     "Marta",   "about",
        "ladder",   "budget",   "is",        "tight",  "this",    "year",     "so",      "keep",
        "receipts", "together", "in",        "blue",   "folder",  "tomatoes", "beans",   "onions",
        "café",     "naïve",    "whether",   "or",     "not",     "weekend",  "market",  "opens",
        "at",       "eight",    "bring",     "boxes",  "compost", "shed",     "roof",    "leaks",
        "again",    "ask",      "neighbour", "borrow", "drill",   "paint",    "windows", "before",
        "winter",   "comes",    "early",     "list",   "things",  "done"};
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> word(0, int(std::size(words)) - 1);
    std::uniform_int_distribution<int> length(2, 16);
    std::uniform_int_distribution<int> chance(0, 99);
    std::vector<QByteArray> lines;
    qsizetype total = 0;
    while (total < size) {
        QByteArray line;
        if (chance(random) >= 8) {
            const int count = length(random);
            for (int i = 0; i < count; ++i) {
                if (i > 0)
                    line += chance(random) < 6 ? ", " : " ";
                line += words[word(random)];
                if (chance(random) < 3)
                    line += ' ' + QByteArray::number(chance(random) * 37);
            }
            line[0] = char(std::toupper(static_cast<unsigned char>(line[0])));
            line += '.';
        }
        total += line.size() + 1;
        lines.push_back(std::move(line));
    }
    return lines;
}

QByteArray joined(const std::vector<QByteArray> &lines)
{
    QByteArray bytes;
    for (const QByteArray &line : lines)
        bytes += line + '\n';
    return bytes;
}

// The note: the base both sides grew from, and the lines each side changed, far apart.
struct Case
{
    std::vector<QByteArray> lines;
    QByteArray base, mine, theirs;
    std::vector<int> mineLines, theirLines;
    QString merged; // as the editor holds it
};

Case makeCase()
{
    Case c;
    c.lines = proseLines(kNoteBytes);
    c.base = joined(c.lines);
    const int count = int(c.lines.size());
    const int step = count / (2 * kChangesEach + 1);
    for (int i = 0; i < 2 * kChangesEach; ++i) {
        int line = (i + 1) * step;
        while (c.lines[size_t(line)].isEmpty())
            ++line;
        (i % 2 == 0 ? c.mineLines : c.theirLines).push_back(line);
    }
    std::vector<QByteArray> mine = c.lines, theirs = c.lines, merged = c.lines;
    for (const int line : c.mineLines) {
        mine[size_t(line)] += kMineEdit.toUtf8();
        merged[size_t(line)] += kMineEdit.toUtf8();
    }
    for (const int line : c.theirLines) {
        theirs[size_t(line)] += kTheirsEdit;
        merged[size_t(line)] += kTheirsEdit;
    }
    c.mine = joined(mine);
    c.theirs = joined(theirs);
    c.merged = QString::fromUtf8(joined(merged));
    return c;
}

// One figure of a run, in milliseconds unless `unit` says otherwise; in the order printed.
struct Figure
{
    std::string what;
    double value;
    const char *unit = "ms";
};
using Figures = std::vector<Figure>;

void addLateness(Figures &f, const char *what, std::pair<double, double> late)
{
    f.push_back({std::string("  window late during ") + what + ", worst", late.first});
    f.push_back({std::string("  window late during ") + what + ", p99", late.second});
}

Figures runOnce(const Case &c)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"notes"_s);
    const QString plan = folder + u"/plan.txt"_s;
    qb::test::writeBytes(folder + u"/a.txt"_s, "A short note.\n");
    qb::test::writeBytes(plan, c.base);
    qb::test::writeBytes(folder + u'/' + kCopyName, c.theirs);
    const QString book = dir.filePath(u"book.qb"_s);
    qb::test::writeBytes(book, qb::test::bookBytes(u"Merge"_s, {{u"Notes"_s, folder}}));

    Figures f;
    BenchWindow w(book);
    w.window->show();
    qb::bench::wait(300);
    QPlainTextEdit *editor = w.editor();
    const auto shownPath = [&] { return w.child<QLabel>("sBAR_Panel2")->text(); };
    if (w.lstFILE()->count() != 3 || !shownPath().endsWith(u"a.txt"_s))
        fail("the folder is not listed as written");

    // Every paint of the editor, and every change of its text, on one clock.
    QElapsedTimer clock;
    PaintClock paints(editor->viewport());
    qint64 lastChangeNs = -1;
    QObject::connect(editor, &QPlainTextEdit::textChanged, editor,
                     [&] { lastChangeNs = paints.clock.nsecsElapsed(); });
    const auto ms = [](qint64 ns) { return double(ns) / 1e6; };

    // The baseline: the note picked until all of it is in and painted.
    clock.start();
    paints.clock = clock;
    paints.lastPaintNs = lastChangeNs = -1;
    w.pickNote(1);
    runUntil([&] {
        return shownPath().endsWith(u"plan.txt"_s) && w.status() == u"Unchanged" &&
               lastChangeNs >= 0 && paints.lastPaintNs > lastChangeNs;
    });
    const double load = ms(paints.lastPaintNs);
    f.push_back({"baseline: the note picked, all in and painted", load});
    qb::bench::wait(200);

    // The editor's text changed in 100 places, then saved: the history keeps the base.
    QTextDocument *document = editor->document();
    for (const int line : c.mineLines) {
        QTextCursor at(document->findBlockByNumber(line));
        at.movePosition(QTextCursor::EndOfBlock);
        at.insertText(kMineEdit);
    }
    if (w.status() != u"Changed")
        fail("the edits did not change the note");
    w.action("F_mnuSAVE")->trigger();
    runUntil(
        [&] { return w.status() == u"Unchanged" && qb::NoteHistory().versions(plan).size() == 1; });
    if (qb::test::readBytes(plan) != c.mine)
        fail("the saved note is not the edited base");
    qb::bench::wait(300);

    // Merge Versions, to the merge window painted; then Use Merged, to the editor painted. The
    // busy cursor is on from the merge's start off the window's thread to its result's arrival.
    Lateness lateness;
    bool clean = false, clicked = false, answered = false;
    qint64 triggeredNs = -1, busyNs = -1, builtNs = -1, shownNs = -1, clickNs = -1, closedNs = -1;
    std::pair<double, double> mergeLate;
    QTimer busy;
    busy.setTimerType(Qt::PreciseTimer);
    QObject::connect(&busy, &QTimer::timeout, &busy, [&] {
        if (QGuiApplication::overrideCursor())
            busyNs = clock.nsecsElapsed();
    });
    w.platform.answerDialog([&](QDialog &dialog) {
        builtNs = clock.nsecsElapsed();
        busy.stop();
        auto &merge = static_cast<qb::MergeDialog &>(dialog);
        QPushButton *use = merge.button(u"useMergedButton"_s);
        clean = use->isEnabled();
        PaintClock shownPaints(merge.mergedView()->viewport());
        shownPaints.clock = clock;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
            if (shownNs >= 0 || shownPaints.lastPaintNs < 0)
                return;
            shownNs = shownPaints.lastPaintNs;
            // A user reads the window before clicking: its own late work is measured with it.
            QTimer::singleShot(300, &dialog, [&] {
                mergeLate = lateness.stop();
                lateness.start();
                clicked = true;
                clickNs = clock.nsecsElapsed();
                use->click();
            });
        });
        poll.start(2);
        const int result = dialog.exec();
        closedNs = clock.nsecsElapsed();
        return result;
    });
    if (!w.action("mergeVersionsAction")->isEnabled())
        fail("Merge Versions is off");
    clock.start();
    paints.clock = clock;
    paints.lastPaintNs = lastChangeNs = -1;
    lateness.start();
    QTimer::singleShot(0, w.window.get(), [&] {
        w.action("mergeVersionsAction")->trigger();
        triggeredNs = clock.nsecsElapsed();
        busy.start(1);
        answered = true;
    });
    runUntil([&] {
        return answered && clicked && lastChangeNs > clickNs && paints.lastPaintNs > lastChangeNs;
    });
    const double use = ms(paints.lastPaintNs - clickNs);
    qb::bench::wait(200);
    const std::pair<double, double> useLate = lateness.stop();
    if (!clean)
        fail("the merge was not clean");
    if (w.platform.unexpected != 0 || !w.platform.allAnswered())
        fail("the window asked what it was not expected to ask");
    if (w.status() != u"Changed" || document->toPlainText() != c.merged)
        fail("the editor does not hold the merged note");
    if (busyNs < triggeredNs)
        fail("the merge was not seen running");

    f.push_back({"Merge Versions to the merge window painted", ms(shownNs)});
    f.push_back({"  the sides read, on the window's thread", ms(triggeredNs)});
    f.push_back({"  the merge, off the window's thread", ms(busyNs - triggeredNs)});
    f.push_back({"  the merge window built", ms(builtNs - busyNs)});
    f.push_back({"  the merge window shown and painted", ms(shownNs - builtNs)});
    addLateness(f, "these, and 300 ms after", mergeLate);
    f.push_back({"Use Merged to the editor repainted", use});
    f.push_back({"  the merge window closed", ms(closedNs - clickNs)});
    f.push_back({"  the merged text put in the editor", ms(lastChangeNs - closedNs)});
    f.push_back(
        {"  the merge window gone, the editor painted", ms(paints.lastPaintNs - lastChangeNs)});
    addLateness(f, "these, and 200 ms after", useLate);
    f.push_back({"Use Merged / baseline", use / load, "x"});

    // The parts alone, on this thread, with the window idle.
    QElapsedTimer part;
    part.start();
    if (qb::closestBase({c.base}, c.mine, c.theirs) != 0)
        fail("the base is not found");
    f.push_back({"alone: the base looked for (closestBase)", msSince(part)});
    part.start();
    const qb::MergedNote merged = qb::mergeNotes(c.base, c.mine, c.theirs);
    f.push_back({"alone: the merge (mergeNotes, git_merge_file)", msSince(part)});
    if (!merged.ok() || merged.clashCount() != 0)
        fail("the merge alone was not clean");
    const qb::NoteFormat format = qb::decodeNoteBytes(c.base).format;
    part.start();
    {
        const qb::MergeDialog dialog(u"plan"_s, merged, format, u"Merged three ways."_s,
                                     {u"plan.sync-conflict-20261207-101530-ABCDEFG.txt"_s}, 0);
        f.push_back({"alone: the merge window built", msSince(part)});
        part.start();
    }
    f.push_back({"alone: the merge window destroyed", msSince(part)});

    // What Qt itself takes, in a bare editor holding the edited note: the merged text put over
    // it whole as one edit, as Use Merged does; and only the lines that differ, in one edit.
    const QString mine = QString::fromUtf8(c.mine);
    for (const bool whole : {true, false}) {
        QPlainTextEdit bare;
        bare.document()->setPlainText(mine);
        part.start();
        QTextCursor cursor(bare.document());
        cursor.beginEditBlock();
        if (whole) {
            cursor.select(QTextCursor::Document);
            cursor.removeSelectedText();
            cursor.insertText(c.merged);
        } else {
            for (const int line : c.theirLines) {
                cursor.setPosition(bare.document()->findBlockByNumber(line).position());
                cursor.movePosition(QTextCursor::EndOfBlock);
                cursor.insertText(QString::fromUtf8(kTheirsEdit));
            }
        }
        cursor.endEditBlock();
        f.push_back({whole ? "bare Qt: the whole text replaced as one edit"
                           : "bare Qt: the 100 lines that differ, as one edit",
                     msSince(part)});
        if (bare.document()->toPlainText() != c.merged)
            fail("the bare editor does not hold the merged note");
    }
    return f;
}

void print(const Figure &figure)
{
    std::printf("  %-52s %9.*f %s\n", figure.what.c_str(), figure.unit[0] == 'x' ? 2 : 1,
                figure.value, figure.unit);
    std::fflush(stdout);
}

// Each figure's median and extremes over `runs`.
void summarize(const char *title, const std::vector<Figures> &runs)
{
    std::printf("%s, over %zu run%s: median (least-most)\n", title, runs.size(),
                runs.size() == 1 ? "" : "s");
    for (size_t row = 0; row < runs.front().size(); ++row) {
        std::vector<double> values;
        for (const Figures &f : runs)
            values.push_back(f[row].value);
        std::sort(values.begin(), values.end());
        const size_t n = values.size();
        const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
        const Figure &figure = runs.front()[row];
        const int digits = figure.unit[0] == 'x' ? 2 : 1;
        std::printf("  %-52s %9.*f %s (%.*f-%.*f)\n", figure.what.c_str(), digits, median,
                    figure.unit, digits, values.front(), digits, values.back());
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    qb::bench::useOffscreenUnlessTold();
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 4;
    QTemporaryDir state;
    // The program's own state, the notes' history with it, goes with the probe.
    qputenv("XDG_STATE_HOME", QFile::encodeName(state.filePath(u"state"_s)));
    qputenv("XDG_DATA_HOME", QFile::encodeName(state.filePath(u"data"_s)));
    const Case c = makeCase();
    std::printf("platform %s; a note of %lld bytes in %zu lines, %d lines changed on each side\n",
                qPrintable(QGuiApplication::platformName()), static_cast<long long>(c.base.size()),
                c.lines.size(), kChangesEach);
    std::vector<Figures> all;
    for (int run = 0; run < runs; ++run) {
        std::printf("run %d%s\n", run + 1, run == 0 ? " (cold)" : "");
        all.push_back(runOnce(c));
        for (const Figure &figure : all.back())
            print(figure);
    }
    summarize("cold (the first run)", {all.front()});
    if (all.size() > 1)
        summarize("warm (the later runs)", {all.begin() + 1, all.end()});
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}
