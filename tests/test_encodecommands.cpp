// Tools > Encode and Decode through the window: what reaches the file and what comes back.

#include "NoteWindow.h"

#include "encoder/EncoderCommands.h"

using namespace Qt::StringLiterals;
using namespace qb;
using namespace qb::test;

namespace {

const QByteArray Header = "Mossgrange's Quirebox Encoded v3_[A1]";

// The cipher's rule, byte by byte: each code moves by the keyword code beside it, less 64.
QByteArray Enciphered(const QByteArray &text, const QByteArray &keyword)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i)
        out.append(char(uchar(text[i]) + uchar(keyword[i % keyword.size()]) - 64));
    return out;
}

QString KeywordPrompt(const char *verb, const char *label, const QString &noteName)
{
    return u"Insert the KeyWord to %1 the file: \r\n\"%2.txt\"\r\n\r\n%3 Version: 3_[A1]"_s.arg(
        QLatin1String(verb), noteName, QLatin1String(label));
}

} // namespace

class TestEncodeCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void encodeSaveReloadDecode_data();
    void encodeSaveReloadDecode();
    void encodedNoteIsRecognised_data();
    void encodedNoteIsRecognised();
    void statusAndCaption();
    void wrongKeyword_data();
    void wrongKeyword();
    void cancelledPrompts();
    void encodeFailure_data();
    void encodeFailure();
    void shortTextDecodesToNothing();
};

void TestEncodeCommands::encodeSaveReloadDecode_data()
{
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QString>("keyword");
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    // Shifts 0, +1, -1 in turn keep every code of 0..255 in range at its position.
    QTest::newRow("every byte value") << all << u"@A?"_s;
    QTest::newRow("every byte value after a line") << QByteArray("a\r\n") + all << u"@"_s;
    QTest::newRow("CR LF style, UTF-8") << QByteArray("na\xC3\xAFve\r\nline\r\n") << u"Key"_s;
    QTest::newRow("LF style") << QByteArray("one\ntwo\n") << u"abc"_s;
    QTest::newRow("lone CR and LF") << QByteArray("a\rb\nc\r\nd\r") << u"Key"_s;
    QTest::newRow("NUL bytes") << QByteArray("a\0\0b\r\n", 6) << u"zz"_s;
    QTest::newRow("Windows-1252") << QByteArray("caf\xE9 \x81\x9D\r\n") << u"A"_s;
    QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF" "bom\r\n") << u"A"_s;
    QTest::newRow("keyword in Windows-1252") << QByteArray("\x01\x02\x03\x04") << u"é€"_s;
    QTest::newRow("empty") << QByteArray() << u"Key"_s;
}

void TestEncodeCommands::encodeSaveReloadDecode()
{
    QFETCH(QByteArray, plain);
    QFETCH(QString, keyword);
    const QByteArray keyBytes = *EncodeWindows1252(keyword);
    NoteWindow t;
    t.put(u"Alpha"_s, u"n.txt"_s, plain);
    const QString path = t.note(u"Alpha"_s, u"n.txt"_s);
    t.open();
    t.platform.answerInput(keyword);
    t.w().actions().T_mnuENCODE->trigger();
    QCOMPARE(t.platform.prompts.constLast().text, KeywordPrompt("encode", "Encoder", u"n"_s));
    QCOMPARE(t.platform.prompts.constLast().title, u"Quirebox Encode"_s);
    QCOMPARE(t.status(), u"Encoded"_s);
    QCOMPARE(t.encodeCaption(), u"D&ecode"_s);
    QVERIFY(t.saveEnabled());
    QVERIFY(t.w().notes().SaveNote());
    const QByteArray encoded = Header + "\r\n" + Enciphered(plain, keyBytes);
    QCOMPARE(ReadBytes(path), encoded);
    QCOMPARE(t.encodeCaption(), u"&Encode"_s);

    // Opening the encoded note asks for its keyword at once.
    t.platform.answerInput(keyword);
    t.open();
    QCOMPARE(t.platform.prompts.constLast().text, KeywordPrompt("decode", "Decoder", u"n"_s));
    QCOMPARE(t.platform.prompts.constLast().title, u"Quirebox Decode"_s);
    QCOMPARE(t.status(), u"Decoded"_s);
    QCOMPARE(t.encodeCaption(), u"&Encode"_s);
    QVERIFY(t.saveEnabled());
    QVERIFY(t.w().notes().SaveNote());
    QCOMPARE(ReadBytes(path), plain);
    QCOMPARE(t.platform.unexpected, 0);
}

void TestEncodeCommands::encodedNoteIsRecognised_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("encoded");
    QTest::newRow("header line") << Header + "\r\nbody" << true;
    QTest::newRow("header, LF") << Header + "\nbody" << true;
    QTest::newRow("header alone") << Header << true;
    QTest::newRow("header, comma") << Header + ",more\r\n" << true;
    QTest::newRow("header in quotes") << "\"" + Header + "\"\r\n" << true;
    QTest::newRow("empty first line") << "\r\n" + Header << false;
    QTest::newRow("other case") << Header.toLower() + "\r\n" << false;
    QTest::newRow("one character less") << Header.chopped(1) + "\r\n" << false;
    QTest::newRow("one character more") << Header + "x\r\n" << false;
}

void TestEncodeCommands::encodedNoteIsRecognised()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, encoded);
    NoteWindow t;
    t.put(u"Alpha"_s, u"n.txt"_s, bytes);
    if (encoded)
        t.platform.answerInput(QString());
    t.open();
    QCOMPARE(t.platform.unexpected, 0);
    QCOMPARE(t.platform.prompts.size(), encoded ? 1 : 0);
    QCOMPARE(t.status(), encoded ? u"Encoded"_s : u"Unchanged"_s);
    QCOMPARE(t.encodeCaption(), encoded ? u"D&ecode"_s : u"&Encode"_s);
    QVERIFY(!t.saveEnabled());
}

// Each situation of the encoder's table, in the order a user meets them.
void TestEncodeCommands::statusAndCaption()
{
    NoteWindow t;
    t.put(u"Alpha"_s, u"n.txt"_s, "plain\r\n");
    t.open();
    const auto check = [&](const QString &status, const QString &caption, bool save,
                           const QString &textStart) {
        QCOMPARE(t.status(), status);
        QCOMPARE(t.encodeCaption(), caption);
        QCOMPARE(t.saveEnabled(), save);
        QVERIFY2(t.text().startsWith(textStart), qPrintable(t.text()));
    };
    check(u"Unchanged"_s, u"&Encode"_s, false, u"plain\n"_s);
    t.platform.answerInput(u"A"_s);
    t.w().encoder().T_mnuENCODE_Click();
    const QString encodedStart = QString::fromLatin1(Header) + u"\nqmbjo"_s;
    check(u"Encoded"_s, u"D&ecode"_s, true, encodedStart);
    // Typing, then taking it back, leaves the text as it was but "Changed".
    t.editor()->moveCursor(QTextCursor::End);
    QTest::keyClick(t.editor(), Qt::Key_X);
    QTest::keyClick(t.editor(), Qt::Key_Backspace);
    check(u"Changed"_s, u"D&ecode"_s, true, encodedStart);
    t.platform.answerInput(u"A"_s);
    t.w().encoder().T_mnuENCODE_Click(); // the caption still says Decode
    check(u"Decoded"_s, u"&Encode"_s, true, u"plain\n"_s);
    QVERIFY(t.w().notes().SaveNote());
    check(u"Unchanged"_s, u"&Encode"_s, false, u"plain\n"_s);
    QCOMPARE(ReadBytes(t.note(u"Alpha"_s, u"n.txt"_s)), QByteArray("plain\r\n"));
    QCOMPARE(t.platform.unexpected, 0);
}

void TestEncodeCommands::wrongKeyword_data()
{
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QString>("right");
    QTest::addColumn<QString>("wrong");
    QTest::addColumn<bool>("inRange");
    QTest::newRow("garbled") << QByteArray("hello") << u"@"_s << u"A"_s << true;
    QTest::newRow("other case") << QByteArray("hello") << u"Key"_s << u"key"_s << true;
    QTest::newRow("out of range") << QByteArray("\xFA") << u"@"_s << u"!"_s << false;
}

void TestEncodeCommands::wrongKeyword()
{
    QFETCH(QByteArray, plain);
    QFETCH(QString, right);
    QFETCH(QString, wrong);
    QFETCH(bool, inRange);
    NoteWindow t;
    const QByteArray encoded = Header + "\r\n" + Enciphered(plain, right.toLatin1());
    t.put(u"Alpha"_s, u"n.txt"_s, encoded);
    t.platform.answerInput(wrong);
    t.open();
    QCOMPARE(t.platform.messages().size(), 0);
    QCOMPARE(t.status(), inRange ? u"Decoded"_s : u"Encoded"_s);
    if (inRange) {
        QVERIFY(t.text().toLatin1() != plain);
        // Enciphering the garbled text with the same wrong keyword gives the body back.
        t.platform.answerInput(wrong);
        t.w().encoder().EncodeNote();
        QVERIFY(t.w().notes().SaveNote());
    }
    QCOMPARE(ReadBytes(t.note(u"Alpha"_s, u"n.txt"_s)), encoded);
    QCOMPARE(t.platform.unexpected, 0);
}

void TestEncodeCommands::cancelledPrompts()
{
    NoteWindow t;
    const QByteArray encoded = Header + "\r\n" + Enciphered("secret", "Key");
    t.put(u"Alpha"_s, u"a.txt"_s, "plain");
    t.put(u"Alpha"_s, u"b.txt"_s, encoded);
    t.open();
    t.platform.answerInput(QString());
    t.w().encoder().T_mnuENCODE_Click();
    QCOMPARE(t.status(), u"Unchanged"_s);
    QCOMPARE(t.text(), u"plain"_s);

    t.platform.answerInput(QString());
    t.pickNote(u"b"_s);
    QCOMPARE(t.platform.prompts.constLast().text, KeywordPrompt("decode", "Decoder", u"b"_s));
    QCOMPARE(t.platform.prompts.constLast().defaultText, QString());
    QCOMPARE(t.status(), u"Encoded"_s);
    QCOMPARE(t.encodeCaption(), u"D&ecode"_s);
    QVERIFY(!t.saveEnabled());
    QVERIFY(t.text().startsWith(QString::fromLatin1(Header) + u"\n"_s));
    // Saving now writes the encoded note as it was read.
    t.type(u"!"_s);
    QTest::keyClick(t.editor(), Qt::Key_Backspace);
    QVERIFY(t.w().notes().SaveNote());
    QCOMPARE(ReadBytes(t.note(u"Alpha"_s, u"b.txt"_s)), encoded);
    QCOMPARE(t.platform.unexpected, 0);
}

void TestEncodeCommands::encodeFailure_data()
{
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");
    const QString unable = u"Unable to Encode the text."_s;
    QTest::newRow("CR below 51") << QByteArray("a\r\n") << u"2"_s << unable << u"Encode Error"_s;
    QTest::newRow("LF below 54") << QByteArray("a\nb") << u"55"_s << unable << u"Encode Error"_s;
    QTest::newRow("above 319") << QByteArray("\xE9") << u"z"_s << unable << u"Encode Error"_s;
    QTest::newRow("keyword outside Windows-1252")
        << QByteArray("text") << u"kЖ"_s
        << u"The KeyWord holds the character \"Ж\", which a KeyWord can't hold.\r\nA KeyWord "
           "may hold only the characters of the Windows-1252 character set."_s
        << u"Quirebox Encode"_s;
}

void TestEncodeCommands::encodeFailure()
{
    QFETCH(QByteArray, plain);
    QFETCH(QString, keyword);
    QFETCH(QString, message);
    QFETCH(QString, title);
    NoteWindow t;
    t.put(u"Alpha"_s, u"n.txt"_s, plain);
    t.open();
    const QString before = t.text();
    t.platform.answerInput(keyword);
    t.platform.answerMessage(Platform::Button::Ok);
    t.w().encoder().EncodeNote();
    QCOMPARE(t.platform.messages().size(), 1);
    const auto box = t.platform.messages().constFirst();
    QCOMPARE(box.text, message);
    QCOMPARE(box.title, title);
    QCOMPARE(box.buttons, Platform::Buttons::Ok);
    QCOMPARE(box.icon, title == u"Encode Error" ? Platform::Icon::Critical
                                                : Platform::Icon::Exclamation);
    QCOMPARE(t.text(), before);
    QCOMPARE(t.status(), u"Unchanged"_s);
    QCOMPARE(t.encodeCaption(), u"&Encode"_s);
    QCOMPARE(t.platform.unexpected, 0);
}

void TestEncodeCommands::shortTextDecodesToNothing()
{
    NoteWindow t;
    t.put(u"Alpha"_s, u"n.txt"_s, QByteArray(39, 'a'));
    t.open();
    t.w().notes().SetNoteStatus(u"Encoded"_s, true);
    t.platform.answerInput(u"A"_s);
    t.w().encoder().T_mnuENCODE_Click();
    QCOMPARE(t.text(), QString());
    QCOMPARE(t.status(), u"Decoded"_s);
    QCOMPARE(t.platform.unexpected, 0);
}

QTEST_MAIN(TestEncodeCommands)
#include "test_encodecommands.moc"
