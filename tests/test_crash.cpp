// A save killed at any moment leaves the note whole: exactly the old bytes or the new ones, and
// the folder lists nothing else. The saves run in a child process (crash_saver) that is killed
// with SIGKILL right after each system call of one save in turn, then at random moments.

#include "KilledAfterEachCall.h"
#include "RowLabel.h"
#include "TestFiles.h"
#include "faults/CrashNotes.h"

#include "notes/NoteListing.h"
#include "platform/SafeFile.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cerrno>

using namespace Qt::StringLiterals;
using namespace qb;
using namespace qb::test;

namespace {

// The saver runs with qbfault preloaded, which this test is not.
QProcessEnvironment childEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LD_PRELOAD"_s, QStringLiteral(QB_FAULT_LIBRARY));
    environment.insert(u"ASAN_OPTIONS"_s, u"verify_asan_link_order=0"_s);
    return environment;
}

// The note is one of the two contents, and a listing shows it alone. A temporary file left by
// a kill between its link and the rename is hidden, and is one of the save's own.
void expectWholeNote(const QString &dir, const QString &note)
{
    const QByteArray bytes = readBytes(note);
    QVERIFY2(bytes == noteContent(0) || bytes == noteContent(1),
             qPrintable(u"a note of %1 bytes, neither old nor new"_s.arg(bytes.size())));
    QCOMPARE(listNoteFiles(dir).fileNames(), QStringList(u"note.txt"_s));
    const QStringList all =
        QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString &name : all)
        QVERIFY2(name == u"note.txt"_s || isSaveTempName(QFile::encodeName(name)),
                 qPrintable(name));
}

} // namespace

class TestCrash : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void killedAfterEachCall_data()
    {
        QTest::addColumn<bool>("unnamedTemporaryFiles");
        QTest::newRow("unnamed temporary file") << true;
        QTest::newRow("named temporary file") << false;
    }

    void killedAfterEachCall()
    {
        QFETCH(bool, unnamedTemporaryFiles);
        // Opening, writing, syncing, naming, renaming, syncing the folder: a kill after each.
        killAfterEachCall(unnamedTemporaryFiles ? 6 : 5, [&](int call, QProcess &saver) {
            QTemporaryDir dir;
            const QString note = dir.filePath(u"note.txt"_s);
            QVERIFY(writeBytes(note, noteContent(0)));
            saver.setProcessEnvironment(killedAfterCall(
                call, dir.path(),
                unnamedTemporaryFiles ? QString()
                                      : u"tmpfile:%1:%2"_s.arg(EOPNOTSUPP).arg(dir.path()),
                childEnvironment()));
            saver.start(QStringLiteral(QB_CRASH_SAVER), {note, u"once"_s});
            QVERIFY(saver.waitForFinished(60'000));
            expectWholeNote(dir.path(), note);
            if (saver.exitStatus() == QProcess::NormalExit)
                QCOMPARE(readBytes(note), noteContent(1));
        });
    }

    void killedAtRandomMoments()
    {
        QTemporaryDir dir;
        const QString note = dir.filePath(u"note.txt"_s);
        QVERIFY(writeBytes(note, noteContent(0)));
        QRandomGenerator random(20261206);
        for (int kill = 0; kill < 30; ++kill) {
            const int after = int(random.bounded(5, 120));
            const RowLabel row(u"kill %1 of 30, %2 ms after the start"_s.arg(kill + 1).arg(after));
            QProcess saver;
            saver.setProcessEnvironment(childEnvironment());
            saver.start(QStringLiteral(QB_CRASH_SAVER), {note, u"loop"_s});
            QVERIFY(saver.waitForStarted());
            QTest::qSleep(after);
            saver.kill();
            QVERIFY(saver.waitForFinished());
            QCOMPARE(saver.exitStatus(), QProcess::CrashExit);
            expectWholeNote(dir.path(), note);
        }
    }
};

QTEST_GUILESS_MAIN(TestCrash)
#include "test_crash.moc"
