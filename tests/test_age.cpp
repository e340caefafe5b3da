#include "TestFiles.h"
#include "encoder/AgeFile.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qb;
using namespace qb::test;
using namespace Qt::StringLiterals;

namespace {

// Low, so that the tests derive keys quickly; the `age` command reads any factor up to 22.
constexpr int kTestWorkFactor = 10;
const QString kPassphrase = u"pässwörd ☃ 7"_s;

SecretBytes secret(const QString &passphrase = kPassphrase)
{
    QString copy = passphrase;
    return SecretBytes::fromPassphrase(copy);
}

QByteArray encrypt(QByteArrayView plain, AgeForm form = AgeForm::Armoured)
{
    return encryptAge(plain, prepareAgeKey(secret(), kTestWorkFactor), form);
}

// Reads the header, derives the key for it and decrypts, as the program does.
AgeDecrypted decrypt(QByteArrayView file, const QString &passphrase = kPassphrase)
{
    const AgeKeyNeed need = readAgeHeader(file);
    if (!need.outcome.ok())
        return {need.outcome, {}};
    return decryptAge(file, deriveAgeKey(secret(passphrase), need.salt, need.workFactor));
}

// Mixed line ends and bytes of every kind, `size` bytes of them.
QByteArray sampleBytes(qsizetype size)
{
    const QByteArray pattern = "caf\xc3\xa9 \xe2\x82\xac\r\nna\xefve\n\x93quoted\x94\r\0tab\t"_ba;
    QByteArray bytes;
    while (bytes.size() < size)
        bytes += pattern;
    bytes.truncate(size);
    return bytes;
}

// Runs the `age` command under a pseudo-terminal, answering each passphrase prompt; its exit
// code, or -1. What it printed goes to `transcript`.
int runAge(const QStringList &arguments, const QString &passphrase, QByteArray &transcript)
{
    const QString age = QStandardPaths::findExecutable(u"age"_s);
    if (age.isEmpty()) {
        transcript = "the age command is missing: install the Debian package age (scripts/deps.sh)";
        return -1;
    }
    QList<QByteArray> strings = {QFile::encodeName(age)};
    for (const QString &argument : arguments)
        strings.append(QFile::encodeName(argument));
    std::vector<char *> argv;
    for (QByteArray &s : strings)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child == 0) {
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (child < 0)
        return -1;
    const QByteArray answer = passphrase.toUtf8() + '\n';
    qsizetype answered = 0;
    QElapsedTimer timer;
    timer.start();
    for (char buffer[4096];;) {
        pollfd ready = {terminal, POLLIN, 0};
        if (::poll(&ready, 1, 1000) > 0) {
            const ssize_t n = ::read(terminal, buffer, sizeof buffer);
            if (n <= 0)
                break;
            transcript.append(buffer, n);
        }
        const qsizetype prompts =
            transcript.count("Enter passphrase") + transcript.count("Confirm passphrase");
        for (; answered < prompts; ++answered) {
            if (::write(terminal, answer.data(), size_t(answer.size())) != answer.size())
                transcript += "\n(the passphrase could not be typed)";
        }
        if (timer.hasExpired(120'000)) {
            ::kill(child, SIGKILL);
            transcript += "\n(stopped after two minutes)";
            break;
        }
    }
    ::close(terminal);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// `file` with `from` replaced by `to` once, where it must be found.
QByteArray replaced(QByteArray file, QByteArrayView from, QByteArrayView to)
{
    const qsizetype at = file.indexOf(from);
    return at < 0 ? QByteArray() : file.replace(at, from.size(), to.toByteArray());
}

QByteArray flipped(QByteArray file, qsizetype at)
{
    file[at] = char(file[at] ^ 0x01);
    return file;
}

// Another base64 character in place of the one at `at`.
QByteArray changed(QByteArray file, qsizetype at)
{
    file[at] = file[at] == 'A' ? 'B' : 'A';
    return file;
}

} // namespace

class TestAge : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrips_data()
    {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<AgeForm>("form");
        const QList<std::pair<const char *, QByteArray>> plains = {
            {"empty", {}},
            {"one byte", "x"},
            {"one whole chunk", sampleBytes(65536)},
            {"a chunk and a byte", sampleBytes(65537)},
            {"several chunks", sampleBytes(3 * 65536 + 1000)},
            {"large enough for several threads", sampleBytes(9 * 1024 * 1024 + 123)},
            {"UTF-8, mixed line ends", "Gr\xc3\xbc\xc3\x9f"
                                       "e\r\nzw\xc3\xb6lf\n\xf0\x9f\x8e\x89\r"},
            {"Windows-1252, mixed line ends", "Gr\xfc\xdf"
                                              "e\r\n\x80 \x93x\x94\n\xff\r"}};
        for (const auto &[name, plain] : plains) {
            QTest::addRow("%s, armoured", name) << plain << AgeForm::Armoured;
            QTest::addRow("%s, binary", name) << plain << AgeForm::Binary;
        }
    }

    // Byte for byte back; every file with its own salt and nonce; armour read with CR LF and
    // blanks around it, and a binary file shown as armour reads the same.
    void roundTrips()
    {
        QFETCH(QByteArray, plain);
        QFETCH(AgeForm, form);
        const QByteArray file = encrypt(plain, form);
        QVERIFY(isAgeFile(file));
        const AgeKeyNeed need = readAgeHeader(file);
        QVERIFY2(need.outcome.ok(), qPrintable(need.outcome.message));
        QCOMPARE(need.workFactor, kTestWorkFactor);
        const AgeDecrypted back = decrypt(file);
        QVERIFY2(back.outcome.ok(), qPrintable(back.outcome.message));
        QCOMPARE(back.plain, plain);

        const QByteArray again = encrypt(plain, form);
        QVERIFY(readAgeHeader(again).salt != need.salt);
        QCOMPARE(decrypt(again).plain, plain);
        const QByteArray armour = form == AgeForm::Binary ? armourAge(file) : file;
        QVERIFY(armour.startsWith("-----BEGIN AGE ENCRYPTED FILE-----\n"));
        QCOMPARE(decrypt(armour).plain, plain);
        QByteArray crlf = armour;
        crlf.replace("\n", "\r\n");
        QCOMPARE(decrypt(" \t\n\r\n" + crlf + "\n \n\t").plain, plain);
        QByteArray mixed = armour;
        mixed.insert(mixed.indexOf('\n', 40), '\r');
        QCOMPARE(decrypt(mixed).plain, plain);
    }

    void encryptsWithTheDefaultWorkFactor()
    {
        const QByteArray file = encryptAge("note", prepareAgeKey(secret()));
        QCOMPARE(readAgeHeader(file).workFactor, kAgeDefaultWorkFactor);
        AgeWrapKey spent = prepareAgeKey(secret(), kTestWorkFactor);
        QVERIFY(!encryptAge("a", std::move(spent)).isEmpty());
        QVERIFY(encryptAge("b", std::move(spent)).isEmpty());
    }

    // Files of ours open with `age -d`; files of `age -p`, armoured or not, open here.
    void interoperatesWithTheAgeCommand_data()
    {
        QTest::addColumn<bool>("ours");
        QTest::addColumn<AgeForm>("form");
        QTest::addColumn<qsizetype>("size");
        const qsizetype small = 2 * 65536 + 77, large = 9 * 1024 * 1024 + 5;
        QTest::newRow("ours, armoured, to age -d") << true << AgeForm::Armoured << small;
        QTest::newRow("ours, binary, to age -d") << true << AgeForm::Binary << small;
        QTest::newRow("ours, large, armoured, to age -d") << true << AgeForm::Armoured << large;
        QTest::newRow("age -p -a, to us") << false << AgeForm::Armoured << small;
        QTest::newRow("age -p, to us") << false << AgeForm::Binary << small;
    }
    void interoperatesWithTheAgeCommand()
    {
        QFETCH(bool, ours);
        QFETCH(AgeForm, form);
        QFETCH(qsizetype, size);
        QTemporaryDir dir;
        const QByteArray plain = sampleBytes(size);
        const QString plainPath = dir.filePath(u"plain"_s), agePath = dir.filePath(u"note.age"_s);
        QByteArray transcript;
        if (ours) {
            QVERIFY(writeBytes(agePath, encrypt(plain, form)));
            const QStringList args = {u"-d"_s, u"-o"_s, plainPath, agePath};
            QVERIFY2(runAge(args, kPassphrase, transcript) == 0, transcript.constData());
            QCOMPARE(readBytes(plainPath), plain);
            return;
        }
        QVERIFY(writeBytes(plainPath, plain));
        QStringList args = {u"-p"_s, u"-o"_s, agePath, plainPath};
        if (form == AgeForm::Armoured)
            args.prepend(u"-a"_s);
        QVERIFY2(runAge(args, kPassphrase, transcript) == 0, transcript.constData());
        const QByteArray file = readBytes(agePath);
        QCOMPARE(file.startsWith("-----BEGIN"), form == AgeForm::Armoured);
        QCOMPARE(readAgeHeader(file).workFactor, kAgeDefaultWorkFactor);
        const AgeDecrypted back = decrypt(file);
        QVERIFY2(back.outcome.ok(), qPrintable(back.outcome.message));
        QCOMPARE(back.plain, plain);
    }

    void rejects_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("passphrase");
        QTest::addColumn<AgeStatus>("status");
        // Two whole chunks and a part: the header, the nonce, then sealed chunks of 65552.
        const QByteArray plain = sampleBytes(2 * 65536 + 500);
        const QByteArray bin = encrypt(plain, AgeForm::Binary);
        const QByteArray armour = armourAge(bin);
        const qsizetype payload = bin.indexOf("\n---") + 49 + 16;
        const QByteArray salt = readAgeHeader(bin).salt;
        const QByteArray saltText = salt.toBase64(QByteArray::OmitTrailingEquals);
        const QByteArray exact = encrypt(sampleBytes(65536), AgeForm::Binary);
        const QByteArray armourLine = armour.mid(35, 65);
        const auto row = [](const char *name, const QByteArray &file, AgeStatus status,
                            const QString &passphrase = kPassphrase) {
            QTest::newRow(name) << file << passphrase << status;
        };
        row("a plain note", "Dear diary\r\n", AgeStatus::NotAgeFile);
        row("another age version", "age-encryption.org/v2\n-> x\n\n--- y\n", AgeStatus::Malformed);
        row("cut in the header", bin.first(40), AgeStatus::Truncated);
        row("cut before the payload", bin.first(payload - 4), AgeStatus::Truncated);
        row("cut inside a chunk", bin.chopped(100), AgeStatus::Damaged);
        row("cut before the last chunk", bin.first(payload + 2 * 65552), AgeStatus::Truncated);
        row("the salt changed", changed(bin, bin.indexOf(saltText) + 3),
            AgeStatus::WrongPassphrase);
        row("the MAC changed", changed(bin, bin.indexOf("\n---") + 10), AgeStatus::Damaged);
        row("a bit flipped in the version", flipped(bin, 20), AgeStatus::Malformed);
        row("a bit flipped in the last chunk", flipped(bin, bin.size() - 20), AgeStatus::Damaged);
        const QByteArray large = encrypt(sampleBytes(9 * 1024 * 1024), AgeForm::Binary);
        row("a large file changed late", flipped(large, large.size() - 70000), AgeStatus::Damaged);
        row("a large file changed early, with a byte after its end", flipped(large + 'x', 1000),
            AgeStatus::Damaged);
        row("a large file with a byte after its end", large + 'x', AgeStatus::TrailingData);
        const QByteArray largeArmour = armourAge(large);
        row("a large file's armour changed late",
            changed(largeArmour, largeArmour.indexOf('\n', largeArmour.size() - 100000) + 10),
            AgeStatus::Damaged);
        QByteArray cut = largeArmour;
        row("a large file's armour with a short line inside",
            cut.remove(cut.indexOf('\n', cut.size() / 2) + 1, 4), AgeStatus::Malformed);
        row("a byte after the last chunk", exact + 'x', AgeStatus::TrailingData);
        row("text after the armour", armour + "x\n", AgeStatus::TrailingData);
        row("a wrong passphrase", bin, AgeStatus::WrongPassphrase, u"pässwörd ☃ 8"_s);
        row("work factor 23", replaced(bin, " 10\n", " 23\n"), AgeStatus::WorkFactorTooHigh);
        row("work factor 010", replaced(bin, " 10\n", " 010\n"), AgeStatus::Malformed);
        row("salt with padding", replaced(bin, saltText, saltText + "=="), AgeStatus::Malformed);
        row("salt with stray bits", replaced(bin, saltText, saltText.chopped(1) + 'B'),
            AgeStatus::Malformed);
        row("armour line too long", replaced(armour, armourLine, armourLine.chopped(1) + "AAAA\n"),
            AgeStatus::Malformed);
        row("armour rewrapped short", replaced(armour, armourLine, armourLine.first(60) + '\n'),
            AgeStatus::Malformed);
        row("armour without padding", replaced(armour, "=\n-----END", "\n-----END"),
            AgeStatus::Malformed);
        row("armour without its end", armour.first(armour.indexOf("-----END")),
            AgeStatus::Truncated);
        row("with a key's stanza", replaced(bin, "\n---", "\n-> X25519 abc\nAAAA\n---"),
            AgeStatus::MixedStanza);
        row("a key's stanza alone", replaced(bin, "-> scrypt", "-> X25519"),
            AgeStatus::NotForPassphrase);
    }

    // Each fault gives its own result with a message, and nothing decrypted.
    void rejects()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, passphrase);
        QFETCH(AgeStatus, status);
        QVERIFY(!file.isEmpty());
        QElapsedTimer timer;
        timer.start();
        const AgeDecrypted result = decrypt(file, passphrase);
        QCOMPARE(result.outcome.status, status);
        QVERIFY(!result.outcome.message.isEmpty() && result.plain.isEmpty());
        if (status == AgeStatus::WorkFactorTooHigh)
            QVERIFY(timer.elapsed() < 1000);
    }

    void detectsAgeFiles()
    {
        const QByteArray bin = encrypt("note", AgeForm::Binary);
        QVERIFY(isAgeFile(bin) && isAgeFile(armourAge(bin)) &&
                isAgeFile("\r\n \n" + armourAge(bin)));
        const QList<std::pair<const char *, QByteArray>> others = {
            {"a plain note", "Dear diary"},
            {"armour after blanks on its line", "  -----BEGIN AGE ENCRYPTED FILE-----\n"},
            {"an encoded note", "Mossgrange's Quirebox Encoded v3_[A1]\r\n"},
            {"the version line without its line end", "age-encryption.org/v1"},
            {"an empty file", ""}};
        for (const auto &[row, other] : others)
            QVERIFY2(!isAgeFile(other), row);
    }

    // The passphrase's UTF-8 only in secret memory: the string it came from is emptied and its
    // characters overwritten, unless another string shares them.
    void takesThePassphraseOutOfItsString()
    {
        QString own = kPassphrase;
        own.detach();
        const QChar *characters = own.constData();
        const qsizetype length = own.size();
        const SecretBytes taken = SecretBytes::fromPassphrase(own);
        QCOMPARE(taken.view(), kPassphrase.toUtf8());
        QVERIFY(own.isEmpty());
        QVERIFY(std::all_of(characters, characters + length, [](QChar c) { return c.isNull(); }));

        QString shared = kPassphrase, other = shared;
        QCOMPARE(SecretBytes::fromPassphrase(shared).view(), kPassphrase.toUtf8());
        QVERIFY(shared.isEmpty());
        QCOMPARE(other, kPassphrase);
    }

    // Core dumps are off while any secret is held, and as they were once the last one goes.
    void coreDumpsOffWhileSecretsAreHeld()
    {
        const auto coreLimit = [] {
            rlimit limit{};
            ::getrlimit(RLIMIT_CORE, &limit);
            return limit.rlim_cur;
        };
        const int dumpable = ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0);
        const rlim_t limit = coreLimit();
        QCOMPARE(dumpable, 1);
        {
            SecretBytes first = secret();
            QCOMPARE(::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 0);
            QCOMPARE(coreLimit(), rlim_t(0));
            SecretBytes second(32);
            SecretBytes moved = std::move(first);
            first = SecretBytes();
            second = SecretBytes();
            QCOMPARE(::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 0);
        }
        QCOMPARE(::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), dumpable);
        QCOMPARE(coreLimit(), limit);
    }
};

QTEST_GUILESS_MAIN(TestAge)
#include "test_age.moc"
