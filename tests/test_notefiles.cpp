#include "RowLabel.h"
#include "TestFiles.h"
#include "notes/ConflictCopies.h"
#include "notes/NoteFiles.h"
#include "notes/NoteListing.h"
#include "notes/NoteNames.h"
#include "platform/FileOps.h"
#include "platform/NoteFingerprint.h"
#include "platform/SafeFile.h"

#include <QDirIterator>
#include <QSaveFile>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

using namespace Qt::StringLiterals;
using namespace qb;
using namespace qb::test;

namespace {

const QByteArray NoteBytes("line one\r\nlone\rcr\0nul \xff\xfe end", 28);

} // namespace

class TestNoteFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void listsNoteFilesInOrder()
    {
        QTemporaryDir dir;
        for (const QString &name :
             {u"b.txt"_s, u"A.txt"_s, u"a.txt"_s, u"a.TXT"_s, u"a b.txt"_s, u"notes.2024.txt"_s,
              u"notes.txt"_s, u"note2.txt"_s, u"note10.txt"_s, u"Ideas.TXT"_s, u"mixed.tXt"_s,
              u".hidden.txt"_s, u"readme.md"_s, u"txt"_s, u"plan.txt.bak"_s, u"c.txt.Xq3bZ1"_s})
            QVERIFY(writeBytes(dir.filePath(name), name.toUtf8()));
        QVERIFY(QDir(dir.path()).mkdir(u"folder.txt"_s));
        QVERIFY(QFile::link(u"b.txt"_s, dir.filePath(u"link.txt"_s)));
        QVERIFY(QFile::link(u"gone.txt"_s, dir.filePath(u"dangling.txt"_s)));
        QVERIFY(QFile::link(u"folder.txt"_s, dir.filePath(u"folderlink.txt"_s)));
        QSaveFile unfinished(dir.filePath(u"unfinished.txt"_s));
        QVERIFY(unfinished.open(QIODevice::WriteOnly));
        QCOMPARE(unfinished.write("half"), 4);

        // Note names compared, letter case ignored, upper case first in a tie, digits as
        // characters; then the whole file name.
        const NoteListing listing = listNoteFiles(dir.path());
        QCOMPARE(listing.error, QString());
        QCOMPARE(listing.fileNames(),
                 QStringList({u"A.txt"_s, u"a.TXT"_s, u"a.txt"_s, u"a b.txt"_s, u"b.txt"_s,
                              u"Ideas.TXT"_s, u"link.txt"_s, u"mixed.tXt"_s, u"note10.txt"_s,
                              u"note2.txt"_s, u"notes.txt"_s, u"notes.2024.txt"_s}));
        unfinished.cancelWriting();

        const NoteListing missing = listNoteFiles(dir.filePath(u"missing"_s));
        QVERIFY(missing.isEmpty() && !missing.error.isEmpty());
    }

    // A save cut short leaves a hidden temporary file holding the newest text: a listing shows
    // it as no note and never removes it, however old it is.
    void listingLeavesSaveLeftoversAlone()
    {
        QTemporaryDir dir;
        const QDateTime twoHoursAgo = QDateTime::currentDateTime().addSecs(-2 * 60 * 60);
        const QStringList names = {u".qbsave-AbC123-note.txt"_s, u".qbsave-XyZ789-note.txt"_s,
                                   u"note.txt"_s};
        for (const QString &name : names) {
            QVERIFY(writeBytes(dir.filePath(name), "text"));
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(twoHoursAgo, QFileDevice::FileModificationTime));
        }
        QCOMPARE(listNoteFiles(dir.path()).fileNames(), QStringList(u"note.txt"_s));
        QCOMPARE(entriesOf(dir.path()), names);
    }

    // An accepted name makes a note (one CR LF) listed under that very name, and only once.
    void checksAndCreatesNoteFiles_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("letters beyond ASCII, blanks, the extension in upper case")
            << u" Ünïcødé spaced .TXT"_s << true;
        QTest::newRow("a slash") << u"a/b.txt"_s << false;
        QTest::newRow("a backslash") << u"a\\b.txt"_s << false;
        QTest::newRow("the name \"..\"") << u"...txt"_s << false;
        QTest::newRow("a line break") << u"a\r\nb.txt"_s << false;
        QTest::newRow("a hidden name") << u".plan.txt"_s << false;
        QTest::newRow("DEL") << u"a\u007fb.txt"_s << false;
        QTest::newRow("NEL, a line break of Unicode") << u"a\u0085b.txt"_s << false;
        QTest::newRow("255 bytes of ASCII") << QString(251, u'a') + u".txt"_s << true;
        QTest::newRow("256 bytes of ASCII") << QString(252, u'a') + u".txt"_s << false;
        QTest::newRow("254 bytes of two-byte characters") << QString(125, u'é') + u".txt"_s << true;
        QTest::newRow("256 bytes of two-byte characters")
            << QString(126, u'é') + u".txt"_s << false;
    }
    void checksAndCreatesNoteFiles()
    {
        QFETCH(QString, fileName);
        QFETCH(bool, accepted);
        const std::optional<QString> reason = checkNoteFileName(fileName);
        QVERIFY2(reason.has_value() != accepted && (accepted || !reason->isEmpty()),
                 qPrintable(fileName));
        if (!accepted)
            return;
        QTemporaryDir dir;
        const QString path = noteFilePath(dir.path(), fileName);
        QCOMPARE(createNoteFile(path), std::nullopt);
        QCOMPARE(readBytes(path), "\r\n");
        QVERIFY(writeBytes(path, NoteBytes));
        const FileError clash = createNoteFile(path);
        QVERIFY(clash.has_value() && !clash->isEmpty());
        QCOMPARE(readBytes(path), NoteBytes);
        QCOMPARE(listNoteFiles(dir.path()).fileNames(), QStringList(fileName));
        QCOMPARE(entriesOf(dir.path()), QStringList(fileName));
    }

    // A copy is whole or none: no part copy, no stray file, a taken name only replaced when
    // allowed, a pipe never waited on.
    void copiesWholeOrNothing_data()
    {
        const QByteArray old("old note\r\n");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("destination"); // "./": beside the source
        QTest::addColumn<bool>("replace");        // may replace
        QTest::addColumn<QByteArray>("after");    // the destination afterwards
        QTest::newRow("to a new name") << u"src.txt"_s << u"copy.txt"_s << false << NoteBytes;
        QTest::newRow("onto a taken name, not to replace")
            << u"src.txt"_s << u"old.txt"_s << false << old;
        QTest::newRow("onto a taken name, to replace")
            << u"src.txt"_s << u"old.txt"_s << true << NoteBytes;
        QTest::newRow("onto itself") << u"src.txt"_s << u"./src.txt"_s << true << NoteBytes;
        QTest::newRow("from a file that is not there")
            << u"gone.txt"_s << u"old.txt"_s << true << old;
        QTest::newRow("from a pipe") << u"pipe"_s << u"copy.txt"_s << true << QByteArray();
    }
    void copiesWholeOrNothing()
    {
        QFETCH(QString, source);
        QFETCH(QString, destination);
        QFETCH(bool, replace);
        QFETCH(QByteArray, after);
        const QByteArray old("old note\r\n");
        QTemporaryDir from, to;
        QVERIFY(writeBytes(from.filePath(u"src.txt"_s), NoteBytes));
        QCOMPARE(::mkfifo(QFile::encodeName(from.filePath(u"pipe"_s)).constData(), 0600), 0);
        QVERIFY(writeBytes(to.filePath(u"old.txt"_s), old));
        const QString target = (destination.startsWith(u'.') ? from : to).filePath(destination);
        const FileError error = copyNoteFile(from.filePath(source), target, replace, 1 << 20);
        QCOMPARE(!error.has_value(), after == NoteBytes);
        QVERIFY(!error || !error->isEmpty());
        QCOMPARE(readBytes(target), after);
        QCOMPARE(QFileInfo::exists(target), !after.isEmpty());
        QCOMPARE(entriesOf(from.path()), QStringList({u"pipe"_s, u"src.txt"_s}));
        for (const QString &left : entriesOf(to.path()))
            QVERIFY2(left == u"old.txt"_s || left == destination, qPrintable(left));
    }

    // A note above the largest a copy reads is refused with its size, and nothing is made.
    void refusesToCopyANoteTooLarge()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(u"big.txt"_s);
        QVERIFY(writeBytes(source, QByteArray(2 << 20, 'x')));
        const FileError error = copyNoteFile(source, dir.filePath(u"copy.txt"_s), true, 1 << 20);
        QCOMPARE(error.value_or(QString()),
                 u"The file holds 2 MiB, more than Quirebox can open."_s);
        QCOMPARE(entriesOf(dir.path()), QStringList(u"big.txt"_s));
    }

    void movesToTrash_data()
    {
        QTest::addColumn<bool>("trashUsable");
        QTest::newRow("a trash that takes the file") << true;
        QTest::newRow("a file where the trash would be") << false;
    }
    // HOME and the current directory are throwaway ones: Qt's own fallback would put files there.
    void movesToTrash()
    {
        QFETCH(bool, trashUsable);
        QTemporaryDir root, current;
        const QString oldCurrent = QDir::currentPath();
        const auto back = qScopeGuard([&] { QDir::setCurrent(oldCurrent); });
        QVERIFY(QDir::setCurrent(current.path()));
        const QString home = root.filePath(u"home"_s);
        QVERIFY(trashUsable ? QDir(root.path()).mkdir(u"home"_s) : writeBytes(home, {}));
        qputenv("HOME", QFile::encodeName(home));
        qputenv("XDG_DATA_HOME", QFile::encodeName(home + u"/data"_s));
        const QString note = root.filePath(u"old idea.txt"_s);
        QVERIFY(writeBytes(note, NoteBytes));

        const FileError error = moveToTrash(note);
        QCOMPARE(!error.has_value(), trashUsable);
        if (error)
            QVERIFY(!error->isEmpty());
        QCOMPARE(QFileInfo::exists(note), !trashUsable);
        QStringList trashed;
        QDirIterator it(home, {u"old idea*"_s}, QDir::Files | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            if (const QString found = it.next(); found.contains(u"/Trash/files/"_s))
                trashed.append(found);
        }
        QCOMPARE(trashed.size(), trashUsable ? 1 : 0);
        QCOMPARE(readBytes(trashUsable ? trashed.value(0) : note), NoteBytes);
        QCOMPARE(entriesOf(current.path()), QStringList());
    }

    void fingerprintSeesOtherWriters_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("a note of a few bytes") << NoteBytes;
        QTest::newRow("a note of some hundred KiB changed only near its end")
            << QByteArray("A line of a long note.\r\n").repeated(40'000);
    }
    // Another program rewrites the note and sets its time: only the same bytes and time match.
    void fingerprintSeesOtherWriters()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"note.txt"_s);
        QVERIFY(writeWholeFile(path, content).ok());
        const NoteFingerprint fingerprint = takeFingerprint(path, content);
        const QDateTime saved = QFileInfo(path).lastModified();
        QByteArray sameSize = content;
        sameSize[sameSize.size() - 3] = 'L';
        // Each rewrites the one file the fingerprint was taken of.
        const QList<std::tuple<QString, QByteArray, int, bool>> changes = {
            {u"a byte changed, the size and time kept"_s, sameSize, 0, false},
            {u"the same bytes, five seconds later"_s, content, 5, false},
            {u"the same bytes and time"_s, content, 0, true}};
        for (const auto &[row, bytes, shift, matches] : changes) {
            const RowLabel label(row);
            QVERIFY(writeBytes(path, bytes));
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(saved.addSecs(shift), QFileDevice::FileModificationTime));
            QCOMPARE(checkFingerprint(path, fingerprint).outcome == FingerprintCheck::Outcome::Same,
                     matches);
        }
    }

    // Each sync tool's name for its copy of a note: the note's name, the tool, when and who,
    // whatever letters the person's or device's name holds. A name without a whole tag is none.
    void conflictCopyNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected"); // "note|tool|day|time|who", or empty for no copy
        const auto row = [](const char *label, const QString &name, const QString &expected) {
            QTest::newRow(label) << name << expected;
        };
        row("Syncthing", u"plan.sync-conflict-20261207-101530-ABCDEFG"_s,
            u"plan|Syncthing|2026-12-07|10:15:30|ABCDEFG"_s);
        row("Nextcloud", u"plan (conflicted copy 2026-12-07 101530)"_s,
            u"plan|Nextcloud or ownCloud|2026-12-07|10:15:30|"_s);
        row("Nextcloud with a user", u"plan (conflicted copy Zoë Ann 2026-12-07 101530)"_s,
            u"plan|Nextcloud or ownCloud|2026-12-07|10:15:30|Zoë Ann"_s);
        row("ownCloud, an older client", u"plan_conflict-20261207-101530"_s,
            u"plan|Nextcloud or ownCloud|2026-12-07|10:15:30|"_s);
        row("Dropbox", u"plan (Alice's conflicted copy 2026-12-07)"_s,
            u"plan|Dropbox|2026-12-07||Alice"_s);
        row("Dropbox, a second", u"plan (Alice's conflicted copy 2026-12-07) (1)"_s,
            u"plan|Dropbox|2026-12-07||Alice"_s);
        row("Dropbox, a name with an apostrophe",
            u"my plan (Seán O'Brien's conflicted copy 2026-12-07)"_s,
            u"my plan|Dropbox|2026-12-07||Seán O'Brien"_s);
        row("pCloud", u"plan (conflicted)"_s, u"plan|pCloud|||"_s);
        row("pCloud, a second", u"plan (conflicted 2)"_s, u"plan|pCloud|||"_s);
        row("Resilio", u"plan.Conflict"_s, u"plan|Resilio Sync|||"_s);
        row("Resilio, a second", u"plan.Conflict1"_s, u"plan|Resilio Sync|||"_s);
        row("a copy of a copy", u"plan.Conflict.Conflict"_s, u"plan.Conflict|Resilio Sync|||"_s);
        row("a plain note", u"conflict resolution"_s, QString());
        row("the wrong letter case", u"plan.sync-Conflict-20261207-101530-ABCDEFG"_s, QString());
        row("no note before the tag", u".Conflict"_s, QString());
        row("a tag cut short", u"plan (conflicted copy 2026-12-07)"_s, QString());
    }

    void conflictCopyNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        const std::optional<ConflictCopyName> copy = conflictCopyName(name);
        QString found;
        if (copy)
            found = QStringList{copy->noteName, syncToolName(copy->tool),
                                copy->day.toString(Qt::ISODate), copy->time.toString(Qt::ISODate),
                                copy->who}
                        .join(u'|');
        QCOMPARE(found, expected);
    }

    // A folder's copies paired with their notes: a copy whose note is not there, and a note
    // whose name only looks like a copy, are ordinary notes; a copy of a copy belongs to the
    // first note; two copies of one note both belong to it, whatever letter case its file
    // name ends in.
    void conflictCopiesPaired()
    {
        QTemporaryDir dir;
        for (const QString &name :
             {u"plan.TXT"_s, u"plan.sync-conflict-20261207-101530-ABCDEFG.txt"_s,
              u"plan (conflicted).txt"_s, u"plan (conflicted).Conflict.txt"_s,
              u"Plan.Conflict.txt"_s, u"lonely (conflicted).txt"_s, u"conflict notes.txt"_s})
            QVERIFY(writeBytes(dir.filePath(name), "x"));
        const NoteListing listing = listNoteFiles(dir.path());
        QStringList pairs;
        for (const ConflictCopy &copy : findConflictCopies(listing))
            pairs << listing.fileNameAt(copy.copyRow).toString() + u" -> "_s +
                         listing.fileNameAt(copy.noteRow).toString();
        QCOMPARE(pairs,
                 (QStringList{u"plan (conflicted).txt -> plan.TXT"_s,
                              u"plan (conflicted).Conflict.txt -> plan.TXT"_s,
                              u"plan.sync-conflict-20261207-101530-ABCDEFG.txt -> plan.TXT"_s}));
    }

    // A rewrite at once after the fingerprint, which the system's coarse clock may stamp with
    // the times the fingerprint holds, is a change all the same.
    void fingerprintSeesAnInstantRewrite()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"note.txt"_s);
        for (int round = 0; round < 50; ++round) {
            QVERIFY(writeWholeFile(path, NoteBytes).ok());
            const NoteFingerprint fingerprint = takeFingerprint(path, NoteBytes);
            QByteArray sameSize = NoteBytes;
            sameSize[0] = 'L';
            QVERIFY(writeBytes(path, sameSize));
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(fingerprint.modified, QFileDevice::FileModificationTime));
            QCOMPARE(checkFingerprint(path, fingerprint).outcome,
                     FingerprintCheck::Outcome::Changed);
        }
    }

    // A replaced file keeps its permissions; one that is not writable is refused and kept.
    // (Failures of the disk are injected in the window's fault tests.)
    void writesKeepingPermissions()
    {
        QTemporaryDir dir;
        const QString note = dir.filePath(u"note.txt"_s);
        QVERIFY(writeBytes(note, NoteBytes));
        QVERIFY(
            QFile::setPermissions(note, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        const QFileDevice::Permissions mode = QFile::permissions(note);
        QVERIFY(writeWholeFile(note, "new content").ok());
        QCOMPARE(readBytes(note), "new content");
        QCOMPARE(QFile::permissions(note), mode);
        if (geteuid() == 0)
            QSKIP("Running as root, which writes through read-only modes.");
        QVERIFY(QFile::setPermissions(note, QFile::ReadOwner));
        QVERIFY(!writeWholeFile(note, "lost").ok());
        QCOMPARE(readBytes(note), "new content");
        QCOMPARE(entriesOf(dir.path()), QStringList(u"note.txt"_s));
    }

    // A save through a link writes the file the link names, wherever that is: the link stays a
    // link and the file keeps its permissions. A link to nowhere is refused with the system's
    // reason, and nothing is made.
    void writesThroughLinks_data()
    {
        QTest::addColumn<QString>("target"); // what "notes/note.txt" links to
        QTest::addColumn<QString>("reason"); // empty: the save goes through
        QTest::newRow("file beside") << u"real.txt"_s << QString();
        QTest::newRow("file in another folder") << u"../other/real.txt"_s << QString();
        QTest::newRow("folder that is not there")
            << u"../gone/real.txt"_s << qt_error_string(ENOENT);
    }
    void writesThroughLinks()
    {
        QFETCH(QString, target);
        QFETCH(QString, reason);
        QTemporaryDir root;
        const QString link = root.filePath(u"notes/note.txt"_s);
        const QStringList reals = {root.filePath(u"notes/real.txt"_s),
                                   root.filePath(u"other/real.txt"_s)};
        for (const QString &real : reals) {
            QVERIFY(writeBytes(real, NoteBytes));
            QVERIFY(QFile::setPermissions(real,
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        }
        const QFileDevice::Permissions mode = QFile::permissions(reals[0]);
        QVERIFY(QFile::link(target, link));
        const auto tree = [&] {
            return entriesOf(root.path()) + entriesOf(root.filePath(u"notes"_s)) +
                   entriesOf(root.filePath(u"other"_s));
        };
        const QStringList before = tree();

        const WriteResult result = writeWholeFile(link, "new content");
        QCOMPARE(result.error.value_or(QString()), reason);
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(QFileInfo(link).symLinkTarget(),
                 QDir::cleanPath(QFileInfo(link).path() + u'/' + target));
        for (const QString &real : reals) {
            const RowLabel label(QDir(root.path()).relativeFilePath(real));
            const bool named = reason.isEmpty() && QFileInfo(link).canonicalFilePath() ==
                                                       QFileInfo(real).canonicalFilePath();
            QCOMPARE(readBytes(real), named ? QByteArray("new content") : NoteBytes);
            QCOMPARE(QFile::permissions(real), mode);
        }
        QCOMPARE(tree(), before);
    }
};

QTEST_GUILESS_MAIN(TestNoteFiles)
#include "test_notefiles.moc"
