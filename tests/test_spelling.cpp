// The spelling checker without a window: the words a text gives, the Hunspell engine on
// dictionaries in ISO-8859-1 and in UTF-8, the dictionaries found, and the user's own words.
#include "SpellDictionaries.h"
#include "TestFiles.h"

#include "editor/Dictionaries.h"
#include "editor/HunspellChecker.h"
#include "editor/SpellWords.h"
#include "platform/Background.h"

#include <QTemporaryDir>
#include <QtTest/QTest>

using namespace qb;
using namespace qb::test;

namespace {

QStringList wordsOf(const QString &text, const QString &wordChars = {})
{
    QStringList words;
    for (const WordSpan &span : wordsToCheck(text, wordChars))
        words.append(text.mid(span.start, span.length));
    return words;
}

} // namespace

class TestSpelling : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void words_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("wordChars");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("plain") << u"The quick, brown fox."_s << QString()
                               << QStringList{u"The"_s, u"quick"_s, u"brown"_s, u"fox"_s};
        QTest::newRow("digits") << u"abc123 x2 plan"_s << QString() << QStringList{u"plan"_s};
        QTest::newRow("short capitals")
            << u"NASA UNESCO EXAMPLES Nasa"_s << QString() << QStringList{u"EXAMPLES"_s, u"Nasa"_s};
        QTest::newRow("underscore") << u"snake_case word"_s << QString() << QStringList{u"word"_s};
        QTest::newRow("web") << u"see https://exmple.org/pth and www.exmple.com now"_s << QString()
                             << QStringList{u"see"_s, u"and"_s, u"now"_s};
        QTest::newRow("mail") << u"write to (someone@exmple.org) soon"_s << QString()
                              << QStringList{u"write"_s, u"to"_s, u"soon"_s};
        QTest::newRow("paths") << u"open /usr/shre/nte ~/dcs C:\\Wndws ../up docs/nts/pln.txt"_s
                               << QString() << QStringList{u"open"_s};
        QTest::newRow("and/or") << u"and/or"_s << QString() << QStringList{u"and"_s, u"or"_s};
        QTest::newRow("apostrophes")
            << u"don't 'tis rock’n’roll dogs'"_s << QString()
            << QStringList{u"don't"_s, u"tis"_s, u"rock’n’roll"_s, u"dogs"_s};
        QTest::newRow("hyphen split")
            << u"well-known -dash-"_s << QString() << QStringList{u"well"_s, u"known"_s, u"dash"_s};
        QTest::newRow("hyphen kept")
            << u"well-known -dash-"_s << u"-"_s << QStringList{u"well-known"_s, u"dash"_s};
        QTest::newRow("accents and marks") << u"café nai\u0308ve Ελλάδα"_s << QString()
                                           << QStringList{u"café"_s, u"nai\u0308ve"_s, u"Ελλάδα"_s};
    }
    void words()
    {
        QFETCH(QString, text);
        QFETCH(QString, wordChars);
        QFETCH(QStringList, words);
        QCOMPARE(wordsOf(text, wordChars), words);
    }

    // The same words, known and suggested, from a dictionary in ISO-8859-1 and one in UTF-8;
    // a word ISO-8859-1 cannot hold is unknown there, with no suggestion garbled.
    void engine_data()
    {
        QTest::addColumn<QByteArray>("encoding");
        QTest::newRow("ISO8859-1") << QByteArray("ISO8859-1");
        QTest::newRow("UTF-8") << QByteArray("UTF-8");
    }
    void engine()
    {
        QFETCH(QByteArray, encoding);
        const QString folder = m_dir.filePath(QString::fromLatin1(encoding));
        writeDictionary(folder, u"fr_XX"_s, encoding, kFrenchishWords);
        auto checker = HunspellChecker::open(folder + u"/fr_XX.aff"_s, folder + u"/fr_XX.dic"_s);
        QVERIFY(checker);
        QVERIFY(checker->isKnown(u"café"));
        QVERIFY(checker->isKnown(u"garçon"));
        QVERIFY(checker->isKnown(u"Crème")); // capitalised at a sentence's start
        QVERIFY(!checker->isKnown(u"cafe"));
        QVERIFY(!checker->isKnown(u"łódź"));
        QVERIFY(!checker->isKnown(u"\xd800x")); // a lone surrogate
        QVERIFY(checker->suggestions(u"cafe", 5).contains(u"café"_s));
        QVERIFY(checker->suggestions(u"garcon", 5).contains(u"garçon"_s));
        const QStringList offered = checker->suggestions(u"łódź", 5);
        for (const QString &word : offered)
            QVERIFY2(!word.contains(QChar::ReplacementCharacter), qPrintable(word));
        QVERIFY(checker->suggestions(u"cafe", 1).size() <= 1);
        checker->addWord(u"łódź"_s);
        QVERIFY(checker->isKnown(u"łódź"));
        checker->addWord(u"zorbl"_s);
        QVERIFY(checker->isKnown(u"zorbl"));
    }

    void encodingRoundTrip()
    {
        const DictionaryEncoding latin1("ISO8859-1");
        QVERIFY(latin1.isValid());
        QCOMPARE(latin1.encode(u"café"), std::optional(QByteArray("caf\xe9")));
        QCOMPARE(latin1.decode("caf\xe9"), std::optional(u"café"_s));
        QCOMPARE(latin1.encode(u"€"), std::nullopt);
        const DictionaryEncoding utf8("UTF-8");
        QCOMPARE(utf8.decode("caf\xe9"), std::nullopt);
        QVERIFY(!DictionaryEncoding("NO-SUCH-ENCODING").isValid());
    }

    // Many threads asking at once get the answers one thread gets.
    void engineFromThreads()
    {
        const QString folder = m_dir.filePath(u"threads"_s);
        writeDictionary(folder, u"xx"_s, "UTF-8", kFrenchishWords);
        auto checker = HunspellChecker::open(folder + u"/xx.aff"_s, folder + u"/xx.dic"_s);
        QVERIFY(checker);
        QList<QFuture<int>> runs;
        for (int i = 0; i < 4; ++i) {
            runs.append(runInBackground<int>([&checker](QPromise<int> &promise) {
                int known = 0;
                for (int n = 0; n < 2000; ++n)
                    known += checker->isKnown(n % 2 ? u"naïve" : u"naive") ? 1 : 0;
                promise.addResult(known);
            }));
        }
        for (QFuture<int> &run : runs)
            QCOMPARE(run.result(), 1000);
    }

    // The user's folder first, each language once, sorted; a .aff alone is no dictionary.
    void dictionariesFound()
    {
        const QString user = m_dir.filePath(u"user/hunspell"_s);
        const QString system = m_dir.filePath(u"system"_s);
        writeDictionary(user, u"de_DE"_s, "UTF-8", {u"Plan"_s});
        writeDictionary(system, u"de_DE"_s, "UTF-8", {u"Plan"_s});
        writeDictionary(system, u"en_GB"_s, "UTF-8", {u"plan"_s});
        writeDictionary(system, u"en_US"_s, "UTF-8", {u"plan"_s});
        writeBytes(system + u"/fr_FR.aff"_s, "SET UTF-8\n");
        const QList<DictionaryFiles> found = findDictionaries({user, system});
        QStringList languages;
        for (const DictionaryFiles &d : found)
            languages.append(d.language);
        QCOMPARE(languages, QStringList({u"de_DE"_s, u"en_GB"_s, u"en_US"_s}));
        QCOMPARE(found.constFirst().affPath, user + u"/de_DE.aff"_s);
        QCOMPARE(defaultLanguage(found, u"en_US.UTF-8"_s), u"en_US"_s);
        QCOMPARE(defaultLanguage(found, u"en_AU"_s), u"en_GB"_s);
        QCOMPARE(defaultLanguage(found, u"fi_FI"_s), u"de_DE"_s);
        QCOMPARE(defaultLanguage({}, u"en_US"_s), QString());
        QVERIFY(findDictionaries({m_dir.filePath(u"none"_s)}).isEmpty());

        qputenv("QB_HUNSPELL_DIR", QFile::encodeName(system));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(u"user"_s)));
        QCOMPARE(systemDictionaryFolder(), system);
        QCOMPARE(dictionaryFolders(), QStringList({user, system}));
        qunsetenv("QB_HUNSPELL_DIR");
        QCOMPARE(systemDictionaryFolder(), u"/usr/share/hunspell"_s);
    }

    // One word a line in UTF-8, each once, through the safe write.
    void userWords()
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(u"data"_s)));
        const QString path = userWordsFile(u"fr_XX"_s);
        QCOMPARE(path, m_dir.filePath(u"data/quirebox/words/fr_XX.txt"_s));
        QVERIFY(readUserWords(path).isEmpty());
        QVERIFY(addUserWord(path, u"zorbl"_s).ok());
        QVERIFY(addUserWord(path, u"łódź"_s).ok());
        QVERIFY(addUserWord(path, u"zorbl"_s).ok());
        QCOMPARE(readBytes(path), u"zorbl\nłódź\n"_s.toUtf8());
        QCOMPARE(readUserWords(path), QStringList({u"zorbl"_s, u"łódź"_s}));
    }
};

QTEST_GUILESS_MAIN(TestSpelling)
#include "test_spelling.moc"
