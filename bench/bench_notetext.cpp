// Loading and saving a large note, each beside what Qt alone takes for the same work: showing
// the text with setPlainText, and writing the bytes through QSaveFile.

#include "BenchWindow.h"
#include "TestFiles.h"

#include "editor/NoteDocument.h"
#include "encoder/NoteCodec.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextDocument>

#include <fcntl.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <memory>

using namespace qb;

namespace {

constexpr qsizetype kNoteSize = 10 * 1024 * 1024;

// A book of one folder that holds the note; the baseline writes beside the folder.
struct Fixture
{
    QTemporaryDir dir;
    QString bookPath;
    QString notePath;
    QString savePath;
    QByteArray bytes; // the note file
    DecodedNote note;
};

// Prose-like lines of about 80 characters, CR LF, with a sprinkling of accents, typographic
// quotes and dashes, as notes written on Windows have.
QByteArray realisticNote()
{
    static constexpr char kWords[] =
        "the of and a to in is you that it he was for on are as with his they I at be this have "
        "from or one had by word but not what all were we when your can said there use an each "
        "which she do how their if will up other about out many then them these so some her "
        "would make like him into time has look two more write go see number no way could "
        "people café naïve über façade résumé “quoted” — 12,50 € déjà-vu Zürich Ærø smørrebrød";
    const QStringList words = QString::fromUtf8(kWords).split(u' ');
    QString text;
    text.reserve(kNoteSize);
    quint32 seed = 12345;
    QString line;
    while (text.size() < kNoteSize) {
        seed = seed * 1103515245u + 12345u;
        const QString &word = words[(seed >> 16) % words.size()];
        if (line.size() + 1 + word.size() > 80) {
            text += line;
            text += u"\r\n";
            line.clear();
        }
        if (!line.isEmpty())
            line += u' ';
        line += word;
    }
    return text.toUtf8();
}

bool writeChecked(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

// The baseline of a save: the bytes written to a file beside the target, synced, and renamed
// over it.
bool writeSyncRename(const QString &path, const QByteArray &bytes, bool syncFolder)
{
    const QByteArray target = QFile::encodeName(path);
    const QByteArray temp = target + ".tmp";
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written =
        ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size() && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written || ::rename(temp.constData(), target.constData()) != 0)
        return false;
    if (!syncFolder)
        return true;
    const int folder = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = folder >= 0 && ::fsync(folder) == 0;
    return ::close(folder) == 0 && synced;
}

const Fixture &theFixture()
{
    static const std::unique_ptr<Fixture> fixture = [] {
        auto f = std::make_unique<Fixture>();
        f->bookPath = f->dir.filePath(QStringLiteral("note.qb"));
        f->notePath = f->dir.filePath(QStringLiteral("notes/note.txt"));
        f->savePath = f->dir.filePath(QStringLiteral("saved.txt"));
        f->bytes = realisticNote();
        test::writeBytes(f->dir.filePath(QStringLiteral("notes/other.txt")), "another note");
        f->note = decodeNoteBytes(f->bytes);
        test::writeBytes(f->bookPath,
                         test::bookBytes(QStringLiteral("Bench"),
                                         {{QStringLiteral("Notes"), QStringLiteral("notes")}}));
        if (!QDir().mkpath(f->dir.filePath(QStringLiteral("notes"))) ||
            !writeChecked(f->notePath, f->bytes))
            f->notePath.clear();
        return f;
    }();
    return *fixture;
}

std::unique_ptr<QPlainTextEdit> makeEditor()
{
    auto editor = std::make_unique<QPlainTextEdit>();
    editor->resize(800, 600);
    editor->show();
    return editor;
}

void BM_LoadNote(benchmark::State &state)
{
    const Fixture &f = theFixture();
    if (f.notePath.isEmpty() || !f.note.standIns.isEmpty())
        return state.SkipWithError("no fixture note");
    NoteDocument note;
    const auto editor = makeEditor();
    editor->setDocument(&note.document());
    for (auto _ : state) {
        QFile file(f.notePath);
        if (!file.open(QIODevice::ReadOnly))
            return state.SkipWithError("cannot read the note");
        const QByteArray bytes = file.readAll();
        note.showNote(decodeNoteBytes(bytes));
        benchmark::DoNotOptimize(editor->document()->characterCount());
    }
    state.SetBytesProcessed(state.iterations() * f.bytes.size());
}

void BM_LoadNote_SetPlainTextAlone(benchmark::State &state)
{
    const Fixture &f = theFixture();
    const auto editor = makeEditor();
    for (auto _ : state) {
        editor->setPlainText(f.note.text);
        benchmark::DoNotOptimize(editor->document()->characterCount());
    }
    state.SetBytesProcessed(state.iterations() * f.bytes.size());
}

// The Save command end to end: the check that the file is still the one loaded, the bytes out of
// the editor, the checked write, and the fingerprint of what was written. The first save after
// the note was opened, and saves after that.
void runSaveNote(benchmark::State &state, bool first)
{
    const Fixture &f = theFixture();
    if (f.notePath.isEmpty())
        return state.SkipWithError("no fixture note");
    bench::BenchWindow w(f.bookPath);
    QAction *save = w.action("F_mnuSAVE");
    QComboBox *notes = w.lstFILE();
    for (auto _ : state) {
        state.PauseTiming();
        if (first) {
            for (const int row : {1, 0}) { // another note, then this one again
                notes->setCurrentIndex(row);
                Q_EMIT notes->activated(row);
                w.waitForNote();
            }
        }
        // An edit taken back: "Changed", with the same text.
        QTest::keyClick(w.editor(), Qt::Key_X);
        QTest::keyClick(w.editor(), Qt::Key_Backspace);
        state.ResumeTiming();
        save->trigger();
        if (w.status() != QStringLiteral("Unchanged"))
            return state.SkipWithError("save failed");
    }
    QFile saved(f.notePath);
    if (!saved.open(QIODevice::ReadOnly) || saved.readAll() != f.bytes ||
        w.platform.unexpected != 0)
        state.SkipWithError("the note was not written back as it was read");
    state.SetBytesProcessed(state.iterations() * f.bytes.size());
}

// The baselines of a save: write, fsync and rename; and the same with the folder synced after the
// rename, as the program does so that a power loss cannot lose the new name.
void BM_WriteSyncRename(benchmark::State &state, bool syncFolder)
{
    const Fixture &f = theFixture();
    for (auto _ : state) {
        if (!writeSyncRename(f.savePath, f.bytes, syncFolder))
            return state.SkipWithError("write failed");
    }
    state.SetBytesProcessed(state.iterations() * f.bytes.size());
}

// Three seconds each: a save's fsync takes a different time from run to run.
void inMilliseconds(benchmark::internal::Benchmark *b)
{
    b->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
}

BENCHMARK(BM_LoadNote)->Apply(inMilliseconds);
BENCHMARK(BM_LoadNote_SetPlainTextAlone)->Apply(inMilliseconds);
BENCHMARK_CAPTURE(runSaveNote, first_after_opening, true)->Apply(inMilliseconds);
BENCHMARK_CAPTURE(runSaveNote, again, false)->Apply(inMilliseconds);
BENCHMARK_CAPTURE(BM_WriteSyncRename, file, false)->Apply(inMilliseconds);
BENCHMARK_CAPTURE(BM_WriteSyncRename, file_and_folder, true)->Apply(inMilliseconds);

} // namespace
