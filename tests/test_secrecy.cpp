// The text of a note its file keeps enciphered (encrypted with a passphrase, or encoded with a
// keyword) never reaches the disk but through its own saves, whatever puts text in the editor:
// a version put back from the history, Undo, a command that enciphers it, another program that
// encrypts its file. After each step every file under the test's home (the program's XDG
// folders, the notes' folders and the temporary folder) is searched for the words typed.
#include "SecretNotes.h"
#include "WindowFixture.h"

#include "keeping/HistoryDialog.h"
#include "keeping/NoteHistory.h"
#include "notes/RecoveryKeeper.h"

#include <QListWidget>

#include <cstdio>

using namespace qb;
using namespace qb::test;

namespace {

// File > Note History..., the version at `row` (0: the newest) chosen; `more` scripts what
// is asked after.
void restoreVersion(TestWindow &t, int row, const std::function<void()> &more = {})
{
    t.platform.answerDialog([row](QDialog &dialog) {
        static_cast<HistoryDialog &>(dialog).versionList()->setCurrentRow(row);
        return int(QDialog::Accepted);
    });
    if (more)
        more();
    t.trigger(u"noteHistoryAction"_s);
}

// Tools > Decrypt with Passphrase..., with the right passphrase.
void decrypt(TestWindow &t)
{
    answerPassphrase(t.platform, kPassphrase);
    t.trigger(u"encryptAction"_s);
    QTRY_COMPARE_WITH_TIMEOUT(t.status(), u"Decrypted"_s, 30'000);
}

void undo(const TestWindow &t)
{
    QTest::keyClick(t.editor(), Qt::Key_Z, Qt::ControlModifier);
}

// Long enough for a recovery copy of the edits to be written.
void waitForRecovery()
{
    QTest::qWait(RecoveryKeeper::kMaxLagMilliseconds + 700);
}

} // namespace

class TestSecrecy : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

    // The files under the test's home that hold any of `words`.
    QStringList leaks(const QList<QByteArray> &words) const
    {
        QStringList holding;
        for (const QByteArray &word : words)
            holding << filesHolding(m_home.path(), word);
        return holding;
    }

private Q_SLOTS:
    void initTestCase() { keepHomeAndTemporaryFilesIn(m_home.path()); }

    // An encrypted note decrypted, edited and saved; its older version put back, which is
    // shown decrypted and stays "Decrypted"; Undo, and more typing: no recovery copy is taken.
    void decryptedNoteRestoredAndUndone()
    {
        TestWindow t;
        t.open({{u"secret.txt"_s, encrypted("first line\n")}});
        decrypt(t);
        t.type(u"WORDONE "_s);
        QVERIFY(t.save());
        QVERIFY(isAgeFile(t.bytes(u"secret.txt"_s)));
        QCOMPARE(leaks({"WORDONE"}), QStringList());

        restoreVersion(t, 0);
        QTRY_COMPARE_WITH_TIMEOUT(t.text(), u"first line\n"_s, 30'000);
        QCOMPARE(t.status(), u"Decrypted"_s);
        QCOMPARE(leaks({"WORDONE"}), QStringList());

        undo(t);
        QCOMPARE(t.text(), u"WORDONE first line\n"_s);
        t.type(u"WORDTWO "_s);
        waitForRecovery();
        QCOMPARE(leaks({"WORDONE", "WORDTWO"}), QStringList());

        QVERIFY(t.save());
        QCOMPARE(decrypted(t.bytes(u"secret.txt"_s)), "WORDTWO WORDONE first line\n");
        QCOMPARE(leaks({"WORDONE", "WORDTWO"}), QStringList());
    }

    // The same with the keyword: a note decoded, a version kept in the clear put back, Undo,
    // and more typing. Undo right after Decode brings no cipher text back.
    void decodedNoteRestoredAndUndone()
    {
        TestWindow t;
        t.open({{u"n.txt"_s, "plain v1\r\n"}});
        t.type(u"x "_s);
        QVERIFY(t.save());
        t.answer(u"input:kw"_s);
        t.trigger(u"T_mnuENCODE"_s);
        QCOMPARE(t.status(), u"Encoded"_s);
        QVERIFY(t.save());
        // Read again, the encoded note asks for its keyword at once.
        t.answer(u"input:kw"_s);
        t.trigger(u"F_mnuREFRESH"_s);
        QCOMPARE(t.status(), u"Decoded"_s);
        undo(t);
        QCOMPARE(t.text(), u"x plain v1\n"_s);
        QCOMPARE(t.status(), u"Decoded"_s);

        t.type(u"WORDONE "_s);
        waitForRecovery();
        QCOMPARE(leaks({"WORDONE"}), QStringList());
        restoreVersion(t, 1);
        QCOMPARE(t.text(), u"plain v1\n"_s);
        undo(t);
        QCOMPARE(t.text(), u"WORDONE x plain v1\n"_s);
        t.type(u"WORDTWO "_s);
        waitForRecovery();
        QCOMPARE(leaks({"WORDONE", "WORDTWO"}), QStringList());
    }

    // A version encrypted with another passphrase than the note's asks for that one; a wrong
    // answer says so and changes nothing. The note keeps its own passphrase for its saves.
    void versionWithAnotherPassphrase()
    {
        TestWindow t;
        t.open({{u"secret.txt"_s, encrypted("now\n")}});
        const QByteArray version = encrypted("before\n", u"another passphrase"_s);
        QVERIFY(NoteHistory().keep(t.note(u"secret.txt"_s), version, 1'000).ok());
        decrypt(t);

        restoreVersion(t, 0, [&t] {
            answerPassphrase(t.platform, u"wrong"_s);
            t.answer(u"ok"_s);
        });
        QTRY_COMPARE_WITH_TIMEOUT(t.last().text,
                                  u"The passphrase is wrong, or the file was changed."_s, 30'000);
        QCOMPARE(t.text(), u"now\n"_s);

        restoreVersion(t, 0, [&t] { answerPassphrase(t.platform, u"another passphrase"_s); });
        QTRY_COMPARE_WITH_TIMEOUT(t.text(), u"before\n"_s, 30'000);
        QCOMPARE(t.status(), u"Decrypted"_s);
        QVERIFY(t.save());
        QCOMPARE(decrypted(t.bytes(u"secret.txt"_s)), "before\n");
    }

    // A version kept in the clear, from before the note was encrypted: refused while the note
    // shows its armour; put into the note shown decrypted, it is saved encrypted.
    void clearVersionIntoAnEncryptedNote()
    {
        TestWindow t;
        t.open({{u"n.txt"_s, "plain v1\n"}});
        answerPassphrase(t.platform, kPassphrase, kPassphrase);
        t.trigger(u"encryptAction"_s);
        QCOMPARE(t.status(), u"Decrypted"_s);
        QVERIFY(t.save());
        // Read again, it shows its armour.
        t.trigger(u"F_mnuREFRESH"_s);
        QCOMPARE(t.status(), u"Encrypted"_s);
        const QString armour = t.text();
        t.platform.answerDialog([](QDialog &) { return int(QDialog::Accepted); });
        t.answer(u"ok"_s);
        t.trigger(u"noteHistoryAction"_s);
        QCOMPARE(t.last().text, u"Decrypt the note to put one of its versions back."_s);
        QCOMPARE(t.text(), armour);

        decrypt(t);
        t.type(u"SECRET "_s);
        restoreVersion(t, 0);
        QCOMPARE(t.text(), u"plain v1\n"_s);
        QCOMPARE(t.status(), u"Decrypted"_s);
        undo(t);
        t.type(u"MORE "_s);
        waitForRecovery();
        QCOMPARE(leaks({"SECRET", "MORE"}), QStringList());
        QVERIFY(t.save());
        QCOMPARE(decrypted(t.bytes(u"n.txt"_s)), "MORE SECRET plain v1\n");
    }

    // The recovery copy of a plain note's edits goes once the note is enciphered in the editor
    // (encoded, or to be saved encrypted), and none is taken of later edits, Undo's included.
    // Undo cannot reach back across an encoding; Encrypt leaves the text and its Undo as they
    // are.
    void encipheringDropsTheCopy_data()
    {
        QTest::addColumn<bool>("encode");
        QTest::newRow("Encrypt with Passphrase") << false;
        QTest::newRow("Encode") << true;
    }

    void encipheringDropsTheCopy()
    {
        QFETCH(bool, encode);
        TestWindow t;
        t.open({{u"n.txt"_s, "plain\n"}});
        t.type(u"TYPED "_s);
        waitForRecovery();
        QCOMPARE(filesHolding(t.root.filePath(u"state"_s), "TYPED").size(), 1);

        if (encode)
            t.answer(u"input:kw"_s);
        else
            answerPassphrase(t.platform, kPassphrase, kPassphrase);
        t.trigger(encode ? u"T_mnuENCODE"_s : u"encryptAction"_s);
        QCOMPARE(t.status(), encode ? u"Encoded"_s : u"Decrypted"_s);
        const QString enciphered = t.text();
        if (!encode)
            QCOMPARE(enciphered, u"TYPED plain\n"_s);
        QTRY_COMPARE(leaks({"TYPED"}), QStringList());
        undo(t);
        QCOMPARE(t.text(), encode ? enciphered : u"plain\n"_s);
        t.type(u"MORE "_s);
        waitForRecovery();
        QCOMPARE(leaks({"TYPED", "MORE"}), QStringList());
    }

    // Remove Encryption, and only it, lets the decrypted note's edits be copied.
    void removeEncryptionEndsTheSecret()
    {
        TestWindow t;
        t.open({{u"secret.txt"_s, encrypted("text\n")}});
        decrypt(t);
        t.answer(u"yes"_s);
        t.trigger(u"removeEncryptionAction"_s);
        t.type(u"CLEAR "_s);
        waitForRecovery();
        QCOMPARE(filesHolding(t.root.filePath(u"state"_s), "CLEAR").size(), 1);
    }

    // Another program encrypts the file of a plain note with unsaved edits: their copy goes,
    // and no other is taken.
    void fileEncryptedByAnotherProgram()
    {
        TestWindow t;
        t.open({{u"n.txt"_s, "plain\n"}});
        t.type(u"TYPED "_s);
        waitForRecovery();
        QCOMPARE(filesHolding(t.root.filePath(u"state"_s), "TYPED").size(), 1);

        const QString written = t.note(u"n.age"_s);
        QVERIFY(writeBytes(written, encrypted("plain\n")));
        QVERIFY(std::rename(QFile::encodeName(written), QFile::encodeName(t.note(u"n.txt"_s))) ==
                0);
        QTRY_COMPARE_WITH_TIMEOUT(leaks({"TYPED"}), QStringList(), 5'000);
        t.type(u"MORE "_s);
        waitForRecovery();
        QCOMPARE(leaks({"TYPED", "MORE"}), QStringList());
    }
};

QTEST_MAIN(TestSecrecy)
#include "test_secrecy.moc"
