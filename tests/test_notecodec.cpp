#include "notes/NoteCodec.h"

#include <QStringDecoder>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace qb;

Q_DECLARE_METATYPE(qb::TextEncoding)
Q_DECLARE_METATYPE(qb::LineEnd)
Q_DECLARE_METATYPE(qb::NoteFormat)
Q_DECLARE_METATYPE(qb::StandIn)

namespace {

constexpr NoteFormat kUtf8CrLf{TextEncoding::Utf8, false, LineEnd::CrLf};
constexpr NoteFormat kUtf8Lf{TextEncoding::Utf8, false, LineEnd::Lf};
constexpr NoteFormat kAnsiCrLf{TextEncoding::Windows1252, false, LineEnd::CrLf};
constexpr NoteFormat kAnsiLf{TextEncoding::Windows1252, false, LineEnd::Lf};

} // namespace

class TestNoteCodec : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void detectFormat_data();
    void detectFormat();
    void decodeText_data();
    void decodeText();
    void windows1252();
    void encoder_data();
    void encoder();
};

void TestNoteCodec::detectFormat_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<NoteFormat>("expected");
    const NoteFormat utf8Bom{TextEncoding::Utf8, true, LineEnd::CrLf};
    const QByteArray ascii = "a plain line of ASCII text, "; // longer than one 8-byte stride

    QTest::newRow("empty") << QByteArray() << kUtf8CrLf;
    QTest::newRow("ascii") << ascii << kUtf8CrLf;
    QTest::newRow("lf") << QByteArray("a\nb") << kUtf8Lf;
    QTest::newRow("crlf then lf") << QByteArray("a\r\nb\nc") << kUtf8CrLf;
    QTest::newRow("lf then crlf") << QByteArray("a\nb\r\n") << kUtf8Lf;
    QTest::newRow("stray cr then lf") << QByteArray("a\rb\nc") << kUtf8Lf;
    QTest::newRow("lone cr only") << QByteArray("a\rb\r") << kUtf8CrLf;
    QTest::newRow("lf cr") << QByteArray("\n\r") << kUtf8Lf;
    QTest::newRow("cr cr lf") << QByteArray("\r\r\n") << kUtf8CrLf;
    QTest::newRow("bom") << QByteArray("\xEF\xBB\xBFx") << utf8Bom;
    QTest::newRow("bom alone") << QByteArray("\xEF\xBB\xBF") << utf8Bom;
    QTest::newRow("bom then lf") << QByteArray("\xEF\xBB\xBF\n")
                                 << NoteFormat{TextEncoding::Utf8, true, LineEnd::Lf};
    QTest::newRow("bom then invalid") << QByteArray("\xEF\xBB\xBF\xE9") << kAnsiCrLf;
    QTest::newRow("two bytes") << QByteArray("caf\xC3\xA9") << kUtf8CrLf;
    QTest::newRow("four bytes") << QByteArray("\xF0\x9F\x98\x80\n") << kUtf8Lf;
    QTest::newRow("U+D7FF") << QByteArray("\xED\x9F\xBF") << kUtf8CrLf;
    QTest::newRow("U+FFFF") << QByteArray("\xEF\xBF\xBF") << kUtf8CrLf;
    QTest::newRow("U+10FFFF") << QByteArray("\xF4\x8F\xBF\xBF") << kUtf8CrLf;
    QTest::newRow("latin-1 e acute") << QByteArray("caf\xE9\r\n") << kAnsiCrLf;
    QTest::newRow("overlong slash") << QByteArray("\xC0\xAF") << kAnsiCrLf;
    QTest::newRow("overlong C1") << QByteArray("\xC1\xBF") << kAnsiCrLf;
    QTest::newRow("overlong 3") << QByteArray("\xE0\x80\xAF") << kAnsiCrLf;
    QTest::newRow("overlong 4") << QByteArray("\xF0\x80\x80\xAF") << kAnsiCrLf;
    QTest::newRow("surrogate D800") << QByteArray("\xED\xA0\x80") << kAnsiCrLf;
    QTest::newRow("surrogate DFFF") << QByteArray("\xED\xBF\xBF") << kAnsiCrLf;
    QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << kAnsiCrLf;
    QTest::newRow("F5 lead") << QByteArray("\xF5\x80\x80\x80") << kAnsiCrLf;
    QTest::newRow("lone continuation") << QByteArray("a\x80") << kAnsiCrLf;
    QTest::newRow("truncated at end") << ascii + "\xE2\x82" << kAnsiCrLf;
    QTest::newRow("bad trail after ascii") << ascii + "\xC3\x28\n" << kAnsiLf;
    QTest::newRow("bad third byte") << QByteArray("\xE2\x82\x28") << kAnsiCrLf;
}

void TestNoteCodec::detectFormat()
{
    QFETCH(QByteArray, bytes);
    QFETCH(NoteFormat, expected);
    const NoteFormat format = DetectNoteFormat(bytes);
    QCOMPARE(format.encoding, expected.encoding);
    QCOMPARE(format.byteOrderMark, expected.byteOrderMark);
    QCOMPARE(format.lineEnd, expected.lineEnd);
    QCOMPARE(DecodeNoteBytes(bytes).format, expected);
}

void TestNoteCodec::decodeText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<StandIn>>("standIns");

    QTest::newRow("crlf note") << QByteArray("a\r\nb\r\n") << u"a\nb\n"_s << QList<StandIn>{};
    QTest::newRow("lone cr in crlf")
        << QByteArray("a\rb\r\n") << u"a\u240Db\n"_s << QList<StandIn>{{1, u'\r'}};
    QTest::newRow("lone lf in crlf")
        << QByteArray("a\r\nb\nc") << u"a\nb\u240Ac"_s << QList<StandIn>{{3, u'\n'}};
    QTest::newRow("cr cr lf") << QByteArray("\r\r\n") << u"\u240D\n"_s
                              << QList<StandIn>{{0, u'\r'}};
    QTest::newRow("crlf in lf note")
        << QByteArray("a\nb\r\n") << u"a\nb\u240D\n"_s << QList<StandIn>{{3, u'\r'}};
    QTest::newRow("separators") << QByteArray("\xE2\x80\xA8x\xE2\x80\xA9") << u"\u2424x\u00B6"_s
                                << QList<StandIn>{{0, 0x2028}, {2, 0x2029}};
    QTest::newRow("frame marks") << QByteArray("\xEF\xB7\x90\xEF\xB7\x91") << u"\u27E6\u27E7"_s
                                 << QList<StandIn>{{0, 0xFDD0}, {1, 0xFDD1}};
    QTest::newRow("literal pictures")
        << QByteArray("\xE2\x90\x8D\r") << u"\u240D\u240D"_s << QList<StandIn>{{1, u'\r'}};
    QTest::newRow("second bom is text")
        << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx") << u"\uFEFFx"_s << QList<StandIn>{};
    QTest::newRow("nul and nbsp") << QByteArray("a\0b\xC2\xA0", 5) << u"a\u0000b\u00A0"_s
                                  << QList<StandIn>{};
    QTest::newRow("ansi") << QByteArray("\x80\x81\x9F\xA0\xFF\r")
                          << u"\u20AC\u0081\u0178\u00A0\u00FF\u240D"_s
                          << QList<StandIn>{{5, u'\r'}};
}

void TestNoteCodec::decodeText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(QList<StandIn>, standIns);
    const DecodedNote note = DecodeNoteBytes(bytes);
    QCOMPARE(note.text, text);
    QCOMPARE(note.standIns, standIns);
    for (const StandIn &standIn : standIns) {
        QCOMPARE(note.text.at(standIn.position), QChar(StandInFor(standIn.original)));
        QVERIFY(NeedsStandIn(standIn.original, note.format));
    }
}

void TestNoteCodec::windows1252()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = DecodeWindows1252(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(QSet<QChar>(text.cbegin(), text.cend()).size(), 256); // every byte its own character
    QCOMPARE(EncodeWindows1252(text), std::optional<QByteArray>(all));

    const QList<std::pair<uchar, char16_t>> known = {{0x41, u'A'},   {0x80, 0x20AC}, {0x81, 0x0081},
                                                     {0x8D, 0x008D}, {0x8F, 0x008F}, {0x90, 0x0090},
                                                     {0x9D, 0x009D}, {0x99, 0x2122}, {0x9F, 0x0178},
                                                     {0xA0, 0x00A0}, {0xE9, 0x00E9}};
    for (const auto &[byte, unit] : known)
        QCOMPARE(text.at(byte), QChar(unit));

    // Where the system has a Windows-1252 codec, the 251 assigned bytes must agree with it.
    QStringDecoder system("windows-1252");
    if (system.isValid()) {
        const QString reference = system.decode(all);
        QCOMPARE(reference.size(), 256);
        for (int b = 0; b < 256; ++b) {
            if (b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D)
                QCOMPARE(text.at(b), reference.at(b));
        }
    }

    qsizetype bad = -1;
    QVERIFY(!EncodeWindows1252(u"ab\u0080"_s, &bad)); // byte 0x80 is the euro sign
    QCOMPARE(bad, 2);
    QVERIFY(!EncodeWindows1252(u"\u0100"_s, &bad));
    QCOMPARE(bad, 0);
}

void TestNoteCodec::encoder_data()
{
    QTest::addColumn<NoteFormat>("format");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("originals");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<uint>("unencodable"); // 0: none

    const QString breaks = u"a\u2029b\u2028c"_s;
    QTest::newRow("utf8 crlf") << kUtf8CrLf << breaks << u"\r\u2029"_s
                               << QByteArray("a\r\nb\r\nc\r\xE2\x80\xA9") << 0u;
    QTest::newRow("utf8 lf") << kUtf8Lf << breaks << u"\n\r"_s << QByteArray("a\nb\nc\n\r") << 0u;
    QTest::newRow("utf8 bom") << NoteFormat{TextEncoding::Utf8, true, LineEnd::CrLf}
                              << u"\u00E9\U0001F600"_s << QString()
                              << QByteArray("\xEF\xBB\xBF\xC3\xA9\xF0\x9F\x98\x80") << 0u;
    QTest::newRow("ansi crlf") << kAnsiCrLf << u"\u20AC\u2029\u00FF"_s << u"\r"_s
                               << QByteArray("\x80\r\n\xFF\r") << 0u;
    QTest::newRow("ansi lf") << kAnsiLf << breaks << QString() << QByteArray("a\nb\nc") << 0u;
    QTest::newRow("ansi outside") << kAnsiCrLf << u"ok\u0100later"_s << QString() << QByteArray()
                                  << 0x100u;
    QTest::newRow("ansi c1 taken")
        << kAnsiCrLf << u"\u0080"_s << QString() << QByteArray() << 0x80u;
    QTest::newRow("ansi emoji") << kAnsiLf << u"x\U0001F600"_s << QString() << QByteArray()
                                << 0x1F600u;
    QTest::newRow("ansi original") << kAnsiLf << u"x"_s << u"\u2028"_s << QByteArray() << 0x2028u;
    QTest::newRow("utf8 lone high")
        << kUtf8CrLf << u"x"_s + QChar(0xD800) + u"y"_s << QString() << QByteArray() << 0xD800u;
    QTest::newRow("utf8 lone low")
        << kUtf8CrLf << QString(QChar(0xDC00)) << QString() << QByteArray() << 0xDC00u;
}

void TestNoteCodec::encoder()
{
    QFETCH(NoteFormat, format);
    QFETCH(QString, text);
    QFETCH(QString, originals);
    QFETCH(QByteArray, bytes);
    QFETCH(uint, unencodable);
    NoteEncoder encoder(format);
    encoder.appendText(text);
    encoder.appendOriginal(originals);
    QCOMPARE(encoder.ok(), unencodable == 0);
    if (unencodable == 0) {
        QCOMPARE(encoder.takeBytes(), bytes);
        QCOMPARE(encoder.firstUnencodable(), std::nullopt);
    } else {
        QCOMPARE(encoder.firstUnencodable(), std::optional<char32_t>(unencodable));
    }
}

QTEST_GUILESS_MAIN(TestNoteCodec)
#include "test_notecodec.moc"
