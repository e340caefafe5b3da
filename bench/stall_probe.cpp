// How long the window stops answering in its heaviest moments: `stall_probe [CASE] [RUNS]` runs
// CASE (list, load, type, pasted, index, or all, the default) RUNS times (3 by default) in
// Quirebox's window and reports, for each, the worst and the 99th percentile lateness of a 10 ms
// timer on the window's thread from the start of the work until 200 ms after it settled, beside the
// time of the work itself with nothing else going on:
// - list: File > Refresh List of a folder of 100,000 notes and of 10,000, and the folder picked
//   from another, until the list is whole and its first note shown; beside listNoteFiles alone;
// - load: a 50 MiB note picked, until all of it is in; beside the load's own time;
// - type: in a 20 MiB note ending in a 270 KiB line, Ctrl+End, then the first key typed at the
//   end of that line and a second one, each until the editor painted it; beside a key typed
//   into a short line of the same note. The line is of words, then of one word with no space
//   (as an enciphered note or an encoded picture is);
// - pasted: a line of 100,000 characters made in a short note by 25 pastes of 4,000 at its end,
//   as a user joins pieces into one line, then two keys typed at its end, each until the editor
//   painted it; beside a key typed into a short line;
// - index: a book of 30 folders of 10,000 notes and of 100,000 (4 KiB on average) dropped on the
//   window, until every note is read into the index for Go to Note and Find in Book; beside the
//   index built alone;
// - secret: a 50 MiB encrypted note decrypted until all of it is in, beside the same text
//   opened as a plain note; a small encrypted note saved, beside a small plain one.
#include "BenchBook.h"
#include "BenchWindow.h"
#include "EventLoop.h"
#include "KeyLatency.h"
#include "Lateness.h"
#include "SecretNotes.h"
#include "TestFiles.h"

#include "find/BookIndex.h"
#include "find/NoteIndex.h"
#include "find/NoteIndexBuilder.h"

#include "editor/DocumentText.h"
#include "editor/NoteDocument.h"

#include "notes/NoteListing.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

using namespace Qt::StringLiterals;

namespace {

using qb::bench::BenchWindow;
using qb::bench::Lateness;

using qb::bench::settle;

// Runs the window's events until `done` holds, then 200 ms more: what the work left for later
// (a delayed layout, a timer) is measured with it. Returns the milliseconds until `done`.
double runUntil(const std::function<bool()> &done)
{
    const double took = qb::bench::runUntil(done);
    settle(200);
    return took;
}

void print(const QByteArray &what, std::pair<double, double> late, double took,
           const QString &baseline)
{
    std::printf("%-44s worst %8.1f  p99 %8.1f ms late;  took %9.1f ms;  %s\n", what.constData(),
                late.first, late.second, took, qPrintable(baseline));
    std::fflush(stdout);
}

// A folder of `count` notes named in scrambled order, every tenth ending in ".TXT".
void makeNoteFolder(const QString &dir, int count)
{
    const std::filesystem::path root = dir.toStdString();
    std::filesystem::create_directories(root);
    for (int i = 0; i < count; ++i) {
        const std::string name =
            "Note " + std::to_string(i * 7919L % 1000003) + (i % 10 == 0 ? ".TXT" : ".txt");
        std::ofstream(root / name) << "A short note.\r\n";
    }
}

QString oneFolderBook(const QTemporaryDir &dir, const QString &folder)
{
    const QString book = dir.filePath(u"book.qb"_s);
    qb::test::writeBytes(book, qb::test::bookBytes(u"Stalls"_s, {{u"Notes"_s, folder}}));
    return book;
}

void probeList(int count, int runs)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"notes"_s);
    makeNoteFolder(folder, count);
    qb::test::writeBytes(dir.filePath(u"other/a.txt"_s), "A short note.\r\n");
    const QString book = dir.filePath(u"book.qb"_s);
    qb::test::writeBytes(
        book, qb::test::bookBytes(u"Stalls"_s,
                                  {{u"Notes"_s, folder}, {u"Other"_s, dir.filePath(u"other"_s)}}));
    BenchWindow w(book);
    w.window->show();
    settle(300);
    Lateness lateness;
    const QByteArray notes = QByteArray::number(count) + " notes";
    // Each way of listing it: File > Refresh List, and the folder picked from another.
    for (const bool refresh : {true, false}) {
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer clock;
            clock.start();
            const qsizetype listed = qb::listNoteFiles(folder).size();
            const double alone = double(clock.nsecsElapsed()) / 1e6;
            QComboBox *folders = w.child<QComboBox>("lstFLDS");
            if (!refresh) {
                folders->setCurrentIndex(1);
                Q_EMIT folders->activated(1);
            }
            settle(100);
            bool asked = false;
            lateness.start();
            QTimer::singleShot(0, w.window.get(), [&] {
                if (refresh) {
                    w.action("F_mnuREFRESH")->trigger();
                } else {
                    folders->setCurrentIndex(0);
                    Q_EMIT folders->activated(0);
                }
                asked = true;
            });
            const double took = runUntil([&] {
                return asked && w.lstFILE()->count() == listed &&
                       w.lstFILE()->currentIndex() == 0 && w.status() == u"Unchanged";
            });
            print((refresh ? "Refresh List, " : "folder picked, ") + notes, lateness.stop(), took,
                  u"ListNoteFiles alone: %1 ms"_s.arg(alone, 0, 'f', 1));
        }
    }
}

// Prose lines of about 80 columns, some with accented words, in CR LF, to `size` bytes.
QByteArray proseLines(qsizetype size)
{
    QByteArray bytes;
    bytes.reserve(size + 100);
    for (int line = 0; bytes.size() < size; ++line) {
        bytes += "Line " + QByteArray::number(line) +
                 (line % 7 == 0 ? " of a long note, with a caf\xC3\xA9 and a na\xC3\xAFve word.\r\n"
                                : " of a long note, about as long as a line of prose is.\r\n");
    }
    return bytes;
}

void probeLoad(int runs)
{
    const QByteArray big = proseLines(50 << 20);
    Lateness lateness;
    for (int run = 0; run < runs; ++run) {
        // A book of its own each time: the window shows again the note a book showed last.
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"notes"_s);
        qb::test::writeBytes(folder + u"/a.txt"_s, "A short note.\r\n");
        qb::test::writeBytes(folder + u"/big.txt"_s, big);
        BenchWindow w(oneFolderBook(dir, folder));
        w.window->show();
        w.platform.answerMessage(qb::Platform::Button::Yes); // a note this large may be asked about
        settle(300);
        bool picked = false;
        lateness.start();
        QTimer::singleShot(0, w.window.get(), [&] {
            w.pickNote(1);
            picked = true;
        });
        // The short note says "Unchanged" too, until the load has begun.
        bool begun = false;
        const double took = runUntil([&] {
            begun = begun || (picked && w.status().startsWith(u"Loading"_s));
            return begun && w.status() == u"Unchanged";
        });
        print("50 MiB note opened until all in", lateness.stop(), took,
              u"the load: %1 ms"_s.arg(took, 0, 'f', 0));
    }
}

// Posts a key as the window system does, and runs the window until the editor painted it.
double Key(BenchWindow &w, qb::bench::PaintClock &paints, int key, Qt::KeyboardModifiers modifiers,
           const QString &text)
{
    QPlainTextEdit *editor = w.editor();
    paints.lastPaintNs = -1;
    QCoreApplication::postEvent(editor, new QKeyEvent(QEvent::KeyPress, key, modifiers, text));
    QCoreApplication::postEvent(editor, new QKeyEvent(QEvent::KeyRelease, key, modifiers, text));
    return runUntil([&] { return paints.lastPaintNs >= 0; });
}

// A window on `book` with its note in and the caret at its start, ready for keys timed to their
// paint; the baseline: a key typed into the note's first line, a short one, and taken back.
struct TypingWindow
{
    explicit TypingWindow(const QString &book) : w(book)
    {
        w.window->show();
        w.window->activateWindow();
        w.editor()->setFocus();
        w.waitForNote();
        w.editor()->moveCursor(QTextCursor::Start);
        settle(300);
        paints.emplace(w.editor()->viewport());
        paints->clock.start();
        shortKey = key(Qt::Key_A, {}, u"a"_s);
        key(Qt::Key_Backspace, {}, {});
    }
    double key(int key, Qt::KeyboardModifiers modifiers, const QString &text)
    {
        return Key(w, *paints, key, modifiers, text);
    }

    BenchWindow w;
    std::optional<qb::bench::PaintClock> paints;
    double shortKey = 0;
};

void probeTyping(bool words, int runs)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"notes"_s);
    QByteArray note = proseLines(20 << 20);
    // One line of 270 KiB, the note's last, with no line end after it.
    const QByteArray piece = words ? "and words go on along one line that never ends "
                                   : "Qm9vayBvZiBub3RlcyBlbmNvZGVkIGluIG9uZSBsaW5l";
    const qsizetype longLine = 270 << 10;
    while (note.size() < (20 << 20) + longLine)
        note += piece;
    qb::test::writeBytes(folder + u"/long line.txt"_s, note);
    const QString book = oneFolderBook(dir, folder);
    const QByteArray kind = words ? "words" : "no space";
    Lateness lateness;
    for (int run = 0; run < runs; ++run) {
        TypingWindow t(book);
        lateness.start();
        const double end = t.key(Qt::Key_End, Qt::ControlModifier, {});
        print("Ctrl+End to the 270 KiB line, " + kind, lateness.stop(), end, {});
        lateness.start();
        const double first = t.key(Qt::Key_A, {}, u"a"_s);
        print("first key at the end of it, " + kind, lateness.stop(), first,
              u"a key into a short line: %1 ms"_s.arg(t.shortKey, 0, 'f', 1));
        lateness.start();
        const double second = t.key(Qt::Key_B, {}, u"b"_s);
        print("second key, " + kind, lateness.stop(), second, {});
        if (!t.w.editor()->document()->lastBlock().text().endsWith(u"ab"_s)) {
            std::puts("the keys did not reach the end of the long line");
            std::exit(EXIT_FAILURE);
        }
    }
}

void probePasted(int runs)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"notes"_s);
    qb::test::writeBytes(folder + u"/short.txt"_s, "A short line.\r\nThe line pasted into: ");
    const QString book = oneFolderBook(dir, folder);
    QString piece;
    while (piece.size() < 4000)
        piece += u"and words go on along one line that never ends "_s;
    piece.truncate(4000);
    Lateness lateness;
    for (int run = 0; run < runs; ++run) {
        TypingWindow t(book);
        QPlainTextEdit *editor = t.w.editor();
        editor->moveCursor(QTextCursor::End);
        QApplication::clipboard()->setText(piece);
        for (int i = 0; i < 25; ++i)
            QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
        settle(300);
        lateness.start();
        const double first = t.key(Qt::Key_A, {}, u"a"_s);
        print("first key at the end of the pasted line", lateness.stop(), first,
              u"a key into a short line: %1 ms"_s.arg(t.shortKey, 0, 'f', 1));
        lateness.start();
        const double second = t.key(Qt::Key_B, {}, u"b"_s);
        print("second key", lateness.stop(), second, {});
        const QTextDocument &document = *editor->document();
        const QString text =
            qb::noteTextOf(document, 0, int(qb::documentTextLength(document))).text;
        if (!text.endsWith(piece + u"ab"_s) || text.size() < 100'000) {
            std::puts("the keys did not reach the end of the pasted line");
            std::exit(EXIT_FAILURE);
        }
    }
}

void probeIndex(int notes, int runs)
{
    const qb::bench::Book &book = qb::bench::makeBook(notes);
    const QString bookPath = book.dir->filePath(u"book.qb"_s);
    QList<qb::FolderEntry> folders;
    for (const qb::BookSearchFolder &folder : book.folders)
        folders.append({folder.name, folder.dir});
    qb::test::writeBytes(bookPath, qb::test::bookBytes(u"Index"_s, folders));
    Lateness lateness;
    for (int run = 0; run < runs; ++run) {
        // The baseline: the index built with no window, as the book's folders are read.
        double alone = 0;
        {
            QElapsedTimer clock;
            clock.start();
            qb::NoteIndex index;
            qb::NoteIndexBuilder builder(index);
            bool finished = false;
            QObject::connect(&builder, &qb::NoteIndexBuilder::finished, [&] { finished = true; });
            builder.start(book.folders);
            while (!finished)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            alone = double(clock.nsecsElapsed()) / 1e6;
        }

        BenchWindow w;
        w.window->show();
        settle(300);
        auto *index = w.window->findChild<qb::BookIndex *>();
        bool built = false;
        QObject::connect(index, &qb::BookIndex::built, index, [&] { built = true; });
        lateness.start();
        QMetaObject::invokeMethod(w.editor(), "filesDropped", Qt::QueuedConnection,
                                  Q_ARG(QStringList, {bookPath}));
        const double took = runUntil([&] { return built; });
        print("book opened, its index built, " + QByteArray::number(notes) + " notes",
              lateness.stop(), took, u"the index alone: %1 ms"_s.arg(alone, 0, 'f', 0));
    }
}

// The encrypted note shown in `w` decrypted, its passphrase typed as a user types it, timed as
// `what`; false when it did not come out decrypted.
bool decryptShown(BenchWindow &w, const QByteArray &what, Lateness &lateness)
{
    qb::test::answerPassphrase(w.platform, qb::test::kPassphrase);
    lateness.start();
    w.action("encryptAction")->trigger();
    const double took = runUntil([&] { return w.status() == u"Decrypted"; });
    print(what, lateness.stop(), took, {});
    return w.editor()->document()->characterCount() > 1;
}

// Decrypt of a 50 MiB encrypted note, beside the same text opened as a plain note; then a save
// of a small encrypted note, beside that of a plain one, each a few seconds after the last so
// that the key of the next save is ready, as it is when the user has typed a while.
void probeSecret(int runs)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"notes"_s);
    const QByteArray big = proseLines(50 << 20);
    qb::test::writeBytes(folder + u"/a plain.txt"_s, "A short note.\r\n");
    qb::test::writeBytes(folder + u"/b small secret.txt"_s,
                         qb::test::encrypted("A short secret note.\r\n"));
    qb::test::writeBytes(folder + u"/c big.txt"_s, big);
    qb::test::writeBytes(folder + u"/d big secret.txt"_s, qb::test::encrypted(big));
    const QString book = oneFolderBook(dir, folder);
    Lateness lateness;
    for (int run = 0; run < runs; ++run) {
        BenchWindow w(book);
        w.window->show();
        w.platform.answerMessage(qb::Platform::Button::Yes); // a note this large may be asked about
        settle(300);
        const auto pick = [&](int row, const char *until) {
            QElapsedTimer clock;
            clock.start();
            lateness.start();
            w.pickNote(row);
            const double took = runUntil([&] { return w.status() == QLatin1String(until); });
            return std::pair{lateness.stop(), took};
        };
        const auto [plainLate, plainTook] = pick(2, "Unchanged");
        print("50 MiB plain note opened", plainLate, plainTook, u"the baseline"_s);
        pick(3, "Encrypted");
        if (!decryptShown(w, "50 MiB encrypted note decrypted, all in", lateness))
            std::exit(EXIT_FAILURE);
        // The memory the decryption freed is given back in the quiet after it.
        lateness.start();
        settle(3000);
        print("the 3 s after it, idle", lateness.stop(), 3000, {});

        for (const int row : {0, 1}) {
            const auto [pickLate, pickTook] = pick(row, row == 0 ? "Unchanged" : "Encrypted");
            if (row == 0)
                print("from it to a small note", pickLate, pickTook, {});
            if (row == 1 && !decryptShown(w, "small encrypted note decrypted", lateness))
                std::exit(EXIT_FAILURE);
            // A key typed, then Save, timed.
            const auto typeAndSave = [&](Qt::Key key, const char *what) {
                QTest::keyClick(w.editor(), key);
                lateness.start();
                QElapsedTimer clock;
                clock.start();
                w.action("F_mnuSAVE")->trigger();
                const double took = double(clock.nsecsElapsed()) / 1e6;
                settle(300);
                print(what, lateness.stop(), took, {});
            };
            settle(4000); // the key of the next save is worked out meanwhile
            typeAndSave(Qt::Key_X,
                        row == 0 ? "small plain note saved" : "small encrypted note saved");
            // Again at once: the key of this save is still being worked out.
            typeAndSave(Qt::Key_Y,
                        row == 0 ? "saved again at once" : "saved again at once, encrypted");
        }
    }
}

} // namespace

int main(int argc, char *argv[])
{
    qb::bench::useOffscreenUnlessTold();
    QApplication app(argc, argv);
    const QString which = argc > 1 ? QString::fromLocal8Bit(argv[1]) : u"all"_s;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    QTemporaryDir state;
    // The program's own state goes with the probe.
    qputenv("XDG_STATE_HOME", QFile::encodeName(state.filePath(u"state"_s)));
    qputenv("XDG_DATA_HOME", QFile::encodeName(state.filePath(u"data"_s)));
    const bool all = which == u"all";
    if (all || which == u"list") {
        probeList(100'000, runs);
        probeList(10'000, runs);
    }
    if (all || which == u"load")
        probeLoad(runs);
    if (all || which == u"index") {
        probeIndex(10'000, runs);
        probeIndex(100'000, runs);
    }
    if (all || which == u"secret")
        probeSecret(runs);
    if (all || which == u"type") {
        probeTyping(true, runs);
        probeTyping(false, runs);
    }
    if (all || which == u"pasted")
        probePasted(runs);
    std::fflush(nullptr);
    std::_Exit(EXIT_SUCCESS);
}
