// Faults of the disk and of the file system, injected into the real system calls (the test runs
// with the qbfault library preloaded), met through the window: the user is told why, the status
// stays "Changed", the file keeps its old bytes, nothing is left beside it, and a later save
// works. Also huge, sparse notes, which must not hold the window, and files another program
// changes while they are read.

#include "WindowFixture.h"

#include "editor/NoticeBar.h"
#include "faults/Faults.h"
#include "keeping/NoteHistory.h"
#include "notes/MergeDialog.h"
#include "platform/SafeFile.h"

#include <QElapsedTimer>
#include <QPushButton>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

using namespace qb;
using namespace qb::test;

namespace {

struct Injected
{
    const char *call;
    int error;
    qint64 passBytes = -1;
};

const QByteArray kOldBytes = QByteArray("The old note, as it was saved.\r\n").repeated(3000);

const QString kShrankText =
    u"The file became shorter while it was read: another program is changing it."_s;
const QString kGrewText = u"The file grew while it was read: another program is changing it."_s;

} // namespace

class TestFaults : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(Faults().loaded(), "the test runs with the qbfault library preloaded");
    }

    // Each step of a save failing: the user is told why, the status stays "Changed", the file
    // keeps its old bytes (or has the new ones when only the folder's sync failed), nothing is
    // left beside it, and the next save simply works.
    void failedSaveKeepsTheOldFile_data()
    {
        const QString noSpace = qt_error_string(ENOSPC), io = qt_error_string(EIO);
        QTest::addColumn<QList<Injected>>("injected");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("replaced");
        using F = QList<Injected>;
        QTest::newRow("a write cut short by a full disk")
            << F{{"write", ENOSPC, 4096}} << noSpace << false;
        QTest::newRow("a write failing") << F{{"write", EIO}} << io << false;
        QTest::newRow("the file's sync failing") << F{{"fdatasync", EIO}} << io << false;
        QTest::newRow("a lost write reported late, at the close")
            << F{{"close", EIO}} << io << false;
        QTest::newRow("no temporary file allowed")
            << F{{"tmpfile", EACCES}} << qt_error_string(EACCES) << false;
        QTest::newRow("naming the temporary file over quota")
            << F{{"linkat", EDQUOT}} << qt_error_string(EDQUOT) << false;
        QTest::newRow("the rename failing") << F{{"rename", EIO}} << io << false;
        // Without unnamed files the temporary file has a name, and must not stay behind.
        QTest::newRow("a named temporary file cut short by a full disk")
            << F{{"tmpfile", EOPNOTSUPP}, {"write", ENOSPC, 100}} << noSpace << false;
        QTest::newRow("a named temporary file, the rename failing")
            << F{{"tmpfile", EOPNOTSUPP}, {"rename", EIO}} << io << false;
        QTest::newRow("the folder's sync failing after the rename")
            << F{{"fsync", EIO}}
            << u"The file was written, but its folder could not be stored on the disk: "_s + io
            << true;
    }
    void failedSaveKeepsTheOldFile()
    {
        QFETCH(QList<Injected>, injected);
        QFETCH(QString, reason);
        QFETCH(bool, replaced);
        TestWindow t;
        t.open({{u"note.txt"_s, kOldBytes}});
        t.type(u"new "_s);
        const QByteArray newBytes = "new " + kOldBytes;
        Faults faults;
        for (const Injected &fault : std::as_const(injected))
            faults.arm(fault.call, fault.error, t.dir(), fault.passBytes);
        t.platform.answerMessage(Platform::Button::Ok);

        QVERIFY(!t.save());
        QVERIFY(faults.hits() > 0);
        faults.disarm();
        QCOMPARE(t.last().text, u"Quirebox can't save the file \""_s + t.note(u"note.txt"_s) +
                                    u"\".\r\n"_s + reason);
        QCOMPARE(t.status(), u"Changed"_s);
        QCOMPARE(t.bytes(u"note.txt"_s), replaced ? newBytes : kOldBytes);
        QCOMPARE(entriesOf(t.dir()), QStringList(u"note.txt"_s));

        // Nothing to ask about another program: the next save simply works.
        QVERIFY(t.save());
        QCOMPARE(t.status(), u"Unchanged"_s);
        QCOMPARE(t.bytes(u"note.txt"_s), newBytes);
        QCOMPARE(entriesOf(t.dir()), QStringList(u"note.txt"_s));
    }

    // A note read in part, failing, ending early or growing meanwhile, is never shown, so
    // nothing can be saved from it. The read ends unasked: the bar says why, and no box takes
    // the keys.
    void shortReadOfANote_data()
    {
        QTest::addColumn<QByteArray>("call");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a read failing") << "read"_ba << EIO << qt_error_string(EIO);
        QTest::newRow("the file ending early") << "read"_ba << 0 << kShrankText;
        // Another program appends to it during the read.
        QTest::newRow("the file growing") << "grow"_ba << 0 << kGrewText;
    }
    void shortReadOfANote()
    {
        QFETCH(QByteArray, call);
        QFETCH(int, error);
        QFETCH(QString, reason);
        TestWindow t;
        const QByteArray big =
            QByteArray("A line of a long note, read in part.\r\n").repeated(40'000);
        t.put(u"a.txt"_s, "first note");
        t.put(u"b.txt"_s, big);
        t.open();
        Faults faults;
        faults.arm(call.constData(), error, t.note(u"b.txt"_s), 64 * 1024);
        t.pickNote(u"b"_s); // large enough to be read off the window's thread
        QTRY_VERIFY(!t.status().startsWith(u"Loading"_s));
        QVERIFY(faults.hits() > 0);
        faults.disarm();
        const QByteArray onDisk = t.bytes(u"b.txt"_s);
        QVERIFY(onDisk.startsWith(big));
        QCOMPARE(t.child<NoticeBar>(u"noticeBar"_s)->text(),
                 u"Quirebox can't read the file \""_s + t.note(u"b.txt"_s) + u"\". "_s + reason);
        QVERIFY(t.platform.prompts.isEmpty());
        t.expectNoNote();
        t.trigger(u"F_mnuSAVE"_s);
        QCOMPARE(t.bytes(u"b.txt"_s), onDisk);
        QCOMPARE(t.bytes(u"a.txt"_s), QByteArray("first note"));
    }

    // The shown note's file stops being readable while the editor holds edits: that is no
    // change of its text. The bar says why in the save's words and the edits stay; a save then
    // asks before writing over what it could not check.
    void unreadableNoteKeepsTheEdits_data()
    {
        QTest::addColumn<QByteArray>("call");
        QTest::addColumn<int>("error");
        QTest::newRow("opening refused") << "open"_ba << EACCES;
        QTest::newRow("a read failing") << "read"_ba << EIO;
    }
    void unreadableNoteKeepsTheEdits()
    {
        QFETCH(QByteArray, call);
        QFETCH(int, error);
        TestWindow t;
        t.open({{u"a.txt"_s, "one\n"}});
        t.type(u"mine "_s);
        const QString path = t.note(u"a.txt"_s);
        Faults faults;
        faults.arm(call.constData(), error, path);
        // A change of the file's permissions alone: the watcher reads it to be sure.
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
        auto *bar = t.child<NoticeBar>(u"noticeBar"_s);
        QTRY_COMPARE(bar->text(), u"Quirebox can't read the file \""_s + path + u"\". "_s +
                                      qt_error_string(error));
        QVERIFY(faults.hits() > 0);
        QCOMPARE(t.text(), u"mine one\n"_s);
        QCOMPARE(t.status(), u"Changed"_s);
        QVERIFY(t.platform.prompts.isEmpty());
        t.answer(u"yes"_s);
        QVERIFY(t.save());
        faults.disarm();
        QVERIFY(t.last().text.contains(u"could not be read to check"_s));
        QCOMPARE(t.bytes(u"a.txt"_s), QByteArray("mine one\n"));
    }

    // A whole file read while another program changes it fails rather than give the part read.
    void readWholeFileOfAChangingFile_data()
    {
        QTest::addColumn<QByteArray>("call");
        QTest::addColumn<QString>("reason");
        QTest::newRow("grows") << QByteArray("grow") << kGrewText;
        QTest::newRow("shrinks") << QByteArray("read") << kShrankText;
    }
    void readWholeFileOfAChangingFile()
    {
        QFETCH(QByteArray, call);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"note.txt"_s);
        QVERIFY(writeBytes(path, kOldBytes));
        Faults faults;
        faults.arm(call.constData(), 0, path, 100);
        const ReadResult read = readWholeFile(path, 1 << 20);
        QVERIFY(faults.hits() > 0);
        QCOMPARE(read.error, reason);
        QVERIFY(!read.ok() && !read.tooLarge);
        QCOMPARE(read.bytes, QByteArray());
    }

    // A book read in part would lose its other folders when written back.
    void shortReadOfABook()
    {
        TestWindow t({u"One"_s, u"Two"_s, u"Three"_s, u"Four"_s, u"Five"_s});
        t.put(u"note.txt"_s, "a note", u"Five"_s);
        t.open();
        const QByteArray before = readBytes(t.bookPath);
        Faults faults;
        faults.arm("read", EIO, t.bookPath, 110);
        t.platform.answerMessage(Platform::Button::Ok);
        Q_EMIT t.editor()->filesDropped({t.bookPath});
        faults.disarm();
        QCOMPARE(t.last().text, u"Quirebox can't read the book file \""_s + t.bookPath +
                                    u"\".\r\n"_s + qt_error_string(EIO));
        QCOMPARE(t.lstFLDS()->count(), 5);

        t.answer(u"input:New name"_s);
        t.trigger(u"B_mnuREN"_s);
        QCOMPARE(t.folderLines(), QString::fromUtf8(before).split(u"\r\n"_s).mid(3, 5));
    }

    // The first note of a book opens by itself: one too large must not hold the window.
    void hugeSparseNotes_data()
    {
        QTest::addColumn<qint64>("size"); // MiB
        QTest::addColumn<QString>("message");
        QTest::newRow("200 MiB, asked about first")
            << qint64(200) << u"The file \"~\" holds 200 MiB."_s;
        QTest::newRow("5 GiB, more than can be opened")
            << qint64(5 * 1024) << u"Quirebox can't read the file \"~\".\r\nThe file holds "_s;
    }
    void hugeSparseNotes()
    {
        QFETCH(qint64, size);
        QFETCH(QString, message);
        TestWindow t;
        t.put(u"huge.txt"_s, {});
        QVERIFY(QFile::resize(t.note(u"huge.txt"_s), size * 1024 * 1024));
        t.platform.answerMessage(size < 1024 ? Platform::Button::No : Platform::Button::Ok);
        QElapsedTimer timer;
        timer.start();
        t.open();
        // A hang guard, far above the moment it takes: reading the file would take minutes.
        QVERIFY(timer.elapsed() < 10'000);
        QVERIFY2(t.last().text.startsWith(message.replace(u'~', t.note(u"huge.txt"_s))),
                 qPrintable(t.last().text));
        t.expectNoNote();
    }

    // The copy a sync tool kept cannot be moved to the trash once its merged note is saved: the
    // save stands, the copy stays where it was, and a message says why.
    void mergedCopyThatCannotGo()
    {
        QTemporaryDir home;
        keepHomeIn(home.path());
        TestWindow t;
        const QString copy = u"plan.sync-conflict-20261207-101530-ABCDEFG.txt"_s;
        QVERIFY(NoteHistory().keep(t.note(u"plan.txt"_s), "one\ntwo\n", 1'000).ok());
        t.open({{u"plan.txt"_s, "one\ntwo\nmine\n"}, {copy, "zero\none\ntwo\n"}});
        t.platform.answerDialog([](QDialog &dialog) {
            auto &merge = static_cast<MergeDialog &>(dialog);
            return merge.button(u"useMergedButton"_s)->isEnabled() ? int(QDialog::Accepted)
                                                                   : int(QDialog::Rejected);
        });
        t.trigger(u"mergeVersionsAction"_s);
        QTRY_COMPARE(t.text(), u"zero\none\ntwo\nmine\n"_s);
        Faults faults;
        faults.arm("rename", EIO, u"sync-conflict"_s);
        t.answer(u"ok"_s);
        QVERIFY(t.save());
        QVERIFY(faults.hits() > 0);
        QCOMPARE(t.bytes(u"plan.txt"_s), QByteArray("zero\none\ntwo\nmine\n"));
        QCOMPARE(t.bytes(copy), QByteArray("zero\none\ntwo\n"));
        QVERIFY2(t.last().text.startsWith(u"Quirebox can't move the file \""_s + t.note(copy) +
                                          u"\" to the trash.\r\n"_s),
                 qPrintable(t.last().text));
    }
};

QTEST_MAIN(TestFaults)
#include "test_faults.moc"
