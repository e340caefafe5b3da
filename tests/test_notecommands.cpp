// The note list and the File menu through the window: picks, the question before unsaved edits
// are dropped, Make New, Add Existing, Rename, Delete and Save, and Tools > Encode and Decode.
#include "WindowFixture.h"

#include "editor/NoticeBar.h"
#include "notes/NoteListing.h"

#include <QStandardPaths>

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

using namespace qb;
using namespace qb::test;

namespace {

// A deleted note's bytes, taken out of the home trash so that later rows may trash the name.
QByteArray takeFromTrash(const QString &fileName)
{
    QDir trash(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Trash"_s);
    const QByteArray bytes = readBytes(trash.filePath(u"files/"_s + fileName));
    trash.removeRecursively();
    return bytes;
}

const QByteArray kHeader = "Mossgrange's Quirebox Encoded v3_[A1]";

// The cipher's rule, byte by byte: each code moves by the keyword code beside it, less 64.
QByteArray Encoded(const QByteArray &text, const QByteArray &keyword)
{
    QByteArray out = kHeader + "\r\n";
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
    void initTestCase() { keepHomeIn(m_home.path()); }

    // Names without ".txt", hidden files left out, the file deciding and not the name shown;
    // picking again the note and the folder last picked reloads nothing and asks nothing.
    void picks()
    {
        TestWindow t({u"Alpha"_s, u"Alpha"_s});
        QVERIFY(writeBytes(t.bookPath,
                           bookBytes(u"B"_s, {{u"Alpha"_s, u"Alpha"_s}, {u"Alpha"_s, u"Beta"_s}})));
        t.put(u"Plan.txt"_s, "plan", u"Beta"_s);
        t.open({{u"b.txt"_s, "bee"},
                {u"Ideas.TXT"_s, "upper"},
                {u"Ideas.txt"_s, "lower"},
                {u".hidden.txt"_s, ""}});
        QCOMPARE(t.lstFILE()->count(), 3);
        QCOMPARE(t.lstFILE()->itemText(1) + t.lstFILE()->itemText(2), u"IdeasIdeas"_s);
        QCOMPARE(t.shown(), u"File: "_s + t.note(u"b.txt"_s));
        TestWindow::pick(t.lstFILE(), 1);
        TestWindow::pick(t.lstFILE(), 2);
        QCOMPARE(t.text(), u"lower"_s);
        t.type(u"edit "_s);
        TestWindow::pick(t.lstFILE(), 2);
        TestWindow::pick(t.lstFLDS(), 0);
        QCOMPARE(t.text(), u"edit lower"_s);
        t.platform.answerMessage(Platform::Button::No);
        TestWindow::pick(t.lstFLDS(), 1);
        QCOMPARE(t.shown(), u"File: "_s + t.dir(u"Beta"_s) + u"/Plan.txt"_s);
    }

    // A note file whose name is not valid UTF-8 cannot be named again by any command: it is
    // left out of the list, and the bar says how many were and why.
    void namesThatAreNotText()
    {
        TestWindow t;
        t.open({{u"a.txt"_s, "a"}});
        const QByteArray dir = QFile::encodeName(t.dir());
        for (const QByteArray &name : {"/caf\xE9.txt"_ba, "/\xFF\xFE.txt"_ba}) {
            const int fd = ::open((dir + name).constData(), O_CREAT | O_WRONLY, 0644);
            QVERIFY(fd >= 0);
            ::close(fd);
        }
        t.trigger(u"F_mnuREFRESH"_s);
        QCOMPARE(t.lstFILE()->count(), 1);
        QCOMPARE(t.child<NoticeBar>(u"noticeBar"_s)->text(),
                 u"2 note files of this folder are left out of the list: their names are not "
                 "valid UTF-8, so Quirebox can't name them."_s);
        QCOMPARE(t.text(), u"a"_s);
        // Names Qt cannot name are removed by their bytes, or the temporary folder stays.
        for (const QByteArray &name : {"/caf\xE9.txt"_ba, "/\xFF\xFE.txt"_ba})
            QCOMPARE(::unlink((dir + name).constData()), 0);
    }

    void unsavedEdits_data()
    {
        QTest::addColumn<QString>("command"); // a menu item, a pick, or a dropped file
        for (const QString &command :
             u"pick folder F_mnuADD_NEW F_mnuADD_EXIST F_mnuREN F_mnuDEL F_mnuREFRESH drop:z.txt "
             "drop:other.qb B_NEW B_mnuOPEN B_mnuF_NEW B_mnuF_REN B_mnuF_DEL tBAR_Button7_Item1"_s
                 .split(u' '))
            QTest::newRow(qPrintable(command)) << command;
    }

    // Every command that would drop the edits asks first; Cancel stops it and keeps the edits
    // and both selectors, and the edits are asked about again.
    void unsavedEdits()
    {
        QFETCH(QString, command);
        TestWindow t({u"Alpha"_s, u"Beta"_s});
        QVERIFY(writeBytes(t.root.filePath(u"z.txt"_s), "outside\r\n"));
        QVERIFY(writeBytes(t.root.filePath(u"other.qb"_s), bookBytes(u"O"_s, {})));
        t.open({{u"a.txt"_s, "alpha\r\n"}, {u"b.txt"_s, "beta\r\n"}});
        t.put(u"d.txt"_s, ""); // listed once the folder is read again
        t.type(u"X"_s);
        const QMap<QString, QString> ownPrompt = {
            // answered before the question
            {u"F_mnuADD_NEW"_s, u"input:new"_s},
            {u"tBAR_Button7_Item1"_s, u"input:new"_s},
            {u"F_mnuREN"_s, u"input:renamed"_s},
            {u"F_mnuADD_EXIST"_s, u"file:"_s + t.root.filePath(u"z.txt"_s)},
            {u"F_mnuDEL"_s, u"message"_s}};
        t.answer(ownPrompt.value(command));
        t.platform.answerMessage(Platform::Button::Cancel);
        if (command == u"pick")
            t.pickNote(u"b"_s);
        else if (command == u"folder")
            t.pickFolder(u"Beta"_s);
        else if (command.startsWith(u"drop:"))
            Q_EMIT t.editor()->filesDropped({t.root.filePath(command.mid(5))});
        else
            t.trigger(command);
        const QString a = t.note(u"a.txt"_s);
        const bool refresh = command == u"F_mnuREFRESH";
        QCOMPARE(t.last().text, unsavedQuestion(a, refresh ? u"quitting"_s : u"leaving it"_s));
        QCOMPARE(t.last().title, refresh ? u"Refresh"_s : u"Save file?"_s);
        QCOMPARE(t.entries(),
                 QStringList({u"a.txt=alpha\r\n"_s, u"b.txt=beta\r\n"_s, u"d.txt="_s}));
        QCOMPARE(t.lstFILE()->count(), 2);
        QCOMPARE(t.title(), u"Test Book - Quirebox v3.01"_s);
        QCOMPARE(t.text(), u"Xalpha\n"_s);
        QCOMPARE(t.status(), u"Changed"_s);
        QCOMPARE(t.lstFLDS()->currentText(), u"Alpha"_s);
        QCOMPARE(t.lstFILE()->currentText(), u"a"_s);
        t.platform.answerMessage(Platform::Button::Cancel);
        QVERIFY(!t.w().close());
    }

    // Make New, Rename and Add Existing, each ending with the list read again and its first
    // note shown.
    void names_data()
    {
        const QString make = u"tBAR_Button7"_s, rename = u"F_mnuREN"_s;
        const QStringList kept = {u"a.txt=keep a"_s, u"b.txt=keep b"_s};
        const QString taken = u"The file \"%1/b.txt\" already exists.\r\n"_s;
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("answers");   // "~": "b.txt" outside the folder
        QTest::addColumn<QString>("message");   // "%1": the folder
        QTest::addColumn<QStringList>("after"); // the folder's entries
        QTest::newRow("Make New, \".txt\" added to another extension")
            << make << u"input:Ideas.txt.bak"_s << QString()
            << kept + QStringList{u"Ideas.txt.bak.txt=\r\n"_s};
        QTest::newRow("Make New, a slash in the name")
            << make << u"input:a/b|message"_s
            << u"The name \"a/b\" can't be used for a note.\r\nA name cannot contain a slash (/) "
               "or a backslash (\\)."_s
            << kept;
        QTest::newRow("Make New, a name taken")
            << make << u"input:b|message"_s << taken + u"Please choose another name."_s << kept;
        QTest::newRow("Rename") << rename << u"input:zeta"_s << QString()
                                << QStringList{u"b.txt=keep b"_s, u"zeta.txt=keep a"_s};
        QTest::newRow("Rename to a name taken")
            << rename << u"input:b|message"_s << taken + u"The note \"a\" keeps its name."_s
            << kept;
        QTest::newRow("Add Existing over a name taken, replacing")
            << u"tBAR_Button7_Item2"_s << u"file:~|yes"_s << taken + u"Replace it with \"~\"?"_s
            << QStringList{u"a.txt=keep a"_s, u"b.txt=from outside"_s};
    }
    void names()
    {
        QFETCH(QString, command);
        QFETCH(QString, answers);
        QFETCH(QString, message);
        QFETCH(QStringList, after);
        const QString make = u"tBAR_Button7"_s, rename = u"F_mnuREN"_s;
        TestWindow t;
        t.open({{u"a.txt"_s, "keep a"}, {u"b.txt"_s, "keep b"}});
        const QString outside = t.root.filePath(u"outside/b.txt"_s);
        QVERIFY(writeBytes(outside, "from outside"));
        t.answer(answers.replace(u'~', outside));
        t.trigger(command);
        const FakePlatform::Prompt first = t.platform.prompts.constFirst();
        if (command == make) {
            QCOMPARE(first.text,
                     u"Directory: "_s + t.dir() + u"\r\n\r\nPlease insert the new filename:"_s);
            QCOMPARE(first.title, u"Quirebox - Make New File"_s);
            QCOMPARE(first.defaultText, u"Operator File"_s);
        } else if (command == rename) {
            QCOMPARE(first.text, u"Folder: "_s + t.dir() +
                                     u"\r\nFile: a.txt\r\n\r\nPlease insert the new file name:"_s);
            QCOMPARE(first.title, u"Quirebox File Rename"_s);
            QCOMPARE(first.defaultText, u"a"_s);
        }
        if (!message.isEmpty()) {
            QCOMPARE(t.last().text, message.replace(u"%1"_s, t.dir()).replace(u'~', outside));
            QCOMPARE(t.last().title, first.title);
        }
        QCOMPARE(t.entries(), after);
        QCOMPARE(t.lstFILE()->currentIndex(), 0);
        QCOMPARE(t.text().toLatin1(), readBytes(t.shown().mid(6)));
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
        QVERIFY(QFile::exists(path));

        t.platform.answerMessage(Platform::Button::Ok);
        t.trigger(u"tBAR_Button9"_s);
        QCOMPARE(takeFromTrash(u"only.txt"_s), QByteArray("last words"));
        // The last note gone: nothing is shown, as after picking a folder without notes.
        QVERIFY(QDir(t.dir()).isEmpty() && t.lstFILE()->count() == 0);
        t.expectNoNote();
        t.trigger(u"tBAR_Button9"_s); // without a note, nothing to ask about
    }

    void commandRightAfterRefresh_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("renamedTo"); // empty: the note is deleted
        QTest::newRow("Rename Current") << u"F_mnuREN"_s << u"input:Renamed"_s << u"Renamed.txt"_s;
        QTest::newRow("Delete Current") << u"F_mnuDEL"_s << u"ok"_s << QString();
    }

    // A folder of 100,000 notes is listed off the window's thread: a command given at once
    // after File > Refresh List waits for the whole list, and acts on the note the refresh
    // selected again; the list is then whole and in order.
    void commandRightAfterRefresh()
    {
        QFETCH(QString, command);
        QFETCH(QString, answers);
        QFETCH(QString, renamedTo);
        constexpr int kNotes = 100'000;
        TestWindow t;
        const QByteArray dir = QFile::encodeName(t.dir());
        QStringList names;
        for (int i = 0; i < kNotes; ++i) {
            // Scrambled, and in letter cases that sort apart from plain code order.
            const QString name = (i % 3 == 0 ? u"note "_s : u"Note "_s) +
                                 QString::number(i * 7919L % 1'000'003) + u".txt"_s;
            const int fd =
                ::open((dir + '/' + QFile::encodeName(name)).constData(), O_CREAT | O_WRONLY, 0644);
            QVERIFY(fd >= 0 && ::write(fd, "x", 1) == 1);
            ::close(fd);
            names.append(name);
        }
        t.open();
        QTRY_COMPARE_WITH_TIMEOUT(t.lstFILE()->count(), kNotes, 60'000);
        const int row = kNotes / 2;
        TestWindow::pick(t.lstFILE(), row);
        const QString picked = t.lstFILE()->itemData(row).toString();
        QCOMPARE(t.shown(), u"File: "_s + t.note(picked));

        t.trigger(u"F_mnuREFRESH"_s);
        t.answer(answers);
        t.trigger(command);
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(t.note(picked)), 60'000);
        if (renamedTo.isEmpty()) {
            QCOMPARE(takeFromTrash(picked), QByteArray("x"));
            names.removeOne(picked);
        } else {
            QCOMPARE(t.bytes(renamedTo), QByteArray("x"));
            names.replace(names.indexOf(picked), renamedTo);
        }
        QTRY_COMPARE_WITH_TIMEOUT(t.lstFILE()->count(), int(names.size()), 60'000);
        std::sort(names.begin(), names.end(),
                  [](const QString &a, const QString &b) { return noteFileNameLess(a, b); });
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(t.lstFILE()->itemData(i).toString(), names.at(i));
        // The note the command selected is shown, and takes edits again: the same row after a
        // rename, the first after a delete.
        QCOMPARE(t.shown(), u"File: "_s + t.note(names.at(renamedTo.isEmpty() ? 0 : row)));
        QVERIFY(t.editor()->acceptsEdits());
    }

    // A note is saved in the form it was read in, unless it would not read back as saved.
    void savesInTheNotesForm()
    {
        TestWindow t;
        t.open({{u"n.txt"_s, "caf\xE9\r\nx\ny"}});
        const QByteArray windows1252 = QByteArray("\xE9") + "caf\xE9\r\nx\ny";
        t.type(u"é"_s);
        t.trigger(u"tBAR_Button8"_s);
        QCOMPARE(t.bytes(u"n.txt"_s), windows1252);
        const QString stored = u"The file: \""_s + t.note(u"n.txt"_s) +
                               u"\" is stored in the Windows-1252 character set, "_s;
        t.editor()->selectAll();
        t.editor()->insertPlainText(u"Ã©"_s); // bytes C3 A9, which read as UTF-8 "é"
        t.platform.answerMessage(Platform::Button::Cancel);
        QVERIFY(!t.save());
        QCOMPARE(t.last().text, stored + u"but its text would then be read back as UTF-8 and "
                                         "show other characters.\r\nSave the file as UTF-8 "
                                         "instead?"_s);
        t.type(u"Ж"_s);
        t.platform.answerMessage(Platform::Button::Cancel);
        QVERIFY(!t.save());
        QCOMPARE(t.last().text, stored + u"which can't hold the character \"Ж\" (U+0416).\r\n"
                                         "Save the file as UTF-8 instead?"_s);
        QCOMPARE(t.bytes(u"n.txt"_s), windows1252);
        t.platform.answerMessage(Platform::Button::Ok);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"n.txt"_s), "\xD0\x96\xC3\x83\xC2\xA9"_ba);
    }

    // Rewritten to the same size with the same time: asked before overwriting; a save after
    // Yes starts from what was written.
    void saveAfterAnotherProgram_data()
    {
        QTest::addColumn<Platform::Button>("answer");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("Yes, overwrite") << Platform::Button::Yes << "+mine"_ba;
        QTest::newRow("No, keep the other program's") << Platform::Button::No << "MINE"_ba;
    }
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
        QVERIFY(writeBytes(path, "MINE") && file.open(QIODevice::ReadWrite));
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

    // After the bar's Keep Mine the editor's text wins over the other program's change: Save
    // writes it without asking. A change after Keep Mine is told again, and asked about again.
    // Undo back to the text as read is no longer the file's text, before Keep Mine or after.
    void keepMine_data()
    {
        QTest::addColumn<QByteArray>("later"); // written after Keep Mine; none when empty
        QTest::newRow("Keep Mine, then Save") << QByteArray();
        QTest::newRow("Keep Mine, another change, then Save") << "theirs again\n"_ba;
    }
    void keepMine()
    {
        QFETCH(QByteArray, later);
        TestWindow t;
        t.open({{u"n.txt"_s, "one\n"}});
        const QString path = t.note(u"n.txt"_s);
        auto *bar = t.child<NoticeBar>(u"noticeBar"_s);
        t.type(u"mine "_s);
        QVERIFY(writeBytes(path, "theirs\n"));
        QTRY_COMPARE(bar->text(), u"The file was changed by another program."_s);
        const auto undoAndRedo = [&] {
            t.trigger(u"undoAction"_s);
            QCOMPARE(t.text(), u"one\n"_s);
            QCOMPARE(t.status(), u"Changed"_s);
            t.trigger(u"redoAction"_s);
            QCOMPARE(t.text(), u"mine one\n"_s);
        };
        undoAndRedo();
        QCOMPARE(bar->text(), u"The file was changed by another program."_s);
        t.trigger(u"noticeKeepMineAction"_s);
        QVERIFY(bar->isHidden());
        QCOMPARE(t.status(), u"Changed"_s);
        undoAndRedo();
        if (!later.isEmpty()) {
            QVERIFY(writeBytes(path, later));
            QTRY_COMPARE(bar->text(), u"The file was changed by another program."_s);
            t.answer(u"yes"_s);
        }
        QVERIFY(t.save());
        QCOMPARE(t.platform.prompts.size(), later.isEmpty() ? 0 : 1);
        if (!later.isEmpty())
            QCOMPARE(t.last().text,
                     u"The file: \""_s + path +
                         u"\" has been changed or removed by another program since "
                         "it was loaded.\r\nOverwrite it with the text in the editor?"_s);
        QCOMPARE(t.bytes(u"n.txt"_s), QByteArray("mine one\n"));
        QCOMPARE(t.status(), u"Unchanged"_s);
    }

    // Each situation of the encoder's table on the way, in the order a user meets them. Encode
    // saves nothing, so the user's edits are still asked about. The note's folder sorts first
    // but is the book's second row.
    void encodeSaveReloadDecode_data()
    {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QString>("keyword");
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        // Shifts 0, +1, -1 in turn keep every code of 0..255 in range at its position.
        QTest::newRow("every code") << all << u"@A?"_s;
        QTest::newRow("a keyword in Windows-1252 over a note with stand-ins")
            << "A\rB\nC\r\n"_ba << u"é€"_s;
    }
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
        QCOMPARE(t.last().text, unsavedQuestion(t.note(u"n.txt"_s), u"quitting"_s));
        QVERIFY(t.save());
        QCOMPARE(t.state(), u"Unchanged, &Encode, Save off"_s);
        QCOMPARE(t.bytes(u"n.txt"_s), Encoded(plain, *encodeWindows1252(keyword)));

        // Opening the encoded note asks for its keyword at once, and once.
        t.platform.answerInput(keyword);
        t.open();
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
        QVERIFY(encoded.startsWith(QString::fromLatin1(kHeader) + u"\n"_s));
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
