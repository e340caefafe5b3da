// Loading and saving the current note through the window: every byte survives, and a save that
// cannot be done keeps the edits and the old file.

#include "NoteWindow.h"

#include <unistd.h>

using namespace qb;
using namespace qb::test;

namespace {

enum class Disturbance { Rewrite, Remove, RemoveFolder, ReadOnlyFolder };

} // namespace

class TestNoteSaving : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void bytesSurviveLoadAndSave_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        QTest::newRow("every byte, LF first") << all;
        QTest::newRow("every byte, CR LF first") << "x\r\n" + all;
        QTest::newRow("CR LF, then LF and CR") << QByteArray("a\r\nb\nc\rd\r\n");
        QTest::newRow("LF, then CR LF and CR") << QByteArray("a\nb\r\nc\r\n\r");
        QTest::newRow("CR before CR LF") << QByteArray("\r\r\n\r\n\n");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("UTF-8: BOM, separators, no-break space")
            << QByteArray("\xEF\xBB\xBF" "a\xE2\x80\xA8" "b\xE2\x80\xA9" "c\xC2\xA0" "d\n");
    }

    // Saving a note that was not edited gives back exactly the bytes read; an edit that is
    // taken back counts as a change, so the writer runs.
    void bytesSurviveLoadAndSave()
    {
        QFETCH(QByteArray, bytes);
        NoteWindow t;
        t.open({{u"n.txt"_s, bytes}});
        t.type(u"q"_s);
        QTest::keyClick(t.editor(), Qt::Key_Backspace);
        QCOMPARE(t.status(), u"Changed"_s);
        QVERIFY(t.notes().SaveNote());
        QCOMPARE(t.bytes(u"n.txt"_s), bytes);
    }

    void unencodableCharacter()
    {
        NoteWindow t;
        t.open({{u"n.txt"_s, "caf\xE9\r\n"}});
        t.type(u"Ж"_s);
        t.platform.answerMessage(Platform::Button::Cancel);
        QVERIFY(!t.notes().SaveNote());
        QCOMPARE(t.bytes(u"n.txt"_s), QByteArray("caf\xE9\r\n"));
        QCOMPARE(t.status(), u"Changed"_s);
        QVERIFY2(t.last().text.contains(u"U+0416"_s) && t.last().text.contains(u"UTF-8"_s),
                 qPrintable(t.last().text));
        QCOMPARE(t.last().buttons, Platform::Buttons::OkCancel);

        t.platform.answerMessage(Platform::Button::Ok);
        QVERIFY(t.notes().SaveNote());
        QCOMPARE(t.bytes(u"n.txt"_s), QByteArray("\xD0\x96" "caf\xC3\xA9\r\n"));
        QCOMPARE(t.status(), u"Unchanged"_s);
    }

    void saveAfterTheFileMoved_data()
    {
        QTest::addColumn<Disturbance>("disturbance");
        QTest::addColumn<Platform::Button>("answer"); // to the first prompt
        QTest::addColumn<QByteArray>("after");        // the file afterwards; empty: gone
        const auto Yes = Platform::Button::Yes, No = Platform::Button::No;
        // Rewritten to the same size, with the same time.
        QTest::newRow("rewritten, Yes") << Disturbance::Rewrite << Yes << QByteArray("+mine");
        QTest::newRow("rewritten, No") << Disturbance::Rewrite << No << QByteArray("MINE");
        QTest::newRow("removed, Yes") << Disturbance::Remove << Yes << QByteArray("+mine");
        QTest::newRow("removed, No") << Disturbance::Remove << No << QByteArray();
        // The write itself fails: a message, and the edits stay "Changed".
        QTest::newRow("folder removed") << Disturbance::RemoveFolder << Yes << QByteArray();
        QTest::newRow("read-only folder")
            << Disturbance::ReadOnlyFolder << Platform::Button::Ok << QByteArray("mine");
    }

    void saveAfterTheFileMoved()
    {
        QFETCH(Disturbance, disturbance);
        QFETCH(Platform::Button, answer);
        QFETCH(QByteArray, after);
        // Root writes through read-only modes, so such a failure cannot be staged for it.
        if (disturbance == Disturbance::ReadOnlyFolder && geteuid() == 0)
            QSKIP("Running as root: a read-only folder can still be written to.");
        NoteWindow t;
        t.open({{u"n.txt"_s, "mine"}});
        const QString path = t.note(u"n.txt"_s);
        t.type(u"+"_s);
        const QDateTime time = QFileInfo(path).lastModified();
        QFile file(path);
        switch (disturbance) {
        case Disturbance::Rewrite:
            QVERIFY(WriteBytes(path, "MINE") && file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
            break;
        case Disturbance::Remove: QVERIFY(QFile::remove(path)); break;
        case Disturbance::RemoveFolder: QVERIFY(QDir(t.dir()).removeRecursively()); break;
        case Disturbance::ReadOnlyFolder:
            QVERIFY(QFile::setPermissions(t.dir(), QFile::ReadOwner | QFile::ExeOwner));
            break;
        }
        const bool asked = disturbance != Disturbance::ReadOnlyFolder;
        const bool fails = disturbance >= Disturbance::RemoveFolder;
        t.platform.answerMessage(answer);
        if (asked && fails)
            t.platform.answerMessage(Platform::Button::Ok); // to the failure
        const bool writes = after == "+mine";
        QCOMPARE(t.notes().SaveNote(), writes);
        QFile::setPermissions(t.dir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(t.platform.allAnswered());
        if (asked) {
            QCOMPARE(t.platform.prompts.constFirst().text,
                     u"The file: \""_s + path + u"\" has been changed or removed by another "
                     "program since it was loaded.\r\nOverwrite it with the text in the editor?"_s);
            QCOMPARE(t.platform.prompts.constFirst().buttons, Platform::Buttons::YesNo);
        }
        if (fails) { // with the reason after the path
            const QString failure = u"Quirebox can't save the file \""_s + path + u"\".\r\n"_s;
            QVERIFY2(t.last().text.startsWith(failure) && t.last().text != failure,
                     qPrintable(t.last().text));
        }
        QCOMPARE(t.bytes(u"n.txt"_s), after);
        QCOMPARE(QFile::exists(path), !after.isEmpty());
        QCOMPARE(t.text(), u"+mine"_s);
        QCOMPARE(t.state(), writes ? u"Unchanged, &Encode, Save off"_s
                                   : u"Changed, &Encode, Save on"_s);
        // A save after Yes starts from what was written: no second question.
        if (writes) {
            t.type(u"+"_s);
            QVERIFY(t.notes().SaveNote());
            QCOMPARE(t.bytes(u"n.txt"_s), QByteArray("++mine"));
        }
    }

    void unreadableNote()
    {
        NoteWindow t;
        t.open({{u"a.txt"_s, "first"}, {u"b.txt"_s, "second"}});
        const QString gone = t.note(u"b.txt"_s);
        QVERIFY(QFile::remove(gone));
        t.platform.answerMessage(Platform::Button::Ok);
        t.pickNote(u"b"_s);
        QCOMPARE(t.platform.prompts.size(), 1);
        QVERIFY(t.last().text.startsWith(u"Quirebox can't read the file \""_s + gone));
        t.expectNoNote();
        // Nothing is shown, so nothing can be saved into either file.
        t.notes().SetNoteStatus(u"Changed"_s, false);
        QVERIFY(t.notes().SaveNote());
        QVERIFY(!QFile::exists(gone));
        QCOMPARE(t.bytes(u"a.txt"_s), QByteArray("first"));
    }
};

QTEST_MAIN(TestNoteSaving)
#include "test_notesaving.moc"
