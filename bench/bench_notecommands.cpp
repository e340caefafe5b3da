// The note commands through the real window: listing a big folder and loading its first note,
// opening the note selector, and enciphering and deciphering a big note, each beside its
// baseline measured in the same run.

#include "BenchWindow.h"

#include "encoder/EncodedNote.h"
#include "encoder/KeyWordCipher.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>
#include <QTextCursor>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <dirent.h>

using namespace Qt::StringLiterals;
using qb::bench::BenchWindow;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    std::filesystem::create_directories(std::filesystem::path(path.toStdString()).parent_path());
    std::ofstream(path.toStdString(), std::ios::binary).write(bytes.constData(), bytes.size());
}

// A book of one folder.
QByteArray bookOf(const QString &folder)
{
    return "Mossgrange's Quirebox v3_[A1]\r\nName=Bench\r\nSignature=1/1/2026;10:00:00;Bench;\r\n"
           "Notes;" +
           folder.toUtf8() + ";\r\n";
}

// A book of one folder holding `count` notes, made once per size.
struct BigBook
{
    QTemporaryDir root;
    QString folder;
    QString book;
};

BigBook &bigBook(int count)
{
    static std::map<int, std::unique_ptr<BigBook>> books;
    std::unique_ptr<BigBook> &made = books[count];
    if (!made) {
        made = std::make_unique<BigBook>();
        made->folder = made->root.filePath(u"notes"_s);
        const std::filesystem::path dir = made->folder.toStdString();
        std::filesystem::create_directory(dir);
        for (int i = 0; i < count; ++i) {
            std::ofstream(dir / ("Note " + std::to_string(i * 7919L % 1000003) + ".txt"))
                << "A short note.\r\nIts second line.\r\n";
        }
        made->book = made->root.filePath(u"big.qb"_s);
        writeFile(made->book, bookOf(made->folder));
    }
    return *made;
}

void BM_ListAndLoadFirstNote(benchmark::State &state)
{
    BigBook &book = bigBook(int(state.range(0)));
    BenchWindow w(book.book);
    QAction *refresh = w.action("F_mnuREFRESH");
    for (auto _ : state) {
        refresh->trigger();
        benchmark::DoNotOptimize(w.lstFILE()->count());
    }
    if (w.lstFILE()->count() != state.range(0) || w.platform.unexpected != 0)
        state.SkipWithError("the list or the note did not come out right");
}
BENCHMARK(BM_ListAndLoadFirstNote)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

// The baseline: the names of the folder's entries read with readdir and sorted, nothing else.
void BM_ReaddirAndSort(benchmark::State &state)
{
    const QByteArray dir = QFile::encodeName(bigBook(int(state.range(0))).folder);
    for (auto _ : state) {
        std::vector<std::string> names;
        DIR *listing = ::opendir(dir.constData());
        while (const dirent *entry = ::readdir(listing))
            names.emplace_back(entry->d_name);
        ::closedir(listing);
        std::sort(names.begin(), names.end());
        benchmark::DoNotOptimize(names.data());
    }
}
BENCHMARK(BM_ReaddirAndSort)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

// Two notes of 20,000 lines picked in turn, each shown again where the user left it: at its start
// (Arg 0), or with a selection in its middle, scrolled there (Arg 1). The place is given back
// once the note is in the editor.
void BM_ShowNoteAtItsPlace(benchmark::State &state)
{
    static QTemporaryDir root;
    static const bool made = [] {
        QByteArray lines;
        for (int i = 0; i < 20'000; ++i)
            lines += "Line " + QByteArray::number(i) + " of a note of some length.\r\n";
        writeFile(root.filePath(u"notes/a.txt"_s), lines);
        writeFile(root.filePath(u"notes/b.txt"_s), lines);
        writeFile(root.filePath(u"two.qb"_s), bookOf(root.filePath(u"notes"_s)));
        return true;
    }();
    Q_UNUSED(made);
    qputenv("XDG_STATE_HOME", QFile::encodeName(root.filePath(u"state%1"_s.arg(state.range(0)))));
    BenchWindow w(root.filePath(u"two.qb"_s));
    const auto pick = [&w](int row) {
        w.pickNote(row);
        w.waitForNote();
    };
    for (const int row : {0, 1}) {
        pick(row);
        if (state.range(0) == 1) {
            QTextCursor caret(w.editor()->document());
            caret.setPosition(w.editor()->document()->characterCount() / 2);
            caret.setPosition(caret.position() + 40, QTextCursor::KeepAnchor);
            w.editor()->setTextCursor(caret);
            w.editor()->centerCursor();
        }
    }
    int row = 0;
    for (auto _ : state) {
        pick(row);
        w.editor()->viewport()->repaint();
        row = 1 - row;
    }
    const int middle = w.editor()->document()->characterCount() / 2;
    if (state.range(0) == 1 && w.editor()->textCursor().anchor() != middle)
        state.SkipWithError("the place was not given back");
}
BENCHMARK(BM_ShowNoteAtItsPlace)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_OpenNoteSelector(benchmark::State &state)
{
    BigBook &book = bigBook(int(state.range(0)));
    BenchWindow w(book.book);
    w.window->show();
    QComboBox *lstFILE = w.lstFILE();
    for (auto _ : state) {
        lstFILE->showPopup();
        QApplication::processEvents();
        state.PauseTiming();
        lstFILE->hidePopup();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenNoteSelector)->Arg(10'000)->Unit(benchmark::kMillisecond);

// 10 MiB of lines of text, CR LF, in a note of its own ("big"), and the same enciphered with the
// keyword "A" beside it ("coded").
struct BigNote
{
    QTemporaryDir root;
    QString book;
};

BigNote &bigNote()
{
    static std::unique_ptr<BigNote> made;
    if (!made) {
        made = std::make_unique<BigNote>();
        QByteArray plain;
        const QByteArray line = "The quick brown fox jumps over the lazy dog, 0123456789.\r\n";
        while (plain.size() < 10 * 1024 * 1024)
            plain += line;
        const QString folder = made->root.filePath(u"notes"_s);
        writeFile(folder + u"/big.txt"_s, plain);
        writeFile(folder + u"/coded.txt"_s, qb::encodedNoteBytes(*qb::KeyWordCipher(
                                                plain, "A", qb::CipherDirection::Encipher)));
        made->book = made->root.filePath(u"note.qb"_s);
        writeFile(made->book, bookOf(folder));
    }
    return *made;
}

// A window on the big notes, showing the plain note, or the enciphered one with its keyword
// question cancelled. Each run has a window of its own, so that none starts from what the last
// one left.
struct CipherWindow
{
    explicit CipherWindow(bool plain)
    {
        if (plain)
            return;
        w.platform.answerInput(QString());
        w.pickNote(1);
        w.waitForNote();
    }

    BenchWindow w{bigNote().book};
};

// Runs Encode (or Decode, on the enciphered note) end to end, keyword prompt included.
void runCipherCommand(benchmark::State &state, bool encode)
{
    bool ranThrough = true;
    for (auto _ : state) {
        state.PauseTiming();
        auto c = std::make_unique<CipherWindow>(encode);
        c->w.platform.answerInput(u"A"_s);
        state.ResumeTiming();
        c->w.action("T_mnuENCODE")->trigger();
        state.PauseTiming();
        ranThrough = ranThrough && c->w.status() == (encode ? u"Encoded" : u"Decoded") &&
                     c->w.platform.unexpected == 0;
        c.reset();
        state.ResumeTiming();
    }
    if (!ranThrough)
        state.SkipWithError("the command did not run through");
}

BENCHMARK_CAPTURE(runCipherCommand, EncodeNote, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runCipherCommand, DecodeNote, false)->Unit(benchmark::kMillisecond);

// The baselines: the editor showing what each command starts from, then setPlainText alone
// putting in the text the command leaves there.
void runSetPlainText(benchmark::State &state, bool encode)
{
    QString encodedText, plainText;
    {
        CipherWindow coded(false);
        encodedText = coded.w.editor()->toPlainText();
        CipherWindow plain(true);
        plainText = plain.w.editor()->toPlainText();
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto c = std::make_unique<CipherWindow>(encode);
        state.ResumeTiming();
        c->w.editor()->setPlainText(encode ? encodedText : plainText);
        state.PauseTiming();
        c.reset();
        state.ResumeTiming();
    }
}

BENCHMARK_CAPTURE(runSetPlainText, SetPlainText_Encoded, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(runSetPlainText, SetPlainText_Plain, false)->Unit(benchmark::kMillisecond);

} // namespace
