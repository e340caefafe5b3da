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
    void detectFormat()
    {
        const QByteArray ascii = "a plain line of ASCII text, "; // longer than one 8-byte stride
        const NoteFormat bomLf{TextEncoding::Utf8, true, LineEnd::Lf};
        const QList<std::pair<QByteArray, NoteFormat>> rows = {
            {"", kUtf8CrLf},
            {ascii, kUtf8CrLf},
            {"a\r\nb\nc", kUtf8CrLf},
            {"a\nb\r\n", kUtf8Lf},
            {"a\rb\nc", kUtf8Lf}, // a stray CR does not count
            {"\xEF\xBB\xBF\n", bomLf},
            {"\xEF\xBB\xBF\xE9", kAnsiCrLf}, // a BOM, then invalid
            {"\xF4\x8F\xBF\xBF", kUtf8CrLf}, // U+10FFFF
            {"caf\xE9\r\n", kAnsiCrLf},
            {"\xC0\xAF", kAnsiCrLf}, // overlong forms
            {"\xE0\x80\xAF", kAnsiCrLf},
            {"\xF0\x80\x80\xAF", kAnsiCrLf},
            {"\xED\x9F\xBF", kUtf8CrLf},      // U+D7FF
            {"\xED\xA0\x80", kAnsiCrLf},      // the surrogate D800
            {"\xF4\x90\x80\x80", kAnsiCrLf},  // above U+10FFFF
            {"1234567\xE9", kAnsiCrLf},       // the eighth byte
            {ascii + "\xE2\x82", kAnsiCrLf},  // cut short at the end
            {ascii + "\xC3\x28\n", kAnsiLf}}; // a bad trailing byte after ASCII
        for (const auto &[bytes, expected] : rows) {
            QCOMPARE(DetectNoteFormat(bytes), expected);
            QCOMPARE(DecodeNoteBytes(bytes).format, expected);
        }
    }

    // A character the editor would change or swallow is shown by a stand-in.
    void decodeText()
    {
        const QList<std::tuple<QByteArray, QString, QList<StandIn>>> rows = {
            {"a\rb\r\n", u"a\u240Db\n"_s, {{1, u'\r'}}},
            {"a\r\nb\nc", u"a\nb\u240Ac"_s, {{3, u'\n'}}},
            {"a\nb\r\n", u"a\nb\u240D\n"_s, {{3, u'\r'}}},
            {"\xE2\x80\xA8x\xE2\x80\xA9", u"\u2424x\u00B6"_s, {{0, 0x2028}, {2, 0x2029}}},
            {"\x80\x81\x9F\xA0\xFF\r", u"\u20AC\u0081\u0178\u00A0\u00FF\u240D"_s, {{5, u'\r'}}}};
        for (const auto &[bytes, text, standIns] : rows) {
            const DecodedNote note = DecodeNoteBytes(bytes);
            QCOMPARE(note.text, text);
            QCOMPARE(note.standIns, standIns);
        }
    }

    void windows1252()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = DecodeWindows1252(all);
        QCOMPARE(EncodeWindows1252(text), std::optional<QByteArray>(all)); // one character per byte
        QCOMPARE(text.mid(0x80, 2) + text.at(0x9D), u"\u20AC\u0081\u009D"_s);

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
