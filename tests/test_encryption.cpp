// Notes encrypted with a passphrase, through the window: Encrypt, which leaves the text shown
// for the saves to encrypt, the armour shown read-only with its bar, Decrypt with a right and a
// wrong passphrase, a save that encrypts again, Change Passphrase, Remove Encryption; and a
// marker typed into a decrypted note searched for on the whole disk the program writes to: the
// save's temporary file, the recovery copies, the history, and Find in Book. The test runs with
// the qbfault library preloaded.
#include "SecretNotes.h"
#include "WindowFixture.h"

#include "editor/NoticeBar.h"
#include "faults/Faults.h"

#include <QPushButton>
#include <QTimer>
#include <QTreeView>

#include <thread>

using namespace qb;
using namespace qb::test;

namespace {

constexpr char kMarker[] = "MARKER-7f3a";

} // namespace

class TestEncryption : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase() { QB_FAULTS_AND_HOME_IN(m_home.path()); }

    // Encrypt keeps the note's text shown, "Decrypted", as Decrypt leaves a note: its Tools item
    // then reads Change Passphrase, the status panel tells that the note is saved encrypted,
    // and Save writes it encrypted, after which it is still shown decrypted and takes typing.
    // Read again, the note shows its armour read-only under its bar, and Decrypt shows the
    // text, "Decrypted". A wrong passphrase says so and changes nothing.
    void encryptAndDecrypt()
    {
        const QByteArray plain = "Dear diary,\r\ncaf\xC3\xA9 at noon.\r\n";
        TestWindow t;
        t.open({{u"n.txt"_s, plain}});
        QCOMPARE(t.action(u"encryptAction"_s)->text(), u"Encr&ypt with Passphrase..."_s);
        QCOMPARE(t.panel(1)->toolTip(), u"File Status"_s);
        t.type(QString::fromLatin1(kMarker) + u' ');
        answerPassphrase(t.platform, kPassphrase, kPassphrase);
        t.trigger(u"encryptAction"_s);
        QCOMPARE(t.last().title, u"Passphrase"_s);
        const QString typed = QString::fromLatin1(kMarker) + u" Dear diary,\ncafé at noon.\n"_s;
        QCOMPARE(t.status(), u"Decrypted"_s);
        QCOMPARE(t.text(), typed);
        QCOMPARE(t.action(u"encryptAction"_s)->text(), u"C&hange Passphrase..."_s);
        QCOMPARE(t.panel(1)->toolTip(), u"File Status: saved encrypted"_s);
        QVERIFY(t.action(u"removeEncryptionAction"_s)->isEnabled());
        QCOMPARE(t.bytes(u"n.txt"_s), plain);
        QVERIFY(t.save());
        QCOMPARE(t.status(), u"Unchanged"_s);
        QCOMPARE(t.text(), typed);
        QCOMPARE(t.panel(1)->toolTip(), u"File Status: saved encrypted"_s);
        QCOMPARE(decrypted(t.bytes(u"n.txt"_s), kPassphrase), QByteArray(kMarker) + ' ' + plain);
        t.type(u"P.S. "_s);
        QCOMPARE(t.status(), u"Changed"_s);
        QVERIFY(t.save());
        const QByteArray saved = "P.S. " + QByteArray(kMarker) + ' ' + plain;
        QCOMPARE(decrypted(t.bytes(u"n.txt"_s), kPassphrase), saved);
        QCOMPARE(filesHolding(t.root.path(), kMarker), QStringList());

        t.trigger(u"F_mnuREFRESH"_s);
        auto *bar = t.child<NoticeBar>(u"noticeBar"_s);
        QCOMPARE(bar->text(), u"This note is encrypted."_s);
        QCOMPARE(t.status(), u"Encrypted"_s);
        QCOMPARE(t.action(u"encryptAction"_s)->text(), u"Decr&ypt with Passphrase..."_s);
        QCOMPARE(t.panel(1)->toolTip(), u"File Status"_s);
        const QString armour = t.text();
        QVERIFY(armour.startsWith(u"-----BEGIN AGE ENCRYPTED FILE-----\n"_s));
        t.type(u"typed into the armour"_s);
        t.trigger(u"E_mnuCUT"_s);
        QCOMPARE(t.text(), armour);

        answerPassphrase(t.platform, u"wrong"_s, {});
        t.answer(u"ok"_s);
        t.trigger(u"noticeDecryptAction"_s);
        QTRY_COMPARE_WITH_TIMEOUT(t.last().text,
                                  u"The passphrase is wrong, or the file was changed."_s, 30'000);
        QCOMPARE(t.text(), armour);
        QCOMPARE(t.status(), u"Encrypted"_s);

        answerPassphrase(t.platform, kPassphrase, {});
        t.trigger(u"encryptAction"_s);
        QTRY_COMPARE_WITH_TIMEOUT(t.status(), u"Decrypted"_s, 30'000);
        QCOMPARE(t.text(), u"P.S. "_s + typed);
        QCOMPARE(t.action(u"encryptAction"_s)->text(), u"C&hange Passphrase..."_s);
        QVERIFY(bar->isHidden());
    }

    // Change Passphrase asks for a new passphrase twice, and the next save encrypts the note
    // with it; the old one no longer opens the file. Cancel changes nothing. Undo back to the
    // text as decrypted leaves the note "Decrypted" as it was; after Change Passphrase it stays
    // to be saved.
    void changePassphrase()
    {
        TestWindow t;
        t.open({{u"secret.txt"_s, encrypted("text\n")}});
        answerPassphrase(t.platform, kPassphrase, {});
        t.trigger(u"encryptAction"_s);
        QTRY_COMPARE_WITH_TIMEOUT(t.status(), u"Decrypted"_s, 30'000);
        const QString shown = t.state();
        t.type(u"x"_s);
        t.trigger(u"undoAction"_s);
        QCOMPARE(t.state(), shown);
        QVERIFY(t.save());
        QCOMPARE(t.state(), u"Unchanged, &Encode, Save off"_s);

        t.answer(u"dialog"_s);
        t.trigger(u"encryptAction"_s);
        QCOMPARE(t.last().title, u"Passphrase"_s);
        QCOMPARE(t.state(), u"Unchanged, &Encode, Save off"_s);

        const QString other = u"another passphrase"_s;
        bool askedTwice = false;
        t.platform.answerDialog([&](QDialog &dialog) {
            auto &form = static_cast<PassphraseDialog &>(dialog);
            askedTwice = form.repeatField() != nullptr;
            dialog.show();
            QTest::keyClicks(form.passphraseField(), other);
            if (form.repeatField())
                QTest::keyClicks(form.repeatField(), other);
            QTest::keyClick(form.passphraseField(), Qt::Key_Return);
            return dialog.result();
        });
        t.type(u"x"_s);
        t.trigger(u"encryptAction"_s);
        QVERIFY(askedTwice);
        QCOMPARE(t.state(), u"Decrypted, &Encode, Save on"_s);
        t.trigger(u"undoAction"_s);
        QCOMPARE(t.state(), u"Changed, &Encode, Save on"_s);
        QCOMPARE(t.text(), u"text\n"_s);
        QVERIFY(t.save());
        QCOMPARE(decrypted(t.bytes(u"secret.txt"_s), other), QByteArray("text\n"));
        QVERIFY(decrypted(t.bytes(u"secret.txt"_s), kPassphrase).startsWith("not decrypted"));
    }

    // A decrypted note's save encrypts it again, with a new salt: nothing of its text reaches
    // the disk, not while the temporary file is written, nor in the recovery copies or the
    // history; Find in Book counts it as a note it cannot search.
    void clearTextNeverReachesTheDisk()
    {
        TestWindow t;
        t.open();
        {
            QString copy = kPassphrase;
            const SecretBytes secret = SecretBytes::fromPassphrase(copy);
            t.put(u"secret.txt"_s, encryptAge("first line\n", prepareAgeKey(secret)));
        }
        t.trigger(u"F_mnuREFRESH"_s);
        const QByteArray before = t.bytes(u"secret.txt"_s);
        answerPassphrase(t.platform, kPassphrase, {});
        t.trigger(u"encryptAction"_s);
        QTRY_COMPARE_WITH_TIMEOUT(t.status(), u"Decrypted"_s, 30'000);
        t.type(QString::fromLatin1(kMarker) + u' ');
        QTest::qWait(2600); // a recovery copy would be written by now

        // The save's temporary file, named, looked at while the save waits on its sync.
        Faults faults;
        faults.arm("tmpfile", EOPNOTSUPP, t.dir());
        const SyncGate gate("fdatasync", t.dir());
        QStringList seenDuringTheSave;
        std::thread look([&] {
            while (gate.held() == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            seenDuringTheSave = QDir(t.dir()).entryList(QDir::Files | QDir::Hidden);
            for (const QString &holding : filesHolding(t.root.path(), kMarker))
                seenDuringTheSave << u"holds the marker: "_s + holding;
            gate.release();
        });
        QVERIFY(t.save());
        look.join();
        faults.disarm();
        QCOMPARE(seenDuringTheSave.filter(u"holds the marker"_s), QStringList());
        QCOMPARE(seenDuringTheSave.filter(u".qbsave-"_s).size(), 1);

        const QByteArray after = t.bytes(u"secret.txt"_s);
        QCOMPARE(decrypted(after, kPassphrase), QByteArray(kMarker) + " first line\n");
        QVERIFY(readAgeHeader(after).salt != readAgeHeader(before).salt);
        QCOMPARE(filesHolding(t.root.path(), kMarker), QStringList());
        QCOMPARE(filesHolding(m_home.path(), kMarker), QStringList());

        t.trigger(u"findInBookAction"_s);
        QTest::keyClicks(t.child<QComboBox>(u"findInBookField"_s), QString::fromLatin1(kMarker));
        t.child<QPushButton>(u"findInBookButton"_s)->click();
        QTRY_VERIFY(
            t.child<QLabel>(u"findInBookSummaryLabel"_s)->text().contains(u"1 enciphered note"_s));
        QCOMPARE(t.child<QTreeView>(u"findInBookList"_s)->model()->rowCount(), 0);
    }

    // A short passphrase is warned of; Remove Encryption, once asked, lets the next save write
    // the text in the clear.
    void shortPassphraseAndRemovingTheEncryption()
    {
        TestWindow t;
        t.open({{u"n.txt"_s, "plain\n"}});
        answerPassphrase(t.platform, u"abc"_s, u"abc"_s);
        t.answer(u"no"_s);
        t.trigger(u"encryptAction"_s);
        QCOMPARE(t.last().text, u"A passphrase shorter than 8 characters is soon guessed by "
                                "anyone who has the file.\r\nEncrypt the note with it all the "
                                "same?"_s);
        QCOMPARE(t.status(), u"Unchanged"_s);
        QVERIFY(!t.action(u"removeEncryptionAction"_s)->isEnabled());

        answerPassphrase(t.platform, kPassphrase, kPassphrase);
        t.trigger(u"encryptAction"_s);
        QCOMPARE(t.status(), u"Decrypted"_s);
        QVERIFY(t.action(u"removeEncryptionAction"_s)->isEnabled());
        QVERIFY(t.save());
        QVERIFY(isAgeFile(t.bytes(u"n.txt"_s)));
        t.answer(u"yes"_s);
        t.trigger(u"removeEncryptionAction"_s);
        QCOMPARE(t.last().title, u"Remove Encryption"_s);
        QCOMPARE(t.action(u"encryptAction"_s)->text(), u"Encr&ypt with Passphrase..."_s);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"n.txt"_s), QByteArray("plain\n"));
    }

    // A binary age file, as `age -p` writes it, shows as armour, never as its bytes.
    void binaryFileShownAsArmour()
    {
        TestWindow t;
        QString copy = kPassphrase;
        const SecretBytes secret = SecretBytes::fromPassphrase(copy);
        t.open({{u"b.txt"_s, encryptAge("binary\n", prepareAgeKey(secret, 10), AgeForm::Binary)}});
        QVERIFY(t.text().startsWith(u"-----BEGIN AGE ENCRYPTED FILE-----\n"_s));
        QCOMPARE(t.status(), u"Encrypted"_s);
        answerPassphrase(t.platform, kPassphrase, {});
        t.trigger(u"noticeDecryptAction"_s);
        QTRY_COMPARE_WITH_TIMEOUT(t.status(), u"Decrypted"_s, 30'000);
        QCOMPARE(t.text(), u"binary\n"_s);
    }

    // A large note is decrypted off the window's thread and put in piece by piece: keys typed
    // meanwhile go in once all of it is, and another note picked before that stops it, the
    // encrypted file as it was.
    void largeNoteDecryptedInPieces()
    {
        QByteArray plain;
        for (int line = 0; plain.size() < (3 << 19); ++line)
            plain += "Line " + QByteArray::number(line) + " of a large secret note.\r\n";
        const QByteArray file = encrypted(plain);
        TestWindow t;
        t.open({{u"big.txt"_s, file}, {u"other.txt"_s, "other\r\n"}});
        QTRY_COMPARE(t.status(), u"Encrypted"_s);

        // Each piece changes the text on its own; at the first change, a key is typed.
        int pieces = 0;
        std::function<void()> onFirstPiece;
        QObject guard;
        const auto countPieces = [&] {
            QObject::connect(t.editor(), &QPlainTextEdit::textChanged, &guard, [&] {
                if (t.status() != u"Decrypted"_s && ++pieces == 1)
                    QTimer::singleShot(0, &guard, onFirstPiece);
            });
        };
        countPieces();
        onFirstPiece = [&] { QTest::keyClicks(t.editor(), u"XY"_s); };
        answerPassphrase(t.platform, kPassphrase, {});
        t.trigger(u"encryptAction"_s);
        // The keys typed make it "Changed" once they are in.
        QTRY_COMPARE_WITH_TIMEOUT(t.status(), u"Changed"_s, 30'000);
        QCOMPARE_GT(pieces, 2);
        QString shown = t.text();
        QCOMPARE(shown.count(u"XY"_s), 1);
        QCOMPARE(shown.remove(u"XY"_s), QString::fromUtf8(plain).replace(u"\r\n"_s, u"\n"_s));
        QCOMPARE(t.bytes(u"big.txt"_s), file);

        // Again, from the armour, and another note picked while it goes in.
        QObject::disconnect(t.editor(), nullptr, &guard, nullptr);
        t.answer(u"no"_s); // the keys typed are not saved
        t.trigger(u"F_mnuREFRESH"_s);
        QTRY_COMPARE(t.status(), u"Encrypted"_s);
        pieces = 0;
        countPieces();
        onFirstPiece = [&] { t.pickNote(u"other"_s); };
        answerPassphrase(t.platform, kPassphrase, {});
        t.trigger(u"encryptAction"_s);
        QTRY_COMPARE_WITH_TIMEOUT(t.text(), u"other\n"_s, 30'000);
        QTest::qWait(200);
        QCOMPARE(t.text(), u"other\n"_s);
        QCOMPARE(t.status(), u"Unchanged"_s);
        QCOMPARE(t.bytes(u"big.txt"_s), file);
        QCOMPARE(filesHolding(t.root.path(), "large secret note"), QStringList());
        t.pickNote(u"big"_s);
        QTRY_COMPARE(t.status(), u"Encrypted"_s);
    }
};

QTEST_MAIN(TestEncryption)
#include "test_encryption.moc"
