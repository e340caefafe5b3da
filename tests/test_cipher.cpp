#include "encoder/KeyWordCipher.h"

#include <QRandomGenerator>
#include <QTest>

#include <numeric>

using namespace qb;
using namespace Qt::StringLiterals;

namespace {

using Result = std::optional<QByteArray>;
constexpr CipherDirection kDirections[] = {CipherDirection::Encipher, CipherDirection::Decipher};

// The rule written out plainly, one byte at a time.
std::optional<QByteArray> referenceCipher(QByteArrayView text, QByteArrayView keyword,
                                          CipherDirection direction)
{
    QByteArray out;
    for (qsizetype p = 0; p < text.size() && !keyword.empty(); ++p) {
        const int t = static_cast<unsigned char>(text[p]);
        const int c = static_cast<unsigned char>(keyword[p % keyword.size()]);
        const int r = direction == CipherDirection::Encipher ? t + c - 64 : t - c + 64;
        if (r < 0 || r > 255)
            return std::nullopt;
        out.append(static_cast<char>(r));
    }
    return out;
}

// Text codes that keep the result in range against keyword code c: [first, last].
std::pair<int, int> validTextCodes(int c, CipherDirection direction)
{
    if (direction == CipherDirection::Encipher)
        return {std::max(0, 64 - c), std::min(255, 319 - c)};
    return {std::max(0, c - 64), std::min(255, c + 191)};
}

// A random keyword without code 64 (so every position has codes that fail), a random text
// that it turns into an in-range result, checked against the rule and ciphered back; then
// each of `spoilAt` is given a code out of range, which must fail the whole text.
void checkRandom(QRandomGenerator &random, qsizetype n, qsizetype m, CipherDirection direction,
                 const QList<qsizetype> &spoilAt)
{
    QByteArray key(m, Qt::Uninitialized);
    for (char &ch : key) {
        const int code = static_cast<int>(random.bounded(255U));
        ch = static_cast<char>(code < 64 ? code : code + 1);
    }
    QByteArray text(n, Qt::Uninitialized);
    for (qsizetype p = 0; p < n; ++p) {
        const auto [first, last] =
            validTextCodes(static_cast<unsigned char>(key[p % m]), direction);
        text[p] = static_cast<char>(random.bounded(first, last + 1));
    }
    const auto result = KeyWordCipher(text, key, direction);
    QVERIFY(result.has_value());
    QCOMPARE(*result, *referenceCipher(text, key, direction));
    const auto back = direction == CipherDirection::Encipher ? CipherDirection::Decipher
                                                             : CipherDirection::Encipher;
    QCOMPARE(KeyWordCipher(*result, key, back), Result(text));
    for (qsizetype p : spoilAt) {
        const char kept = text[p];
        const auto [first, last] =
            validTextCodes(static_cast<unsigned char>(key[p % m]), direction);
        text[p] = static_cast<char>(first > 0 ? first - 1 : last + 1);
        if (KeyWordCipher(text, key, direction).has_value())
            QFAIL(qPrintable(u"n %1 m %2 failing at %3"_s.arg(n).arg(m).arg(p)));
        text[p] = kept;
    }
}

} // namespace

class TestCipher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // clang-format off
    void workedExamples_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("keyword");
        QTest::addColumn<bool>("encipher");
        QTest::addColumn<Result>("expected");
        // Codes in the names: a 97, B 66, c 99, CR 13, "3" 51, "2" 50, w 119, z 122, A 65.
        QTest::newRow("97+66 is 99") << "a"_ba << "B"_ba << true << Result("c"_ba);
        QTest::newRow("99-66 is 97") << "c"_ba << "B"_ba << false << Result("a"_ba);
        QTest::newRow("13+51 is 0") << "\r"_ba << "3"_ba << true << Result("\0"_ba);
        QTest::newRow("200+119 is 255") << "\xC8"_ba << "w"_ba << true << Result("\xFF"_ba);
        QTest::newRow("13+50 is -1") << "\r"_ba << "2"_ba << true << Result();
        QTest::newRow("233+122 is 291") << "\xE9"_ba << "z"_ba << true << Result();
        QTest::newRow("0-65 is -1") << "\0"_ba << "A"_ba << false << Result();
        QTest::newRow("keyword longer") << "ab"_ba << "ABCDEFG"_ba << true << Result("bd"_ba);
        QTest::newRow("fails at the end") << "AAA\r"_ba << "2"_ba << true << Result();
        QTest::newRow("empty text") << ""_ba << "Rosebud"_ba << true << Result(""_ba);
        QTest::newRow("empty keyword") << "Call me"_ba << ""_ba << false << Result(""_ba);
        QTest::newRow("CR LF") << "x\r\ny"_ba << "ABC"_ba << true << Result("y\x0F\rz"_ba);
        // An older failure report was "__" and the keyword; a real result of that form is fine.
        QTest::newRow("old failure mark") << "^]@@"_ba << "AB"_ba << true << Result("__AB"_ba);
    }
    // clang-format on
    void workedExamples()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, keyword);
        QFETCH(bool, encipher);
        const auto direction = encipher ? CipherDirection::Encipher : CipherDirection::Decipher;
        QTEST(KeyWordCipher(text, keyword, direction), "expected");
    }

    // Each pair alone, then all in-range codes of a keyword code in one long text (the vector
    // path), then each out-of-range code hidden in the middle of such a text.
    void everyCodePair()
    {
        for (CipherDirection direction : kDirections) {
            for (int c = 0; c < 256; ++c) {
                const QByteArray key(1, static_cast<char>(c));
                QByteArray inRange, outOfRange;
                for (int t = 0; t < 256; ++t) {
                    const QByteArray text(1, static_cast<char>(t));
                    const auto expected = referenceCipher(text, key, direction);
                    if (KeyWordCipher(text, key, direction) != expected)
                        QFAIL(qPrintable(u"text %1 keyword %2"_s.arg(t).arg(c)));
                    (expected ? inRange : outOfRange).append(text);
                }
                QCOMPARE(KeyWordCipher(inRange, key, direction),
                         referenceCipher(inRange, key, direction));
                for (char bad : std::as_const(outOfRange)) {
                    QByteArray spoiled = inRange;
                    spoiled[spoiled.size() / 2] = bad;
                    if (KeyWordCipher(spoiled, key, direction).has_value())
                        QFAIL(qPrintable(
                            u"text %1 keyword %2 in a long text"_s.arg(int(uchar(bad))).arg(c)));
                }
            }
        }
    }

    // Every length and keyword length around the vector step failing at every position, then
    // texts and keywords around and past one block of shifts.
    void lengths()
    {
        QRandomGenerator random(0x5eed);
        for (CipherDirection direction : kDirections) {
            for (qsizetype n = 1; n <= 100; ++n) {
                QList<qsizetype> everywhere(n);
                std::iota(everywhere.begin(), everywhere.end(), 0);
                for (qsizetype m = 1; m <= 40; ++m)
                    checkRandom(random, n, m, direction, everywhere);
            }
        }
        for (qsizetype n : {2047, 2048, 2049, 10007}) {
            for (qsizetype m : {1, 3, 8, 2048, 3001, 20000})
                checkRandom(random, n, m, CipherDirection::Encipher, {0, n / 2, n - 1});
        }
    }
};

QTEST_GUILESS_MAIN(TestCipher)
#include "test_cipher.moc"
