#include "notes/NoteFiles.h"
#include "platform/SafeFile.h"

#include <QDirIterator>
#include <QFile>
#include <QSaveFile>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace qb;

namespace {

const QByteArray NoteBytes("line one\r\nlone\rcr\0nul \xff\xfe end", 28);

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList entriesOf(const QString &dirPath)
{
    return QDir(dirPath).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                       | QDir::NoDotAndDotDot, QDir::Name);
}

// Root, or a process with CAP_DAC_OVERRIDE, writes through read-only modes.
bool permissionsEnforced()
{
    if (geteuid() != 0)
        return true;
    QTemporaryDir dir;
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    QFile probe(dir.filePath(u"probe"_s));
    const bool written = probe.open(QIODevice::WriteOnly);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return !written;
}

// Sets an environment variable for one scope.
class EnvOverride
{
public:
    EnvOverride(const char *name, const QString &value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        qputenv(name, QFile::encodeName(value));
    }
    ~EnvOverride() { m_had ? qputenv(m_name, m_old) : qunsetenv(m_name); }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};

} // namespace

class TestNoteFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void listsNoteFilesOnly();
    void listOrder_data();
    void listOrder();
    void pathRoutines_data();
    void pathRoutines();
    void checksNoteFileNames_data();
    void checksNoteFileNames();
    void createsOnlyNewNoteFiles();
    void copiesWholeOrNothing_data();
    void copiesWholeOrNothing();
    void renamesNeverOntoAnotherFile_data();
    void renamesNeverOntoAnotherFile();
    void movesToTrash_data();
    void movesToTrash();
    void fingerprintSeesOtherWriters_data();
    void fingerprintSeesOtherWriters();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
    void writeKeepsPermissions();
};

void TestNoteFiles::listsNoteFilesOnly()
{
    QTemporaryDir dir;
    for (const QString &name : {u"b.txt"_s, u"A.txt"_s, u"notes.2024.txt"_s, u"Ideas.TXT"_s,
                                u"mixed.tXt"_s, u".hidden.txt"_s, u"readme.md"_s, u"txt"_s,
                                u"plan.txt.bak"_s, u"c.txt.Xq3bZ1"_s})
        writeFile(dir.filePath(name), name.toUtf8());
    QVERIFY(QDir(dir.path()).mkdir(u"folder.txt"_s));
    QVERIFY(QFile::link(u"b.txt"_s, dir.filePath(u"link.txt"_s)));
    QVERIFY(QFile::link(u"gone.txt"_s, dir.filePath(u"dangling.txt"_s)));
    QVERIFY(QFile::link(u"folder.txt"_s, dir.filePath(u"folderlink.txt"_s)));
    QSaveFile unfinished(dir.filePath(u"unfinished.txt"_s));
    QVERIFY(unfinished.open(QIODevice::WriteOnly));
    QCOMPARE(unfinished.write("half"), 4);

    const NoteListing listing = ListNoteFiles(dir.path());
    QCOMPARE(listing.error, QString());
    QCOMPARE(listing.fileNames, QStringList({u"A.txt"_s, u"b.txt"_s, u"Ideas.TXT"_s,
                                             u"link.txt"_s, u"mixed.tXt"_s,
                                             u"notes.2024.txt"_s}));
    QStringList noteNames;
    for (const QString &fileName : listing.fileNames)
        noteNames.append(NoteNameOf(fileName));
    QCOMPARE(noteNames, QStringList({u"A"_s, u"b"_s, u"Ideas"_s, u"link"_s, u"mixed"_s,
                                     u"notes.2024"_s}));
    QCOMPARE(readFile(NoteFilePath(dir.path(), u"Ideas.TXT"_s)), "Ideas.TXT");
    unfinished.cancelWriting();

    const NoteListing missing = ListNoteFiles(dir.filePath(u"missing"_s));
    QVERIFY(missing.fileNames.isEmpty() && !missing.error.isEmpty());
}

void TestNoteFiles::listOrder_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::newRow("letter case ignored") << u"a.txt"_s << u"B.txt"_s;
    QTest::newRow("upper case first in a tie") << u"A.txt"_s << u"a.txt"_s;
    QTest::newRow("ending case breaks a full tie") << u"a.TXT"_s << u"a.txt"_s;
    QTest::newRow("note name, not file name") << u"a.txt"_s << u"a b.txt"_s;
    QTest::newRow("shorter name first") << u"notes.txt"_s << u"notes.2024.txt"_s;
    QTest::newRow("accented tie") << u"Ärger.txt"_s << u"ärger.txt"_s;
    QTest::newRow("digits are characters") << u"note10.txt"_s << u"note2.txt"_s;
}

void TestNoteFiles::listOrder()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QVERIFY(NoteFileNameLess(first, second));
    QVERIFY(!NoteFileNameLess(second, first));
    QVERIFY(!NoteFileNameLess(first, first));

    QTemporaryDir dir;
    writeFile(dir.filePath(second), {});
    writeFile(dir.filePath(first), {});
    QCOMPARE(ListNoteFiles(dir.path()).fileNames, QStringList({first, second}));
}

void TestNoteFiles::pathRoutines_data()
{
    QTest::addColumn<bool>("ensure"); // EnsureTxtExtension, else FileNamePart
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::newRow("ending added") << true << u"report"_s << u"report.txt"_s;
    QTest::newRow("upper-case ending kept") << true << u"Report.TXT"_s << u"Report.TXT"_s;
    QTest::newRow("short ending") << true << u"a.tx"_s << u"a.tx.txt"_s;
    QTest::newRow("empty name") << true << QString() << u".txt"_s;
    QTest::newRow("no dot") << true << u"txt"_s << u"txt.txt"_s;
    QTest::newRow("inner ending") << true << u"Ideas.txt.bak"_s << u"Ideas.txt.bak.txt"_s;
    QTest::newRow("backslashes") << false << u"C:\\docs\\plan.txt"_s << u"plan.txt"_s;
    QTest::newRow("slashes") << false << u"/home/ann/plan.txt"_s << u"plan.txt"_s;
    QTest::newRow("slash last") << false << u"a\\b/c.txt"_s << u"c.txt"_s;
    QTest::newRow("backslash last") << false << u"a/b\\c.txt"_s << u"c.txt"_s;
    QTest::newRow("no separator") << false << u"plan.txt"_s << u"plan.txt"_s;
    QTest::newRow("ends in separator") << false << u"C:\\docs\\"_s << QString();
}

void TestNoteFiles::pathRoutines()
{
    QFETCH(bool, ensure);
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QCOMPARE(ensure ? EnsureTxtExtension(input) : FileNamePart(input), expected);
}

void TestNoteFiles::checksNoteFileNames_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("systemAgrees"); // the file system takes exactly the accepted names
    QTest::newRow("plain") << u"Ideas.txt"_s << true << true;
    QTest::newRow("blanks kept") << u" spaced .TXT"_s << true << true;
    QTest::newRow("accents") << u"Ünïcødé.txt"_s << true << true;
    QTest::newRow("no-break space") << u"a\u00a0b.txt"_s << true << true;
    QTest::newRow("slash") << u"a/b.txt"_s << false << true;
    QTest::newRow("backslash") << u"a\\b.txt"_s << false << false;
    QTest::newRow("dot") << u"..txt"_s << false << false;
    QTest::newRow("dot dot") << u"...txt"_s << false << false;
    QTest::newRow("empty") << u".txt"_s << false << false;
    QTest::newRow("hidden") << u".plan.txt"_s << false << false;
    QTest::newRow("tab") << u"a\tb.txt"_s << false << false;
    QTest::newRow("line feed") << u"a\nb.txt"_s << false << false;
    QTest::newRow("delete") << u"a\u007fb.txt"_s << false << false;
    QTest::newRow("C1 control") << u"a\u0085b.txt"_s << false << false;
    QTest::newRow("255 bytes") << QString(251, u'a') + u".txt"_s << true << true;
    QTest::newRow("256 bytes") << QString(252, u'a') + u".txt"_s << false << true;
    QTest::newRow("254 bytes, 125 letters") << QString(125, u'é') + u".txt"_s << true << true;
    QTest::newRow("256 bytes, 126 letters") << QString(126, u'é') + u".txt"_s << false << true;
}

void TestNoteFiles::checksNoteFileNames()
{
    QFETCH(QString, fileName);
    QFETCH(bool, accepted);
    QFETCH(bool, systemAgrees);
    const std::optional<QString> reason = CheckNoteFileName(fileName);
    QCOMPARE(!reason.has_value(), accepted);
    if (reason)
        QVERIFY(!reason->isEmpty());

    QTemporaryDir dir;
    if (systemAgrees)
        QCOMPARE(!CreateNoteFile(NoteFilePath(dir.path(), fileName)).has_value(), accepted);
    if (accepted)
        QCOMPARE(ListNoteFiles(dir.path()).fileNames, QStringList(fileName));
}

void TestNoteFiles::createsOnlyNewNoteFiles()
{
    QTemporaryDir dir;
    const QString fresh = dir.filePath(u"Ideas.txt"_s);
    QCOMPARE(CreateNoteFile(fresh), std::nullopt);
    QCOMPARE(readFile(fresh), "\r\n");

    const QString taken = dir.filePath(u"taken.txt"_s);
    writeFile(taken, NoteBytes);
    const FileError clash = CreateNoteFile(taken);
    QVERIFY(clash.has_value() && !clash->isEmpty());
    QCOMPARE(readFile(taken), NoteBytes);

    QVERIFY(CreateNoteFile(dir.filePath(u"missing/new.txt"_s)).has_value());
    QCOMPARE(entriesOf(dir.path()), QStringList({u"Ideas.txt"_s, u"taken.txt"_s}));
}

void TestNoteFiles::copiesWholeOrNothing_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<bool>("replace");
    QTest::addColumn<bool>("copied");
    QTest::addColumn<QByteArray>("destinationAfter"); // empty: no such file
    const QByteArray old("old note\r\n");
    QTest::newRow("new name") << u"src.txt"_s << u"copy.txt"_s << false << true << NoteBytes;
    QTest::newRow("new name, may replace") << u"src.txt"_s << u"copy.txt"_s << true << true
                                           << NoteBytes;
    QTest::newRow("taken name") << u"src.txt"_s << u"old.txt"_s << false << false << old;
    QTest::newRow("taken name, may replace") << u"src.txt"_s << u"old.txt"_s << true << true
                                             << NoteBytes;
    QTest::newRow("onto itself") << u"src.txt"_s << u"src.txt"_s << false << false << NoteBytes;
    QTest::newRow("onto itself, may replace") << u"src.txt"_s << u"src.txt"_s << true << true
                                              << NoteBytes;
    QTest::newRow("onto itself, other spelling") << u"src.txt"_s << u"./src.txt"_s << true
                                                 << true << NoteBytes;
    QTest::newRow("missing source") << u"gone.txt"_s << u"copy.txt"_s << false << false
                                    << QByteArray();
    QTest::newRow("missing source, may replace") << u"gone.txt"_s << u"old.txt"_s << true
                                                 << false << old;
    QTest::newRow("folder as source") << u"sub"_s << u"copy.txt"_s << true << false
                                      << QByteArray();
    QTest::newRow("pipe as source") << u"pipe"_s << u"copy.txt"_s << true << false
                                    << QByteArray();
}

void TestNoteFiles::copiesWholeOrNothing()
{
    QFETCH(QString, source);
    QFETCH(QString, destination);
    QFETCH(bool, replace);
    QFETCH(bool, copied);
    QFETCH(QByteArray, destinationAfter);
    QTemporaryDir from;
    QTemporaryDir to;
    writeFile(from.filePath(u"src.txt"_s), NoteBytes);
    QVERIFY(QDir(from.path()).mkdir(u"sub"_s));
    QCOMPARE(::mkfifo(QFile::encodeName(from.filePath(u"pipe"_s)).constData(), 0600), 0);
    writeFile(to.filePath(u"old.txt"_s), "old note\r\n");
    const bool itself = destination.endsWith(u"src.txt"_s);
    const QString target = (itself ? from : to).filePath(destination);

    const FileError error = CopyNoteFile(from.filePath(source), target, replace);
    QCOMPARE(!error.has_value(), copied);
    if (error)
        QVERIFY(!error->isEmpty());
    QCOMPARE(readFile(from.filePath(u"src.txt"_s)), NoteBytes);
    QCOMPARE(QFileInfo::exists(target), !destinationAfter.isEmpty());
    if (!destinationAfter.isEmpty())
        QCOMPARE(readFile(target), destinationAfter);
    QStringList expected{u"old.txt"_s};
    if (!itself && !destinationAfter.isEmpty() && destination != u"old.txt"_s)
        expected.prepend(destination);
    QCOMPARE(entriesOf(to.path()), expected);
    QCOMPARE(entriesOf(from.path()), QStringList({u"pipe"_s, u"src.txt"_s, u"sub"_s}));
}

void TestNoteFiles::renamesNeverOntoAnotherFile_data()
{
    QTest::addColumn<QStringList>("files");  // each holds its own name
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("renamed");
    QTest::addColumn<QStringList>("after");  // name=content of every file afterwards
    QTest::newRow("free name") << QStringList{u"a.txt"_s, u"b.txt"_s} << u"a.txt"_s
                               << u"zeta.txt"_s << true
                               << QStringList{u"b.txt=b.txt"_s, u"zeta.txt=a.txt"_s};
    QTest::newRow("taken name") << QStringList{u"a.txt"_s, u"b.txt"_s} << u"a.txt"_s
                                << u"b.txt"_s << false
                                << QStringList{u"a.txt=a.txt"_s, u"b.txt=b.txt"_s};
    QTest::newRow("letter case only") << QStringList{u"a.txt"_s} << u"a.txt"_s << u"A.txt"_s
                                      << true << QStringList{u"A.txt=a.txt"_s};
    QTest::newRow("letter case, other file") << QStringList{u"a.txt"_s, u"A.txt"_s}
                                             << u"a.txt"_s << u"A.txt"_s << false
                                             << QStringList{u"A.txt=A.txt"_s, u"a.txt=a.txt"_s};
    QTest::newRow("letter case, hard link") << QStringList{u"a.txt"_s, u"A.txt>a.txt"_s}
                                            << u"a.txt"_s << u"A.txt"_s << false
                                            << QStringList{u"A.txt=a.txt"_s, u"a.txt=a.txt"_s};
    QTest::newRow("missing file") << QStringList{u"b.txt"_s} << u"a.txt"_s << u"c.txt"_s
                                  << false << QStringList{u"b.txt=b.txt"_s};
}

void TestNoteFiles::renamesNeverOntoAnotherFile()
{
    QFETCH(QStringList, files);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, renamed);
    QFETCH(QStringList, after);
    QTemporaryDir dir;
    for (const QString &file : files) {
        const QStringList link = file.split(u'>');
        if (link.size() == 2)
            QCOMPARE(::link(QFile::encodeName(dir.filePath(link[1])).constData(),
                            QFile::encodeName(dir.filePath(link[0])).constData()), 0);
        else
            writeFile(dir.filePath(file), file.toUtf8());
    }

    const FileError error = RenameNoteFile(dir.filePath(from), dir.filePath(to));
    QCOMPARE(!error.has_value(), renamed);
    if (error)
        QVERIFY(!error->isEmpty());
    QStringList found;
    for (const QString &name : entriesOf(dir.path()))
        found.append(name + u'=' + QString::fromUtf8(readFile(dir.filePath(name))));
    QCOMPARE(found, after);
}

void TestNoteFiles::movesToTrash_data()
{
    QTest::addColumn<bool>("trashUsable");
    QTest::newRow("trash usable") << true;
    QTest::newRow("plain file where the trash would be") << false;
}

// The current directory is a fresh one too: Qt's own fallback would put files there.
void TestNoteFiles::movesToTrash()
{
    QFETCH(bool, trashUsable);
    QTemporaryDir root;
    QTemporaryDir current;
    const QString oldCurrent = QDir::currentPath();
    const auto back = qScopeGuard([&] { QDir::setCurrent(oldCurrent); });
    QVERIFY(QDir::setCurrent(current.path()));
    const QString home = root.filePath(u"home"_s);
    if (trashUsable)
        QVERIFY(QDir(root.path()).mkdir(u"home"_s));
    else
        writeFile(home, {});
    const EnvOverride homeVariable("HOME", home);
    const EnvOverride dataVariable("XDG_DATA_HOME", home + u"/data"_s);
    const QString note = root.filePath(u"old idea.txt"_s);
    writeFile(note, NoteBytes);

    const FileError error = MoveNoteToTrash(note);
    QCOMPARE(!error.has_value(), trashUsable);
    QCOMPARE(QFileInfo::exists(note), !trashUsable);
    QStringList trashed;
    QDirIterator it(home, {u"old idea*"_s}, QDir::Files | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        if (const QString found = it.next(); found.contains(u"/Trash/files/"_s))
            trashed.append(found);
    }
    QCOMPARE(trashed.size(), trashUsable ? 1 : 0);
    QCOMPARE(readFile(trashUsable ? trashed.value(0) : note), NoteBytes);
    QCOMPARE(entriesOf(current.path()), QStringList());

    const FileError again = MoveNoteToTrash(trashUsable ? note : root.filePath(u"gone.txt"_s));
    QVERIFY(again.has_value() && !again->isEmpty());
}

void TestNoteFiles::fingerprintSeesOtherWriters_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("matches");
    QTest::newRow("none") << u"none"_s << true;
    QTest::newRow("same size, time kept") << u"same size"_s << false;
    QTest::newRow("other size") << u"other size"_s << false;
    QTest::newRow("removed") << u"removed"_s << false;
    QTest::newRow("time only") << u"touched"_s << false;
    QTest::newRow("no fingerprint") << u"no fingerprint"_s << false;
}

void TestNoteFiles::fingerprintSeesOtherWriters()
{
    QFETCH(QString, change);
    QFETCH(bool, matches);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"note.txt"_s);
    QCOMPARE(WriteWholeFile(path, NoteBytes), std::nullopt);
    NoteFingerprint fingerprint = TakeFingerprint(path, NoteBytes);
    const QDateTime saved = QFileInfo(path).lastModified();

    if (change == u"same size"_s || change == u"other size"_s || change == u"touched"_s) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        if (change == u"same size"_s)
            QCOMPARE(file.write("LINE"), 4);
        else if (change == u"other size"_s)
            QVERIFY(file.resize(4));
        QVERIFY(file.flush());
        QVERIFY(file.setFileTime(change == u"touched"_s ? saved.addSecs(5) : saved,
                                 QFileDevice::FileModificationTime));
    } else if (change == u"removed"_s) {
        QVERIFY(QFile::remove(path));
    } else if (change == u"no fingerprint"_s) {
        fingerprint = NoteFingerprint();
    }
    QCOMPARE(FileMatchesFingerprint(path, fingerprint), matches);
}

void TestNoteFiles::failedWriteKeepsOldFile_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<bool>("needsPermissions");
    QTest::newRow("read-only file") << u"read-only file"_s << true;
    QTest::newRow("read-only folder") << u"read-only folder"_s << true;
    QTest::newRow("missing folder") << u"missing folder"_s << false;
    QTest::newRow("folder in the way") << u"folder in the way"_s << false;
}

void TestNoteFiles::failedWriteKeepsOldFile()
{
    QFETCH(QString, setup);
    QFETCH(bool, needsPermissions);
    if (needsPermissions && !permissionsEnforced())
        QSKIP("Running with rights that write through read-only modes (root).");
    QTemporaryDir dir;
    const QString folder = dir.filePath(u"notes"_s);
    QVERIFY(QDir(dir.path()).mkdir(u"notes"_s));
    QString path = folder + u"/note.txt"_s;
    writeFile(path, NoteBytes);
    const auto writable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    const auto restore = qScopeGuard([&] { QFile::setPermissions(folder, writable); });
    if (setup == u"read-only file"_s)
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
    else if (setup == u"read-only folder"_s)
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    else if (setup == u"missing folder"_s)
        path = dir.filePath(u"missing/note.txt"_s);
    else
        QVERIFY(QDir(folder).mkdir(u"sub.txt"_s));
    if (setup == u"folder in the way"_s)
        path = folder + u"/sub.txt"_s;

    const std::optional<QString> error = WriteWholeFile(path, "new content");
    QVERIFY(error.has_value() && !error->isEmpty());
    QCOMPARE(readFile(folder + u"/note.txt"_s), NoteBytes);
    const QStringList expected = setup == u"folder in the way"_s
                                     ? QStringList{u"note.txt"_s, u"sub.txt"_s}
                                     : QStringList{u"note.txt"_s};
    QCOMPARE(entriesOf(folder), expected);
    QCOMPARE(entriesOf(dir.path()), QStringList(u"notes"_s));
}

void TestNoteFiles::writeKeepsPermissions()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"note.txt"_s);
    writeFile(path, NoteBytes);
    const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QVERIFY(QFile::setPermissions(path, mode));
    const QFileDevice::Permissions before = QFile::permissions(path);

    QCOMPARE(WriteWholeFile(path, "new content"), std::nullopt);
    QCOMPARE(readFile(path), "new content");
    QCOMPARE(QFile::permissions(path), before);
}

QTEST_GUILESS_MAIN(TestNoteFiles)
#include "test_notefiles.moc"
