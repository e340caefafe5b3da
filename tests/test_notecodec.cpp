#include "RowLabel.h"
#include "encoder/NoteCodec.h"

#include <QStringDecoder>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace qb;

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
    // UTF-8 when the bytes are strictly valid UTF-8, else Windows-1252; the first line end
    // decides the style.
    void detectFormat_data()
    {
        const QByteArray ascii = "a plain line of ASCII text, "; // longer than one 8-byte stride
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<NoteFormat>("expected");
        QTest::newRow("empty") << ""_ba << kUtf8CrLf;
        QTest::newRow("ASCII without a line end") << ascii << kUtf8CrLf;
        QTest::newRow("CR LF first") << "a\r\nb\nc"_ba << kUtf8CrLf;
        QTest::newRow("LF first") << "a\nb\r\n"_ba << kUtf8Lf;
        QTest::newRow("a stray CR before an LF") << "a\rb\nc"_ba << kUtf8Lf;
        QTest::newRow("a byte order mark")
            << "\xEF\xBB\xBF\n"_ba << NoteFormat{TextEncoding::Utf8, true, LineEnd::Lf};
        QTest::newRow("a byte order mark, then invalid") << "\xEF\xBB\xBF\xE9"_ba << kAnsiCrLf;
        QTest::newRow("U+10FFFF") << "\xF4\x8F\xBF\xBF"_ba << kUtf8CrLf;
        QTest::newRow("Windows-1252") << "caf\xE9\r\n"_ba << kAnsiCrLf;
        QTest::newRow("an overlong form of two bytes") << "\xC0\xAF"_ba << kAnsiCrLf;
        QTest::newRow("an overlong form of three bytes") << "\xE0\x80\xAF"_ba << kAnsiCrLf;
        QTest::newRow("an overlong form of four bytes") << "\xF0\x80\x80\xAF"_ba << kAnsiCrLf;
        QTest::newRow("U+D7FF") << "\xED\x9F\xBF"_ba << kUtf8CrLf;
        QTest::newRow("the surrogate D800") << "\xED\xA0\x80"_ba << kAnsiCrLf;
        QTest::newRow("above U+10FFFF") << "\xF4\x90\x80\x80"_ba << kAnsiCrLf;
        QTest::newRow("invalid as the eighth byte") << "1234567\xE9"_ba << kAnsiCrLf;
        QTest::newRow("cut short at the end") << ascii + "\xE2\x82" << kAnsiCrLf;
        QTest::newRow("a bad trailing byte after ASCII") << ascii + "\xC3\x28\n" << kAnsiLf;
    }
    void detectFormat()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(NoteFormat, expected);
        QCOMPARE(detectNoteFormat(bytes), expected);
        QCOMPARE(decodeNoteBytes(bytes).format, expected);
    }

    // A character the editor would change or swallow is shown by a stand-in.
    void decodeText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<StandIn>>("standIns");
        QTest::newRow("lone CR in a CR LF note")
            << "a\rb\r\n"_ba << u"a\u240Db\n"_s << QList<StandIn>{{1, u'\r'}};
        QTest::newRow("lone LF in a CR LF note")
            << "a\r\nb\nc"_ba << u"a\nb\u240Ac"_s << QList<StandIn>{{3, u'\n'}};
        QTest::newRow("lone CR in an LF note")
            << "a\nb\r\n"_ba << u"a\nb\u240D\n"_s << QList<StandIn>{{3, u'\r'}};
        QTest::newRow("line and paragraph separators")
            << "\xE2\x80\xA8x\xE2\x80\xA9"_ba << u"\u2424x\u00B6"_s
            << QList<StandIn>{{0, 0x2028}, {2, 0x2029}};
        QTest::newRow("Windows-1252's upper half and a lone CR")
            << "\x80\x81\x9F\xA0\xFF\r"_ba << u"\u20AC\u0081\u0178\u00A0\u00FF\u240D"_s
            << QList<StandIn>{{5, u'\r'}};
    }
    void decodeText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(QList<StandIn>, standIns);
        const DecodedNote note = decodeNoteBytes(bytes);
        QCOMPARE(note.text, text);
        QCOMPARE(note.standIns, standIns);
    }

    void windows1252()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = decodeWindows1252(all);
        QCOMPARE(encodeWindows1252(text), std::optional<QByteArray>(all)); // one character per byte
        QCOMPARE(text.mid(0x80, 2) + text.at(0x9D), u"\u20AC\u0081\u009D"_s);

        // Where the system has a Windows-1252 codec, the 251 assigned bytes must agree with it.
        if (QStringDecoder system("windows-1252"); system.isValid()) {
            QString reference = system.decode(all);
            for (const char16_t unassigned : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
                reference[unassigned] = QChar(unassigned);
            QCOMPARE(text, reference);
        }

        qsizetype bad = -1;
        QVERIFY(!encodeWindows1252(u"ab\u0080"_s, &bad)); // byte 0x80 is the euro sign
        QCOMPARE(bad, 2);
    }

    void encoder()
    {
        // The editor's paragraph and soft breaks become the note's line end; originals stay as is.
        NoteEncoder crlf(kUtf8CrLf);
        crlf.appendText(u"a\u2029b\u2028c"_s);
        crlf.appendOriginal(u"\r\u2029"_s);
        QCOMPARE(crlf.takeBytes(), QByteArray("a\r\nb\r\nc\r\xE2\x80\xA9"));

        // The first character that cannot be stored is named, whatever follows it.
        const QList<std::tuple<QString, NoteFormat, QString, char32_t>> unencodable = {
            {u"outside Windows-1252"_s, kAnsiCrLf, u"ok\u0100later\u0101"_s, 0x100},
            {u"half a surrogate pair"_s, kUtf8CrLf, u"x"_s + QChar(0xD800) + u"y"_s, 0xD800}};
        for (const auto &[row, format, text, character] : unencodable) {
            const test::RowLabel label(row);
            NoteEncoder encoder(format);
            encoder.appendText(text);
            QCOMPARE(encoder.firstUnencodable(), std::optional<char32_t>(character));
        }
    }

    void encoderAsciiRuns()
    {
        // The encoders copy runs of ASCII in blocks. Every other character, at every place in and
        // around a block, comes out as itself, and the first one that cannot be stored is still
        // the one named.
        const QList<QByteArray> utf8 = {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\r\n"};
        const QList<QByteArray> ansi = {"\xE9", "\x80", "\x81", "\xFF", "\r\n\xE9"};
        for (int before = 0; before <= 17; ++before) {
            for (int after = 0; after <= 17; ++after) {
                for (const QList<QByteArray> *specials : {&utf8, &ansi}) {
                    for (const QByteArray &special : *specials) {
                        const test::RowLabel row(
                            u"%1 letters, the bytes %2, %3 letters, the bytes again"_s.arg(before)
                                .arg(QString::fromLatin1(special.toHex(' ')))
                                .arg(after));
                        const QByteArray bytes = QByteArray(before, 'x') + special +
                                                 QByteArray(after, 'y') + special + "z";
                        const DecodedNote note = decodeNoteBytes(bytes);
                        QCOMPARE(note.format.encoding, specials == &utf8
                                                           ? TextEncoding::Utf8
                                                           : TextEncoding::Windows1252);
                        NoteEncoder encoder(note.format);
                        encoder.appendText(
                            QString(note.text).replace(u'\n', QChar::ParagraphSeparator));
                        QCOMPARE(encoder.takeBytes(), bytes);
                    }
                }
                const test::RowLabel row(
                    u"%1 letters, é, %2 letters, a character that cannot be stored"_s.arg(before)
                        .arg(after));
                const QString lead(before, u'x');
                const QString trail(after, u'y');
                NoteEncoder halfPair(kUtf8Lf);
                halfPair.appendText(lead + u"\u00E9"_s + trail + QChar(0xDC00) + u"\u00E9"_s);
                QCOMPARE(halfPair.firstUnencodable(), std::optional<char32_t>(0xDC00));
                NoteEncoder outside(kAnsiLf);
                outside.appendText(lead + u"\u00E9"_s + trail + u"\u0100\u0101"_s);
                QCOMPARE(outside.firstUnencodable(), std::optional<char32_t>(0x100));
            }
        }

        // One- and two-byte characters in every arrangement of eight (the two-byte encoder's 256
        // shuffles), and the characters at the edges of those lengths at every place. Qt's own
        // encoder is the reference: the text holds no line break and no surrogate, where the two
        // differ on purpose.
        QString text;
        for (int arrangement = 0; arrangement < 256; ++arrangement) {
            for (int unit = 0; unit < 8; ++unit)
                text += QChar(arrangement & (1 << unit) ? 0xE0 + unit * 40 : 'a' + unit);
        }

        for (int shift = 0; shift < 16; ++shift)
            text += QString(shift, u'x') + u"\u007F\u0080\u07FF\u0800\uFFFDab"_s.repeated(2);
        NoteEncoder encoder(kUtf8Lf);
        encoder.appendText(text);
        QCOMPARE(encoder.takeBytes(), text.toUtf8());
    }
};

QTEST_GUILESS_MAIN(TestNoteCodec)
#include "test_notecodec.moc"
