// What the program remembers between runs: kept as it is given, the oldest dropped past the
// limits, written whole or not at all (killed at any system call, or refused by the disk), and
// read back as new from any damaged file.
#include "KilledAfterEachCall.h"
#include "RowLabel.h"
#include "TestFiles.h"
#include "faults/Faults.h"

#include "notes/ProgramState.h"
#include "platform/StateFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;
using namespace qb;
using namespace qb::test;

namespace {

// A state with every part kept: `which` makes each differ.
QJsonObject stateContent(int which)
{
    ProgramState state;
    for (int i = 0; i < 12; ++i)
        state.addRecentBook(u"/books/%1-%2.qb"_s.arg(which).arg(i));
    state.setWindowGeometry(QByteArray(40, char('a' + which)));
    state.setLastNote(u"/books/b.qb"_s, u"/notes/%1.txt"_s.arg(which));
    for (int i = 0; i < 300; ++i)
        state.setPlace(u"/notes/%1.txt"_s.arg(i), {i, i + which, i * 2});
    state.setZoom(3 + which);
    state.setFont(u"Liberation Mono,12,-1,5,400,0,0,0,0,0,0,0,0,0,0,1"_s);
    return state.toJson();
}

} // namespace

class TestProgramState : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Kept as given and read back the same; the newest book first, none twice, nine at most; a
    // book gone from the list is gone; the places of the notes shown last kept, the oldest
    // dropped first, a note's place moved to the newest when it changes.
    void keptAsGiven()
    {
        ProgramState state;
        QSignalSpy changed(&state, &ProgramState::changed);
        for (int i = 0; i < 11; ++i)
            state.addRecentBook(u"/b/%1.qb"_s.arg(i));
        state.addRecentBook(u"/b/3.qb"_s);
        state.removeRecentBook(u"/b/9.qb"_s);
        QCOMPARE(state.recentBooks(),
                 QStringList({u"/b/3.qb"_s, u"/b/10.qb"_s, u"/b/8.qb"_s, u"/b/7.qb"_s, u"/b/6.qb"_s,
                              u"/b/5.qb"_s, u"/b/4.qb"_s, u"/b/2.qb"_s}));
        for (int i = 0; i < ProgramState::kNotePlaces + 5; ++i)
            state.setPlace(u"/n/%1.txt"_s.arg(i), {i, i, i});
        // The first note moves again: it is the newest now, and the next ones go.
        state.setPlace(u"/n/5.txt"_s, {1, 2, 3});
        state.setPlace(u"/n/extra.txt"_s, {7, 8, 9});
        QVERIFY(!state.place(u"/n/4.txt"_s));
        QVERIFY(!state.place(u"/n/6.txt"_s));
        QCOMPARE(state.place(u"/n/5.txt"_s), NotePlace({1, 2, 3}));
        QCOMPARE(state.place(u"/n/7.txt"_s), NotePlace({7, 7, 7}));
        state.setLastNote(u"/b/3.qb"_s, u"/n/a.txt"_s);
        state.setZoom(99);
        QCOMPARE(state.zoom(), 40);
        QVERIFY(state.spellingOn());
        state.setSpellingOn(false);
        state.setBookLanguage(u"/b/3.qb"_s, u"de_DE"_s);
        state.setBookLanguage(u"/b/4.qb"_s, u"en_US"_s);
        QVERIFY(changed.count() > 1000);

        ProgramState read;
        read.restore(QJsonDocument::fromJson(QJsonDocument(state.toJson()).toJson()).object());
        QCOMPARE(read.toJson(), state.toJson());
        QCOMPARE(read.recentBooks(), state.recentBooks());
        QCOMPARE(read.lastNote(u"/b/3.qb"_s), u"/n/a.txt"_s);
        QCOMPARE(read.place(u"/n/extra.txt"_s), NotePlace({7, 8, 9}));
        QVERIFY(!read.spellingOn());
        QCOMPARE(read.bookLanguage(u"/b/3.qb"_s), u"de_DE"_s);
        QCOMPARE(read.bookLanguage(u"/b/4.qb"_s), u"en_US"_s);
        QCOMPARE(read.bookLanguage(u"/b/5.qb"_s), QString());
        // Order kept: the oldest still goes first.
        read.setPlace(u"/n/new.txt"_s, {});
        QVERIFY(!read.place(u"/n/7.txt"_s));
        QVERIFY(read.place(u"/n/8.txt"_s));
    }

    // A state file that is missing, damaged, or of the wrong shape starts the program as new:
    // what can be read of it is kept, the rest left out, and nothing fails.
    void damagedStateReadAsNew()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"state.json"_s);
        QCOMPARE(readStateFile(file), QJsonObject());
        const QByteArray whole = QJsonDocument(stateContent(0)).toJson();
        const QList<std::pair<QString, QByteArray>> damaged = {
            {u"cut in the middle"_s, whole.first(whole.size() / 2)},
            {u"not JSON"_s, "\x00\xff\xfe garbage"_ba},
            {u"an array"_s, "[1, 2, 3]"},
            {u"empty"_s, ""},
        };
        for (const auto &[row, bytes] : damaged) {
            const RowLabel label(row);
            QVERIFY(writeBytes(file, bytes));
            QCOMPARE(readStateFile(file), QJsonObject());
        }
        // Parts of the wrong type or out of range are left out.
        ProgramState state;
        state.restore(QJsonDocument::fromJson(
                          R"({"recentBooks": ["/a.qb", 5, "", "/a.qb", "/b.qb"],
                              "notes": [{"note": "/n.txt", "anchor": -1, "position": 2, "scroll": 0},
                                        {"note": "/m.txt", "anchor": 1, "position": 2, "scroll": 3},
                                        {"note": "/o.txt", "anchor": 1.5, "position": 2, "scroll": 3},
                                        7],
                              "books": {"book": "/a.qb"},
                              "view": {"zoom": 1e9, "font": 12},
                              "spelling": {"on": "no", "books": [{"book": "/a.qb", "language": 3},
                                                                 {"book": "/b.qb", "language": "xx"}]}})")
                          .object());
        QCOMPARE(state.recentBooks(), QStringList({u"/a.qb"_s, u"/b.qb"_s}));
        QVERIFY(!state.place(u"/n.txt"_s));
        QVERIFY(!state.place(u"/o.txt"_s));
        QCOMPARE(state.place(u"/m.txt"_s), NotePlace({1, 2, 3}));
        QCOMPARE(state.zoom(), 0);
        QVERIFY(state.font().isEmpty());
        QVERIFY(state.spellingOn());
        QCOMPARE(state.bookLanguage(u"/a.qb"_s), QString());
        QCOMPARE(state.bookLanguage(u"/b.qb"_s), u"xx"_s);
        // Random damage of a whole state never fails, and what is kept reads back the same.
        QRandomGenerator random(20261207);
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes = whole;
            for (int i = 0; i < 1 + random.bounded(8); ++i)
                bytes[random.bounded(int(bytes.size()))] = char(random.bounded(256));
            ProgramState read;
            read.restore(QJsonDocument::fromJson(bytes).object());
            ProgramState again;
            again.restore(read.toJson());
            QCOMPARE(again.toJson(), read.toJson());
        }
    }

    // The writer writes the newest state given, at most once a second from the end of the last
    // write however long that took, and its folder is the user's alone; a flush writes what waits
    // at once.
    void writtenOncePerSecond()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"state/quirebox/state.json"_s);
        StateFileWriter writer(file);
        {
            // A slow disk: the first write takes longer than the gap.
            const SyncGate gate("fdatasync", dir.path());
            writer.schedule(stateContent(0));
            QTRY_VERIFY(gate.held() > 0);
            QTest::qWait(StateFileWriter::kMinimumGapMilliseconds * 3 / 4);
        }
        QTRY_COMPARE(readStateFile(file), stateContent(0));
        QCOMPARE(QFileInfo(QFileInfo(file).path()).permissions() & 0x0077, QFile::Permissions());
        const QDateTime first = QFileInfo(file).lastModified();
        writer.schedule(stateContent(1));
        writer.schedule(stateContent(2));
        QTest::qWait(StateFileWriter::kMinimumGapMilliseconds / 2);
        // Not yet: the last write was less than a second ago.
        QCOMPARE(readStateFile(file), stateContent(0));
        QTRY_COMPARE(readStateFile(file), stateContent(2));
        QVERIFY(QFileInfo(file).lastModified() > first);
        writer.schedule(stateContent(3));
        writer.flush();
        QCOMPARE(readStateFile(file), stateContent(3));
    }

    // A disk that refuses the write leaves the last state whole, and nothing is said; a sync of
    // the folder refused after the rename leaves the new one, whole.
    void refusedWriteKeepsTheLastState()
    {
        QVERIFY2(Faults().loaded(), "the test runs with the qbfault library preloaded");
        QTemporaryDir dir;
        const QString file = dir.filePath(u"state.json"_s);
        StateFileWriter writer(file);
        writer.schedule(stateContent(0));
        writer.flush();
        for (const char *call : {"open", "write", "fsync", "rename"}) {
            const RowLabel label(QString::fromLatin1(call));
            Faults faults;
            faults.arm(call, ENOSPC, dir.path());
            writer.schedule(stateContent(1));
            writer.flush();
            QVERIFY(faults.hits() > 0);
            faults.disarm();
            const QJsonObject read = readStateFile(file);
            if (std::strcmp(call, "fsync") == 0)
                QVERIFY(read == stateContent(0) || read == stateContent(1));
            else
                QCOMPARE(read, stateContent(0));
            writer.schedule(stateContent(0));
            writer.flush();
        }
    }

    // Killed right after each system call of one write in turn: the state file holds the old
    // state or the new one, whole.
    void killedWhileWriting()
    {
        killAfterEachCall(4, [](int call, QProcess &child) {
            QTemporaryDir dir;
            const QString file = dir.filePath(u"state.json"_s);
            {
                StateFileWriter writer(file);
                writer.schedule(stateContent(0));
            }
            child.setProcessEnvironment(killedAfterCall(call, dir.path()));
            child.start(QStringLiteral(QB_CRASH_STATE),
                        {file, QString::fromUtf8(QJsonDocument(stateContent(1)).toJson())});
            QVERIFY(child.waitForFinished(60'000));
            const QJsonObject read = readStateFile(file);
            QVERIFY2(read == stateContent(0) || read == stateContent(1),
                     "the state file is neither the old state nor the new one");
            if (child.exitStatus() == QProcess::NormalExit)
                QCOMPARE(read, stateContent(1));
        });
    }
};

QTEST_GUILESS_MAIN(TestProgramState)
#include "test_programstate.moc"
