// Quirebox timed from outside, as its user meets it: `outside_probe CASE [--runs N]
// [--idle-seconds S] [--program PATH] [--trace]` starts the real program (PATH, by default the
// one built beside the probe) on a book named on its command line, on the X server of $DISPLAY
// (bench/outside.sh starts one of its own), with its own home and XDG folders. It sends real key
// events through the server (XTest), takes the repaints of the program's windows from the
// server's damage events, and pings the main window every 10 ms as a window manager does
// (_NET_WM_PING), which Qt answers on the window's thread: how late the answers come is how long
// the window held. CASE is type, decrypt, save, goto, idle or all; each runs N times (4 by
// default), a new program start each time, the first reported as cold (the page cache emptied
// before it, when the probe may), the others as warm, each beside a baseline of the same run:
// - type: 40 keys, a letter then BackSpace 40 ms apart, into the middle of a 10 MiB note of
//   prose (a misspelt word in every line), found with Ctrl+F; spelling checked with the system's
//   en_US dictionary and not checked (no dictionary); beside the same in a short note;
// - decrypt: Ctrl+E on a 50 MiB note encrypted with a passphrase (age armour), the passphrase
//   typed, Return to the note shown; beside the same text opened as a plain note, and `age -d`;
// - save: a letter typed into a small encrypted note shown decrypted, then Ctrl+S; beside the
//   same with a small plain note;
// - goto: a book of 100,000 notes opened and settled, then Ctrl+L until Go to Note settled, and
//   a rare word typed a letter every 200 ms; beside the same over 10,000 notes;
// - idle: a small book open, its window not focused, S seconds (120 by default) from 35 s after
//   it showed: the sleeps of each of the program's threads, and the wake-ups of its window's
//   thread; beside a bare Qt window (`outside_probe bare-window`).
// Any step that does not happen ends the probe with a message and a failure.
#include "GoToBook.h"
#include "OutsideProgram.h"
#include "OutsideX.h"
#include "TestFiles.h"

#include "encoder/AgeFile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

using qb::bench::fail;
using qb::bench::kMs;
using qb::bench::nowNs;
using qb::bench::Program;
using qb::bench::XWatch;
using Environment = std::vector<std::pair<std::string, std::string>>;

constexpr std::int64_t kSecond = 1000 * kMs;
const char *const kPassphrase = "quire box seven";
// The system's dictionaries, where Debian puts them.
const char *const kSystemDictionaries = "/usr/share/hunspell";

// The spelling marks are a red line, drawn smoothed (editor/SpellMarks.cpp); the toolbar's
// pictures hold some red too, above the editor.
long markPixels(XWatch &x, unsigned long window)
{
    return x.countPixels(window, 0.15, 0.9, [](unsigned pixel) {
        const int red = int(pixel >> 16), green = int((pixel >> 8) & 0xFF),
                  blue = int(pixel & 0xFF);
        return red > 150 && red - green > 60 && std::abs(green - blue) < 16;
    });
}

struct Options
{
    std::string which = "all";
    std::string program = QB_QUIREBOX;
    std::string self;
    int runs = 4;
    int idleSeconds = 120;
    bool trace = false;
};

double ms(std::int64_t ns)
{
    return double(ns) / 1e6;
}

// Figures of one kind per run, cold (the first run) apart from warm (the others), in the order
// first given.
class Figures
{
public:
    void add(int run, const std::string &what, double value)
    {
        if (std::find(m_order.begin(), m_order.end(), what) == m_order.end())
            m_order.push_back(what);
        (run == 0 ? m_cold : m_warm)[what].push_back(value);
    }
    void print(const char *title) const
    {
        std::printf("\n%s: cold | warm, least-most (median)\n", title);
        for (const std::string &what : m_order) {
            std::printf("  %-52s", what.c_str());
            printValues(m_cold, what);
            std::printf(" |");
            printValues(m_warm, what);
            std::printf("\n");
        }
        std::fflush(stdout);
    }

private:
    static void printValues(const std::map<std::string, std::vector<double>> &figures,
                            const std::string &what)
    {
        const auto found = figures.find(what);
        if (found == figures.end()) {
            std::printf(" %8s", "-");
            return;
        }
        std::vector<double> values = found->second;
        std::sort(values.begin(), values.end());
        if (values.size() == 1) {
            std::printf(" %8.2f", values[0]);
            return;
        }
        std::printf(" %8.2f-%-8.2f (%.2f)", values.front(), values.back(),
                    values[values.size() / 2]);
    }

    std::vector<std::string> m_order;
    std::map<std::string, std::vector<double>> m_cold, m_warm;
};

struct Spread
{
    double median, p95, worst;
};

Spread spread(std::vector<double> values)
{
    if (values.empty())
        fail("no figure to sum up");
    std::sort(values.begin(), values.end());
    const auto at = [&](double share) {
        return values[std::min(values.size() - 1, std::size_t(share * double(values.size())))];
    };
    return {at(0.5), at(0.95), values.back()};
}

// Empties the system's page cache, so that the cold run reads from the disk; false without the
// right to.
bool dropCaches()
{
    ::sync();
    QFile control(u"/proc/sys/vm/drop_caches"_s);
    return control.open(QIODevice::WriteOnly) && control.write("3\n") == 2;
}

void startRun(const char *what, int run)
{
    const bool dropped = run == 0 && dropCaches();
    std::printf("%s, run %d (%s)\n", what, run + 1,
                run > 0   ? "warm"
                : dropped ? "cold, page cache emptied"
                          : "cold");
    std::fflush(stdout);
}

// One start of the program on a book, pinged from its main window's first showing on; stopped
// when it goes.
class Launch
{
public:
    Launch(XWatch &x, const Options &options, const QString &book,
           const Environment &environment = {})
        : m_x(x), m_home("quirebox-home"),
          m_program(options.program, {book.toStdString()}, m_home.path, environment)
    {
        x.watchProcess(m_program.pid());
        x.checkAlive = [this] { m_program.checkAlive(); };
        started = nowNs();
        main = x.waitForWindow({}, 60 * kSecond);
        shown = nowNs();
        x.startPings();
    }
    ~Launch()
    {
        m_x.stopPings();
        m_x.checkAlive = [] {};
        m_program.stop();
        m_x.watchProcess(0);
    }
    Launch(const Launch &) = delete;
    Launch &operator=(const Launch &) = delete;

    Program &program() { return m_program; }

    // The last repaint before the windows stay unpainted for `quietNs`, the pings answered on
    // time and the program's threads all but idle (under 5 % of a core over a second). Sets
    // busyUntil.
    std::int64_t settle(std::int64_t sinceNs, std::int64_t quietNs, const std::string &what,
                        std::int64_t timeoutNs = 120 * kSecond)
    {
        std::deque<std::pair<std::int64_t, double>> samples;
        busyUntil = sinceNs;
        const auto idle = [&] {
            const std::int64_t now = nowNs();
            if (samples.empty() || now - samples.back().first >= 100 * kMs) {
                const double cpu = m_program.cpuSeconds();
                // A tenth of a second's sample with more than a twentieth of it used.
                if (!samples.empty() &&
                    cpu - samples.back().second > 0.05 * ms(now - samples.back().first) / 1000)
                    busyUntil = now;
                samples.emplace_back(now, cpu);
            }
            while (samples.size() > 1 && now - samples[1].first >= kSecond)
                samples.pop_front();
            return now - samples.front().first >= kSecond &&
                   samples.back().second - samples.front().second < 0.05;
        };
        return m_x.waitQuiet(sinceNs, quietNs, timeoutNs, what, idle);
    }

    std::int64_t started = 0;
    std::int64_t shown = 0;
    // When the program last used more than 5 % of a core, as settle() saw it.
    std::int64_t busyUntil = 0;
    unsigned long main = 0;

private:
    XWatch &m_x;
    const qb::bench::ScratchDir m_home;
    Program m_program;
};

// Prose lines in CR LF to `size` bytes, each with one misspelt word; the number of lines.
std::pair<QByteArray, int> proseLines(qsizetype size)
{
    static const char *const kMisspelt[] = {"recieve", "seperate", "occured", "definately",
                                            "untill",  "wich",     "beleive", "tommorow"};
    QByteArray bytes;
    bytes.reserve(size + 100);
    int line = 0;
    for (; bytes.size() < size; ++line) {
        bytes += "Line " + QByteArray::number(line) + " of a long note, where we " +
                 kMisspelt[line % 8] + " the words of a line of prose as people write it.\r\n";
    }
    return {bytes, line};
}

QString oneFolderBook(const QTemporaryDir &dir, const QString &name, const QString &folder)
{
    const QString book = dir.filePath(name + u".qb"_s);
    qb::test::writeBytes(book, qb::test::bookBytes(name, {{u"Notes"_s, folder}}));
    return book;
}

QByteArray encrypted(const QByteArray &plain)
{
    QString passphrase = QString::fromUtf8(kPassphrase);
    return qb::encryptAge(plain, qb::prepareAgeKey(qb::SecretBytes::fromPassphrase(passphrase)));
}

// ---- type ----

struct Typed
{
    std::vector<double> keys;
    qb::bench::PingFigures pings;
    long marks;
};

// Types 40 keys, a letter then BackSpace, each 40 ms after the repaint of the one before.
Typed typeKeys(XWatch &x, Launch &launch)
{
    Typed typed{};
    const std::int64_t from = nowNs();
    for (int k = 0; k < 40; ++k) {
        x.runFor(40 * kMs);
        const std::int64_t sent = x.key(k % 2 == 0 ? "a" : "BackSpace");
        typed.keys.push_back(ms(x.waitFirstDamage(sent, "a key typed") - sent));
    }
    typed.pings = x.pingFigures(from, nowNs());
    launch.settle(nowNs(), 300 * kMs, "the keys typed");
    typed.marks = markPixels(x, launch.main);
    return typed;
}

void probeType(XWatch &x, const Options &options)
{
    QTemporaryDir dir;
    const auto [big, lines] = proseLines(10 << 20);
    qb::test::writeBytes(dir.filePath(u"big/prose.txt"_s), big);
    qb::test::writeBytes(dir.filePath(u"short/prose.txt"_s), proseLines(2000).first);
    const QString bigBook = oneFolderBook(dir, u"Big"_s, dir.filePath(u"big"_s));
    const QString shortBook = oneFolderBook(dir, u"Short"_s, dir.filePath(u"short"_s));
    QDir().mkpath(dir.filePath(u"no dictionary"_s));
    const Environment on = {{"QB_HUNSPELL_DIR", kSystemDictionaries}};
    const Environment off = {{"QB_HUNSPELL_DIR", dir.filePath(u"no dictionary"_s).toStdString()}};
    // The line in the middle of the note, as Find looks for it.
    const std::string middle = "line " + std::to_string(lines / 2) + " of";

    Figures figures;
    std::vector<double> ratios;
    for (int run = 0; run < options.runs; ++run) {
        startRun("type", run);
        std::map<std::string, Spread> seen;
        for (const bool shortNote : {false, true}) {
            for (const bool spelling : {run % 2 == 0, run % 2 != 0}) {
                Launch launch(x, options, shortNote ? shortBook : bigBook, spelling ? on : off);
                launch.settle(launch.shown, kSecond, "the note shown");
                x.key("4", {"Control_L"}); // the keyboard to the editor
                if (shortNote) {
                    x.key("End", {"Control_L"});
                    x.key("Up");
                    x.key("End");
                } else {
                    x.key("f", {"Control_L"});
                    const unsigned long find = x.waitForWindow("Find", 10 * kSecond);
                    x.runFor(200 * kMs);
                    x.typeText(middle, 20 * kMs);
                    // Find Next closes the window once it has found the text.
                    x.key("Return");
                    if (!x.runUntil([&] { return !x.isMapped(find); }, nowNs() + 10 * kSecond))
                        fail("Find did not find the middle line");
                    x.key("End");
                }
                launch.settle(nowNs(), 500 * kMs, "the caret moved");
                const Typed typed = typeKeys(x, launch);
                const std::string what = std::string(shortNote ? "short note" : "10 MiB note") +
                                         (spelling ? ", spelling on" : ", spelling off");
                const Spread keys = spread(typed.keys);
                seen[what] = keys;
                std::printf("  %-34s key to repaint: median %6.2f  p95 %6.2f  worst %6.2f ms;"
                            "  ping: median %5.2f  worst %6.2f ms\n",
                            what.c_str(), keys.median, keys.p95, keys.worst, typed.pings.median,
                            typed.pings.worst);
                std::printf("    pixels of the marks' colour: %ld\n", typed.marks);
                if (spelling != (typed.marks > 0))
                    fail(std::string("the misspelt words are ") + (spelling ? "not " : "") +
                         "marked");
                figures.add(run, what + ": median", keys.median);
                figures.add(run, what + ": p95", keys.p95);
                figures.add(run, what + ": worst", keys.worst);
                figures.add(run, what + ": ping, median", typed.pings.median);
                figures.add(run, what + ": ping, worst", typed.pings.worst);
            }
        }
        for (const char *note : {"10 MiB note", "short note"}) {
            const std::string name = note;
            figures.add(run, name + ": on/off, median",
                        seen[name + ", spelling on"].median / seen[name + ", spelling off"].median);
            figures.add(run, name + ": on/off, p95",
                        seen[name + ", spelling on"].p95 / seen[name + ", spelling off"].p95);
        }
    }
    figures.print("type, key to the first repaint after it (ms)");
}

// ---- decrypt ----

// `age -d` of `file`, the passphrase typed into the terminal that `script` gives it; the
// milliseconds it took, or a negative number when it did not work.
double ageDecrypt(const QString &file, const QString &out, qsizetype expectedSize)
{
    int input[2];
    if (pipe(input) != 0)
        return -1;
    const std::string command =
        "age -d -o '" + out.toStdString() + "' '" + file.toStdString() + "'";
    const std::int64_t start = nowNs();
    const pid_t child = fork();
    if (child == 0) {
        dup2(input[0], STDIN_FILENO);
        close(input[1]);
        const int nothing = open("/dev/null", O_WRONLY);
        dup2(nothing, STDOUT_FILENO);
        execlp("script", "script", "-qec", command.c_str(), "/dev/null", nullptr);
        _exit(127);
    }
    close(input[0]);
    const std::string typed = std::string(kPassphrase) + "\n";
    const bool written = write(input[1], typed.data(), typed.size()) == ssize_t(typed.size());
    int status = 0;
    bool ended = false;
    for (int tries = 0; tries < 6000 && !ended; ++tries) {
        ended = waitpid(child, &status, WNOHANG) == child;
        if (!ended)
            usleep(10'000);
    }
    const double took = ms(nowNs() - start);
    close(input[1]);
    if (!ended) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        return -1;
    }
    const bool ok = written && WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
                    QFileInfo(out).size() == expectedSize;
    QFile::remove(out);
    return ok ? took : -1;
}

// Opens the note after the current one in the note selector, as Ctrl+2 then Down do.
std::int64_t nextNote(XWatch &x, Launch &launch)
{
    x.key("2", {"Control_L"});
    launch.settle(nowNs(), 300 * kMs, "the keyboard moved to the note selector");
    return x.key("Down");
}

// Ctrl+E, the passphrase typed into its window, and Return: when Return was sent.
std::int64_t decryptShown(XWatch &x, Launch &launch)
{
    x.key("e", {"Control_L"});
    const unsigned long dialog = x.waitForWindow("Passphrase", 10 * kSecond);
    launch.settle(nowNs(), 200 * kMs, "the passphrase window shown");
    x.typeText(kPassphrase, 30 * kMs);
    const std::int64_t sent = x.key("Return");
    if (!x.runUntil([&] { return !x.isMapped(dialog); }, nowNs() + 10 * kSecond))
        fail("the passphrase window stayed open after Return");
    return sent;
}

void probeDecrypt(XWatch &x, const Options &options)
{
    QTemporaryDir dir;
    const QByteArray plain = proseLines(50 << 20).first;
    const QString folder = dir.filePath(u"notes"_s);
    qb::test::writeBytes(folder + u"/a short.txt"_s, "A short note.\r\n");
    qb::test::writeBytes(folder + u"/b plain.txt"_s, plain);
    const QString secret = folder + u"/c secret.txt"_s;
    qb::test::writeBytes(secret, encrypted(plain));
    const QString book = oneFolderBook(dir, u"Secrets"_s, folder);

    Figures figures;
    for (int run = 0; run < options.runs; ++run) {
        startRun("decrypt", run);
        Launch launch(x, options, book);
        launch.settle(launch.shown, kSecond, "the first note shown");

        // The baseline: the same text as a plain note, picked with the keyboard.
        const std::int64_t picked = nextNote(x, launch);
        const std::int64_t opened = launch.settle(picked, 500 * kMs, "the plain note picked");
        const double openWorst = x.pingFigures(picked, opened + 500 * kMs).worst;

        // The encrypted note: its armour is above the size that is asked about first.
        nextNote(x, launch);
        x.waitForWindow("Quirebox", 30 * kSecond);
        x.runFor(200 * kMs);
        x.key("y", {"Alt_L"});
        launch.settle(nowNs(), 500 * kMs, "the armour shown");
        const std::uint64_t armour = x.pixelDigest(launch.main);

        const std::int64_t returned = decryptShown(x, launch);
        const std::int64_t decrypted = launch.settle(returned, 500 * kMs, "the note decrypted");
        const auto late = x.pingFigures(returned, decrypted + 500 * kMs);
        if (x.pixelDigest(launch.main) == armour)
            fail("the window still shows the armour after the decryption");

        const double age = ageDecrypt(secret, dir.filePath(u"out.txt"_s), plain.size());
        std::printf("  Return to the note shown %8.1f ms, worst ping %7.1f ms, p99 %7.1f ms;"
                    "  plain note picked %8.1f ms, worst ping %7.1f ms;  age -d %s\n",
                    ms(decrypted - returned), late.worst, late.p99, ms(opened - picked), openWorst,
                    age < 0 ? "did not work" : (std::to_string(int(age)) + " ms").c_str());
        figures.add(run, "decrypted: Return to the note shown (ms)", ms(decrypted - returned));
        figures.add(run, "decrypted: worst ping (ms)", late.worst);
        figures.add(run, "decrypted: p99 ping (ms)", late.p99);
        figures.add(run, "plain: Down to the note shown (ms)", ms(opened - picked));
        figures.add(run, "plain: worst ping (ms)", openWorst);
        figures.add(run, "decrypted / plain", ms(decrypted - returned) / ms(opened - picked));
        if (age >= 0)
            figures.add(run, "age -d, typed passphrase to the end (ms)", age);
    }
    figures.print("decrypt, 50 MiB");
}

// ---- save ----

// The file's inode and change time, which a save through a new file and a rename changes.
std::pair<ino_t, std::int64_t> fileStamp(const QString &path)
{
    struct stat status
    {
    };
    if (stat(QFile::encodeName(path).constData(), &status) != 0)
        return {0, 0};
    return {status.st_ino,
            std::int64_t(status.st_ctim.tv_sec) * 1'000'000'000 + status.st_ctim.tv_nsec};
}

struct Saved
{
    double toRepaint, toDisk, worstLate;
};

// A letter typed at the start of the note shown, then Ctrl+S.
Saved typeAndSave(XWatch &x, Launch &launch, const QString &path)
{
    x.key("4", {"Control_L"});
    x.key("Home", {"Control_L"});
    launch.settle(nowNs(), 300 * kMs, "the caret moved");
    const std::int64_t typed = x.key("x");
    x.waitFirstDamage(typed, "a key typed");
    launch.settle(typed, 500 * kMs, "the key typed");
    const auto before = fileStamp(path);
    std::int64_t written = -1;
    const std::int64_t sent = x.key("s", {"Control_L"});
    const std::int64_t repainted = x.waitFirstDamage(sent, "Ctrl+S");
    if (!x.runUntil(
            [&] {
                if (fileStamp(path) != before)
                    written = nowNs();
                return written >= 0;
            },
            sent + 30 * kSecond))
        fail("Ctrl+S did not write the note");
    const std::int64_t settled = launch.settle(sent, 500 * kMs, "the save");
    const double late =
        x.pingFigures(sent, std::max(sent, std::max(settled, written)) + 500 * kMs).worst;
    return {ms(repainted - sent), ms(written - sent), late};
}

void probeSave(XWatch &x, const Options &options)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"notes"_s);
    const QByteArray lines = "A small note, a few lines long.\r\nIts second line.\r\n"
                             "And a third, with a word or two more in it.\r\n";
    const QString plainPath = folder + u"/a plain.txt"_s;
    const QString secretPath = folder + u"/b secret.txt"_s;
    const QString book = oneFolderBook(dir, u"Saves"_s, folder);

    Figures figures;
    for (int run = 0; run < options.runs; ++run) {
        startRun("save", run);
        qb::test::writeBytes(plainPath, lines);
        qb::test::writeBytes(secretPath, encrypted(lines));
        Launch launch(x, options, book);
        launch.settle(launch.shown, kSecond, "the first note shown");
        const Saved plain = typeAndSave(x, launch, plainPath);
        if (!qb::test::readBytes(plainPath).startsWith("xA small note"))
            fail("the plain note saved does not hold the letter typed");

        const std::int64_t picked = nextNote(x, launch);
        launch.settle(picked, 500 * kMs, "the encrypted note picked");
        const std::int64_t returned = decryptShown(x, launch);
        launch.settle(returned, 500 * kMs, "the note decrypted");
        const Saved secret = typeAndSave(x, launch, secretPath);
        const QByteArray file = qb::test::readBytes(secretPath);
        if (!file.startsWith("-----BEGIN AGE ENCRYPTED FILE-----") || file.contains("small note"))
            fail("the encrypted note was not saved encrypted");

        std::printf("  encrypted: Ctrl+S to repaint %7.1f ms, to the file replaced %7.1f ms, "
                    "worst ping %7.1f ms;  plain: %6.1f, %6.1f, %6.1f ms\n",
                    secret.toRepaint, secret.toDisk, secret.worstLate, plain.toRepaint,
                    plain.toDisk, plain.worstLate);
        figures.add(run, "encrypted: Ctrl+S to the repaint (ms)", secret.toRepaint);
        figures.add(run, "encrypted: Ctrl+S to the file replaced (ms)", secret.toDisk);
        figures.add(run, "encrypted: worst ping (ms)", secret.worstLate);
        figures.add(run, "plain: Ctrl+S to the repaint (ms)", plain.toRepaint);
        figures.add(run, "plain: Ctrl+S to the file replaced (ms)", plain.toDisk);
        figures.add(run, "plain: worst ping (ms)", plain.worstLate);
    }
    figures.print("save, a small note");
}

// ---- goto ----

void probeGoTo(XWatch &x, const Options &options)
{
    QTemporaryDir large, small;
    std::printf("making the books of 100,000 and 10,000 notes\n");
    std::fflush(stdout);
    const QString books[] = {qb::bench::makeGoToBook(100'000, large),
                             qb::bench::makeGoToBook(10'000, small)};
    const std::string word = qb::bench::kRareWord.toStdString();

    Figures figures;
    for (int run = 0; run < options.runs; ++run) {
        startRun("goto", run);
        for (const QString &book : books) {
            const std::string notes = book == books[0] ? "100,000 notes" : "10,000 notes";
            Launch launch(x, options, book);
            launch.settle(launch.shown, 2 * kSecond, "the book opened", 300 * kSecond);
            // The notes are read into the index off the window's thread, which repaints nothing
            // meanwhile: the end of the program's work is the end of its use of the processor.
            const std::int64_t settled = launch.busyUntil;
            const auto opening = x.pingFigures(launch.shown, settled);
            figures.add(run, notes + ": start to idle (ms)", ms(settled - launch.started));
            figures.add(run, notes + ": worst ping while it opens (ms)", opening.worst);
            figures.add(run, notes + ": p99 ping while it opens (ms)", opening.p99);

            const std::int64_t asked = x.key("l", {"Control_L"});
            x.waitForWindow("Go to Note", 10 * kSecond);
            const std::int64_t shown = launch.settle(asked, 300 * kMs, "Go to Note shown");
            const auto showing = x.pingFigures(asked, nowNs());
            figures.add(run, notes + ": Ctrl+L to Go to Note's last repaint (ms)",
                        ms(shown - asked));
            figures.add(run, notes + ": worst ping, Ctrl+L until it settled (ms)", showing.worst);
            std::vector<double> first, last;
            const std::int64_t from = nowNs();
            std::int64_t next = from;
            for (std::size_t k = 0; k < word.size(); ++k) {
                x.runUntil([] { return false; }, next);
                const std::int64_t sent = x.key(std::string(1, word[k]));
                next = sent + 200 * kMs;
                first.push_back(ms(x.waitFirstDamage(sent, "a key typed into Go to Note") - sent));
                x.runUntil([] { return false; }, next);
                last.push_back(ms(*x.lastDamageBefore(next) - sent));
            }
            const auto typing = x.pingFigures(from, nowNs());
            std::printf("  %-14s idle %7.0f ms after the start (worst ping %6.1f ms, sent %.0f ms "
                        "after the window showed);  Go to Note shown in %.1f ms (worst ping "
                        "%.1f ms);  keys to the first repaint:",
                        notes.c_str(), ms(settled - launch.started), opening.worst,
                        ms(opening.worstSent - launch.shown), ms(shown - asked), showing.worst);
            for (const double key : first)
                std::printf(" %.1f", key);
            std::printf(";  to the last:");
            for (const double key : last)
                std::printf(" %.1f", key);
            std::printf(";  worst ping %.1f ms\n", typing.worst);
            figures.add(run, notes + ": second key, to the first repaint (ms)", first[1]);
            figures.add(run, notes + ": second key, to the last repaint (ms)", last[1]);
            first.erase(first.begin() + 1);
            last.erase(last.begin() + 1);
            const Spread toFirst = spread(first), toLast = spread(last);
            figures.add(run, notes + ": other keys, first repaint, median", toFirst.median);
            figures.add(run, notes + ": other keys, first repaint, worst", toFirst.worst);
            figures.add(run, notes + ": other keys, last repaint, median", toLast.median);
            figures.add(run, notes + ": other keys, last repaint, worst", toLast.worst);
            figures.add(run, notes + ": worst ping while typing (ms)", typing.worst);
        }
    }
    figures.print("goto, Go to Note typed into (ms)");
}

// ---- idle ----

struct Wakeups
{
    long main = 0, others = 0;
    std::map<std::string, long> byName; // the other threads' voluntary switches, by name
    int started = 0, ended = 0;         // threads that came or went meanwhile
};

Wakeups wakeupsOf(const std::map<pid_t, qb::bench::ThreadSwitches> &before,
                  const std::map<pid_t, qb::bench::ThreadSwitches> &after, pid_t main)
{
    Wakeups wakeups;
    for (const auto &[id, thread] : after) {
        const auto old = before.find(id);
        const long count = thread.voluntary - (old == before.end() ? 0 : old->second.voluntary);
        if (old == before.end())
            ++wakeups.started;
        if (id == main) {
            wakeups.main = count;
        } else {
            wakeups.others += count;
            wakeups.byName[thread.name] += count;
        }
    }
    for (const auto &[id, thread] : before)
        wakeups.ended += after.count(id) == 0 ? 1 : 0;
    return wakeups;
}

// The wake-ups of a program's window thread, told apart from its sleeps: each 10 ms in which
// the thread slept after 10 ms in which it did not starts one. A thread that waits on a reply
// within a wake-up (an X round trip) sleeps twice in it.
class WakeSampler
{
public:
    explicit WakeSampler(const Program &program) : m_program(program) {}

    void sample(std::int64_t now)
    {
        if (now < m_next)
            return;
        const long sleeps = m_program.mainSleeps();
        const bool slept = m_last >= 0 && sleeps > m_last;
        if (slept && !m_slept)
            times.push_back(now);
        m_slept = slept;
        m_last = sleeps;
        m_next = now + 10 * kMs;
    }

    std::vector<std::int64_t> times; // when each wake-up was seen

private:
    const Program &m_program;
    long m_last = -1;
    bool m_slept = false;
    std::int64_t m_next = 0;
};

void printWakeups(const char *what, const Wakeups &wakeups, int seconds)
{
    std::printf("  %-9s main thread %5ld (%.2f/s), other threads %5ld:", what, wakeups.main,
                double(wakeups.main) / seconds, wakeups.others);
    for (const auto &[name, count] : wakeups.byName)
        std::printf(" %s %ld,", name.c_str(), count);
    std::printf(" threads started %d, ended %d\n", wakeups.started, wakeups.ended);
}

void probeIdle(XWatch &x, const Options &options)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"notes"_s);
    qb::test::writeBytes(folder + u"/a note.txt"_s, proseLines(4000).first);
    qb::test::writeBytes(folder + u"/b note.txt"_s, "A short note.\r\n");
    const QString book = oneFolderBook(dir, u"Idle"_s, folder);
    const int seconds = options.idleSeconds;

    Figures figures;
    for (int run = 0; run < options.runs; ++run) {
        startRun("idle", run);
        x.setFocusFollowsMaps(false);
        Launch launch(x, options, book);
        launch.settle(launch.shown, 2 * kSecond, "the book opened");
        x.stopPings();
        // The baseline, in the same minutes: a bare Qt window of the probe's own.
        const qb::bench::ScratchDir bareHome("bare-home");
        Program bare(options.self, {"bare-window"}, bareHome.path);
        x.makeOwnWindow();
        // Qt trims its pixmap cache once, 30 s after the first paint that filled it: the count
        // begins after that.
        x.runFor(std::max(3 * kSecond, launch.shown + 35 * kSecond - nowNs()));
        bare.checkAlive();
        const auto beforeProgram = launch.program().threads();
        const auto beforeBare = bare.threads();
        WakeSampler programWakes(launch.program()), bareWakes(bare);
        const std::int64_t from = nowNs();
        x.runUntil(
            [&] {
                programWakes.sample(nowNs());
                bareWakes.sample(nowNs());
                return false;
            },
            from + std::int64_t(seconds) * kSecond);
        const Wakeups program =
            wakeupsOf(beforeProgram, launch.program().threads(), launch.program().pid());
        const Wakeups baseline = wakeupsOf(beforeBare, bare.threads(), bare.pid());
        bare.stop();
        x.setFocusFollowsMaps(true);
        printWakeups("quirebox", program, seconds);
        printWakeups("bare", baseline, seconds);
        std::printf("  the window's thread woke at (s after the window showed):");
        for (const std::int64_t at : programWakes.times)
            std::printf(" %.2f", ms(at - launch.shown) / 1000);
        std::printf("\n");
        const double perMinute = 60.0 / seconds;
        figures.add(run, "quirebox: main thread, wake-ups a minute (sleeps 10 ms apart)",
                    double(programWakes.times.size()) * perMinute);
        figures.add(run, "bare window: main thread, wake-ups a minute (sleeps 10 ms apart)",
                    double(bareWakes.times.size()) * perMinute);
        figures.add(run, "quirebox: main thread, sleeps a minute",
                    double(program.main) * perMinute);
        figures.add(run, "quirebox: other threads, sleeps a minute",
                    double(program.others) * perMinute);
        figures.add(run, "bare window: main thread, sleeps a minute",
                    double(baseline.main) * perMinute);
        figures.add(run, "bare window: other threads, sleeps a minute",
                    double(baseline.others) * perMinute);
    }
    figures.print("idle, its window not focused");
}

int showBareWindow(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(u"bare"_s);
    window.resize(400, 300);
    window.show();
    return QApplication::exec();
}

Options readOptions(int argc, char *argv[])
{
    Options options;
    options.self = QFileInfo(QString::fromLocal8Bit(argv[0])).absoluteFilePath().toStdString();
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool valued = i + 1 < argc;
        if (argument == "--runs" && valued)
            options.runs = std::max(2, std::atoi(argv[++i]));
        else if (argument == "--idle-seconds" && valued)
            options.idleSeconds = std::max(1, std::atoi(argv[++i]));
        else if (argument == "--program" && valued)
            options.program = argv[++i];
        else if (argument == "--trace")
            options.trace = true;
        else if (argument.rfind("--", 0) != 0)
            options.which = argument;
        else
            fail("usage: outside_probe [type|decrypt|save|goto|idle|all] [--runs N] "
                 "[--idle-seconds S] [--program PATH] [--trace]");
    }
    const std::set<std::string> cases = {"type", "decrypt", "save", "goto", "idle", "all"};
    if (!cases.count(options.which))
        fail("no case " + options.which);
    if (access(options.program.c_str(), X_OK) != 0)
        fail("cannot run " + options.program);
    return options;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && std::string(argv[1]) == "bare-window")
        return showBareWindow(argc, argv);
    try {
        const Options options = readOptions(argc, argv);
        XWatch x;
        x.trace = options.trace;
        const bool all = options.which == "all";
        if (all || options.which == "type")
            probeType(x, options);
        if (all || options.which == "decrypt")
            probeDecrypt(x, options);
        if (all || options.which == "save")
            probeSave(x, options);
        if (all || options.which == "goto")
            probeGoTo(x, options);
        if (all || options.which == "idle")
            probeIdle(x, options);
    } catch (const qb::bench::Failure &failure) {
        std::fflush(stdout);
        std::fprintf(stderr, "outside_probe: %s\n", failure.what());
        return EXIT_FAILURE;
    }
    std::fflush(nullptr);
    return EXIT_SUCCESS;
}
