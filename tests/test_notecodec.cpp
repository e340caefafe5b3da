#include "notes/NoteCodec.h"

#include <QStringDecoder>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace qb;

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
    void detectFormat_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<NoteFormat>("expected");
        const QByteArray ascii = "a plain line of ASCII text, "; // longer than one 8-byte stride

        QTest::newRow("empty") << QByteArray() << kUtf8CrLf;
        QTest::newRow("ascii") << ascii << kUtf8CrLf;
        QTest::newRow("crlf then lf") << QByteArray("a\r\nb\nc") << kUtf8CrLf;
        QTest::newRow("lf then crlf") << QByteArray("a\nb\r\n") << kUtf8Lf;
        QTest::newRow("stray cr then lf") << QByteArray("a\rb\nc") << kUtf8Lf;
        QTest::newRow("bom then lf")
            << QByteArray("\xEF\xBB\xBF\n") << NoteFormat{TextEncoding::Utf8, true, LineEnd::Lf};
        QTest::newRow("bom then invalid") << QByteArray("\xEF\xBB\xBF\xE9") << kAnsiCrLf;
        QTest::newRow("U+10FFFF") << QByteArray("\xF4\x8F\xBF\xBF") << kUtf8CrLf;
        QTest::newRow("latin-1 e acute") << QByteArray("caf\xE9\r\n") << kAnsiCrLf;
        QTest::newRow("overlong 2") << QByteArray("\xC0\xAF") << kAnsiCrLf;
        QTest::newRow("overlong 3") << QByteArray("\xE0\x80\xAF") << kAnsiCrLf;
        QTest::newRow("overlong 4") << QByteArray("\xF0\x80\x80\xAF") << kAnsiCrLf;
        QTest::newRow("U+D7FF") << QByteArray("\xED\x9F\xBF") << kUtf8CrLf;
        QTest::newRow("surrogate D800") << QByteArray("\xED\xA0\x80") << kAnsiCrLf;
        QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << kAnsiCrLf;
        QTest::newRow("eighth byte") << QByteArray("1234567\xE9") << kAnsiCrLf;
        QTest::newRow("truncated at end") << ascii + "\xE2\x82" << kAnsiCrLf;
        QTest::newRow("bad trail after ascii") << ascii + "\xC3\x28\n" << kAnsiLf;
    }

    void detectFormat()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(NoteFormat, expected);
        QCOMPARE(DetectNoteFormat(bytes), expected);
        QCOMPARE(DecodeNoteBytes(bytes).format, expected);
    }

    void decodeText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<StandIn>>("standIns");

        QTest::newRow("lone cr in crlf")
            << QByteArray("a\rb\r\n") << u"a\u240Db\n"_s << QList<StandIn>{{1, u'\r'}};
        QTest::newRow("lone lf in crlf")
            << QByteArray("a\r\nb\nc") << u"a\nb\u240Ac"_s << QList<StandIn>{{3, u'\n'}};
        QTest::newRow("crlf in lf note")
            << QByteArray("a\nb\r\n") << u"a\nb\u240D\n"_s << QList<StandIn>{{3, u'\r'}};
        QTest::newRow("separators") << QByteArray("\xE2\x80\xA8x\xE2\x80\xA9") << u"\u2424x\u00B6"_s
                                    << QList<StandIn>{{0, 0x2028}, {2, 0x2029}};
        QTest::newRow("ansi") << QByteArray("\x80\x81\x9F\xA0\xFF\r")
                              << u"\u20AC\u0081\u0178\u00A0\u00FF\u240D"_s
                              << QList<StandIn>{{5, u'\r'}};
    }

    void decodeText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(QList<StandIn>, standIns);
        const DecodedNote note = DecodeNoteBytes(bytes);
        QCOMPARE(note.text, text);
        QCOMPARE(note.standIns, standIns);
    }

    void windows1252()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = DecodeWindows1252(all);
        QCOMPARE(EncodeWindows1252(text), std::optional<QByteArray>(all)); // one character per byte
        for (const char16_t unassigned : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
            QCOMPARE(text.at(unassigned), QChar(unassigned));
        QCOMPARE(text.at(0x80), QChar(0x20AC));

        // Where the system has a Windows-1252 codec, the 251 assigned bytes must agree with it.
        if (QStringDecoder system("windows-1252"); system.isValid()) {
            QString reference = system.decode(all);
            for (const char16_t unassigned : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
                reference[unassigned] = QChar(unassigned);
            QCOMPARE(text, reference);
        }

        qsizetype bad = -1;
        QVERIFY(!EncodeWindows1252(u"ab\u0080"_s, &bad)); // byte 0x80 is the euro sign
        QCOMPARE(bad, 2);
    }

    void encoder()
    {
        // The editor's paragraph and soft breaks become the note's line end; originals stay as is.
        NoteEncoder crlf(kUtf8CrLf);
        crlf.appendText(u"a\u2029b\u2028c"_s);
        crlf.appendOriginal(u"\r\u2029"_s);
        QVERIFY(crlf.ok());
        QCOMPARE(crlf.takeBytes(), QByteArray("a\r\nb\r\nc\r\xE2\x80\xA9"));

        // The first character that cannot be stored is named, whatever follows it.
        const QList<std::tuple<NoteFormat, QString, char32_t>> unencodable = {
            {kAnsiCrLf, u"ok\u0100later\u0101"_s, 0x100},
            {kUtf8CrLf, u"x"_s + QChar(0xD800) + u"y"_s, 0xD800}, // half a surrogate pair
        };
        for (const auto &[format, text, character] : unencodable) {
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
                        const QByteArray bytes = QByteArray(before, 'x') + special +
                                                 QByteArray(after, 'y') + special + "z";
                        const DecodedNote note = DecodeNoteBytes(bytes);
                        QCOMPARE(note.format.encoding, specials == &utf8
                                                           ? TextEncoding::Utf8
                                                           : TextEncoding::Windows1252);
                        NoteEncoder encoder(note.format);
                        encoder.appendText(
                            QString(note.text).replace(u'\n', QChar::ParagraphSeparator));
                        QCOMPARE(encoder.takeBytes(), bytes);
                    }
                }
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
    }

    void encoderMixedBlocks()
    {
        // One- and two-byte characters in every arrangement of eight, and the characters at the
        // edges of those lengths at every place. Qt's own encoder is the reference: the text holds
        // no line break and no surrogate, where the two differ on purpose.
        QString text;
        for (int arrangement = 0; arrangement < 256; ++arrangement) {
            for (int unit = 0; unit < 8; ++unit)
                text += QChar(arrangement & (1 << unit) ? 0xE0 + unit * 40 : 'a' + unit);
        }
        const QString edges = u"\u007F\u0080\u07FF\u0800\uFFFDab"_s;
        for (int shift = 0; shift < 16; ++shift)
            text += QString(shift, u'x') + edges + edges;
        NoteEncoder encoder(kUtf8Lf);
        encoder.appendText(text);
        QVERIFY(encoder.ok());
        QCOMPARE(encoder.takeBytes(), text.toUtf8());
    }
};

QTEST_GUILESS_MAIN(TestNoteCodec)
#include "test_notecodec.moc"
