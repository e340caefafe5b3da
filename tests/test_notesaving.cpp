// Loading and saving the current note through the window: every byte survives, and a save that
// cannot be done keeps the edits and the old file.

#include "NoteWindow.h"

#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace qb;
using namespace qb::test;

namespace {

// Root writes through read-only modes, so such a failure cannot be staged for it.
bool PermissionsEnforced()
{
    return geteuid() != 0;
}

} // namespace

class TestNoteSaving : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void bytesSurviveLoadAndSave_data();
    void bytesSurviveLoadAndSave();
    void unencodableCharacter();
    void failedSaveKeepsChanged_data();
    void failedSaveKeepsChanged();
    void fileChangedOnDisk_data();
    void fileChangedOnDisk();
    void unreadableNote();
};

void TestNoteSaving::bytesSurviveLoadAndSave_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    QTest::newRow("every byte") << all;
    QTest::newRow("every byte, twice over") << all + all;
    QTest::newRow("every byte after LF") << QByteArray("x\n") + all;
    QTest::newRow("CR LF, then LF and CR") << QByteArray("a\r\nb\nc\rd\r\n");
    QTest::newRow("LF, then CR LF") << QByteArray("a\nb\r\nc\n\r\n");
    QTest::newRow("lone CRs") << QByteArray("\r\r\rx\r");
    QTest::newRow("CR before CR LF") << QByteArray("\r\r\n\r\n\n");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("no line end") << QByteArray("one line");
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBFna\xC3\xAFve\r\n");
    QTest::newRow("UTF-8 separators and no-break space")
        << QByteArray("a\xE2\x80\xA8" "b\xE2\x80\xA9" "c\xC2\xA0" "d\n");
    QTest::newRow("Windows-1252") << QByteArray("caf\xE9 \x80 \x81\x8D\x8F\x90\x9D\r\n");
    QTest::newRow("NUL and tabs") << QByteArray("a\0b\tc\r\n", 8);
    QTest::newRow("control pictures themselves") << QByteArray("\xE2\x90\x8D\xE2\x90\x8A\n");
}

// Saving a note that was not edited gives back exactly the bytes read; an edit that is taken
// back counts as a change, so the writer runs.
void TestNoteSaving::bytesSurviveLoadAndSave()
{
    QFETCH(QByteArray, bytes);
    NoteWindow t;
    t.put(u"Alpha"_s, u"n.txt"_s, bytes);
    t.open();
    QCOMPARE(t.status(), u"Unchanged"_s);
    t.type(u"q"_s);
    QTest::keyClick(t.editor(), Qt::Key_Backspace);
    QCOMPARE(t.status(), u"Changed"_s);
    QVERIFY(t.w().notes().SaveNote());
    QCOMPARE(t.status(), u"Unchanged"_s);
    QCOMPARE(ReadBytes(t.note(u"Alpha"_s, u"n.txt"_s)), bytes);

    // A typed line break is written in the note's own style.
    const QByteArray lineEnd = t.w().notes().noteFormat().lineEndBytes();
    t.type(u"z"_s);
    QTest::keyClick(t.editor(), Qt::Key_Return);
    QVERIFY(t.w().notes().SaveNote());
    const int skip = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    QCOMPARE(ReadBytes(t.note(u"Alpha"_s, u"n.txt"_s)),
             bytes.left(skip) + "z" + lineEnd + bytes.mid(skip));
    QCOMPARE(t.platform.unexpected, 0);
}

void TestNoteSaving::unencodableCharacter()
{
    NoteWindow t;
    const QByteArray old("caf\xE9\r\n");
    t.put(u"Alpha"_s, u"n.txt"_s, old);
    t.open();
    t.type(u"Ж"_s);
    t.platform.answerMessage(Platform::Button::Cancel);
    QVERIFY(!t.w().notes().SaveNote());
    QCOMPARE(ReadBytes(t.note(u"Alpha"_s, u"n.txt"_s)), old);
    QCOMPARE(t.status(), u"Changed"_s);
    const auto q = t.platform.prompts.constLast();
    QVERIFY2(q.text.contains(u"U+0416"_s) && q.text.contains(u"UTF-8"_s), qPrintable(q.text));
    QCOMPARE(q.buttons, Platform::Buttons::OkCancel);

    t.platform.answerMessage(Platform::Button::Ok);
    QVERIFY(t.w().notes().SaveNote());
    QCOMPARE(ReadBytes(t.note(u"Alpha"_s, u"n.txt"_s)), QByteArray("\xD0\x96" "caf\xC3\xA9\r\n"));
    QCOMPARE(t.status(), u"Unchanged"_s);
    QCOMPARE(t.platform.unexpected, 0);
}

void TestNoteSaving::failedSaveKeepsChanged_data()
{
    QTest::addColumn<bool>("removeFolder");
    QTest::newRow("folder removed") << true;
    QTest::newRow("read-only folder") << false;
}

void TestNoteSaving::failedSaveKeepsChanged()
{
    QFETCH(bool, removeFolder);
    if (!removeFolder && !PermissionsEnforced())
        QSKIP("Running as root: a read-only folder can still be written to.");
    NoteWindow t;
    const QByteArray old("old text\r\n");
    t.put(u"Alpha"_s, u"n.txt"_s, old);
    const QString path = t.note(u"Alpha"_s, u"n.txt"_s);
    t.open();
    t.type(u"new "_s);
    const QString dir = t.dir(u"Alpha"_s);
    if (removeFolder) {
        QVERIFY(QDir(dir).removeRecursively());
        t.platform.answerMessage(Platform::Button::Yes); // gone since loaded: write anyway
    } else {
        QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner));
    }
    t.platform.answerMessage(Platform::Button::Ok);
    QVERIFY(!t.w().notes().SaveNote());
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(t.status(), u"Changed"_s);
    QVERIFY(t.saveEnabled());
    QCOMPARE(t.text(), u"new old text\n"_s);
    const auto failure = t.platform.prompts.constLast();
    QVERIFY2(failure.text.startsWith(u"Quirebox can't save the file \""_s + path + u"\".\r\n"_s),
             qPrintable(failure.text));
    QVERIFY(failure.text.size() > path.size() + 40); // the reason follows
    QCOMPARE(ReadBytes(path), removeFolder ? QByteArray() : old);
    QCOMPARE(QFileInfo::exists(path), !removeFolder);
    QCOMPARE(t.platform.unexpected, 0);
}

void TestNoteSaving::fileChangedOnDisk_data()
{
    QTest::addColumn<QByteArray>("other"); // what another program leaves; empty: removed
    QTest::addColumn<bool>("keepTime");
    QTest::addColumn<Platform::Button>("answer");
    QTest::newRow("rewritten, Yes") << QByteArray("theirs") << false << Platform::Button::Yes;
    QTest::newRow("rewritten, No") << QByteArray("theirs") << false << Platform::Button::No;
    QTest::newRow("same size and time, No") << QByteArray("MINE") << true << Platform::Button::No;
    QTest::newRow("removed, Yes") << QByteArray() << false << Platform::Button::Yes;
    QTest::newRow("removed, No") << QByteArray() << false << Platform::Button::No;
}

void TestNoteSaving::fileChangedOnDisk()
{
    QFETCH(QByteArray, other);
    QFETCH(bool, keepTime);
    QFETCH(Platform::Button, answer);
    NoteWindow t;
    t.put(u"Alpha"_s, u"n.txt"_s, "mine");
    const QString path = t.note(u"Alpha"_s, u"n.txt"_s);
    t.open();
    t.type(u"+"_s);
    const QDateTime time = QFileInfo(path).lastModified();
    if (other.isEmpty()) {
        QVERIFY(QFile::remove(path));
    } else {
        QVERIFY(WriteBytes(path, other));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        const QDateTime stamp = keepTime ? time : time.addSecs(-60);
        QVERIFY(file.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    t.platform.answerMessage(answer);
    const bool yes = answer == Platform::Button::Yes;
    QCOMPARE(t.w().notes().SaveNote(), yes);
    const auto q = t.platform.prompts.constLast();
    QCOMPARE(q.text, u"The file: \""_s + path + u"\" has been changed or removed by another "
                                                 "program since it was loaded.\r\nOverwrite it "
                                                 "with the text in the editor?"_s);
    QCOMPARE(q.buttons, Platform::Buttons::YesNo);
    QCOMPARE(ReadBytes(path), yes ? QByteArray("+mine") : other);
    QCOMPARE(t.status(), yes ? u"Unchanged"_s : u"Changed"_s);
    // A save after Yes starts from what was written: no second question.
    if (yes) {
        t.type(u"+"_s);
        QVERIFY(t.w().notes().SaveNote());
        QCOMPARE(ReadBytes(path), QByteArray("++mine"));
    }
    QCOMPARE(t.platform.unexpected, 0);
}

void TestNoteSaving::unreadableNote()
{
    NoteWindow t;
    t.put(u"Alpha"_s, u"a.txt"_s, "first");
    t.put(u"Alpha"_s, u"b.txt"_s, "second");
    t.open();
    const QString gone = t.note(u"Alpha"_s, u"b.txt"_s);
    QVERIFY(QFile::remove(gone));
    t.platform.answerMessage(Platform::Button::Ok);
    t.pickNote(u"b"_s);
    QCOMPARE(t.platform.prompts.size(), 1);
    QVERIFY(t.platform.prompts[0].text.startsWith(u"Quirebox can't read the file \""_s + gone));
    QCOMPARE(t.text(), QString());
    QVERIFY(!t.editor()->isEnabled());
    QCOMPARE(t.pathPanel(), u"No File Selected"_s);
    QCOMPARE(t.status(), u"Unchanged"_s);
    t.w().notes().SetNoteStatus(u"Changed"_s, false);
    QVERIFY(t.w().notes().SaveNote());
    QVERIFY(!QFile::exists(gone));
    QCOMPARE(ReadBytes(t.note(u"Alpha"_s, u"a.txt"_s)), QByteArray("first"));
    QCOMPARE(t.platform.unexpected, 0);
}

QTEST_MAIN(TestNoteSaving)
#include "test_notesaving.moc"
