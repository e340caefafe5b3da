// What keeps the user's text through the window: the history of every save and File > Note
// History..., the recovery copy of unsaved edits and what a crash, a signal or an interrupted
// save left, offered back when the book opens. The test runs with the qbfault library preloaded.
#include "WindowFixture.h"

#include "editor/NoticeBar.h"
#include "editor/TextPane.h"
#include "faults/Faults.h"
#include "keeping/HistoryDialog.h"
#include "keeping/NoteHistory.h"
#include "keeping/RecoveryStore.h"
#include "platform/NoteFingerprint.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScopeGuard>
#include <QStatusBar>
#include <QtGui/private/qguiapplication_p.h>

#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>

using namespace qb;
using namespace qb::test;

namespace {

const QString kCrashed = u"Quirebox ended while the note \"%1\" had unsaved changes.%2\r\nRestore "
                         "them?"_s;

// The copy a crash left of the note at `path`, as if taken from the editor holding `bytes`.
void leaveCopy(const QString &path, const QByteArray &bytes, const QByteArray &fileBytes,
               const QDateTime &taken = QDateTime::currentDateTime())
{
    RecoveryCopy copy;
    copy.notePath = path;
    copy.format = decodeNoteBytes(bytes).format;
    copy.bytes = bytes;
    copy.noteFile = takeFingerprint(path, fileBytes);
    copy.taken = taken;
    QVERIFY(RecoveryStore().write(copy).ok());
}

// A file of the note's folder as a save cut short leaves it, written at `written`.
void leaveSaveLeftover(const TestWindow &t, const QString &name, const QByteArray &bytes,
                       const QDateTime &written)
{
    t.put(name, bytes);
    QFile file(t.dir() + u'/' + name);
    QVERIFY(file.open(QIODevice::ReadWrite) &&
            file.setFileTime(written, QFileDevice::FileModificationTime));
}

bool hasCopy(const QString &path)
{
    return QFileInfo::exists(RecoveryStore().fileFor(path));
}

// What the history keeps of the note at `path`, newest first.
QList<QByteArray> history(const QString &path)
{
    QList<QByteArray> kept;
    for (const NoteVersion &version : NoteHistory().versions(path))
        kept.append(NoteHistory::read(version, 1 << 20).bytes);
    return kept;
}

} // namespace

class TestKeeping : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase() { QB_FAULTS_AND_HOME_IN(m_home.path()); }

    // Every save keeps what it replaces. The history window lists the versions newest first,
    // opens on the first with the keyboard in the list, and shows what differs; Restore puts
    // the one chosen back as an edit, which Undo takes back and Save writes byte for byte.
    void historyRestoresAVersion_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("UTF-8") << "tea\r\ncafé\r\n"_ba;
        QTest::newRow("UTF-8 with a byte order mark") << "\xEF\xBB\xBFtea\ncafé\n"_ba;
        QTest::newRow("Windows-1252") << "caf\xE9\r\nna\xEFve\r\n"_ba;
        QTest::newRow("mixed line ends") << "a\r\nb\nc\rd\r\n"_ba;
    }

    void historyRestoresAVersion()
    {
        QFETCH(QByteArray, bytes);
        TestWindow t;
        t.open({{u"n.txt"_s, bytes}});
        t.type(u"first "_s);
        QVERIFY(t.save());
        t.type(u"second "_s);
        QVERIFY(t.save());
        const QString edited = t.text();
        QStringList rows;
        QString diff;
        t.platform.answerDialog([&](QDialog &dialog) {
            auto &history = static_cast<HistoryDialog &>(dialog);
            for (int row = 0; row < history.versionList()->count(); ++row)
                rows << history.versionList()->item(row)->text();
            diff = history.diffView()->toPlainText();
            const bool opened =
                history.selectedRow() == 0 && dialog.focusWidget() == history.versionList();
            history.versionList()->setCurrentRow(1); // the oldest: the file as it was
            return opened ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        t.trigger(u"noteHistoryAction"_s);
        QCOMPARE(t.last().title, u"Note History - n"_s);
        QCOMPARE(rows.size(), 2);
        QVERIFY2(diff.contains(u"- first "_s) && diff.contains(u"+ second first "_s),
                 qPrintable(diff));
        QCOMPARE(t.status(), u"Changed"_s);
        QCOMPARE(t.text(), decodeNoteBytes(bytes).text);
        QTest::keyClick(t.editor(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(t.text(), edited);
        QTest::keyClick(t.editor(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"n.txt"_s), bytes);
    }

    // A renamed note takes its history along; a note never saved has none to show.
    void historyFollowsARename()
    {
        TestWindow t;
        t.open({{u"old.txt"_s, "one"}});
        t.answer(u"ok"_s);
        t.trigger(u"noteHistoryAction"_s);
        QCOMPARE(t.last().text, u"No earlier version of the note \""_s + t.note(u"old.txt"_s) +
                                    u"\" is kept yet: a version is kept each time a save "
                                    "replaces the note's file."_s);
        t.type(u"two "_s);
        QVERIFY(t.save());
        t.answer(u"input:new"_s);
        t.trigger(u"F_mnuREN"_s);
        QCOMPARE(t.shown(), u"File: "_s + t.note(u"new.txt"_s));
        t.answer(u"dialog"_s);
        t.trigger(u"noteHistoryAction"_s); // waits for the keeper
        QCOMPARE(history(t.note(u"new.txt"_s)), QList<QByteArray>{"one"});
        QVERIFY(history(t.note(u"old.txt"_s)).isEmpty());
    }

    // A history that cannot be written never stops the save: the note is saved, and the status
    // bar says that the version was not kept.
    void historyFailureLeavesTheSave()
    {
        TestWindow t;
        t.open({{u"n.txt"_s, "old"}});
        t.type(u"new "_s);
        Faults faults;
        faults.arm("write", ENOSPC, u"quirebox/history"_s);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"n.txt"_s), QByteArray("new old"));
        auto *bar = t.child<QStatusBar>(u"sBAR"_s);
        QTRY_VERIFY(bar->currentMessage().contains(u"was not kept in its history"_s));
        QVERIFY(faults.hits() > 0);
    }

    // The copy of unsaved edits is written within two seconds of an edit, goes once they are
    // saved or dropped, and is never taken of a note shown deciphered.
    void recoveryCopyFollowsTheEdits()
    {
        TestWindow t;
        t.open({{u"a.txt"_s, "one\n"}, {u"b.txt"_s, "two\n"}});
        const QString a = t.note(u"a.txt"_s);
        t.type(u"x"_s);
        QTRY_VERIFY_WITH_TIMEOUT(hasCopy(a), 4000);
        QCOMPARE(RecoveryStore().read(a).copy->bytes, QByteArray("xone\n"));
        QVERIFY(t.save());
        QTRY_VERIFY(!hasCopy(a));

        t.type(u"y"_s);
        QTRY_VERIFY_WITH_TIMEOUT(hasCopy(a), 4000);
        t.answer(u"no"_s);
        t.pickNote(u"b"_s);
        QTRY_VERIFY(!hasCopy(a));

        // Deciphered: the keyword "@" leaves every code as it is.
        t.put(u"c.txt"_s, "Mossgrange's Quirebox Encoded v3_[A1]\r\nsecret\n");
        t.trigger(u"F_mnuREFRESH"_s);
        t.answer(u"input:@"_s);
        t.pickNote(u"c"_s);
        QCOMPARE(t.status(), u"Decoded"_s);
        t.type(u"more "_s);
        QTest::qWait(2600);
        QVERIFY(!hasCopy(t.note(u"c.txt"_s)));
        QVERIFY(QDir(RecoveryStore().folder()).isEmpty());
    }

    // What a crash left is offered when the book opens: Yes shows it as unsaved edits, which
    // Save writes; No keeps it in the note's history. Either way the copy goes.
    void restoresWhatACrashLeft_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("changedSince");
        QTest::addColumn<bool>("older"); // a later copy could not be written
        QTest::newRow("Yes") << true << false << false;
        QTest::newRow("No") << false << false << false;
        QTest::newRow("Yes, the note changed since") << true << true << false;
        QTest::newRow("Yes, the last changes not kept") << true << false << true;
    }

    void restoresWhatACrashLeft()
    {
        QFETCH(bool, yes);
        QFETCH(bool, changedSince);
        QFETCH(bool, older);
        TestWindow t;
        const QString path = t.note(u"a.txt"_s);
        t.put(u"a.txt"_s, "on disk\r\n");
        leaveCopy(path, "typed\r\non disk\r\n", changedSince ? "older\r\n" : "on disk\r\n");
        if (older)
            RecoveryStore().markOlder(path);
        t.answer(yes ? u"yes"_s : u"no"_s);
        t.open();
        QCOMPARE(
            t.last().text,
            kCrashed.arg(path, (older ? u" Only some of them were kept: the last could not "
                                        "be written."_s
                                      : QString()) +
                                   (changedSince ? u" The note has been changed on disk since."_s
                                                 : QString())));
        QCOMPARE(t.last().buttons, Platform::Buttons::YesNo);
        QVERIFY(!hasCopy(path));
        QCOMPARE(history(path), QList<QByteArray>{"typed\r\non disk\r\n"});
        if (!yes) {
            QCOMPARE(t.text(), u"on disk\n"_s);
            QCOMPARE(t.status(), u"Unchanged"_s);
            return;
        }
        QCOMPARE(t.text(), u"typed\non disk\n"_s);
        QCOMPARE(t.status(), u"Changed"_s);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"a.txt"_s), QByteArray("typed\r\non disk\r\n"));
    }

    // A save cut short between its temporary file and the rename leaves the newer text beside
    // the note: offered like a crash's copy, kept in the history either way, never deleted
    // unread. One that holds what the note holds goes unasked.
    void restoresWhatAnInterruptedSaveLeft_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("Yes") << true;
        QTest::newRow("No") << false;
    }
    void restoresWhatAnInterruptedSaveLeft()
    {
        QFETCH(bool, yes);
        TestWindow t;
        const QString leftover = t.dir() + u"/.qbsave-AbC123-a.txt"_s;
        t.put(u".qbsave-AbC123-a.txt"_s, "newer\r\n");
        t.put(u".qbsave-XyZ789-b.txt"_s, "same\r\n");
        const QDateTime aMinuteAgo = QDateTime::currentDateTime().addSecs(-60);
        for (const QString &name : {u".qbsave-AbC123-a.txt"_s, u".qbsave-XyZ789-b.txt"_s}) {
            QFile file(t.dir() + u'/' + name);
            QVERIFY(file.open(QIODevice::ReadWrite) &&
                    file.setFileTime(aMinuteAgo, QFileDevice::FileModificationTime));
        }
        t.answer(yes ? u"yes"_s : u"no"_s);
        t.open({{u"a.txt"_s, "older\r\n"}, {u"b.txt"_s, "same\r\n"}});
        QCOMPARE(t.last().text, u"A save of the note \""_s + t.note(u"a.txt"_s) +
                                    u"\" was cut short: an interrupted save left newer text "
                                    "than the note holds.\r\nRestore it?"_s);
        QCOMPARE(t.platform.prompts.size(), 1);
        QCOMPARE(t.entries(), QStringList({u"a.txt=older\r\n"_s, u"b.txt=same\r\n"_s}));
        QCOMPARE(history(t.note(u"a.txt"_s)), QList<QByteArray>{"newer\r\n"});
        QCOMPARE(t.text(), yes ? u"newer\n"_s : u"older\n"_s);
        QCOMPARE(t.status(), yes ? u"Changed"_s : u"Unchanged"_s);
        QVERIFY(!QFileInfo::exists(leftover));
    }

    // A crash's copy and an interrupted save's text of one note: the newer is offered, once,
    // and both are kept in the history, the newer as the newest version.
    void newestLeftTextOfferedOnce_data()
    {
        QTest::addColumn<bool>("leftoverNewer");
        QTest::newRow("the save's text newer") << true;
        QTest::newRow("the copy newer") << false;
    }

    void newestLeftTextOfferedOnce()
    {
        QFETCH(bool, leftoverNewer);
        TestWindow t;
        const QString path = t.note(u"a.txt"_s);
        t.put(u"a.txt"_s, "on disk");
        const QDateTime now = QDateTime::currentDateTime();
        const QByteArray older = "AAAA", newer = "AAAABBBB";
        leaveCopy(path, leftoverNewer ? older : newer, "on disk",
                  now.addSecs(leftoverNewer ? -60 : -5));
        leaveSaveLeftover(t, u".qbsave-AbC123-a.txt"_s, leftoverNewer ? newer : older,
                          now.addSecs(-20));
        t.answer(u"yes"_s);
        t.open();
        QCOMPARE(t.platform.prompts.size(), 1);
        const QString kept = u" Older unsaved text of it is kept in its history."_s;
        QCOMPARE(t.last().text, leftoverNewer
                                    ? u"A save of the note \""_s + path +
                                          u"\" was cut short: an interrupted save left newer text "
                                          "than the note holds."_s +
                                          kept + u"\r\nRestore it?"_s
                                    : kCrashed.arg(path, kept));
        QCOMPARE(t.text(), u"AAAABBBB"_s);
        QCOMPARE(history(path), (QList<QByteArray>{newer, older}));
        QVERIFY(!hasCopy(path));
        QCOMPARE(t.entries(), QStringList{u"a.txt=on disk"_s});
    }

    // A book whose folders hold many files together is looked through off the window's thread:
    // the window opens without a question, and what is left is offered a moment later, a note's
    // crash copy and interrupted save in one offer as in a small book.
    void largeBookOfferedOnceLookedThrough()
    {
        TestWindow t({u"Alpha"_s, u"Beta"_s});
        for (const QString &folder : {u"Alpha"_s, u"Beta"_s}) {
            for (int i = 0; i < 2100; ++i)
                t.put(u"n%1.txt"_s.arg(i), "", folder);
        }
        const QString path = t.note(u"a.txt"_s);
        t.put(u"a.txt"_s, "on disk");
        const QDateTime now = QDateTime::currentDateTime();
        leaveCopy(path, "AAAA", "on disk", now.addSecs(-60));
        leaveSaveLeftover(t, u".qbsave-AbC123-a.txt"_s, "AAAABBBB", now.addSecs(-20));
        t.answer(u"yes"_s);
        t.open();
        QCOMPARE(t.platform.prompts.size(), 0);
        QTRY_COMPARE(t.platform.prompts.size(), 1);
        QVERIFY2(t.last().text.startsWith(u"A save of the note \""_s + path),
                 qPrintable(t.last().text));
        QVERIFY(t.last().text.contains(u" Older unsaved text of it is kept in its history."_s));
        QTRY_COMPARE(t.text(), u"AAAABBBB"_s);
        QCOMPARE(history(path), (QList<QByteArray>{"AAAABBBB", "AAAA"}));
        QVERIFY(!hasCopy(path));
        QVERIFY(!QFileInfo::exists(t.dir() + u"/.qbsave-AbC123-a.txt"_s));
        QTest::qWait(50);
        QCOMPARE(t.platform.prompts.size(), 1);
    }

    // A damaged copy is kept in its note's history before a new copy of the note could take
    // its place.
    void damagedCopyKeptBeforeANewOne()
    {
        TestWindow t;
        const QString path = t.note(u"a.txt"_s);
        t.put(u"a.txt"_s, "on disk\n");
        leaveCopy(path, "typed before the crash\n", "on disk\n");
        const QString file = RecoveryStore().fileFor(path);
        QByteArray damaged = readBytes(file);
        damaged[damaged.size() - 3] = 'X';
        QVERIFY(writeBytes(file, damaged));
        t.answer(u"ok"_s);
        t.open();
        QVERIFY2(t.last().text.contains(u" is damaged. It is kept in the note's history.\r\n"_s),
                 qPrintable(t.last().text));
        t.type(u"new "_s);
        QTRY_VERIFY_WITH_TIMEOUT(hasCopy(path), 4000);
        QCOMPARE(history(path), QList<QByteArray>{damaged});
    }

    // A copy that cannot be written is told in the bar, and the copy left from before is
    // marked older: a real full disk, and a pipe or a folder at the copy's name.
    void copyNotWrittenIsTold_data()
    {
        QTest::addColumn<QString>("blocker");
        QTest::newRow("a full disk") << u"full"_s;
        QTest::newRow("a pipe at the copy's name") << u"pipe"_s;
        QTest::newRow("a folder at the copy's name") << u"folder"_s;
    }

    void copyNotWrittenIsTold()
    {
        QFETCH(QString, blocker);
        QTemporaryDir state;
        TestWindow t;
        const bool full = blocker == u"full";
        const QByteArray mountPoint = QFile::encodeName(state.path());
        if (full && ::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("mounting a small tmpfs needs root");
        const auto unmount = qScopeGuard([&] {
            if (full)
                ::umount(mountPoint.constData());
        });
        qputenv("XDG_STATE_HOME", mountPoint);
        t.open({{u"a.txt"_s, "one\n"}});
        const QString path = t.note(u"a.txt"_s);
        t.type(u"first "_s);
        QTRY_VERIFY_WITH_TIMEOUT(hasCopy(path), 4000);
        const QString copy = RecoveryStore().fileFor(path);
        QString reason;
        if (full) {
            QFile filler(state.filePath(u"filler"_s));
            QVERIFY(filler.open(QIODevice::WriteOnly));
            while (filler.write(QByteArray(4096, 'f')) > 0 && filler.flush()) {
            }
            reason = qt_error_string(ENOSPC);
        } else {
            QVERIFY(QFile::remove(copy));
            if (blocker == u"pipe")
                QVERIFY(::mkfifo(QFile::encodeName(copy).constData(), 0600) == 0);
            else
                QVERIFY(QDir().mkdir(copy));
        }
        t.type(u"second "_s);
        auto *bar = t.child<NoticeBar>(u"noticeBar"_s);
        QTRY_VERIFY_WITH_TIMEOUT(
            bar->text().startsWith(u"Unsaved text can't be kept for a crash: "_s), 5000);
        if (full) {
            QCOMPARE(bar->text(), u"Unsaved text can't be kept for a crash: "_s + reason);
            const QList<RecoveryEntry> left = RecoveryStore().list({t.dir()}).entries;
            QCOMPARE(left.size(), 1);
            QVERIFY(left.first().older);
            QCOMPARE(RecoveryStore().read(path).copy->bytes, QByteArray("first one\n"));
        }
        QCOMPARE(t.text(), u"second first one\n"_s);
        QVERIFY(t.platform.prompts.isEmpty());
    }

    // A logout that may not ask (no interaction allowed) keeps the unsaved edits at once.
    void sessionEndKeepsTheEdits()
    {
        TestWindow t;
        t.open({{u"a.txt"_s, "one\n"}});
        t.type(u"typed "_s);
        QGuiApplicationPrivate::instance()->commitData();
        QVERIFY(hasCopy(t.note(u"a.txt"_s)));
        QCOMPARE(RecoveryStore().read(t.note(u"a.txt"_s)).copy->bytes, QByteArray("typed one\n"));
        QCOMPARE(t.status(), u"Changed"_s);
    }

    // The real window in a process of its own, ended as the system ends programs: killed,
    // after the copy had its two seconds, or told to end (SIGTERM), which keeps the edits at
    // once. Started again, it offers them back.
    void endedByTheSystem_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGKILL") << int(SIGKILL);
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    void endedByTheSystem()
    {
        QFETCH(int, signal);
        TestWindow t;
        t.put(u"a.txt"_s, "on disk\n");
        const QString path = t.note(u"a.txt"_s);
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        child.setProcessEnvironment(environment);
        child.start(QStringLiteral(QB_TYPING_CHILD), {t.bookPath, u" and typed"_s});
        QVERIFY(child.waitForStarted());
        QByteArray said;
        while (!said.contains("typed") && child.waitForReadyRead(30'000))
            said += child.readAllStandardOutput();
        QVERIFY2(said.contains("typed"), said.constData());
        if (signal == SIGKILL)
            QTRY_VERIFY_WITH_TIMEOUT(hasCopy(path), 5000);
        QCOMPARE(::kill(pid_t(child.processId()), signal), 0);
        QVERIFY(child.waitForFinished(30'000));
        if (signal != SIGKILL) {
            QCOMPARE(child.exitStatus(), QProcess::NormalExit);
            QCOMPARE(child.exitCode(), 128 + signal);
        }
        QVERIFY(hasCopy(path));

        t.answer(u"yes"_s);
        t.open();
        QCOMPARE(t.last().text, kCrashed.arg(path, QString()));
        QCOMPARE(t.text(), u"on disk\n and typed"_s);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"a.txt"_s), QByteArray("on disk\n and typed"));
    }
};

QTEST_MAIN(TestKeeping)
#include "test_keeping.moc"
