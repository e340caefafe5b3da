// Faults of the disk and of the file system, injected into the real system calls (the test runs
// with the qbfault library preloaded), met through the window: the user is told why, the status
// stays "Changed", the file keeps its old bytes, nothing is left beside it, and a later save
// works. Also special files in place of notes: huge, sparse ones and pipes.

#include "WindowFixture.h"

#include <QElapsedTimer>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

using namespace qb;
using namespace qb::test;

namespace {

// The preloaded library's switches.
class Faults
{
public:
    Faults()
    {
        m_arm = reinterpret_cast<Arm>(dlsym(RTLD_DEFAULT, "qbfault_arm"));
        m_disarm = reinterpret_cast<void (*)()>(dlsym(RTLD_DEFAULT, "qbfault_disarm"));
        m_hits = reinterpret_cast<int (*)()>(dlsym(RTLD_DEFAULT, "qbfault_hits"));
    }
    ~Faults()
    {
        if (loaded())
            m_disarm();
    }
    Faults(const Faults &) = delete;
    Faults &operator=(const Faults &) = delete;

    bool loaded() const { return m_arm && m_disarm && m_hits; }
    // `call` on paths containing `pathPart` fails with `error`, after `passBytes` have gone
    // through when it moves bytes (-1: at once).
    void arm(const char *call, int error, const QString &pathPart, qint64 passBytes = -1)
    {
        m_arm(call, error, QFile::encodeName(pathPart).constData(), passBytes);
    }
    void disarm() { m_disarm(); }
    int hits() const { return m_hits(); }

private:
    using Arm = void (*)(const char *, int, const char *, long long);
    Arm m_arm = nullptr;
    void (*m_disarm)() = nullptr;
    int (*m_hits)() = nullptr;
};

QStringList everythingIn(const QString &dir)
{
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

struct Injected
{
    const char *call;
    int error;
    qint64 passBytes = -1;
};

const QByteArray OldBytes = QByteArray("The old note, as it was saved.\r\n").repeated(3000);

} // namespace

Q_DECLARE_METATYPE(QList<Injected>)

class TestFaults : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(Faults().loaded(), "the test runs with the qbfault library preloaded");
    }

    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<QList<Injected>>("injected");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("replaced"); // the new bytes reached the file anyway
        const QString noSpace = qt_error_string(ENOSPC);
        const QString io = qt_error_string(EIO);
        QTest::newRow("write cut short by a full disk")
            << QList<Injected>{{"write", ENOSPC, 4096}} << noSpace << false;
        QTest::newRow("write fails") << QList<Injected>{{"write", EIO}} << io << false;
        QTest::newRow("data sync fails") << QList<Injected>{{"fdatasync", EIO}} << io << false;
        QTest::newRow("close reports a lost write")
            << QList<Injected>{{"close", EIO}} << io << false;
        QTest::newRow("temporary file refused")
            << QList<Injected>{{"tmpfile", EACCES}} << qt_error_string(EACCES) << false;
        QTest::newRow("unnamed file cannot be linked")
            << QList<Injected>{{"linkat", EDQUOT}} << qt_error_string(EDQUOT) << false;
        QTest::newRow("rename fails") << QList<Injected>{{"rename", EIO}} << io << false;
        // Without unnamed files the temporary file has a name, and must not stay behind.
        QTest::newRow("named temporary file, write fails")
            << QList<Injected>{{"tmpfile", EOPNOTSUPP}, {"write", ENOSPC, 100}} << noSpace << false;
        QTest::newRow("named temporary file, rename fails")
            << QList<Injected>{{"tmpfile", EOPNOTSUPP}, {"rename", EIO}} << io << false;
        QTest::newRow("folder sync fails after the rename")
            << QList<Injected>{{"fsync", EIO}}
            << u"The file was written, but its folder could not be stored on the disk: "_s + io
            << true;
    }

    void failedSaveKeepsTheOldFile()
    {
        QFETCH(QList<Injected>, injected);
        QFETCH(QString, reason);
        QFETCH(bool, replaced);
        TestWindow t;
        t.open({{u"note.txt"_s, OldBytes}});
        t.type(u"new "_s);
        const QByteArray newBytes = "new " + OldBytes;
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
        QCOMPARE(t.bytes(u"note.txt"_s), replaced ? newBytes : OldBytes);
        QCOMPARE(everythingIn(t.dir()), QStringList(u"note.txt"_s));

        // Nothing to ask about another program: the next save simply works.
        QVERIFY(t.save());
        QCOMPARE(t.status(), u"Unchanged"_s);
        QCOMPARE(t.bytes(u"note.txt"_s), newBytes);
        QCOMPARE(everythingIn(t.dir()), QStringList(u"note.txt"_s));
    }

    // A note read in part is never shown, so nothing can be saved from it.
    void shortReadOfANote_data()
    {
        QTest::addColumn<int>("error"); // 0: the file ends early, with no error
        QTest::addColumn<QString>("reason");
        QTest::newRow("then an I/O error") << EIO << qt_error_string(EIO);
        QTest::newRow("then the end of the file")
            << 0 << u"The file became shorter while it was read: another program is changing it."_s;
    }

    void shortReadOfANote()
    {
        QFETCH(int, error);
        QFETCH(QString, reason);
        TestWindow t;
        const QByteArray big =
            QByteArray("A line of a long note, read in part.\r\n").repeated(40'000);
        t.put(u"a.txt"_s, "first note");
        t.put(u"b.txt"_s, big);
        t.open();
        Faults faults;
        faults.arm("read", error, t.note(u"b.txt"_s), 64 * 1024);
        t.platform.answerMessage(Platform::Button::Ok);
        t.pickNote(u"b"_s);
        QVERIFY(faults.hits() > 0);
        faults.disarm();
        QCOMPARE(t.last().text,
                 u"Quirebox can't read the file \""_s + t.note(u"b.txt"_s) + u"\".\r\n"_s + reason);
        t.expectNoNote();
        t.trigger(u"F_mnuSAVE"_s);
        QCOMPARE(t.bytes(u"b.txt"_s), big);
        QCOMPARE(t.bytes(u"a.txt"_s), QByteArray("first note"));
    }

    // A book read in part would lose its other folders when written back.
    void shortReadOfABook()
    {
        TestWindow t({u"One"_s, u"Two"_s, u"Three"_s, u"Four"_s, u"Five"_s});
        QVERIFY(WriteBytes(t.dir(u"Five"_s) + u"/note.txt"_s, "a note"));
        t.open();
        const QByteArray before = ReadBytes(t.bookPath);
        Faults faults;
        faults.arm("read", EIO, t.bookPath, 110);
        t.platform.answerMessage(Platform::Button::Ok);
        t.w().txtTEXT_OLEDragDrop({t.bookPath});
        faults.disarm();
        QCOMPARE(t.last().text, u"Quirebox can't read the book file \""_s + t.bookPath +
                                    u"\".\r\n"_s + qt_error_string(EIO));
        // The book stays open as it was, all five folders.
        QCOMPARE(t.lstFLDS()->count(), 5);
        t.platform.answerInput(u"Renamed"_s);
        t.trigger(u"B_mnuREN"_s);
        QCOMPARE(ParseBook(ReadBytes(t.bookPath))->folders.size(), 5);
        QVERIFY(ReadBytes(t.bookPath) != before);
    }

    void unreadableBeforeSaving()
    {
        TestWindow t;
        t.open({{u"note.txt"_s, OldBytes}});
        t.type(u"new "_s);
        Faults faults;
        faults.arm("read", EIO, t.note(u"note.txt"_s));
        t.platform.answerMessage(Platform::Button::No);
        QVERIFY(!t.save());
        faults.disarm();
        QCOMPARE(t.last().text, u"The file: \""_s + t.note(u"note.txt"_s) +
                                    u"\" could not be read to check whether another program "
                                    "changed it.\r\n"_s +
                                    qt_error_string(EIO) +
                                    u"\r\nOverwrite it with the text in the editor?"_s);
        QCOMPARE(t.status(), u"Changed"_s);
        QCOMPARE(t.bytes(u"note.txt"_s), OldBytes);
    }

    // A pipe put where a listed note was must not hang the window waiting for a writer.
    void pipeInPlaceOfANote()
    {
        TestWindow t;
        t.open({{u"a.txt"_s, "first"}, {u"b.txt"_s, "second"}});
        const QString pipe = t.note(u"b.txt"_s);
        QVERIFY(QFile::remove(pipe));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        t.platform.answerMessage(Platform::Button::Ok);
        t.pickNote(u"b"_s);
        QCOMPARE(t.last().text, u"Quirebox can't read the file \""_s + pipe +
                                    u"\".\r\nIt isn't an ordinary file: it is a pipe, a "
                                    "device or a socket."_s);
        t.expectNoNote();
    }

    void hugeSparseNotes_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("refused");
        QTest::newRow("asked about") << qint64(200) * 1024 * 1024 << false;
        QTest::newRow("refused") << qint64(5) * 1024 * 1024 * 1024 << true;
    }

    // The first note of a book opens by itself: one too large must not hold the window.
    void hugeSparseNotes()
    {
        QFETCH(qint64, size);
        QFETCH(bool, refused);
        TestWindow t;
        t.put(u"huge.txt"_s, {});
        QVERIFY(QFile::resize(t.note(u"huge.txt"_s), size));
        t.platform.answerMessage(refused ? Platform::Button::Ok : Platform::Button::No);
        QElapsedTimer timer;
        timer.start();
        t.open();
        // A hang guard, far above the moment it takes: reading the file would take minutes.
        QVERIFY(timer.elapsed() < 10'000);
        QCOMPARE(t.platform.prompts.size(), 1);
        if (refused) {
            QVERIFY2(t.last().text.startsWith(u"Quirebox can't read the file \""_s +
                                              t.note(u"huge.txt"_s) + u"\".\r\nThe file holds "_s),
                     qPrintable(t.last().text));
        } else {
            QVERIFY2(t.last().text.startsWith(u"The file \""_s + t.note(u"huge.txt"_s) +
                                              u"\" holds 200 MiB."_s),
                     qPrintable(t.last().text));
            QCOMPARE(t.last().buttons, Platform::Buttons::YesNo);
        }
        t.expectNoNote();
    }

    // Adding a file copies it whole through memory: a huge one is asked about first.
    void addingAHugeFile()
    {
        TestWindow t;
        t.open({{u"a.txt"_s, "first"}});
        QTemporaryDir elsewhere;
        const QString huge = elsewhere.filePath(u"huge.txt"_s);
        QVERIFY(WriteBytes(huge, {}) && QFile::resize(huge, qint64(200) * 1024 * 1024));
        t.platform.answerFile(huge);
        t.platform.answerMessage(Platform::Button::No);
        t.trigger(u"F_mnuADD_EXIST"_s);
        QVERIFY(t.last().text.startsWith(u"The file \""_s + huge + u"\" holds 200 MiB."_s));
        QCOMPARE(QDir(t.dir()).entryList(QDir::Files), QStringList(u"a.txt"_s));
    }

    // A note that takes a moment to show shows the busy cursor meanwhile.
    void busyWhileLoading()
    {
        TestWindow t;
        t.put(u"a.txt"_s, "small");
        t.put(u"b.txt"_s, QByteArray("A line of a note of some MiB.\r\n").repeated(100'000));
        t.open();
        QList<bool> busy;
        QObject::connect(t.editor(), &QPlainTextEdit::textChanged, t.editor(),
                         [&busy] { busy.append(QGuiApplication::overrideCursor() != nullptr); });
        t.pickNote(u"b"_s);
        t.pickNote(u"a"_s);
        QCOMPARE(busy, QList<bool>({true, false}));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    // Windows-1252 bytes that read back as UTF-8 would show other characters next time.
    void windows1252ThatWouldReadAsUtf8()
    {
        TestWindow t;
        t.open({{u"n.txt"_s, "CAF\xC9\x85\r\n3\x80\r\n"}});
        QCOMPARE(t.text(), u"CAFÉ…\n3€\n"_s);
        QTextCursor cursor = t.editor()->textCursor();
        cursor.movePosition(QTextCursor::End);
        cursor.movePosition(QTextCursor::PreviousBlock, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        t.platform.answerMessage(Platform::Button::Cancel);
        QVERIFY(!t.save());
        QCOMPARE(t.bytes(u"n.txt"_s), QByteArray("CAF\xC9\x85\r\n3\x80\r\n"));
        QCOMPARE(t.last().buttons, Platform::Buttons::OkCancel);

        t.platform.answerMessage(Platform::Button::Ok);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"n.txt"_s), QByteArray("CAF\xC3\x89\xE2\x80\xA6\r\n"));
        t.trigger(u"F_mnuREFRESH"_s);
        QCOMPARE(t.text(), u"CAFÉ…\n"_s);
    }
};

QTEST_MAIN(TestFaults)
#include "test_faults.moc"
