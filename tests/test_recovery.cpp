// Recovery copies read back, listed, kept whole through faults injected into the real system
// calls (qbfault, preloaded) and kills; the writer's thread, held at a sync; save leftovers.

#include "KilledAfterEachCall.h"
#include "RowLabel.h"
#include "TestFiles.h"
#include "faults/CrashNotes.h"
#include "faults/Faults.h"

#include "keeping/RecoveryWriter.h"
#include "keeping/SaveLeftovers.h"

#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <thread>

using namespace Qt::StringLiterals;
using namespace qb;
using namespace qb::test;

namespace {

// The writer's syncs in `folder` held at the gate until it is released.
struct Gate : SyncGate
{
    explicit Gate(const QString &folder) : SyncGate("fdatasync", folder) {}
    bool waitFor(int count) const
    {
        return QTest::qWaitFor([&] { return held() >= count; }, 10'000);
    }
};

RecoveryCopy copyOf(const QString &notePath, const QByteArray &bytes, NoteFormat format = {})
{
    return {notePath, format, bytes, {}, QDateTime(QDate(2026, 6, 12), QTime(14, 5, 9, 123))};
}

bool sameCopy(const RecoveryCopy &a, const RecoveryCopy &b)
{
    return a.notePath == b.notePath && a.format == b.format && a.bytes == b.bytes &&
           a.noteFile.size == b.noteFile.size && a.noteFile.modified == b.noteFile.modified &&
           a.noteFile.changedMeta == b.noteFile.changedMeta &&
           a.noteFile.digest == b.noteFile.digest && a.taken == b.taken;
}

QByteArray readCopy(const RecoveryStore &store, const QString &note)
{
    const RecoveryRead read = store.read(note);
    return read.copy ? read.copy->bytes : "damaged or missing: " + read.damage.toUtf8();
}

// A file named by the system's bytes (a name cut inside a character has no text), `age`
// seconds old.
bool makeFile(const QByteArray &systemPath, const QByteArray &bytes, int age)
{
    const int fd = ::open(systemPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool wrote = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    const timespec when = {::time(nullptr) - age, 0};
    const timespec times[2] = {when, when};
    const bool timed = ::futimens(fd, times) == 0;
    ::close(fd);
    return wrote && timed;
}

} // namespace

Q_DECLARE_METATYPE(qb::NoteFormat)

class TestRecovery : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(Faults().loaded(), "the test runs with the qbfault library preloaded");
    }

    void writtenAndReadBack_data()
    {
        QTest::addColumn<QString>("noteName");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<NoteFormat>("format");
        QTest::newRow("UTF-8, byte order mark, CRLF")
            << u"Crêpes; à emporter.txt"_s
            << QByteArray("\xEF\xBB\xBF"
                          "Cr\xC3\xAApes\r\nto\r\n")
            << NoteFormat{TextEncoding::Utf8, true, LineEnd::CrLf};
        QTest::newRow("Windows-1252, LF")
            << u"Ünïcødé 100%.txt"_s << QByteArray("caf\xE9\nna\xEFve\n")
            << NoteFormat{TextEncoding::Windows1252, false, LineEnd::Lf};
        QTest::newRow("empty") << u"empty.txt"_s << QByteArray() << NoteFormat{};
        QTest::newRow("line break in the name, stray bytes")
            << u"two\nlines\u007f.txt"_s << QByteArray("a\0b\rc\n\n", 7)
            << NoteFormat{TextEncoding::Utf8, false, LineEnd::Lf};
    }

    // Every field comes back, and the fingerprint tells whether the note changed since.
    void writtenAndReadBack()
    {
        QFETCH(QString, noteName);
        QFETCH(QByteArray, bytes);
        QFETCH(NoteFormat, format);
        QTemporaryDir dir;
        const QString note = dir.filePath(u"Notes/"_s + noteName);
        const QByteArray saved("the note as last saved\r\n");
        QVERIFY(writeBytes(note, saved));
        RecoveryCopy copy = copyOf(note, bytes, format);
        copy.noteFile = takeFingerprint(note, saved);
        const RecoveryStore store(dir.filePath(u"recovery"_s));
        QVERIFY(store.write(copy).ok());

        const RecoveryRead read = store.read(note);
        QVERIFY2(read.copy, qPrintable(read.damage));
        QVERIFY(sameCopy(*read.copy, copy));
        QCOMPARE(checkFingerprint(note, read.copy->noteFile).outcome,
                 FingerprintCheck::Outcome::Same);
        QVERIFY(writeBytes(note, "the note as another program saved it"));
        QCOMPARE(checkFingerprint(note, read.copy->noteFile).outcome,
                 FingerprintCheck::Outcome::Changed);
    }

    void keptInTheUsersStateFolder_data()
    {
        QTest::addColumn<QString>("stateHome"); // "<root>" stands for the test's folder
        QTest::newRow("XDG_STATE_HOME") << u"<root>/state"_s;
        QTest::newRow("unset") << QString();
        QTest::newRow("relative") << u"state"_s;
    }

    // Made for the user alone: every folder on the way, and the file.
    void keptInTheUsersStateFolder()
    {
        QFETCH(QString, stateHome);
        QTemporaryDir root;
        const QByteArray oldHome = qgetenv("HOME"), oldState = qgetenv("XDG_STATE_HOME");
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", oldHome);
            oldState.isNull() ? qunsetenv("XDG_STATE_HOME") : qputenv("XDG_STATE_HOME", oldState);
        });
        qputenv("HOME", QFile::encodeName(root.filePath(u"home"_s)));
        stateHome.replace(u"<root>"_s, root.path());
        stateHome.isEmpty() ? qunsetenv("XDG_STATE_HOME")
                            : qputenv("XDG_STATE_HOME", QFile::encodeName(stateHome));
        const QString state =
            stateHome.startsWith(u'/') ? stateHome : root.filePath(u"home/.local/state"_s);
        QCOMPARE(defaultRecoveryFolder(), state + u"/quirebox/recovery"_s);

        const RecoveryStore store;
        const QString note = root.filePath(u"note.txt"_s);
        QVERIFY(store.write(copyOf(note, "typed")).ok());
        const auto mode = [](const QString &path) {
            struct stat status = {};
            ::stat(QFile::encodeName(path).constData(), &status);
            return status.st_mode & 0777;
        };
        for (const QString &folder : {state, state + u"/quirebox"_s, store.folder()})
            QVERIFY2(mode(folder) == 0700u,
                     qPrintable(u"%1 has the mode %2"_s.arg(folder).arg(mode(folder), 0, 8)));
        QCOMPARE(mode(store.fileFor(note)), 0600u);
    }

    // A link at the copy's name is replaced, never written through; a pipe or a folder there is
    // refused at once, never waited on.
    void neverFollowsWhatStandsAtTheCopysName()
    {
        QTemporaryDir dir;
        const RecoveryStore store(dir.filePath(u"recovery"_s));
        const QString note = dir.filePath(u"note.txt"_s);
        const QString elsewhere = dir.filePath(u"elsewhere.txt"_s);
        QVERIFY(writeBytes(elsewhere, "not the program's"));
        QVERIFY(store.write(copyOf(note, "first")).ok());
        const QByteArray copyName = QFile::encodeName(store.fileFor(note));
        QVERIFY(::unlink(copyName.constData()) == 0);
        QVERIFY(::symlink(QFile::encodeName(elsewhere).constData(), copyName.constData()) == 0);
        QVERIFY(store.write(copyOf(note, "typed")).ok());
        QCOMPARE(readBytes(elsewhere), QByteArray("not the program's"));
        QVERIFY(!QFileInfo(store.fileFor(note)).isSymLink());
        QCOMPARE(readCopy(store, note), QByteArray("typed"));

        QVERIFY(::unlink(copyName.constData()) == 0);
        QVERIFY(::mkfifo(copyName.constData(), 0600) == 0);
        QVERIFY(!store.write(copyOf(note, "typed")).ok());
        QVERIFY(::unlink(copyName.constData()) == 0);
        QVERIFY(QDir().mkdir(store.fileFor(note)));
        QVERIFY(!store.write(copyOf(note, "typed")).ok());
    }

    // The copies of notes directly inside the folders given, oldest first; a damaged file is
    // listed with the reason, for any folders when its note cannot be told.
    void listsCopiesByFolder()
    {
        QTemporaryDir dir;
        const RecoveryStore store(dir.filePath(u"recovery"_s));
        const auto path = [&](const QString &name) { return dir.filePath(name); };
        const auto fileOf = [&](const QString &note) { return store.fileFor(path(note)); };
        for (const auto &[note, year] :
             {std::pair(u"A/one.txt"_s, 2021), std::pair(u"B/two.txt"_s, 2020),
              std::pair(u"C/three.txt"_s, 2019), std::pair(u"A/sub/deeper.txt"_s, 2018),
              std::pair(u"A/cut.txt"_s, 2017), std::pair(u"C/cut.txt"_s, 2017),
              std::pair(u"B/flipped.txt"_s, 2017)}) {
            RecoveryCopy copy = copyOf(path(note), "edits");
            copy.taken = QDateTime(QDate(year, 1, 1), QTime(9, 0), Qt::UTC);
            QVERIFY2(store.write(copy).ok(), qPrintable(note));
        }
        // Damaged files, dated `age` seconds back: copies cut to two of their five bytes, one
        // with its last byte changed, one that never was a copy.
        const auto damage = [&](const QString &file, const QByteArray &bytes, int age) {
            QVERIFY(makeFile(QFile::encodeName(file), bytes, age));
        };
        damage(fileOf(u"A/cut.txt"_s), readBytes(fileOf(u"A/cut.txt"_s)).chopped(3), 300);
        damage(fileOf(u"C/cut.txt"_s), readBytes(fileOf(u"C/cut.txt"_s)).chopped(3), 300);
        damage(fileOf(u"B/flipped.txt"_s), readBytes(fileOf(u"B/flipped.txt"_s)).chopped(1) + 'S',
               100);
        const QString garbage = store.folder() + u"/0123456789abcdef0123456789abcdef.recovery"_s;
        damage(garbage, "not a copy at all", 200);
        QVERIFY(writeBytes(store.folder() + u"/.qbsave-AbC123-x.recovery"_s, "partial"));
        QVERIFY(writeBytes(store.folder() + u"/readme.txt"_s, "not ours"));

        const RecoveryListing listing = store.list({path(u"A"_s), path(u"B/"_s)});
        QStringList got;
        for (const RecoveryEntry &entry : listing.entries) {
            const QDir root(dir.path());
            got.append((entry.notePath.isEmpty() ? u"?"_s : root.relativeFilePath(entry.notePath)) +
                       u' ' + entry.damage);
        }
        QCOMPARE(got, QStringList({u"B/two.txt "_s, u"A/one.txt "_s,
                                   u"A/cut.txt "_s + recoveryCutShortText(2, 5),
                                   u"? It is not a Quirebox recovery copy."_s,
                                   u"B/flipped.txt "_s + recoveryChecksumText()}));
        QCOMPARE(store.read(path(u"B/flipped.txt"_s)).damage, recoveryChecksumText());

        // Only the store's own files can be removed through it.
        QVERIFY(!store.removeFile(garbage));
        QVERIFY(!QFileInfo::exists(garbage));
        QVERIFY(writeBytes(path(u"A/one.txt"_s), "the note"));
        QVERIFY(store.removeFile(path(u"A/one.txt"_s)).has_value());
        QVERIFY(QFileInfo::exists(path(u"A/one.txt"_s)));
    }

    void faultsKeepTheOldCopy_data()
    {
        QTest::addColumn<QByteArray>("call");
        QTest::addColumn<int>("error");
        QTest::addColumn<qint64>("passBytes");
        QTest::addColumn<bool>("namedTemporaryFile");
        QTest::newRow("disk full") << QByteArray("write") << ENOSPC << qint64(100) << false;
        QTest::newRow("fdatasync fails") << QByteArray("fdatasync") << EIO << qint64(-1) << false;
        QTest::newRow("rename fails") << QByteArray("rename") << EIO << qint64(-1) << false;
        QTest::newRow("rename fails, named temporary file")
            << QByteArray("rename") << EIO << qint64(-1) << true;
    }

    // The old copy stays whole, marked older, nothing is left beside it, and the writer tells
    // why, on its own thread.
    void faultsKeepTheOldCopy()
    {
        QFETCH(QByteArray, call);
        QFETCH(int, error);
        QFETCH(qint64, passBytes);
        QFETCH(bool, namedTemporaryFile);
        QTemporaryDir dir;
        const RecoveryStore store(dir.filePath(u"recovery"_s));
        const QString note = dir.filePath(u"note.txt"_s);
        const RecoveryCopy old = copyOf(note, "the edits of a minute ago");
        QVERIFY(store.write(old).ok());
        RecoveryWriter writer(store);
        QSignalSpy failed(&writer, &RecoveryWriter::notWritten);
        QThread *toldOn = nullptr;
        connect(&writer, &RecoveryWriter::notWritten, [&] { toldOn = QThread::currentThread(); });
        Faults faults;
        if (namedTemporaryFile)
            faults.arm("tmpfile", EOPNOTSUPP, store.folder());
        faults.arm(call.constData(), error, store.folder(), passBytes);
        writer.schedule(copyOf(note, QByteArray("newer edits\r\n").repeated(5000)));
        writer.waitForDone();
        QVERIFY(faults.hits() > 0);
        faults.disarm();

        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(failed[0], QVariantList({note, qt_error_string(error)}));
        QVERIFY(toldOn == QThread::currentThread());
        const RecoveryRead read = store.read(note);
        QVERIFY(read.copy && sameCopy(*read.copy, old));
        QCOMPARE(entriesOf(store.folder()), QStringList(QFileInfo(store.fileFor(note)).fileName()));
        QVERIFY(store.list({dir.path()}).entries.value(0).older);
    }

    void killedWhileWritingACopy_data()
    {
        QTest::addColumn<bool>("unnamedTemporaryFiles");
        QTest::newRow("unnamed temporary file") << true;
        QTest::newRow("named temporary file") << false;
    }

    // Killed right after each system call of one write in turn.
    void killedWhileWritingACopy()
    {
        QFETCH(bool, unnamedTemporaryFiles);
        // Opening, writing the header and the bytes, syncing, naming, renaming, syncing the folder.
        killAfterEachCall(unnamedTemporaryFiles ? 7 : 6, [&](int call, QProcess &child) {
            QTemporaryDir dir;
            const RecoveryStore store(dir.filePath(u"recovery"_s));
            const QString note = dir.filePath(u"note.txt"_s);
            QVERIFY(store.write(copyOf(note, noteContent(0))).ok());
            // The child inherits the preloaded qbfault library, armed for it alone.
            child.setProcessEnvironment(killedAfterCall(
                call, store.folder(),
                unnamedTemporaryFiles ? QString()
                                      : u"tmpfile:%1:%2"_s.arg(EOPNOTSUPP).arg(store.folder())));
            child.start(QStringLiteral(QB_CRASH_RECOVERY), {store.folder(), note});
            QVERIFY(child.waitForFinished(60'000));
            // The copy of the first content or of the second, whole, and listed alone.
            const QByteArray bytes = readCopy(store, note);
            QVERIFY2(bytes == noteContent(0) || bytes == noteContent(1),
                     qPrintable(u"a copy of %1 bytes, neither old nor new"_s.arg(bytes.size())));
            const RecoveryListing listing = store.list({dir.path()});
            QVERIFY(listing.entries.size() == 1 && !listing.entries[0].isDamaged());
            if (child.exitStatus() == QProcess::NormalExit)
                QCOMPARE(bytes, noteContent(1));
        });
    }

    // Copies of a note that wait while another is written: only the newest is written.
    void newestWaitingCopyOnlyIsWritten()
    {
        QTemporaryDir dir;
        const RecoveryStore store(dir.filePath(u"recovery"_s));
        const QString a = dir.filePath(u"a.txt"_s), b = dir.filePath(u"b.txt"_s);
        RecoveryWriter writer(store);
        Gate gate(store.folder());
        writer.schedule(copyOf(a, "a 1"));
        QVERIFY(gate.waitFor(1));
        writer.schedule(copyOf(a, "a 2"));
        writer.schedule(copyOf(b, "b 1"));
        writer.schedule(copyOf(a, "a 3"));
        gate.release();
        writer.waitForDone();
        QCOMPARE(gate.held(), 3);
        QCOMPARE(QByteArrayList({readCopy(store, a), readCopy(store, b)}),
                 QByteArrayList({"a 3", "b 1"}));
    }

    void discardWinsOverEarlierWrites_data()
    {
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("scheduledAgain");
        QTest::newRow("waiting") << false << false;
        QTest::newRow("being written") << true << false;
        QTest::newRow("being written, then scheduled again") << true << true;
    }

    void discardWinsOverEarlierWrites()
    {
        QFETCH(bool, running);
        QFETCH(bool, scheduledAgain);
        QTemporaryDir dir;
        const RecoveryStore store(dir.filePath(u"recovery"_s));
        const QString a = dir.filePath(u"a.txt"_s), b = dir.filePath(u"b.txt"_s);
        QVERIFY(store.write(copyOf(a, "an older copy")).ok());
        RecoveryWriter writer(store);
        QSignalSpy failed(&writer, &RecoveryWriter::failed);
        Gate gate(store.folder());
        if (!running)
            writer.schedule(copyOf(b, "b 1"));
        writer.schedule(copyOf(a, "a 1"));
        QVERIFY(gate.waitFor(1));
        writer.discard(a);
        QVERIFY(!QFileInfo::exists(store.fileFor(a)));
        if (scheduledAgain)
            writer.schedule(copyOf(a, "a 2"));
        gate.release();
        writer.waitForDone();

        QCOMPARE(readCopy(store, a), QByteArray(scheduledAgain ? "a 2" : "damaged or missing: "));
        if (!running)
            QCOMPARE(readCopy(store, b), QByteArray("b 1"));
        QCoreApplication::processEvents();
        QCOMPARE(failed.size(), 0);
    }

    void flushWritesEverythingWaiting_data()
    {
        QTest::addColumn<bool>("writerGoes");
        QTest::newRow("flush") << false;
        QTest::newRow("the writer goes") << true;
    }

    // When flush returns, or the writer has gone, the copy that was being written and all those
    // waiting are on disk.
    void flushWritesEverythingWaiting()
    {
        QFETCH(bool, writerGoes);
        QTemporaryDir dir;
        const RecoveryStore store(dir.filePath(u"recovery"_s));
        const QString a = dir.filePath(u"a.txt"_s), b = dir.filePath(u"b.txt"_s),
                      c = dir.filePath(u"c.txt"_s);
        auto writer = std::make_unique<RecoveryWriter>(store);
        Gate gate(store.folder());
        writer->schedule(copyOf(a, "a"));
        QVERIFY(gate.waitFor(1));
        writer->schedule(copyOf(b, "b"));
        writer->schedule(copyOf(c, "c"));
        std::thread opener([&] {
            QThread::msleep(300);
            gate.release();
        });
        if (writerGoes)
            writer.reset();
        else
            writer->flush();
        const QByteArrayList written = {readCopy(store, a), readCopy(store, b), readCopy(store, c)};
        opener.join();
        QCOMPARE(written, QByteArrayList({"a", "b", "c"}));
    }

    // Leftovers are matched to their notes, cut-short names too; a fresh one is left out.
    void findsSaveLeftovers()
    {
        QTemporaryDir dir;
        const QByteArray d = QFile::encodeName(dir.path()) + '/';
        const QByteArray longName = QByteArray(246, 'a') + ".txt";
        // Cut at 255 bytes, its leftover's name ends inside a three-byte character.
        const QByteArray cjkName = "b" + QByteArray("\xE6\x97\xA5").repeated(81) + ".txt";
        const QByteArray twin(240, 'c');
        for (const QByteArray &name :
             {QByteArray("note.txt"), longName, cjkName, twin + "1.txt", twin + "2.txt"})
            QVERIFY(makeFile(d + name, "saved", 1000));
        const auto temp = [](const char *letters, const QByteArray &name) {
            return (".qbsave-" + QByteArray(letters) + '-' + name).left(255);
        };
        using Outcome = LeftoverCheck::Outcome;
        // The leftovers share the folder, oldest first: what each is for, the leftover, its
        // bytes, the note it belongs to, compared with the note.
        const QList<std::tuple<QString, QByteArray, QByteArray, QByteArray, Outcome>> rows = {
            {u"of a note that is gone"_s, temp("GhI789", "gone.txt"), "a new note", "gone.txt",
             Outcome::Different},
            {u"holding what the note holds"_s, temp("AbC123", "note.txt"), "saved", "note.txt",
             Outcome::Same},
            {u"newer than the note"_s, temp("DeF456", "note.txt"), "newer text", "note.txt",
             Outcome::Different},
            {u"its name cut short"_s, temp("JkL012", longName), "longer", longName,
             Outcome::Different},
            {u"its name cut inside a character"_s, temp("MnO345", cjkName), "saved", cjkName,
             Outcome::Same},
            {u"its name cut short, naming two notes"_s, temp("PqR678", twin + "1.txt"), "saved",
             QByteArray(), Outcome::Different}};
        int age = 600;
        for (const auto &[row, name, bytes, note, outcome] : rows)
            QVERIFY(makeFile(d + name, bytes, age -= 60));
        QVERIFY(makeFile(d + temp("StU901", "note.txt"), "a save under way", 0));
        QVERIFY(makeFile(d + ".qbsave-notours.txt", "not a save's", 600));

        const SaveLeftoverListing found = findSaveLeftovers(dir.path());
        QCOMPARE(found.error, QString());
        QCOMPARE(found.leftovers.size(), rows.size());
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const auto &[row, name, bytes, note, outcome] = rows[i];
            const RowLabel label(row);
            const SaveLeftover &leftover = found.leftovers[i];
            QCOMPARE(leftover.systemPath, d + name);
            QCOMPARE(leftover.notePath, note.isEmpty() ? QString() : QFile::decodeName(d + note));
            QCOMPARE(compareLeftover(leftover).outcome, outcome);
            QCOMPARE(readSaveLeftover(leftover, 1024).bytes, bytes);
            QVERIFY(!removeSaveLeftover(leftover));
        }
        QVERIFY(removeSaveLeftover({d + "note.txt", {}, {}, {}, 0}).has_value());
        QCOMPARE(entriesOf(dir.path()).size(), 7);
    }

    // Folders looked through together give up once they show more entries between them than
    // allowed, or when told to stop; else each gives what it gives alone, in their order.
    void findsSaveLeftoversOfSeveralFolders()
    {
        QTemporaryDir dir;
        QStringList folders;
        for (const char *name : {"one", "two"}) {
            const QString folder = dir.filePath(QString::fromLatin1(name));
            QVERIFY(QDir().mkpath(folder));
            const QByteArray d = QFile::encodeName(folder) + '/';
            for (const QByteArray &note : {"a.txt"_ba, "b.txt"_ba, "c.txt"_ba})
                QVERIFY(makeFile(d + note, "saved", 600));
            QVERIFY(makeFile(d + ".qbsave-AbC123-" + name + ".txt", "newer", 600));
            folders << folder;
        }
        QVERIFY(!findSaveLeftovers(folders, 7).has_value());
        QVERIFY(!findSaveLeftovers(folders, 100, [] { return true; }).has_value());
        const std::optional<QList<SaveLeftoverListing>> found = findSaveLeftovers(folders, 8);
        QVERIFY(found.has_value());
        QCOMPARE(found->size(), folders.size());
        for (qsizetype i = 0; i < folders.size(); ++i) {
            const SaveLeftoverListing alone = findSaveLeftovers(folders[i]);
            QCOMPARE(alone.leftovers.size(), qsizetype(1));
            QCOMPARE(found->at(i).leftovers.size(), qsizetype(1));
            QCOMPARE(found->at(i).leftovers[0].systemPath, alone.leftovers[0].systemPath);
            QCOMPARE(found->at(i).leftovers[0].notePath, alone.leftovers[0].notePath);
        }
    }
};

QTEST_GUILESS_MAIN(TestRecovery)
#include "test_recovery.moc"
