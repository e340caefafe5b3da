// What checking the spelling costs the user: `spell_probe [RUNS [CASE]]` runs RUNS times (3 by
// default; the first is cold, the process's first) each case in Quirebox's window with Check
// Spelling on and with it off, the order of the two swapped from run to run, and prints, in
// milliseconds: CASE is type, open (with scroll and jump) or all, the default:
// - type: keys typed into the middle of a 10 MiB note of prose, a letter then Backspace, each
//   from the key posted to the editor's paint;
// - open: a 50 MiB note picked, until all of it is in and, with checking on, its screen marked;
//   and the worst lateness of a 10 ms timer on the window's thread meanwhile;
// - scroll: Page Down in that note, to the editor's paint, and, with checking on, until the last
//   line shown is marked; the worst lateness from the key until 200 ms after it;
// - jump: the scroll bar dragged a quarter of the note further, the same.
// Every line of the notes holds one word the dictionary does not know. Then the memory a process
// holds once it has opened the 10 MiB note and settled, on and off (a child run with `memory`;
// off is no dictionary found), allocated and resident, beside the size of the dictionary's files.
// The dictionary is the system's en_US one.
#include "BenchWindow.h"
#include "EventLoop.h"
#include "KeyLatency.h"
#include "Lateness.h"
#include "TestFiles.h"

#include "editor/SpellMarks.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

#include <malloc.h>

using namespace Qt::StringLiterals;

namespace {

using qb::bench::BenchWindow;
using qb::bench::Lateness;
using qb::bench::PaintClock;

const QString kDictionaryDir = u"/usr/share/hunspell"_s;

[[noreturn]] void fail(const char *why)
{
    std::fprintf(stderr, "spell_probe: %s\n", why);
    std::exit(EXIT_FAILURE);
}

using qb::bench::settle;

// Runs the window's events until `done` holds, asked every 2 ms: how soon marks appear is timed
// with it. Returns the milliseconds it took.
double runUntil(const std::function<bool()> &done)
{
    return qb::bench::runUntil(done, 2);
}

// Prose lines in CR LF to `size` bytes, each with one misspelt word.
QByteArray proseLines(qsizetype size)
{
    static const char *const kMisspelt[] = {"recieve", "seperate", "occured", "definately",
                                            "untill",  "wich",     "beleive", "tommorow"};
    QByteArray bytes;
    bytes.reserve(size + 100);
    for (int line = 0; bytes.size() < size; ++line) {
        bytes += "Line " + QByteArray::number(line) + " of a long note, where we " +
                 kMisspelt[line % 8] + " the words of a line of prose as people write it.\r\n";
    }
    return bytes;
}

struct Notes
{
    QTemporaryDir dir;
    QString book;
    Notes()
    {
        const QString folder = dir.filePath(u"notes"_s);
        qb::test::writeBytes(folder + u"/a short one.txt"_s, "A short note.\r\n");
        qb::test::writeBytes(folder + u"/b 10 MiB.txt"_s, proseLines(10 << 20));
        qb::test::writeBytes(folder + u"/c 50 MiB.txt"_s, proseLines(50 << 20));
        book = dir.filePath(u"book.qb"_s);
        qb::test::writeBytes(book, qb::test::bookBytes(u"Spelling"_s, {{u"Notes"_s, folder}}));
    }
};

qb::SpellMarks &marksOf(const BenchWindow &w)
{
    return *w.window->findChild<qb::SpellMarks *>();
}

// The window on the book, shown, with checking as asked and settled on its first note.
std::unique_ptr<BenchWindow> openWindow(const QString &book, bool on)
{
    auto w = std::make_unique<BenchWindow>(book);
    w->platform.answerMessage(qb::Platform::Button::Yes); // a note this large may be asked about
    w->window->show();
    // The note shown last in the run is remembered: the short one is shown instead.
    w->pickNote(0);
    w->waitForNote();
    QAction *check = w->action("checkSpellingAction");
    if (check->isChecked() != on)
        check->trigger();
    if (on)
        runUntil([&] { return marksOf(*w).checker() != nullptr; });
    runUntil([&] { return marksOf(*w).isSettled(); });
    settle(200);
    return w;
}

// Whether a mark lies in the last line on screen.
bool lastLineMarked(const BenchWindow &w)
{
    QPlainTextEdit *editor = w.editor();
    const QRect view = editor->viewport()->rect();
    const QTextBlock last = editor->cursorForPosition(view.bottomLeft()).block();
    const auto marks = marksOf(w).markedRanges();
    return std::any_of(marks.cbegin(), marks.cend(), [&](const std::pair<int, int> &mark) {
        return mark.first >= last.position() && mark.second <= last.position() + last.length();
    });
}

using Figures = std::map<std::string, QList<double>>;

void probeTyping(const QString &book, bool on, Figures &figures)
{
    const auto w = openWindow(book, on);
    w->pickNote(1);
    w->waitForNote();
    QPlainTextEdit *editor = w->editor();
    editor->setFocus();
    QTextCursor middle(editor->document()->findBlockByNumber(editor->blockCount() / 2));
    middle.movePosition(QTextCursor::EndOfBlock);
    editor->setTextCursor(middle);
    editor->centerCursor();
    runUntil([&] { return marksOf(*w).isSettled() && (!on || lastLineMarked(*w)); });
    settle(300);
    PaintClock paints(editor->viewport());
    paints.clock.start();
    const QList<double> keys = qb::bench::type(editor, paints, 40);
    figures[on ? "type, on" : "type, off"] += keys;
    figures[on ? "type, painting a key, on" : "type, painting a key, off"].append(
        double(paints.paintingNs) / 1e6 / double(keys.size()));
}

void probeOpenAndScroll(const QString &book, bool on, Figures &figures)
{
    const auto w = openWindow(book, on);
    Lateness lateness;
    lateness.start();
    const double opened = runUntil([&, picked = false]() mutable {
        if (!picked) {
            w->pickNote(2);
            picked = true;
        }
        return w->status() == u"Unchanged" && marksOf(*w).isSettled() &&
               (!on || lastLineMarked(*w));
    });
    figures[on ? "open, on" : "open, off"].append(opened);
    figures[on ? "open worst lateness, on" : "open worst lateness, off"].append(
        lateness.stop().first);
    if (on && marksOf(*w).markedRanges().isEmpty())
        fail("no word was marked in the note opened");

    QPlainTextEdit *editor = w->editor();
    editor->setFocus();
    settle(300);
    PaintClock paints(editor->viewport());
    paints.clock.start();
    // Five screens down with Page Down, then three quarters of the note down with the scroll bar.
    for (int step = 0; step < 8; ++step) {
        const bool jump = step >= 5;
        const std::string what = jump ? "jump" : "scroll";
        QScrollBar *bar = editor->verticalScrollBar();
        const int before = bar->value();
        lateness.start();
        paints.lastPaintNs = -1;
        const qint64 posted = paints.clock.nsecsElapsed();
        if (jump) {
            QTimer::singleShot(0, bar,
                               [bar, before] { bar->setValue(before + bar->maximum() / 4); });
        } else {
            QCoreApplication::postEvent(editor,
                                        new QKeyEvent(QEvent::KeyPress, Qt::Key_PageDown, {}, {}));
            QCoreApplication::postEvent(
                editor, new QKeyEvent(QEvent::KeyRelease, Qt::Key_PageDown, {}, {}));
        }
        runUntil([&] { return paints.lastPaintNs >= 0; });
        const double painted = double(paints.lastPaintNs - posted) / 1e6;
        if (bar->value() == before)
            fail("the note did not scroll");
        figures[what + (on ? " to paint, on" : " to paint, off")].append(painted);
        if (on) {
            runUntil([&] { return lastLineMarked(*w); });
            figures[what + " to the new lines marked, on"].append(
                double(paints.clock.nsecsElapsed() - posted) / 1e6);
        }
        settle(200);
        figures[what + (on ? " worst lateness, on" : " worst lateness, off")].append(
            lateness.stop().first);
    }
}

void printFigures(const char *title, Figures figures)
{
    std::printf("%s\n", title);
    for (auto &[what, values] : figures) {
        std::sort(values.begin(), values.end());
        const auto at = [&](double share) {
            return values.at(std::min(values.size() - 1, qsizetype(share * values.size())));
        };
        std::printf("  %-38s median %8.2f  p95 %8.2f  least %8.2f  most %8.2f ms (%lld)\n",
                    what.c_str(), at(0.5), at(0.95), values.constFirst(), values.constLast(),
                    static_cast<long long>(values.size()));
    }
    std::fflush(stdout);
}

// In a process of its own: the 10 MiB note opened and settled, then the memory held.
int measureMemory(bool on)
{
    Notes notes;
    {
        const auto w = openWindow(notes.book, on);
        w->pickNote(1);
        w->waitForNote();
        runUntil([&] { return marksOf(*w).isSettled() && (!on || lastLineMarked(*w)); });
        settle(200);
        if (on != !marksOf(*w).markedRanges().isEmpty())
            fail("the words are not marked as asked");
        settle(500);
        // What the allocator keeps of the load's freed memory is no part of the cost.
        malloc_trim(0);
        QFile status(u"/proc/self/status"_s);
        if (!status.open(QIODevice::ReadOnly))
            fail("no /proc/self/status");
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                std::printf("%s\n", line.simplified().constData());
        }
        // What the program holds, apart from how the allocator lays it out.
        const struct mallinfo2 heap = mallinfo2();
        std::printf("allocated: %zu kB\n", (heap.uordblks + heap.hblkhd) / 1024);
    }
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}

// The memory a child holds, in MiB: {allocated, resident}.
std::pair<double, double> memoryOf(const QString &program, bool on)
{
    QProcess child;
    // Off is no dictionary at all: nothing is read, as in a build without spelling.
    QTemporaryDir none;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!on)
        environment.insert(u"QB_HUNSPELL_DIR"_s, none.path());
    child.setProcessEnvironment(environment);
    child.start(program, {u"memory"_s, on ? u"on"_s : u"off"_s});
    if (!child.waitForFinished(600'000) || child.exitCode() != 0)
        fail("the memory probe failed");
    std::pair<double, double> memory{-1, -1};
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() < 2)
            continue;
        if (words.at(0) == "allocated:")
            memory.first = words.at(1).toDouble() / 1024;
        else if (words.at(0) == "VmRSS:")
            memory.second = words.at(1).toDouble() / 1024;
    }
    if (memory.first < 0 || memory.second < 0)
        fail("the memory probe printed nothing");
    return memory;
}

} // namespace

int main(int argc, char *argv[])
{
    qb::bench::useOffscreenUnlessTold();
    QApplication app(argc, argv);
    QTemporaryDir state;
    // The program's own state goes with the probe; the user's own words are none.
    qputenv("XDG_STATE_HOME", QFile::encodeName(state.filePath(u"state"_s)));
    qputenv("XDG_DATA_HOME", QFile::encodeName(state.filePath(u"data"_s)));
    const QStringList args = app.arguments();
    if (args.size() > 2 && args.at(1) == u"memory")
        return measureMemory(args.at(2) == u"on");
    qputenv("QB_HUNSPELL_DIR", QFile::encodeName(kDictionaryDir));
    if (!QFileInfo::exists(kDictionaryDir + u"/en_US.dic"_s))
        fail("no en_US dictionary in /usr/share/hunspell");

    const int runs = args.size() > 1 ? std::max(1, args.at(1).toInt()) : 3;
    const QString which = args.size() > 2 ? args.at(2) : u"all"_s;
    Notes notes;
    Figures cold;
    Figures warm;
    for (int run = 0; run < runs; ++run) {
        for (const bool on : {run % 2 == 0, run % 2 != 0}) {
            Figures &figures = run == 0 ? cold : warm;
            if (which != u"open")
                probeTyping(notes.book, on, figures);
            if (which != u"type")
                probeOpenAndScroll(notes.book, on, figures);
        }
    }
    printFigures("cold (the first run)", cold);
    if (runs > 1)
        printFigures("warm", warm);

    if (which != u"all") {
        std::fflush(nullptr);
        std::_Exit(EXIT_SUCCESS);
    }
    const qint64 dictionary = QFileInfo(kDictionaryDir + u"/en_US.dic"_s).size() +
                              QFileInfo(kDictionaryDir + u"/en_US.aff"_s).size();
    const auto on = memoryOf(app.applicationFilePath(), true);
    const auto off = memoryOf(app.applicationFilePath(), false);
    std::printf("memory, 10 MiB note open: allocated on %.1f MiB, off %.1f MiB, difference %.1f "
                "MiB (resident on %.1f, off %.1f); the dictionary's files %.1f MiB\n",
                on.first, off.first, on.first - off.first, on.second, off.second,
                double(dictionary) / (1 << 20));
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}
