#include "RowLabel.h"
#include "encoder/EncodedNote.h"
#include "encoder/KeyWordCipher.h"

#include <QRandomGenerator>
#include <QTest>

using namespace qb;
using namespace Qt::StringLiterals;

namespace {

using Result = std::optional<QByteArray>;
constexpr CipherDirection kDirections[] = {CipherDirection::Encipher, CipherDirection::Decipher};

// The rule written out plainly, one byte at a time.
Result referenceCipher(QByteArrayView text, QByteArrayView keyword, CipherDirection direction)
{
    QByteArray out;
    for (qsizetype p = 0; p < text.size() && !keyword.empty(); ++p) {
        const int t = uchar(text[p]), c = uchar(keyword[p % keyword.size()]);
        const int r = direction == CipherDirection::Encipher ? t + c - 64 : t - c + 64;
        if (r < 0 || r > 255)
            return std::nullopt;
        out.append(char(r));
    }
    return out;
}

} // namespace

class TestCipher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void workedExamples_data()
    {
        constexpr auto kEncipher = CipherDirection::Encipher, kDecipher = CipherDirection::Decipher;
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("keyword");
        QTest::addColumn<CipherDirection>("direction");
        QTest::addColumn<Result>("expected");
        // Codes: a 97, B 66, c 99, CR 13, "3" 51, "2" 50, w 119, z 122, A 65.
        const auto row = [](const char *name, const QByteArray &text, const QByteArray &keyword,
                            CipherDirection direction, const Result &expected) {
            QTest::newRow(name) << text << keyword << direction << expected;
        };
        row("enciphered in range", "a", "B", kEncipher, "c");                  // 97+66-64 is 99
        row("deciphered in range", "c", "B", kDecipher, "a");                  // 99-66+64 is 97
        row("enciphered to the lowest code", "\r", "3", kEncipher, "\0"_ba);   // 13+51-64 is 0
        row("enciphered to the highest code", "\xC8", "w", kEncipher, "\xFF"); // 200+119-64 is 255
        row("enciphered below the lowest code", "\r", "2", kEncipher, {});     // 13+50-64 is -1
        row("enciphered past the highest code", "\xE9", "z", kEncipher, {});   // 233+122-64 is 291
        row("deciphered below the lowest code", "\0"_ba, "A", kDecipher, {});  // 0-65+64 is -1
        row("a keyword longer than the text", "ab", "ABCDEFG", kEncipher, "bd");
        row("a text out of range at its end only", "AAA\r", "2", kEncipher, {});
        row("an empty text", "", "Rosebud", kEncipher, "");
        row("an empty keyword", "Call me", "", kDecipher, "");
        row("a keyword repeated over a line end", "x\r\ny", "ABC", kEncipher, "y\x0F\rz");
    }
    void workedExamples()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, keyword);
        QFETCH(CipherDirection, direction);
        QFETCH(Result, expected);
        QCOMPARE(KeyWordCipher(text, keyword, direction), expected);
    }

    // Each pair alone, then all in-range codes of a keyword code in one long text (the vector
    // path), then each out-of-range code hidden in the middle of such a text.
    void everyCodePair()
    {
        for (CipherDirection direction : kDirections) {
            for (int c = 0; c < 256; ++c) {
                const test::RowLabel row(u"keyword code %1, %2"_s.arg(c).arg(
                    direction == CipherDirection::Encipher ? u"enciphering"_s : u"deciphering"_s));
                const QByteArray key(1, char(c));
                QByteArray inRange, outOfRange;
                for (int t = 0; t < 256; ++t) {
                    const QByteArray text(1, char(t));
                    const Result expected = referenceCipher(text, key, direction);
                    if (KeyWordCipher(text, key, direction) != expected)
                        QFAIL(qPrintable(u"text %1 keyword %2"_s.arg(t).arg(c)));
                    (expected ? inRange : outOfRange).append(text);
                }
                QCOMPARE(KeyWordCipher(inRange, key, direction),
                         referenceCipher(inRange, key, direction));
                for (char bad : std::as_const(outOfRange)) {
                    QByteArray spoiled = inRange;
                    spoiled[spoiled.size() / 2] = bad;
                    if (KeyWordCipher(spoiled, key, direction))
                        QFAIL(qPrintable(
                            u"text %1 keyword %2 in a long text"_s.arg(uchar(bad)).arg(c)));
                }
            }
        }
    }

    // Every length and keyword length around the vector step, with a code out of range at each
    // position in turn, and texts and keywords around and past one block of shifts. Keyword
    // codes 65..127 and text codes 0..127 keep enciphering in range until one is spoiled.
    void lengths()
    {
        QRandomGenerator random(0x5eed);
        // Spoiled at every `step`-th position, the last one included.
        const auto check = [&](qsizetype n, qsizetype m, qsizetype step) {
            const test::RowLabel row(u"a text of %1 and a keyword of %2"_s.arg(n).arg(m));
            QByteArray key(m, Qt::Uninitialized), text(n, Qt::Uninitialized);
            for (char &ch : key)
                ch = char(random.bounded(65, 128));
            for (char &ch : text)
                ch = char(random.bounded(128));
            Result cipher = KeyWordCipher(text, key, CipherDirection::Encipher);
            QVERIFY(cipher && *cipher == referenceCipher(text, key, CipherDirection::Encipher));
            QCOMPARE(KeyWordCipher(*cipher, key, CipherDirection::Decipher), Result(text));
            for (qsizetype p = 0; p < n; p = p == n - 1 ? n : std::min(p + step, n - 1)) {
                const char kept = std::exchange(text[p], char(255));
                const char code = std::exchange((*cipher)[p], char(0));
                QVERIFY2(!KeyWordCipher(text, key, CipherDirection::Encipher) &&
                             !KeyWordCipher(*cipher, key, CipherDirection::Decipher),
                         qPrintable(u"n %1 m %2 failing at %3"_s.arg(n).arg(m).arg(p)));
                text[p] = kept;
                (*cipher)[p] = code;
            }
        };
        for (qsizetype n = 1; n <= 100; ++n) {
            for (qsizetype m = 1; m <= 40; ++m)
                check(n, m, 1);
        }
        for (qsizetype n : {2047, 2048, 2049, 10007}) {
            for (qsizetype m : {1, 3, 8, 2048, 3001, 20000})
                check(n, m, n / 2);
        }
    }

    // The first item of the first line tells an encoded note; its body starts at byte 39
    // whatever comes before it.
    void encodedNotes_data()
    {
        const QByteArray header = "Mossgrange's Quirebox Encoded v3_[A1]";
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("CR LF after the header") << header + "\r\nbody"
                                                << "body"_ba;
        QTest::newRow("LF after the header") << header + "\nbody"
                                             << "ody"_ba;
        QTest::newRow("the header alone") << header << ""_ba;
        QTest::newRow("more items on the first line") << header + ",more\r\n"
                                                      << "ore\r\n"_ba;
        QTest::newRow("the header quoted") << "\"" + header + "\"\r\n"
                                           << "\r\n"_ba;
    }
    void encodedNotes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, body);
        QVERIFY(IsNoteEncoded(bytes));
        QCOMPARE(encodedBody(bytes).toByteArray(), body);
    }

    void otherFirstItemsAreNoHeader()
    {
        const QByteArray header = "Mossgrange's Quirebox Encoded v3_[A1]";
        QVERIFY2(!IsNoteEncoded(header.toLower()), "the header in lower case");
        QVERIFY2(!IsNoteEncoded(header + "x"), "the header with more after it");
    }
};

QTEST_GUILESS_MAIN(TestCipher)
#include "test_cipher.moc"
