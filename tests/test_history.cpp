// The versions of notes: kept, listed, thinned, capped, carried, read back or refused; disk
// faults injected into the real system calls (qbfault preloaded); the keeper.

#include "RowLabel.h"
#include "TestFiles.h"
#include "faults/Faults.h"
#include "keeping/HistoryKeeper.h"
#include "keeping/NoteHistory.h"
#include "keeping/ReplacedNote.h"

#include <QDirIterator>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QTimeZone>

#include <sys/stat.h>

#include <cerrno>
#include <memory>

using namespace Qt::StringLiterals;
using namespace qb;
using namespace qb::test;

namespace {

const qint64 kT0 =
    QDateTime(QDate(2026, 3, 14), QTime(20, 0), QTimeZone::utc()).toMSecsSinceEpoch();
constexpr qint64 kDay = 24 * 60 * 60 * 1000;
constexpr qint64 kUnlimited = qint64(1) << 40;

// Bytes that barely compress, so that a version's file is about as large as its note.
QByteArray noise(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    for (char &c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

// A history root and a notes folder in one throwaway folder.
struct Place
{
    QTemporaryDir dir;
    QString root = dir.filePath(u"data/quirebox/history"_s);
    NoteHistory history{root};
    QString note(const QString &name = u"note.txt"_s) const { return dir.filePath(name); }
    // Every file under the history's root, hidden ones too, but the notes' path files.
    QStringList versionFiles() const
    {
        QStringList files;
        QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            if (const QString file = it.next(); !file.endsWith(u"/note-path.txt"_s))
                files.append(file);
        }
        return files;
    }
};

struct Injected
{
    const char *call;
    int error;
    qint64 passBytes;
};

QList<qint64> timesOf(const QList<NoteVersion> &versions)
{
    QList<qint64> times;
    for (const NoteVersion &version : versions)
        times.append(version.takenMs);
    return times;
}

} // namespace

Q_DECLARE_METATYPE(Injected)

class TestHistory : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY2(Faults().loaded(), "the test runs with the qbfault library preloaded");
    }

    void keepsBytesExactly_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xef\xbb\xbf"
                                                      "Caf\xc3\xa9 \xe2\x82\xac\r\n");
        QTest::newRow("Windows-1252") << QByteArray("Caf\xe9 \x80 \x93quoted\x94\r\n");
        QTest::newRow("mixed line ends") << QByteArray("a\r\nb\nc\rd\r\n\n\r");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("larger than one piece") << noise(kVersionPieceBytes + 12345, 7);
    }
    // Kept from the note's file and from memory, twice in one millisecond and once before:
    // listed newest first, each read back byte for byte, nothing put beside the note.
    void keepsBytesExactly()
    {
        QFETCH(QByteArray, bytes);
        Place p;
        QVERIFY(writeBytes(p.note(), bytes));
        FileReader reader(p.note());
        QVERIFY(p.history.keep(p.note(), reader, kT0).ok());
        QVERIFY(p.history.keep(p.note(), bytes + "second", kT0).ok());
        QVERIFY(p.history.keep(p.note(), "earlier", kT0 - 1000).ok());

        const QList<NoteVersion> versions = p.history.versions(p.note());
        QCOMPARE(timesOf(versions), QList<qint64>({kT0, kT0, kT0 - 1000}));
        const QList<std::pair<QString, QByteArray>> expected = {
            {u"the later of one millisecond, from memory"_s, bytes + "second"},
            {u"the earlier of one millisecond, from the file"_s, bytes},
            {u"the one a second before"_s, "earlier"}};
        for (qsizetype i = 0; i < versions.size(); ++i) {
            const RowLabel row(expected[i].first);
            QCOMPARE(versions[i].size, expected[i].second.size());
            const VersionBytes read = NoteHistory::read(versions[i], kUnlimited);
            QCOMPARE(read.error, QString());
            QCOMPARE(read.bytes, expected[i].second);
        }
        QCOMPARE(p.history.notes(), QStringList(p.note()));
        QCOMPARE(entriesOf(p.dir.path()), QStringList({u"data"_s, u"note.txt"_s}));
    }

    void thinsByAge_data()
    {
        QTest::addColumn<QList<qint64>>("taken"); // newest first
        QTest::addColumn<QList<qint64>>("kept");
        QList<qint64> today;
        for (int i = 0; i < 51; ++i)
            today.append(kT0 - i * 60'000);
        QTest::newRow("51 versions today") << today << today.first(50);

        // Two a day over 90 days: the newest 50 span 25 days, then one a day back to day 60.
        QList<qint64> twice, kept;
        for (int day = 0; day < 90; ++day) {
            const qint64 evening = kT0 - day * kDay - 2 * 3600'000,
                         morning = evening - 9 * 3600'000;
            twice << evening << morning;
            if (day < 25)
                kept << evening << morning;
            else if (day <= 60)
                kept << evening;
        }
        QTest::newRow("two a day over 90 days") << twice << kept;
        const QList<qint64> old = {kT0 - 100 * kDay, kT0 - 100 * kDay - 1, kT0 - 200 * kDay};
        QTest::newRow("a few, all old") << old << old;
    }
    void thinsByAge()
    {
        QFETCH(QList<qint64>, taken);
        QFETCH(QList<qint64>, kept);
        Place p;
        for (const qint64 ms : std::as_const(taken))
            QVERIFY(p.history.keep(p.note(), QByteArray::number(ms), ms).ok());
        const QDateTime now = QDateTime::fromMSecsSinceEpoch(kT0 + 60'000, QTimeZone::utc());
        QCOMPARE(p.history.thin(p.note(), now), taken.size() - kept.size());
        QCOMPARE(timesOf(p.history.versions(p.note())), kept);
    }

    // The oldest versions go first, whichever note they belong to; the one just kept never does.
    void capsTheWholeHistory()
    {
        Place p;
        QList<NoteVersion> kept;
        qint64 newestThree = 0;
        for (int i = 0; i < 6; ++i) {
            const QString note = p.note(i % 2 ? u"b.txt"_s : u"a.txt"_s);
            kept.append(p.history.keep(note, noise(20'000, i), kT0 + i).version);
            if (i >= 3)
                newestThree += QFileInfo(kept.last().filePath).size();
        }
        QCOMPARE(p.history.cap(newestThree, kept.last().filePath), 3);
        QCOMPARE(timesOf(p.history.versions(p.note(u"a.txt"_s))), QList<qint64>({kT0 + 4}));
        QCOMPARE(timesOf(p.history.versions(p.note(u"b.txt"_s))),
                 QList<qint64>({kT0 + 5, kT0 + 3}));

        QCOMPARE(p.history.cap(0, kept.last().filePath), 2);
        QCOMPARE(p.versionFiles(), QStringList(kept.last().filePath));
        QCOMPARE(p.history.notes(), QStringList(p.note(u"b.txt"_s)));
    }

    void carriesOnRename_data()
    {
        QTest::addColumn<QList<qint64>>("from");
        QTest::addColumn<QList<qint64>>("to");
        QTest::addColumn<QString>("carried"); // the versions kept under the new name, newest first
        // The version of the same millisecond comes after the one kept there.
        QTest::newRow("onto a name with its own history")
            << QList<qint64>{2, 1} << QList<qint64>{2, 0} << u"from 2|to 2|from 1|to 0"_s;
        QTest::newRow("to a new name")
            << QList<qint64>{2, 1} << QList<qint64>{} << u"from 2|from 1"_s;
        QTest::newRow("with no history") << QList<qint64>{} << QList<qint64>{2} << u"to 2"_s;
    }
    void carriesOnRename()
    {
        QFETCH(QList<qint64>, from);
        QFETCH(QList<qint64>, to);
        QFETCH(QString, carried);
        Place p;
        const QString oldName = p.note(u"old.txt"_s), newName = p.note(u"new.txt"_s);
        for (const qint64 ms : std::as_const(to))
            QVERIFY(p.history.keep(newName, "to " + QByteArray::number(ms), kT0 + ms).ok());
        for (const qint64 ms : std::as_const(from))
            QVERIFY(p.history.keep(oldName, "from " + QByteArray::number(ms), kT0 + ms).ok());

        QCOMPARE(p.history.carry(oldName, newName), std::nullopt);
        QVERIFY(p.history.versions(oldName).isEmpty());
        QStringList read;
        for (const NoteVersion &version : p.history.versions(newName))
            read.append(QString::fromUtf8(NoteHistory::read(version, kUnlimited).bytes));
        QCOMPARE(read.join(u'|'), carried);
        QCOMPARE(p.history.notes(), QStringList(newName));
    }

    // A folder whose path file names another note, as a clash of hashes would, is left to it.
    void keepsApartFromAClash()
    {
        Place p;
        const NoteVersion theirs = p.history.keep(p.note(), "theirs", kT0).version;
        const QString other = p.note(u"other.txt"_s);
        QVERIFY(
            writeBytes(QFileInfo(theirs.filePath).path() + u"/note-path.txt"_s, other.toUtf8()));
        QVERIFY(p.history.keep(p.note(), "mine", kT0 + 1).ok());
        QCOMPARE(timesOf(p.history.versions(p.note())), QList<qint64>({kT0 + 1}));
        QCOMPARE(NoteHistory::read(theirs, kUnlimited).bytes, "theirs");
        QStringList notes = p.history.notes();
        notes.sort();
        QCOMPARE(notes, QStringList({p.note(), other}));
    }

    // After the save's rename the held note still reads the old file; a note with no file yet
    // gives nothing, and makes no folder.
    void keepsTheReplacedFile()
    {
        Place p;
        ReplacedNote none = ReplacedNote::open(p.note());
        QVERIFY(none.isNothing());
        QVERIFY(none.keepIn(p.history, p.note(), kT0).ok());
        QVERIFY(!QFileInfo::exists(p.root));

        const QByteArray old = noise(300'000, 3);
        QVERIFY(writeBytes(p.note(), old));
        ReplacedNote replaced = ReplacedNote::open(p.note());
        QVERIFY(writeWholeFile(p.note(), "the new note").ok());
        QVERIFY(replaced.keepIn(p.history, p.note(), kT0).ok());
        QCOMPARE(NoteHistory::read(p.history.versions(p.note()).value(0), kUnlimited).bytes, old);
    }

    // The history holds the user's text: its folders and files are the user's alone, and a
    // history kept open to others before is closed to them by the next keep.
    void privateToTheUser()
    {
        Place p;
        QVERIFY(p.history.keep(p.note(), "first", kT0).ok());
        const auto modes = [&p] {
            QStringList modes;
            QDirIterator it(p.root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                            QDirIterator::Subdirectories);
            for (QString path = p.root; !path.isEmpty();
                 path = it.hasNext() ? it.next() : QString()) {
                struct stat status = {};
                ::stat(QFile::encodeName(path).constData(), &status);
                modes << QString::number(status.st_mode & 0777, 8);
            }
            return modes;
        };
        const QStringList closed = modes();
        QCOMPARE(closed.size(), 4); // the root, the note's folder, its path file, the version
        QCOMPARE(closed, (QStringList{u"700"_s, u"700"_s, u"600"_s, u"600"_s}));

        QDirIterator it(p.root, QDir::AllEntries | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QVERIFY(::chmod(QFile::encodeName(path).constData(),
                            QFileInfo(path).isDir() ? 0755 : 0644) == 0);
        }
        QVERIFY(::chmod(QFile::encodeName(p.root).constData(), 0755) == 0);
        QVERIFY(p.history.keep(p.note(u"other.txt"_s), "second", kT0).ok());
        QCOMPARE(modes().count(u"700"_s), 3);
        QCOMPARE(modes().count(u"600"_s), 4);
        QCOMPARE(modes().size(), 7);
    }

    void faultsKeepNothing_data()
    {
        using F = QList<Injected>;
        QTest::addColumn<F>("faults");
        QTest::addColumn<bool>("onTheNote");
        QTest::addColumn<QString>("reason");
        const QString noSpace = qt_error_string(ENOSPC), io = qt_error_string(EIO);
        QTest::newRow("disk full writing") << F{{"write", ENOSPC, 4096}} << false << noSpace;
        QTest::newRow("disk full, named temporary file")
            << F{{"tmpfile", EOPNOTSUPP, -1}, {"write", ENOSPC, 4096}} << false << noSpace;
        QTest::newRow("rename fails")
            << F{{"tmpfile", EOPNOTSUPP, -1}, {"rename", EIO, -1}} << false << io;
        QTest::newRow("link fails") << F{{"linkat", EIO, -1}} << false << io;
        QTest::newRow("sync fails") << F{{"fdatasync", EIO, -1}} << false << io;
        QTest::newRow("unwritable root")
            << F{{"mkdir", EACCES, -1}} << false << qt_error_string(EACCES);
        QTest::newRow("replaced note unreadable") << F{{"read", EIO, 65536}} << true << io;
        QTest::newRow("replaced note cut short") << F{{"read", 0, 65536}} << true << u"shorter"_s;
    }
    // A failure with the system's reason; no version or temporary file left; the note as the
    // save left it; and the next version is kept.
    void faultsKeepNothing()
    {
        QFETCH(QList<Injected>, faults);
        QFETCH(bool, onTheNote);
        QFETCH(QString, reason);
        Place p;
        if (faults.first().call != QByteArrayView("mkdir")) // a first version makes the folder
            QVERIFY(p.history.keep(p.note(), "an earlier version", kT0 - 1).ok());
        const QStringList before = p.versionFiles();
        QVERIFY(writeBytes(p.note(), noise(400'000, 5)));
        ReplacedNote replaced = ReplacedNote::open(p.note());
        QVERIFY(writeWholeFile(p.note(), "saved").ok());
        const QDateTime saved = QFileInfo(p.note()).lastModified();

        Faults injected;
        for (const Injected &fault : std::as_const(faults))
            injected.arm(fault.call, fault.error, onTheNote ? p.note() : p.root, fault.passBytes);
        const KeptVersion kept = replaced.keepIn(p.history, p.note(), kT0);
        QVERIFY(injected.hits() > 0);
        injected.disarm();
        QVERIFY(!kept.ok());
        QVERIFY2(kept.error->contains(reason), qPrintable(*kept.error));
        QCOMPARE(p.versionFiles(), before);
        QCOMPARE(readBytes(p.note()), "saved");
        QCOMPARE(QFileInfo(p.note()).lastModified(), saved);
        QVERIFY(p.history.keep(p.note(), "later", kT0 + 1).ok());
    }

    // Cut at any length, any byte flipped, a size other than its name's or above the limit: a
    // failure with a reason, or (a flip that changes nothing the frame holds) the very bytes.
    void refusesDamagedVersions()
    {
        Place p;
        const QByteArray bytes = QByteArray("A note that was kept, line by line.\r\n").repeated(20);
        const NoteVersion version = p.history.keep(p.note(), bytes, kT0).version;
        const QByteArray good = readBytes(version.filePath);
        for (qsizetype at = 0; at < good.size(); ++at) {
            const RowLabel row(u"cut at, or a bit changed in, byte %1"_s.arg(at));
            QVERIFY(writeBytes(version.filePath, good.first(at)));
            QVERIFY(!NoteHistory::read(version, kUnlimited).error.isEmpty());
            QByteArray flipped = good;
            flipped[at] = char(flipped[at] ^ 0x10);
            QVERIFY(writeBytes(version.filePath, flipped));
            const VersionBytes read = NoteHistory::read(version, kUnlimited);
            QVERIFY2(read.ok() ? read.bytes == bytes : read.bytes.isEmpty(),
                     qPrintable(read.error));
        }
        QVERIFY(writeBytes(version.filePath, good + good));
        QVERIFY(!NoteHistory::read(version, kUnlimited).ok());

        // A small file that claims 64 MiB is refused before anything is made of it.
        const NoteVersion large =
            p.history.keep(p.note(), QByteArray(64 << 20, 0), kT0 + 1).version;
        QVERIFY(!NoteHistory::read(large, 1 << 20).ok());
        NoteVersion misnamed = large;
        misnamed.size = 100;
        QVERIFY(NoteHistory::read(misnamed, kUnlimited).error.contains(u"67108864"_s));
    }

    // Jobs run in the order given, a keeper destroyed with jobs queued finishes them, and a
    // version that cannot be kept is reported, on the keeper's thread, without touching the note.
    void keeperKeepsOrderAndReports()
    {
        Place p;
        const QDateTime when = QDateTime::fromMSecsSinceEpoch(kT0, QTimeZone::utc());
        HistorySettings settings{p.root, [when] { return when; },
                                 [](const QString &) { return kUnlimited; }};
        auto keeper = std::make_unique<HistoryKeeper>(settings);
        for (int i = 0; i < 30; ++i)
            keeper->keepReplaced(p.note(), ReplacedNote::fromBytes(noise(100'000, i)), when);
        keeper.reset();
        const QList<NoteVersion> versions = p.history.versions(p.note());
        QCOMPARE(versions.size(), 30);
        for (int i = 0; i < 30; ++i) {
            const RowLabel row(u"the job %1 of 30"_s.arg(i + 1));
            QCOMPARE(NoteHistory::read(versions[29 - i], kUnlimited).bytes, noise(100'000, i));
        }

        QVERIFY(writeBytes(p.dir.filePath(u"not a folder"_s), {}));
        settings.root = p.dir.filePath(u"not a folder/history"_s);
        HistoryKeeper failing(settings);
        QSignalSpy notKept(&failing, &HistoryKeeper::notKept);
        QThread *toldOn = nullptr;
        connect(&failing, &HistoryKeeper::notKept, [&] { toldOn = QThread::currentThread(); });
        QVERIFY(writeBytes(p.note(), "the note"));
        failing.keepReplaced(p.note(), ReplacedNote::open(p.note()), when);
        failing.waitForDone();
        QTRY_COMPARE(notKept.size(), 1);
        QCOMPARE(notKept[0][0].toString(), p.note());
        QVERIFY(!notKept[0][1].toString().isEmpty());
        QVERIFY(toldOn == QThread::currentThread());
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "test_history.moc"
