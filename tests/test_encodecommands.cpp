// Tools > Encode and Decode through the window: what reaches the file and what comes back.

#include "NoteWindow.h"

#include "encoder/EncoderCommands.h"

using namespace qb;
using namespace qb::test;

namespace {

const QByteArray Header = "Mossgrange's Quirebox Encoded v3_[A1]";

// The cipher's rule, byte by byte: each code moves by the keyword code beside it, less 64.
QByteArray Encoded(const QByteArray &text, const QByteArray &keyword)
{
    QByteArray out = Header + "\r\n";
    for (qsizetype i = 0; i < text.size(); ++i)
        out.append(char(uchar(text[i]) + uchar(keyword[i % keyword.size()]) - 64));
    return out;
}

} // namespace

class TestEncodeCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void encodeSaveReloadDecode_data()
    {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QString>("keyword");
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        // Shifts 0, +1, -1 in turn keep every code of 0..255 in range at its position.
        QTest::newRow("every byte value") << all << u"@A?"_s;
        QTest::newRow("every byte value after a line") << "a\r\n" + all << u"@"_s;
        QTest::newRow("CR LF style, UTF-8") << QByteArray("na\xC3\xAFve\r\nline\r\n") << u"Key"_s;
        QTest::newRow("LF style") << QByteArray("one\ntwo\n") << u"abc"_s;
        QTest::newRow("lone CR and LF") << QByteArray("a\rb\nc\r\nd\r") << u"Key"_s;
        QTest::newRow("UTF-8 with BOM") << QByteArray("\xEF\xBB\xBF" "bom\r\n") << u"A"_s;
        QTest::newRow("keyword in Windows-1252") << QByteArray("\x01\x02\x03\x04") << u"é€"_s;
        QTest::newRow("empty") << QByteArray() << u"Key"_s;
    }

    // Each situation of the encoder's table on the way, in the order a user meets them.
    void encodeSaveReloadDecode()
    {
        QFETCH(QByteArray, plain);
        QFETCH(QString, keyword);
        NoteWindow t;
        t.open({{u"n.txt"_s, plain}});
        QCOMPARE(t.state(), u"Unchanged, &Encode, Save off"_s);
        t.platform.answerInput(keyword);
        t.w().actions().T_mnuENCODE->trigger();
        QCOMPARE(t.last().text, u"Insert the KeyWord to encode the file: \r\n\"n.txt\"\r\n\r\n"
                                "Encoder Version: 3_[A1]"_s);
        QCOMPARE(t.last().title, u"Quirebox Encode"_s);
        QCOMPARE(t.state(), u"Encoded, D&ecode, Save on"_s);
        // Typing, then taking it back, leaves the text as it was but "Changed".
        t.editor()->moveCursor(QTextCursor::End);
        QTest::keyClick(t.editor(), Qt::Key_X);
        QTest::keyClick(t.editor(), Qt::Key_Backspace);
        QCOMPARE(t.state(), u"Changed, D&ecode, Save on"_s);
        QVERIFY(t.notes().SaveNote());
        QCOMPARE(t.state(), u"Unchanged, &Encode, Save off"_s);
        QCOMPARE(t.bytes(u"n.txt"_s), Encoded(plain, *EncodeWindows1252(keyword)));

        // Opening the encoded note asks for its keyword at once.
        t.platform.answerInput(keyword);
        t.open();
        QCOMPARE(t.last().text, u"Insert the KeyWord to decode the file: \r\n\"n.txt\"\r\n\r\n"
                                "Decoder Version: 3_[A1]"_s);
        QCOMPARE(t.last().title, u"Quirebox Decode"_s);
        QCOMPARE(t.state(), u"Decoded, &Encode, Save on"_s);
        QVERIFY(t.notes().SaveNote());
        QCOMPARE(t.bytes(u"n.txt"_s), plain);
    }

    void encodedNoteIsRecognised_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("encoded");
        QTest::addColumn<QString>("shown"); // deciphered with "@", which moves no code
        QTest::newRow("header line") << Header + "\r\nbody" << true << u"body"_s;
        QTest::newRow("header, LF") << Header + "\nbody" << true << u"ody"_s;
        QTest::newRow("header alone") << Header << true << QString();
        QTest::newRow("header, comma") << Header + ",more\r\n" << true << u"ore\n"_s;
        QTest::newRow("header in quotes") << "\"" + Header + "\"\r\n" << true << u"\n"_s;
        QTest::newRow("other case")
            << Header.toLower() << false << QString::fromLatin1(Header.toLower());
        QTest::newRow("one character more")
            << Header + "x" << false << QString::fromLatin1(Header + "x");
    }

    // The body starts at byte 39 whatever comes before it; a shorter note decodes to nothing.
    void encodedNoteIsRecognised()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, encoded);
        QFETCH(QString, shown);
        NoteWindow t;
        if (encoded)
            t.platform.answerInput(u"@"_s);
        t.open({{u"n.txt"_s, bytes}});
        QVERIFY(t.platform.allAnswered());
        QCOMPARE(t.state(), encoded ? u"Decoded, &Encode, Save on"_s
                                    : u"Unchanged, &Encode, Save off"_s);
        QCOMPARE(t.text(), shown);
    }

    void wrongKeyword_data()
    {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QByteArray>("right");
        QTest::addColumn<QString>("wrong");
        QTest::addColumn<bool>("inRange");
        QTest::newRow("garbled") << QByteArray("hello") << QByteArray("@") << u"A"_s << true;
        QTest::newRow("other case") << QByteArray("hello") << QByteArray("Key") << u"key"_s << true;
        QTest::newRow("out of range") << QByteArray("\xFA") << QByteArray("@") << u"!"_s << false;
    }

    // Nothing tells a wrong keyword; enciphering the garbled text with it gives the body back.
    // One that drives a code out of range changes nothing, silently.
    void wrongKeyword()
    {
        QFETCH(QByteArray, plain);
        QFETCH(QByteArray, right);
        QFETCH(QString, wrong);
        QFETCH(bool, inRange);
        NoteWindow t;
        t.platform.answerInput(wrong);
        t.open({{u"n.txt"_s, Encoded(plain, right)}});
        QCOMPARE(t.platform.prompts.size(), 1);
        if (inRange) {
            QCOMPARE(t.status(), u"Decoded"_s);
            QVERIFY(t.text().toLatin1() != plain);
            t.platform.answerInput(wrong);
            t.w().encoder().EncodeNote();
            QVERIFY(t.notes().SaveNote());
        } else {
            QCOMPARE(t.state(), u"Encoded, D&ecode, Save off"_s);
        }
        QCOMPARE(t.bytes(u"n.txt"_s), Encoded(plain, right));
    }

    void cancelledPrompts()
    {
        NoteWindow t;
        t.open({{u"a.txt"_s, "plain"}, {u"b.txt"_s, Encoded("secret", "Key")}});
        t.platform.answerInput(QString());
        t.w().encoder().T_mnuENCODE_Click();
        QCOMPARE(t.state(), u"Unchanged, &Encode, Save off"_s);
        QCOMPARE(t.text(), u"plain"_s);

        t.platform.answerInput(QString());
        t.pickNote(u"b"_s);
        QCOMPARE(t.state(), u"Encoded, D&ecode, Save off"_s);
        QVERIFY(t.text().startsWith(QString::fromLatin1(Header) + u"\n"_s));
        // The caption now runs Decode.
        t.platform.answerInput(u"Key"_s);
        t.w().actions().T_mnuENCODE->trigger();
        QCOMPARE(t.state(), u"Decoded, &Encode, Save on"_s);
        QCOMPARE(t.text(), u"secret"_s);
    }

    void encodeFailure_data()
    {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("message");
        const QString unable = u"Unable to Encode the text."_s;
        QTest::newRow("CR below 51") << QByteArray("a\r\n") << u"2"_s << unable;
        QTest::newRow("LF below 54") << QByteArray("a\nb") << u"55"_s << unable;
        QTest::newRow("above 319") << QByteArray("\xE9") << u"z"_s << unable;
        QTest::newRow("keyword outside Windows-1252")
            << QByteArray("text") << u"kЖ"_s
            << u"The KeyWord holds the character \"Ж\", which a KeyWord can't hold.\r\nA KeyWord "
               "may hold only the characters of the Windows-1252 character set."_s;
    }

    void encodeFailure()
    {
        QFETCH(QByteArray, plain);
        QFETCH(QString, keyword);
        QFETCH(QString, message);
        NoteWindow t;
        t.open({{u"n.txt"_s, plain}});
        const QString before = t.text();
        t.platform.answerInput(keyword);
        t.platform.answerMessage(Platform::Button::Ok);
        t.w().encoder().EncodeNote();
        QVERIFY(t.platform.allAnswered());
        const bool cipher = message == u"Unable to Encode the text.";
        QCOMPARE(t.last().text, message);
        QCOMPARE(t.last().title, cipher ? u"Encode Error"_s : u"Quirebox Encode"_s);
        QCOMPARE(t.last().buttons, Platform::Buttons::Ok);
        QCOMPARE(t.last().icon, cipher ? Platform::Icon::Critical : Platform::Icon::Exclamation);
        QCOMPARE(t.text(), before);
        QCOMPARE(t.state(), u"Unchanged, &Encode, Save off"_s);
    }
};

QTEST_MAIN(TestEncodeCommands)
#include "test_encodecommands.moc"
