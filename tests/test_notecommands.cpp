// The note list and the File menu through the window: picks, the question before unsaved edits
// are dropped, Make New, Add Existing, Rename, Delete and Save, and Tools > Encode and Decode.
#include "WindowFixture.h"

#include <QStandardPaths>

using namespace qb;
using namespace qb::test;

namespace {

// A deleted note's bytes, taken out of the home trash so that later rows may trash the name.
QByteArray TakeFromTrash(const QString &fileName)
{
    QDir trash(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Trash"_s);
    const QByteArray bytes = ReadBytes(trash.filePath(u"files/"_s + fileName));
    trash.removeRecursively();
    return bytes;
}

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

class TestNoteCommands : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private Q_SLOTS:
    // The trash lies in here, on the same volume as the notes.
    void initTestCase() { KeepHomeIn(m_home.path()); }

    // Names without ".txt", hidden files left out, the file deciding and not the name shown;
    // picking again the note and the folder last picked reloads nothing and asks nothing.
    void picks()
    {
        TestWindow t({u"Alpha"_s, u"Alpha"_s});
        QVERIFY(WriteBytes(t.bookPath,
                           BookBytes(u"B"_s, {{u"Alpha"_s, u"Alpha"_s}, {u"Alpha"_s, u"Beta"_s}})));
        t.put(u"Plan.txt"_s, "plan", u"Beta"_s);
        t.open({{u"b.txt"_s, "bee"},
                {u"Ideas.TXT"_s, "upper"},
                {u"Ideas.txt"_s, "lower"},
                {u".hidden.txt"_s, ""}});
        QStringList names;
        for (int row = 0; row < t.lstFILE()->count(); ++row)
            names.append(t.lstFILE()->itemText(row));
        QCOMPARE(names, QStringList({u"b"_s, u"Ideas"_s, u"Ideas"_s}));
        QCOMPARE(t.shown(), u"File: "_s + t.note(u"b.txt"_s));
        TestWindow::pick(t.lstFILE(), 1);
        TestWindow::pick(t.lstFILE(), 2);
        QCOMPARE(t.text(), u"lower"_s);
        t.type(u"edit "_s);
        TestWindow::pick(t.lstFILE(), 2);
        TestWindow::pick(t.lstFLDS(), 0);
        QCOMPARE(t.text(), u"edit lower"_s);
        QVERIFY(t.platform.prompts.isEmpty());
        t.platform.answerMessage(Platform::Button::No);
        TestWindow::pick(t.lstFLDS(), 1);
        QCOMPARE(t.shown(), u"File: "_s + t.dir(u"Beta"_s) + u"/Plan.txt"_s);
    }

    void unsavedEdits_data()
    {
        QTest::addColumn<QString>("command"); // a menu item, a pick, or a dropped file
        QTest::addColumn<Platform::Button>("answer");
        for (const QString &command :
             u"pick folder F_mnuADD_NEW F_mnuADD_EXIST F_mnuREN F_mnuDEL F_mnuREFRESH drop:z.txt "
             "drop:other.qb B_NEW B_mnuOPEN"_s.split(u' ')) {
            QTest::addRow("%s, Yes", qPrintable(command)) << command << Platform::Button::Yes;
            QTest::addRow("%s, No", qPrintable(command)) << command << Platform::Button::No;
            QTest::addRow("%s, Cancel", qPrintable(command)) << command << Platform::Button::Cancel;
        }
    }

    // Yes saves first, No drops the edits, Cancel stops the command and keeps both selectors.
    void unsavedEdits()
    {
        QFETCH(QString, command);
        QFETCH(Platform::Button, answer);
        TestWindow t({u"Alpha"_s, u"Beta"_s});
        QVERIFY(WriteBytes(t.root.filePath(u"z.txt"_s), "outside\r\n"));
        QVERIFY(WriteBytes(t.root.filePath(u"other.qb"_s), BookBytes(u"O"_s, {})));
        t.open({{u"a.txt"_s, "alpha\r\n"}, {u"b.txt"_s, "beta\r\n"}});
        t.put(u"d.txt"_s, ""); // listed once the folder is read again
        t.type(u"X"_s);

        FakePlatform &p = t.platform;
        const bool done = answer != Platform::Button::Cancel;
        const QMap<QString, QString> ownPrompt = {
            // answered before the question
            {u"F_mnuADD_NEW"_s, u"input:new"_s},
            {u"F_mnuREN"_s, u"input:renamed"_s},
            {u"F_mnuADD_EXIST"_s, u"file:"_s + t.root.filePath(u"z.txt"_s)},
            {u"F_mnuDEL"_s, u"message"_s}};
        t.answer(ownPrompt.value(command));
        p.answerMessage(answer);
        if (done && command.startsWith(u'B'))
            t.answer(command == u"B_NEW" ? u"input:"_s : u"file:"_s);
        if (command == u"pick")
            t.pickNote(u"b"_s);
        else if (command == u"folder")
            t.pickFolder(u"Beta"_s);
        else if (command.startsWith(u"drop:"))
            t.w().txtTEXT_OLEDragDrop({t.root.filePath(command.mid(5))});
        else
            t.trigger(command);
        const QString a = t.note(u"a.txt"_s);
        const bool refresh = command == u"F_mnuREFRESH";
        const FakePlatform::Prompt question = p.messages().constLast();
        QCOMPARE(question.text, UnsavedQuestion(a, refresh ? u"quitting"_s : u"leaving it"_s));
        QCOMPARE(question.title, refresh ? u"Refresh"_s : u"Save file?"_s);
        QCOMPARE(question.buttons, Platform::Buttons::YesNoCancel);
        QCOMPARE(question.icon, Platform::Icon::Question);

        const QString renamed = t.note(u"renamed.txt"_s);
        const QMap<QString, bool> seen = {
            {u"pick"_s, t.text() == u"beta\n"},
            {u"folder"_s, !t.editor()->isEnabled() && t.text().isEmpty()}, // no note
            {u"F_mnuADD_NEW"_s, QFile::exists(t.note(u"new.txt"_s))},
            {u"F_mnuADD_EXIST"_s, QFile::exists(t.note(u"z.txt"_s))},
            {u"F_mnuREN"_s, QFile::exists(renamed)},
            {u"F_mnuDEL"_s, !QFile::exists(a)},
            {u"F_mnuREFRESH"_s, t.lstFILE()->findText(u"d"_s) >= 0},
            {u"drop:z.txt"_s, QFile::exists(t.note(u"z.txt"_s))},
            {u"drop:other.qb"_s, t.title() == u"O - Quirebox v3.01"},
            {u"B_NEW"_s, p.prompts.size() == 2},
            {u"B_mnuOPEN"_s, p.prompts.size() == 2}};
        QCOMPARE(seen.value(command), done);
        // The note's bytes, wherever they went: saved first on Yes, as they were otherwise.
        const QByteArray saved = answer == Platform::Button::Yes ? "Xalpha\r\n" : "alpha\r\n";
        if (command == u"F_mnuDEL" && done)
            QCOMPARE(TakeFromTrash(u"a.txt"_s), saved);
        else
            QCOMPARE(ReadBytes(command == u"F_mnuREN" && done ? renamed : a), saved);
        // Edits still in the editor are asked about again.
        const bool kept = !done || (answer == Platform::Button::No && command.startsWith(u'B'));
        QCOMPARE(t.status() == u"Changed", kept);
        if (kept) {
            QCOMPARE(t.text(), u"Xalpha\n"_s);
            QCOMPARE(t.lstFLDS()->currentText(), u"Alpha"_s);
            QCOMPARE(t.lstFILE()->currentText(), u"a"_s);
            p.answerMessage(Platform::Button::Cancel);
            QVERIFY(!t.w().close());
            QCOMPARE(p.messages().constLast().text, UnsavedQuestion(a, u"quitting"_s));
        }
    }

    void names_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("answers");   // "~": a file "b.txt" outside the folder
        QTest::addColumn<QString>("message");   // "%1": the folder
        QTest::addColumn<QStringList>("after"); // the folder's entries as "name=content"
        const QString make = u"F_mnuADD_NEW"_s, rename = u"F_mnuREN"_s;
        const QStringList kept = {u"a.txt=keep a"_s, u"b.txt=keep b"_s};
        const QString taken = u"The file \"%1/b.txt\" already exists.\r\n"_s;
        QTest::newRow("new") << make << u"input:Ideas.txt.bak"_s << QString()
                             << kept + QStringList{u"Ideas.txt.bak.txt=\r\n"_s};
        QTest::newRow("new: slash")
            << make << u"input:a/b|message"_s
            << u"The name \"a/b\" can't be used for a note.\r\nA name cannot contain a slash (/) "
               "or a backslash (\\)."_s
            << kept;
        QTest::newRow("new: taken")
            << make << u"input:b|message"_s << taken + u"Please choose another name."_s << kept;
        QTest::newRow("rename") << rename << u"input:zeta"_s << QString()
                                << QStringList{u"b.txt=keep b"_s, u"zeta.txt=keep a"_s};
        QTest::newRow("rename: taken") << rename << u"input:b|message"_s
                                       << taken + u"The note \"a\" keeps its name."_s << kept;
        QTest::newRow("add: taken, replaced")
            << u"F_mnuADD_EXIST"_s << u"file:~|yes"_s << taken + u"Replace it with \"~\"?"_s
            << QStringList{u"a.txt=keep a"_s, u"b.txt=from outside"_s};
    }

    // Each ends with the list read again and its first note shown.
    void names()
    {
        QFETCH(QString, command);
        QFETCH(QString, answers);
        QFETCH(QString, message);
        TestWindow t;
        t.open({{u"a.txt"_s, "keep a"}, {u"b.txt"_s, "keep b"}});
        const QString outside = t.root.filePath(u"outside/b.txt"_s);
        QVERIFY(WriteBytes(outside, "from outside"));
        t.answer(answers.replace(u'~', outside).replace(u"yes"_s, QString()));
        if (answers.endsWith(u'|'))
            t.platform.answerMessage(Platform::Button::Yes);
        t.trigger(command);
        const FakePlatform::Prompt first = t.platform.prompts.constFirst();
        if (command == u"F_mnuADD_NEW") {
            QCOMPARE(first.text,
                     u"Directory: "_s + t.dir() + u"\r\n\r\nPlease insert the new filename:"_s);
            QCOMPARE(first.title, u"Quirebox - Make New File"_s);
            QCOMPARE(first.defaultText, u"Operator File"_s);
        } else if (command == u"F_mnuREN") {
            QCOMPARE(first.text, u"Folder: "_s + t.dir() +
                                     u"\r\nFile: a.txt\r\n\r\nPlease insert the new file name:"_s);
            QCOMPARE(first.title, u"Quirebox File Rename"_s);
            QCOMPARE(first.defaultText, u"a"_s);
        }
        if (!message.isEmpty()) {
            QCOMPARE(t.last().text, message.replace(u"%1"_s, t.dir()).replace(u'~', outside));
            QCOMPARE(t.last().title, first.title);
        }
        QTEST(t.entries(), "after");
        QCOMPARE(t.lstFILE()->currentIndex(), 0);
        QCOMPARE(t.text().toLatin1(), ReadBytes(t.shown().mid(6)));
    }

    void deleteToTrash()
    {
        TestWindow t;
        t.open({{u"only.txt"_s, "last words"}});
        const QString path = t.note(u"only.txt"_s);
        t.platform.answerMessage(Platform::Button::Cancel);
        t.trigger(u"F_mnuDEL"_s);
        QCOMPARE(t.last().text, u"Are you sure to delete: \""_s + path + u"\""_s);
        QCOMPARE(t.last().title, u"Quirebox - File Delete"_s);
        QCOMPARE(t.last().buttons, Platform::Buttons::OkCancel);
        QVERIFY(QFile::exists(path));

        t.platform.answerMessage(Platform::Button::Ok);
        t.trigger(u"tBAR_Button9"_s);
        QCOMPARE(TakeFromTrash(u"only.txt"_s), QByteArray("last words"));
        // The last note gone: nothing is shown, as after picking a folder without notes.
        QVERIFY(QDir(t.dir()).isEmpty() && t.lstFILE()->count() == 0);
        t.expectNoNote();
        QVERIFY(!t.action(u"F_mnuDEL"_s)->isEnabled());
        t.trigger(u"tBAR_Button9"_s); // without a note, nothing to ask about
        QCOMPARE(t.platform.prompts.size(), 2);
    }

    // A note is saved in the form it was read in, until it holds a character that form can't.
    void savesInTheNotesForm()
    {
        TestWindow t;
        t.open({{u"n.txt"_s, "caf\xE9\r\nx\ny"}});
        const QByteArray windows1252 = QByteArray("\xE9") + "caf\xE9\r\nx\ny";
        t.type(u"é"_s);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"n.txt"_s), windows1252);
        t.type(u"Ж"_s);
        t.platform.answerMessage(Platform::Button::Cancel);
        QVERIFY(!t.save());
        QCOMPARE(t.last().text, u"The file: \""_s + t.note(u"n.txt"_s) +
                                    u"\" is stored in the Windows-1252 character set, which "
                                    "can't hold the character \"Ж\" (U+0416).\r\nSave the file "
                                    "as UTF-8 instead?"_s);
        QCOMPARE(t.bytes(u"n.txt"_s), windows1252);
        t.platform.answerMessage(Platform::Button::Ok);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"n.txt"_s), QByteArray("\xD0\x96\xC3\xA9") + "caf\xC3\xA9\r\nx\ny");
        QCOMPARE(t.state(), u"Unchanged, &Encode, Save off"_s);
    }

    void saveAfterAnotherProgram_data()
    {
        QTest::addColumn<Platform::Button>("answer");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("Yes") << Platform::Button::Yes << "+mine"_ba;
        QTest::newRow("No") << Platform::Button::No << "MINE"_ba;
    }

    // Rewritten to the same size with the same time: asked before overwriting; a save after
    // Yes starts from what was written.
    void saveAfterAnotherProgram()
    {
        QFETCH(Platform::Button, answer);
        QFETCH(QByteArray, after);
        TestWindow t;
        t.open({{u"n.txt"_s, "mine"}});
        const QString path = t.note(u"n.txt"_s);
        t.type(u"+"_s);
        const QDateTime time = QFileInfo(path).lastModified();
        QFile file(path);
        QVERIFY(WriteBytes(path, "MINE") && file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
        t.platform.answerMessage(answer);
        QCOMPARE(t.save(), answer == Platform::Button::Yes);
        QCOMPARE(t.last().text,
                 u"The file: \""_s + path +
                     u"\" has been changed or removed by another program since "
                     "it was loaded.\r\nOverwrite it with the text in the editor?"_s);
        QCOMPARE(t.last().buttons, Platform::Buttons::YesNo);
        QCOMPARE(t.bytes(u"n.txt"_s), after);
        t.type(u"+"_s);
        if (answer == Platform::Button::No)
            t.platform.answerMessage(Platform::Button::Yes);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"n.txt"_s), QByteArray("++mine"));
    }

    void encodeSaveReloadDecode_data()
    {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QString>("keyword");
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        // Shifts 0, +1, -1 in turn keep every code of 0..255 in range at its position.
        QTest::newRow("every byte value") << all << u"@A?"_s;
        QTest::newRow("keyword in Windows-1252") << QByteArray("A\rB\nC\r\n") << u"é€"_s;
    }

    // Each situation of the encoder's table on the way, in the order a user meets them. Encode
    // saves nothing, so the user's edits are still asked about. The note's folder sorts first
    // but is the book's second row.
    void encodeSaveReloadDecode()
    {
        QFETCH(QByteArray, plain);
        QFETCH(QString, keyword);
        TestWindow t({u"Zed"_s, u"Alpha"_s});
        t.open({{u"n.txt"_s, plain}});
        QCOMPARE(t.state(), u"Unchanged, &Encode, Save off"_s);
        t.type(u"X"_s);
        QTest::keyClick(t.editor(), Qt::Key_Backspace);
        QCOMPARE(t.state(), u"Changed, &Encode, Save on"_s);
        t.platform.answerInput(keyword);
        t.trigger(u"T_mnuENCODE"_s);
        QCOMPARE(t.last().text, u"Insert the KeyWord to encode the file: \r\n\"n.txt\"\r\n\r\n"
                                "Encoder Version: 3_[A1]"_s);
        QCOMPARE(t.last().title, u"Quirebox Encode"_s);
        QCOMPARE(t.state(), u"Encoded, D&ecode, Save on"_s);
        t.platform.answerMessage(Platform::Button::Cancel);
        QVERIFY(!t.w().close());
        QCOMPARE(t.last().text, UnsavedQuestion(t.note(u"n.txt"_s), u"quitting"_s));
        QVERIFY(t.save());
        QCOMPARE(t.state(), u"Unchanged, &Encode, Save off"_s);
        QCOMPARE(t.bytes(u"n.txt"_s), Encoded(plain, *EncodeWindows1252(keyword)));

        // Opening the encoded note asks for its keyword at once, and once.
        t.platform.answerInput(keyword);
        t.open();
        QCOMPARE(t.platform.prompts.size(), 3);
        QCOMPARE(t.last().text, u"Insert the KeyWord to decode the file: \r\n\"n.txt\"\r\n\r\n"
                                "Decoder Version: 3_[A1]"_s);
        QCOMPARE(t.last().title, u"Quirebox Decode"_s);
        QCOMPARE(t.state(), u"Decoded, &Encode, Save on"_s);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"n.txt"_s), plain);
    }

    // A keyword prompt cancelled changes nothing, and so does a keyword that drives a code out
    // of range while decoding, silently; the caption then runs Decode, on the bytes read. Encode
    // tells why it changed nothing.
    void refusals()
    {
        TestWindow t;
        t.open({{u"a.txt"_s, "a\r\n"}, {u"b.txt"_s, Encoded("sec\xFA", "Key@")}});
        t.answer(u"input:|input:2|message|input:kЖ|message"_s);
        for (int i = 0; i < 3; ++i)
            t.trigger(u"T_mnuENCODE"_s);
        QCOMPARE(t.platform.prompts[2].text, u"Unable to Encode the text."_s);
        QCOMPARE(t.platform.prompts[2].title, u"Encode Error"_s);
        QCOMPARE(t.last().text, u"The KeyWord holds the character \"Ж\", which a KeyWord can't "
                                "hold.\r\nA KeyWord may hold only the characters of the "
                                "Windows-1252 character set."_s);
        QCOMPARE(t.last().title, u"Quirebox Encode"_s);
        QCOMPARE(t.text(), u"a\n"_s);
        QCOMPARE(t.state(), u"Unchanged, &Encode, Save off"_s);

        t.answer(u"input:|input:Key!"_s);
        t.pickNote(u"b"_s);
        const QString encoded = t.text();
        QVERIFY(encoded.startsWith(QString::fromLatin1(Header) + u"\n"_s));
        t.trigger(u"T_mnuENCODE"_s);
        QCOMPARE(t.text(), encoded);
        QCOMPARE(t.state(), u"Encoded, D&ecode, Save off"_s);
        t.answer(u"input:Key@"_s);
        t.trigger(u"T_mnuENCODE"_s);
        QCOMPARE(t.state(), u"Decoded, &Encode, Save on"_s);
        QCOMPARE(t.text(), u"sec\u00FA"_s);
    }
};

QTEST_MAIN(TestNoteCommands)
#include "test_notecommands.moc"
