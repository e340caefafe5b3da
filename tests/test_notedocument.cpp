#include "notes/NoteDocument.h"

#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;
using namespace qb;

namespace {

constexpr int kPaste = -1; // `key` column: insert `input` as a paste does

const QList<NoteFormat> kForcedFormats = {
    {TextEncoding::Utf8, false, LineEnd::CrLf},
    {TextEncoding::Utf8, false, LineEnd::Lf},
    {TextEncoding::Utf8, true, LineEnd::CrLf},
    {TextEncoding::Windows1252, false, LineEnd::CrLf},
    {TextEncoding::Windows1252, false, LineEnd::Lf},
};

// QTest::keyClicks knows Latin-1 only.
void Type(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

QByteArray Hex(QByteArrayView bytes)
{
    return bytes.toByteArray().toHex(' ');
}

} // namespace

class TestNoteDocument : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void roundTrip_data();
    void roundTrip();
    void randomBytes();
    void randomUtf8();
    void edit_data();
    void edit();
    void unencodable_data();
    void unencodable();
    void loadReplacesHistory();

private:
    // What the editor gives back, unedited, after showing `note`.
    QByteArray unedited(const DecodedNote &note);
    QByteArray editorBytes(const NoteFormat &format);
    bool savesWhatIsShown(const NoteFormat &format);

    std::unique_ptr<QPlainTextEdit> m_editor;
};

void TestNoteDocument::initTestCase()
{
    // One editor for everything, as in the program: formats left by one note must not leak
    // into the next.
    m_editor = std::make_unique<QPlainTextEdit>();
    GuardStandIns(*m_editor->document());
    m_editor->show();
    m_editor->activateWindow();
    QVERIFY(QTest::qWaitForWindowExposed(m_editor.get()));
}

QByteArray TestNoteDocument::unedited(const DecodedNote &note)
{
    ShowNoteText(*m_editor, note);
    // The editor shows the decoded text as it is: every line break one paragraph, nothing else.
    const QString shown = QString(note.text).replace(u'\n', QChar::ParagraphSeparator);
    if (m_editor->document()->toRawText() != shown)
        return QByteArrayLiteral("<editor changed the text>");
    return editorBytes(note.format);
}

QByteArray TestNoteDocument::editorBytes(const NoteFormat &format)
{
    const NoteBytes back = NoteBytesFromEditor(*m_editor, format);
    if (back.unencodable)
        return "<unencodable U+" + QByteArray::number(uint(*back.unencodable), 16) + '>';
    return back.bytes;
}

bool TestNoteDocument::savesWhatIsShown(const NoteFormat &format)
{
    // A typed soft line break shows as a line break too.
    const QString shown =
        m_editor->document()->toRawText().replace(QChar::LineSeparator, QChar::ParagraphSeparator);
    const QString read = DecodeNoteBytes(editorBytes(format), format).text;
    return QString(read).replace(u'\n', QChar::ParagraphSeparator) == shown;
}

void TestNoteDocument::roundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QByteArray ascending;
    QString latin1;
    for (int b = 0; b < 256; ++b) {
        ascending.append(char(b));
        latin1.append(QChar(b));
    }
    QTest::newRow("all bytes") << ascending;
    QByteArray descending = ascending;
    std::reverse(descending.begin(), descending.end());
    QTest::newRow("all bytes reversed") << descending;
    QTest::newRow("all bytes as utf8") << latin1.toUtf8();

    const QList<std::pair<const char *, QByteArray>> lineEnds = {
        {"crlf", "a\r\nb\r\n"},
        {"lf", "a\nb\n"},
        {"lone cr", "a\rb\rc"},
        {"lf cr", "a\n\rb"},
        {"cr cr lf", "a\r\r\nb"},
        {"crlf then lf", "a\r\nb\nc\r\n"},
        {"lf then crlf", "a\nb\r\nc\n"},
        {"crlf lf lf cr", "\r\n\n\n\r"},
        {"no line end", "abc"},
        {"ends crlf", "abc\r\n"},
        {"ends lf", "abc\n"},
        {"ends cr", "abc\r"},
        {"only crlf", "\r\n\r\n"},
        {"only cr", "\r"},
        {"only lf", "\n"},
        {"empty", ""},
        {"cr before lf", "\ra\nb\r\n"},
    };
    const QList<std::pair<const char *, QByteArray>> heads = {
        {"ascii", QByteArray()}, {"utf8", "\xC3\xA9\xE2\x82\xAC"}, {"ansi", "\xE9\x80"}};
    for (const auto &[headName, head] : heads) {
        for (const auto &[name, bytes] : lineEnds)
            QTest::addRow("%s %s", headName, name) << head + bytes;
    }

    QTest::newRow("line separator") << QByteArray("a\xE2\x80\xA8"
                                                  "b\r\n");
    QTest::newRow("paragraph separator") << QByteArray("a\xE2\x80\xA9"
                                                       "b\n");
    QTest::newRow("pictures beside cr")
        << QByteArray("\xE2\x90\x8D\r\xE2\x90\x8D\r\n\xE2\x90\x8A\n");
    QTest::newRow("frame marks") << QByteArray("\xEF\xB7\x90x\xEF\xB7\x91");
    QTest::newRow("nul") << QByteArray("a\0\r\n\0", 5);
    QTest::newRow("bom") << QByteArray("\xEF\xBB\xBF"
                                       "a\r\n");
    QTest::newRow("bom bom") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF\n");
    QTest::newRow("feff inside") << QByteArray("a\xEF\xBB\xBF");
    QTest::newRow("nbsp utf8") << QByteArray("a\xC2\xA0"
                                             "b");
    QTest::newRow("nbsp ansi") << QByteArray("\xE9\xA0"
                                             "b");
    QTest::newRow("object mark") << QByteArray("\xEF\xBF\xBC");
    QTest::newRow("noncharacters") << QByteArray("\xEF\xBF\xBE\xEF\xBF\xBF\xF4\x8F\xBF\xBF");
}

void TestNoteDocument::roundTrip()
{
    QFETCH(QByteArray, bytes);
    QCOMPARE(unedited(DecodeNoteBytes(bytes)), bytes);
    for (const NoteFormat &format : kForcedFormats)
        QCOMPARE(unedited(DecodeNoteBytes(bytes, format)), bytes);
}

void TestNoteDocument::randomBytes()
{
    // Mostly the bytes that matter (line ends, UTF-8 lead and trail bytes, Windows-1252 gaps).
    static constexpr char kLikely[] =
        "\r\n\r\na \0\xE9\xC3\xA9\xE2\x80\xA8\xA9\xEF\xBB\xBF\x90\x8D\xB7";
    const QByteArray likely(kLikely, sizeof kLikely - 1);
    QRandomGenerator random(20240611);
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes;
        for (int i = random.bounded(40); i > 0; --i)
            bytes.append(random.bounded(3) ? likely[random.bounded(likely.size())]
                                           : char(random.bounded(256)));
        const QByteArray back = unedited(DecodeNoteBytes(bytes));
        QVERIFY2(back == bytes, Hex(bytes) + " came back as " + Hex(back));
    }
}

void TestNoteDocument::randomUtf8()
{
    const QList<char32_t> likely = {u'a', u' ',   u'\r',  u'\n',  0x2028, 0x2029, 0x240D, 0x240A,
                                    0,    0xFEFF, 0xFDD0, 0xFDD1, 0xA0,   0xE9,   0x20AC, 0x1F600};
    QRandomGenerator random(1752);
    for (int round = 0; round < 3000; ++round) {
        QList<char32_t> units;
        for (int i = random.bounded(30); i > 0; --i) {
            char32_t u = likely[random.bounded(likely.size())];
            if (random.bounded(4) == 0) {
                do
                    u = random.bounded(0x110000);
                while (u >= 0xD800 && u <= 0xDFFF);
            }
            units.append(u);
        }
        QByteArray bytes = QString::fromUcs4(units.constData(), units.size()).toUtf8();
        if (random.bounded(4) == 0)
            bytes.prepend("\xEF\xBB\xBF");
        const DecodedNote note = DecodeNoteBytes(bytes);
        QCOMPARE(note.format.encoding, TextEncoding::Utf8);
        const QByteArray back = unedited(note);
        QVERIFY2(back == bytes, Hex(bytes) + " came back as " + Hex(back));
    }
}

void TestNoteDocument::edit_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("anchor");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QByteArray>("expected");
    const int none = Qt::NoModifier;

    // Editor text of "a\rb\r\n" is "a␍b" + break: position 2 is just after the stand-in.
    QTest::newRow("type after stand-in")
        << QByteArray("a\rb\r\n") << 2 << 2 << u"xy"_s << 0 << none << QByteArray("a\rxyb\r\n");
    QTest::newRow("type before stand-in")
        << QByteArray("\rb\r\n") << 0 << 0 << u"x"_s << 0 << none << QByteArray("x\rb\r\n");
    QTest::newRow("type at end") << QByteArray("ab\r") << 3 << 3 << u"x"_s << 0 << none
                                 << QByteArray("ab\rx");
    QTest::newRow("type the picture itself")
        << QByteArray("a\r") << 2 << 2 << u"\u240D"_s << 0 << none << QByteArray("a\r\xE2\x90\x8D");
    QTest::newRow("replace stand-in")
        << QByteArray("a\rb") << 1 << 2 << u"y"_s << 0 << none << QByteArray("ayb");
    QTest::newRow("picture over stand-in")
        << QByteArray("a\rb") << 1 << 2 << u"\u240D"_s << 0 << none
        << QByteArray("a\xE2\x90\x8D"
                      "b");
    QTest::newRow("paste over selection")
        << QByteArray("a\rbc") << 3 << 2 << u"p\nq"_s << kPaste << none << QByteArray("a\rp\r\nqc");
    QTest::newRow("paste after stand-in") << QByteArray("a\n\rb") << 3 << 3 << u"p\nq"_s << kPaste
                                          << none << QByteArray("a\n\rp\nqb");
    QTest::newRow("enter in crlf note")
        << QByteArray("a\rb\r\nc") << 2 << 2 << QString() << int(Qt::Key_Return) << none
        << QByteArray("a\r\r\nb\r\nc");
    QTest::newRow("enter in lf note") << QByteArray("a\nb\r") << 4 << 4 << QString()
                                      << int(Qt::Key_Return) << none << QByteArray("a\nb\r\n");
    QTest::newRow("shift enter") << QByteArray("a\nb") << 1 << 1 << QString() << int(Qt::Key_Return)
                                 << int(Qt::ShiftModifier) << QByteArray("a\n\nb");
    QTest::newRow("delete stand-in") << QByteArray("a\rb\r\n") << 2 << 2 << QString()
                                     << int(Qt::Key_Backspace) << none << QByteArray("ab\r\n");
    QTest::newRow("delete lf stand-in")
        << QByteArray("\xE9\r\nx\ny") << 4 << 4 << QString() << int(Qt::Key_Backspace) << none
        << QByteArray("\xE9\r\nxy");
    QTest::newRow("ansi euro after stand-in") << QByteArray("\xE9\r\nx\ny") << 4 << 4 << u"\u20AC"_s
                                              << 0 << none << QByteArray("\xE9\r\nx\n\x80y");
    QTest::newRow("nbsp typed") << QByteArray("a\rb") << 2 << 2 << u"\u00A0"_s << 0 << none
                                << QByteArray("a\r\xC2\xA0"
                                              "b");
}

void TestNoteDocument::edit()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, anchor);
    QFETCH(int, position);
    QFETCH(QString, input);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QByteArray, expected);
    const DecodedNote note = DecodeNoteBytes(bytes);
    QCOMPARE(unedited(note), bytes);

    // Placed with the keys, as the user would.
    QTest::keyClick(m_editor.get(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(m_editor.get(), Qt::Key_Home, Qt::ControlModifier);
    for (int i = 0; i < anchor; ++i)
        QTest::keyClick(m_editor.get(), Qt::Key_Right);
    for (int i = anchor; i != position; i += position > anchor ? 1 : -1)
        QTest::keyClick(m_editor.get(), position > anchor ? Qt::Key_Right : Qt::Key_Left,
                        Qt::ShiftModifier);
    QCOMPARE(m_editor->textCursor().anchor(), anchor);
    QCOMPARE(m_editor->textCursor().position(), position);
    if (key == kPaste)
        m_editor->insertPlainText(input);
    else if (key != 0)
        QTest::keyClick(m_editor.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    else
        Type(m_editor.get(), input);
    QCOMPARE(editorBytes(note.format), expected);

    QTextDocument *document = m_editor->document();
    if (anchor == position) { // with nothing selected, one Undo takes the edit back
        m_editor->undo();
        QCOMPARE(editorBytes(note.format), bytes);
        m_editor->redo();
        QCOMPARE(editorBytes(note.format), expected);
    }
    // Every step back and forth saves what the editor shows; all the way back is the note as
    // loaded, stand-ins included.
    for (int step = 0; step < 10 && document->isUndoAvailable(); ++step) {
        m_editor->undo();
        QVERIFY(savesWhatIsShown(note.format));
    }
    QVERIFY(!document->isUndoAvailable());
    QCOMPARE(editorBytes(note.format), bytes);
    for (int step = 0; step < 10 && document->isRedoAvailable(); ++step) {
        m_editor->redo();
        QVERIFY(savesWhatIsShown(note.format));
    }
    QVERIFY(!document->isRedoAvailable());
    QCOMPARE(editorBytes(note.format), expected);
}

void TestNoteDocument::unencodable_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("input");
    QTest::addColumn<uint>("character");

    QTest::newRow("typed outside ansi") << QByteArray("caf\xE9\r\n") << u"\u0100"_s << 0x100u;
    QTest::newRow("C1 control") << QByteArray("caf\xE9") << u"\u0085"_s << 0x85u;
    QTest::newRow("emoji") << QByteArray("\xE9\r") << u"\U0001F600"_s << 0x1F600u;
    QTest::newRow("first of two") << QByteArray("\xE9") << u"\u0100\u0101"_s << 0x100u;
}

void TestNoteDocument::unencodable()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, input);
    QFETCH(uint, character);
    const DecodedNote note = DecodeNoteBytes(bytes);
    QCOMPARE(note.format.encoding, TextEncoding::Windows1252);
    ShowNoteText(*m_editor, note);
    m_editor->moveCursor(QTextCursor::End);
    m_editor->insertPlainText(input);
    const NoteBytes back = NoteBytesFromEditor(*m_editor, note.format);
    QCOMPARE(back.unencodable, std::optional<char32_t>(character));
    QVERIFY(back.bytes.isEmpty());
    // The same text is fine in UTF-8.
    NoteFormat utf8 = note.format;
    utf8.encoding = TextEncoding::Utf8;
    QVERIFY(!NoteBytesFromEditor(*m_editor, utf8).unencodable);
}

void TestNoteDocument::loadReplacesHistory()
{
    ShowNoteText(*m_editor, DecodeNoteBytes("a\rbc"));
    m_editor->moveCursor(QTextCursor::End);
    QTest::keyClicks(m_editor.get(), u"typed"_s);
    QVERIFY(m_editor->document()->isUndoAvailable());
    // Leave a selection that starts just after the stand-in: its format is the caret's.
    QTest::keyClick(m_editor.get(), Qt::Key_Home, Qt::ControlModifier);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(m_editor.get(), Qt::Key_Right);
    QTest::keyClick(m_editor.get(), Qt::Key_Left, Qt::ShiftModifier);

    QSignalSpy changed(m_editor.get(), &QPlainTextEdit::textChanged);
    const QByteArray second("second \xE2\x90\x8D\r\n\r"); // the picture itself, a stray CR
    ShowNoteText(*m_editor, DecodeNoteBytes(second));
    QVERIFY(changed.count() >= 1);
    QVERIFY(!m_editor->document()->isUndoAvailable());
    QVERIFY(!m_editor->document()->isModified());
    QCOMPARE(m_editor->textCursor().position(), 0);
    m_editor->undo();
    QCOMPARE(editorBytes(DetectNoteFormat(second)), second);
}

QTEST_MAIN(TestNoteDocument)
#include "test_notedocument.moc"
