// The note list and the File menu through the window: picks, the question before unsaved edits
// are dropped, Make New, Add Existing, Rename, Delete and Save, and Tools > Encode and Decode.
#include "WindowFixture.h"

#include <QStandardPaths>

#include <unistd.h>

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

enum class Action {
    PickNote,
    PickFolder,
    MakeNew,
    AddExisting,
    Rename,
    Delete,
    Refresh,
    DropNote,
    DropBook,
    NewBook,
    OpenBook
};
enum class Command { MakeNew, Rename, AddExisting };
enum class Disturbance { Rewrite, Remove, RemoveFolder, ReadOnlyFolder };

} // namespace

class TestNoteCommands : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        // The trash lies in here, on the same volume as the notes.
        KeepHomeIn(m_home.path());
    }

    // Names without ".txt", hidden files left out; picking again the note and the folder last
    // picked reloads nothing and asks nothing.
    void listAndPicks()
    {
        TestWindow t;
        t.open({{u"b.txt"_s, "bee"},
                {u"A.txt"_s, "ay"},
                {u"Ideas.TXT"_s, "capital"},
                {u".hidden.txt"_s, ""}});
        QStringList names;
        for (int row = 0; row < t.lstFILE()->count(); ++row)
            names.append(t.lstFILE()->itemText(row));
        QCOMPARE(names, QStringList({u"A"_s, u"b"_s, u"Ideas"_s}));
        QCOMPARE(t.text(), u"ay"_s);
        QCOMPARE(t.shown(), u"File: "_s + t.note(u"A.txt"_s));
        t.pickNote(u"Ideas"_s);
        t.type(u"edit "_s);
        t.pickNote(u"Ideas"_s);
        t.pickFolder(u"Alpha"_s);
        QCOMPARE(t.text(), u"edit capital"_s);
        QCOMPARE(t.status(), u"Changed"_s);
        QVERIFY(t.platform.prompts.isEmpty());
    }

    // Two folders of one name, and two notes of one name in the first.
    void picksFollowTheFileNotTheName()
    {
        TestWindow t({u"Work"_s, u"w2"_s});
        QVERIFY(WriteBytes(t.bookPath,
                           BookBytes(u"B"_s, {{u"Work"_s, u"Work"_s}, {u"Work"_s, u"w2"_s}})));
        t.put(u"Plan.txt"_s, "plan", u"w2"_s);
        t.put(u"Ideas.TXT"_s, "upper", u"Work"_s);
        t.put(u"Ideas.txt"_s, "lower", u"Work"_s);
        t.open();
        const QString first = t.text();
        TestWindow::pick(t.lstFILE(), 1);
        QCOMPARE(t.text(), first == u"upper" ? u"lower"_s : u"upper"_s);
        TestWindow::pick(t.lstFLDS(), 1);
        QCOMPARE(t.text(), u"plan"_s);
        QCOMPARE(t.shown(), u"File: "_s + t.dir(u"w2"_s) + u"/Plan.txt"_s);
    }

    void unsavedEdits_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<Platform::Button>("answer");
        const std::pair<const char *, Action> actions[] = {
            {"note pick", Action::PickNote},    {"folder pick", Action::PickFolder},
            {"make new", Action::MakeNew},      {"add existing", Action::AddExisting},
            {"rename", Action::Rename},         {"delete", Action::Delete},
            {"refresh", Action::Refresh},       {"note dropped", Action::DropNote},
            {"book dropped", Action::DropBook}, {"new book", Action::NewBook},
            {"open book", Action::OpenBook}};
        for (const auto &[name, action] : actions) {
            QTest::addRow("%s, Yes", name) << action << Platform::Button::Yes;
            QTest::addRow("%s, No", name) << action << Platform::Button::No;
            QTest::addRow("%s, Cancel", name) << action << Platform::Button::Cancel;
        }
    }

    // Yes saves first, No drops the edits, Cancel stops the action and keeps both selectors.
    void unsavedEdits()
    {
        QFETCH(Action, action);
        QFETCH(Platform::Button, answer);
        TestWindow t({u"Alpha"_s, u"Beta"_s});
        const QString outside = t.root.filePath(u"outside/z.txt"_s);
        const QString book = t.root.filePath(u"other.qb"_s);
        QVERIFY(WriteBytes(outside, "outside\r\n") && WriteBytes(book, BookBytes(u"O"_s, {})));
        t.open({{u"a.txt"_s, "alpha\r\n"}, {u"b.txt"_s, "beta\r\n"}});
        t.put(u"d.txt"_s, ""); // listed once the folder is read again
        t.type(u"X"_s);

        FakePlatform &p = t.platform;
        const bool done = answer != Platform::Button::Cancel;
        const auto ask = [&] { p.answerMessage(answer); };
        switch (action) { // a command's own prompt comes first
        case Action::PickNote:
            ask();
            t.pickNote(u"b"_s);
            break;
        case Action::PickFolder:
            ask();
            t.pickFolder(u"Beta"_s);
            break;
        case Action::MakeNew:
            p.answerInput(u"new"_s);
            ask();
            t.trigger(u"F_mnuADD_NEW"_s);
            break;
        case Action::AddExisting:
            p.answerFile(outside);
            ask();
            t.trigger(u"F_mnuADD_EXIST"_s);
            break;
        case Action::Rename:
            p.answerInput(u"renamed"_s);
            ask();
            t.trigger(u"F_mnuREN"_s);
            break;
        case Action::Delete:
            p.answerMessage(Platform::Button::Ok);
            ask();
            t.trigger(u"F_mnuDEL"_s);
            break;
        case Action::Refresh:
            ask();
            t.trigger(u"F_mnuREFRESH"_s);
            break;
        case Action::DropNote:
            ask();
            t.w().txtTEXT_OLEDragDrop({outside});
            break;
        case Action::DropBook:
            ask();
            t.w().txtTEXT_OLEDragDrop({book});
            break;
        case Action::NewBook:
            ask();
            if (done)
                p.answerInput({});
            t.trigger(u"B_NEW"_s);
            break;
        case Action::OpenBook:
            ask();
            if (done)
                p.answerFile({});
            t.trigger(u"B_mnuOPEN"_s);
            break;
        }
        QVERIFY(p.allAnswered());
        const QString aPath = t.note(u"a.txt"_s);
        const bool refresh = action == Action::Refresh;
        const FakePlatform::Prompt question = p.messages().constLast();
        QCOMPARE(question.text, refresh
                                    ? u"The file: \""_s + aPath +
                                          u"\" isn't saved.\r\nSave this file before quitting?"_s
                                    : LeaveQuestion(aPath));
        QCOMPARE(question.title, refresh ? u"Refresh"_s : u"Save file?"_s);
        QCOMPARE(question.buttons, Platform::Buttons::YesNoCancel);
        QCOMPARE(question.icon, Platform::Icon::Question);

        const QString renamed = t.note(u"renamed.txt"_s);
        const QMap<Action, bool> seen = {
            {Action::PickNote, t.text() == u"beta\n"},
            {Action::PickFolder, !t.editor()->isEnabled() && t.text().isEmpty()}, // no note
            {Action::MakeNew, QFile::exists(t.note(u"new.txt"_s))},
            {Action::AddExisting, QFile::exists(t.note(u"z.txt"_s))},
            {Action::Rename, QFile::exists(renamed)},
            {Action::Delete, !QFile::exists(aPath)},
            {Action::Refresh, t.lstFILE()->findText(u"d"_s) >= 0},
            {Action::DropNote, QFile::exists(t.note(u"z.txt"_s))},
            {Action::DropBook, t.title() == u"O - Quirebox v3.01"},
            {Action::NewBook, p.prompts.size() == 2},
            {Action::OpenBook, p.prompts.size() == 2}};
        QCOMPARE(seen.value(action), done);
        // The note's bytes, wherever they went: saved first on Yes, as they were otherwise.
        const QByteArray saved = answer == Platform::Button::Yes ? "Xalpha\r\n" : "alpha\r\n";
        if (action == Action::Delete && done)
            QCOMPARE(TakeFromTrash(u"a.txt"_s), saved);
        else
            QCOMPARE(ReadBytes(action == Action::Rename && done ? renamed : aPath), saved);
        if (!done) {
            QCOMPARE(t.text(), u"Xalpha\n"_s);
            QCOMPARE(t.status(), u"Changed"_s);
            QCOMPARE(t.lstFLDS()->currentText(), u"Alpha"_s);
            QCOMPARE(t.lstFILE()->currentText(), u"a"_s);
        }
    }

    // "No" lets one action drop the edits; an action that then stops leaves them guarded again.
    void dropAgreementEndsWithItsAction()
    {
        TestWindow t;
        t.open({{u"a.txt"_s, "a"}, {u"b.txt"_s, "b"}});
        t.type(u"edit "_s);
        t.platform.answerMessage(Platform::Button::No);
        t.platform.answerFile(QString());
        t.trigger(u"B_mnuOPEN"_s);
        t.platform.answerMessage(Platform::Button::Cancel);
        t.pickNote(u"b"_s);
        QCOMPARE(t.platform.prompts.size(), 3);
        QCOMPARE(t.last().text, LeaveQuestion(t.note(u"a.txt"_s)));
        QCOMPARE(t.text(), u"edit a"_s);
    }

    void names_data()
    {
        QTest::addColumn<Command>("command");
        QTest::addColumn<QString>("name"); // typed, or the file added from elsewhere
        QTest::addColumn<Platform::Button>("answer");
        // %1: the folder, %2: the file added; a message ending in CR LF goes on with a reason.
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("after"); // the folder's entries as "name=content"
        const auto Ok = Platform::Button::Ok;
        const QStringList kept = {u"a.txt=keep a"_s, u"b.txt=keep b"_s};
        const auto refuse = [&](const char *row, Command command, const QString &name) {
            QTest::newRow(row) << command << name << Ok
                               << u"The name \""_s + name + u"\" can't be used for a note.\r\n"_s
                               << kept;
        };
        refuse("new: slash", Command::MakeNew, u"a/b"_s);
        refuse("rename: backslash", Command::Rename, u"a\\b"_s);
        refuse("new: dot dot", Command::MakeNew, u".."_s);
        refuse("rename: dot", Command::Rename, u"."_s);
        refuse("new: tab", Command::MakeNew, u"a\tb"_s);
        refuse("rename: line break", Command::Rename, u"a\r\nb"_s);
        refuse("new: too long", Command::MakeNew, QString(300, u'n'));
        refuse("rename: too long", Command::Rename, QString(300, u'n'));
        const QString taken = u"The file \"%1/b.txt\" already exists.\r\n"_s;
        QTest::newRow("new: taken")
            << Command::MakeNew << u"b"_s << Ok << taken + u"Please choose another name."_s << kept;
        QTest::newRow("rename: taken") << Command::Rename << u"b"_s << Ok
                                       << taken + u"The note \"a\" keeps its name."_s << kept;
        const QString replace = taken + u"Replace it with \"%2\"?"_s;
        QTest::newRow("add: taken, No")
            << Command::AddExisting << u"b.txt"_s << Platform::Button::No << replace << kept;
        QTest::newRow("add: taken, Yes")
            << Command::AddExisting << u"b.txt"_s << Platform::Button::Yes << replace
            << QStringList{u"a.txt=keep a"_s, u"b.txt=from outside"_s};
        QTest::newRow("new") << Command::MakeNew << u"Ideas.txt.bak"_s << Ok << QString()
                             << kept + QStringList{u"Ideas.txt.bak.txt=\r\n"_s};
        QTest::newRow("new: cancelled") << Command::MakeNew << QString() << Ok << QString() << kept;
        QTest::newRow("rename") << Command::Rename << u"zeta"_s << Ok << QString()
                                << QStringList{u"b.txt=keep b"_s, u"zeta.txt=keep a"_s};
    }

    void names()
    {
        QFETCH(Command, command);
        QFETCH(QString, name);
        QFETCH(Platform::Button, answer);
        QFETCH(QString, message);
        TestWindow t;
        t.open({{u"a.txt"_s, "keep a"}, {u"b.txt"_s, "keep b"}});
        const QString outside = t.root.filePath(u"outside/"_s + name);
        FakePlatform &p = t.platform;
        if (command == Command::AddExisting) {
            QVERIFY(WriteBytes(outside, "from outside"));
            p.answerFile(outside);
        } else {
            p.answerInput(name);
        }
        if (!message.isEmpty())
            p.answerMessage(answer);
        t.trigger(
            QStringList{u"F_mnuADD_NEW"_s, u"F_mnuREN"_s, u"F_mnuADD_EXIST"_s}.at(int(command)));
        QVERIFY(p.allAnswered());
        QCOMPARE(p.prompts.size(), message.isEmpty() ? 1 : 2);
        const QString title =
            QStringList{u"Quirebox - Make New File"_s, u"Quirebox File Rename"_s, u"Add File"_s}.at(
                int(command));
        QCOMPARE(p.prompts.constFirst().title, title);
        if (command == Command::MakeNew) {
            QCOMPARE(p.prompts.constFirst().text,
                     u"Directory: "_s + t.dir() + u"\r\n\r\nPlease insert the new filename:"_s);
            QCOMPARE(p.prompts.constFirst().defaultText, u"Operator File"_s);
        }
        if (!message.isEmpty()) {
            message.replace(u"%1"_s, t.dir()).replace(u"%2"_s, outside);
            QCOMPARE(t.last().title, title);
            if (message.endsWith(u"\r\n")) // the reason follows
                QVERIFY2(t.last().text.startsWith(message) && t.last().text != message,
                         qPrintable(t.last().text));
            else
                QCOMPARE(t.last().text, message);
        }
        QTEST(t.entries(), "after");
        // The list is refilled with its first note shown.
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
        QVERIFY(!QFile::exists(path));
        QCOMPARE(TakeFromTrash(u"only.txt"_s), QByteArray("last words"));
        // The last note gone: nothing is shown, as after picking a folder without notes.
        QCOMPARE(t.lstFILE()->count(), 0);
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
        t.type(u"é"_s);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"n.txt"_s), QByteArray("\xE9"
                                                 "caf\xE9\r\nx\ny"));

        t.type(u"Ж"_s);
        t.platform.answerMessage(Platform::Button::Cancel);
        QVERIFY(!t.save());
        QCOMPARE(t.last().text, u"The file: \""_s + t.note(u"n.txt"_s) +
                                    u"\" is stored in the Windows-1252 character set, which "
                                    "can't hold the character \"Ж\" (U+0416).\r\nSave the file "
                                    "as UTF-8 instead?"_s);
        QCOMPARE(t.last().buttons, Platform::Buttons::OkCancel);
        QCOMPARE(t.bytes(u"n.txt"_s), QByteArray("\xE9"
                                                 "caf\xE9\r\nx\ny"));
        t.platform.answerMessage(Platform::Button::Ok);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"n.txt"_s), QByteArray("\xD0\x96\xC3\xA9"
                                                 "caf\xC3\xA9\r\nx\ny"));
        QCOMPARE(t.state(), u"Unchanged, &Encode, Save off"_s);
    }

    void saveAfterTheFileMoved_data()
    {
        QTest::addColumn<Disturbance>("disturbance");
        QTest::addColumn<Platform::Button>("answer"); // to the first prompt
        QTest::addColumn<QByteArray>("after");        // the file afterwards; empty: gone
        const auto Yes = Platform::Button::Yes, No = Platform::Button::No;
        // Rewritten to the same size, with the same time.
        QTest::newRow("rewritten, Yes") << Disturbance::Rewrite << Yes << QByteArray("+mine");
        QTest::newRow("rewritten, No") << Disturbance::Rewrite << No << QByteArray("MINE");
        QTest::newRow("removed, Yes") << Disturbance::Remove << Yes << QByteArray("+mine");
        QTest::newRow("removed, No") << Disturbance::Remove << No << QByteArray();
        // The write itself fails: a message, and the edits stay "Changed".
        QTest::newRow("folder removed") << Disturbance::RemoveFolder << Yes << QByteArray();
        QTest::newRow("read-only folder")
            << Disturbance::ReadOnlyFolder << Platform::Button::Ok << QByteArray("mine");
    }

    void saveAfterTheFileMoved()
    {
        QFETCH(Disturbance, disturbance);
        QFETCH(Platform::Button, answer);
        QFETCH(QByteArray, after);
        // Root writes through read-only modes, so such a failure cannot be staged for it.
        if (disturbance == Disturbance::ReadOnlyFolder && geteuid() == 0)
            QSKIP("Running as root: a read-only folder can still be written to.");
        TestWindow t;
        t.open({{u"n.txt"_s, "mine"}});
        const QString path = t.note(u"n.txt"_s);
        t.type(u"+"_s);
        const QDateTime time = QFileInfo(path).lastModified();
        QFile file(path);
        switch (disturbance) {
        case Disturbance::Rewrite:
            QVERIFY(WriteBytes(path, "MINE") && file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
            break;
        case Disturbance::Remove:
            QVERIFY(QFile::remove(path));
            break;
        case Disturbance::RemoveFolder:
            QVERIFY(QDir(t.dir()).removeRecursively());
            break;
        case Disturbance::ReadOnlyFolder:
            QVERIFY(QFile::setPermissions(t.dir(), QFile::ReadOwner | QFile::ExeOwner));
            break;
        }
        const bool asked = disturbance != Disturbance::ReadOnlyFolder;
        const bool fails = disturbance >= Disturbance::RemoveFolder;
        t.platform.answerMessage(answer);
        if (asked && fails)
            t.platform.answerMessage(Platform::Button::Ok); // to the failure
        const bool writes = after == "+mine";
        QCOMPARE(t.save(), writes);
        QFile::setPermissions(t.dir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(t.platform.allAnswered());
        if (asked) {
            QCOMPARE(
                t.platform.prompts.constFirst().text,
                u"The file: \""_s + path +
                    u"\" has been changed or removed by another "
                    "program since it was loaded.\r\nOverwrite it with the text in the editor?"_s);
            QCOMPARE(t.platform.prompts.constFirst().buttons, Platform::Buttons::YesNo);
        }
        if (fails) { // with the reason after the path
            const QString failure = u"Quirebox can't save the file \""_s + path + u"\".\r\n"_s;
            QVERIFY2(t.last().text.startsWith(failure) && t.last().text != failure,
                     qPrintable(t.last().text));
        }
        QCOMPARE(t.bytes(u"n.txt"_s), after);
        QCOMPARE(QFile::exists(path), !after.isEmpty());
        QCOMPARE(t.text(), u"+mine"_s);
        QCOMPARE(t.state(),
                 writes ? u"Unchanged, &Encode, Save off"_s : u"Changed, &Encode, Save on"_s);
        // A save after Yes starts from what was written: no second question.
        if (writes) {
            t.type(u"+"_s);
            QVERIFY(t.save());
            QCOMPARE(t.bytes(u"n.txt"_s), QByteArray("++mine"));
        }
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
        QTest::newRow("lone CR and LF") << QByteArray("a\rb\nc\r\nd\r") << u"Key"_s;
        QTest::newRow("keyword in Windows-1252") << QByteArray("\x01\x02\x03\x04") << u"é€"_s;
    }

    // Each situation of the encoder's table on the way, in the order a user meets them. The
    // note's folder sorts first but is the book's second row.
    void encodeSaveReloadDecode()
    {
        QFETCH(QByteArray, plain);
        QFETCH(QString, keyword);
        TestWindow t({u"Zed"_s, u"Alpha"_s});
        t.open({{u"n.txt"_s, plain}});
        QCOMPARE(t.state(), u"Unchanged, &Encode, Save off"_s);
        t.platform.answerInput(keyword);
        t.trigger(u"T_mnuENCODE"_s);
        QCOMPARE(t.last().text, u"Insert the KeyWord to encode the file: \r\n\"n.txt\"\r\n\r\n"
                                "Encoder Version: 3_[A1]"_s);
        QCOMPARE(t.last().title, u"Quirebox Encode"_s);
        QCOMPARE(t.state(), u"Encoded, D&ecode, Save on"_s);
        // Typing, then taking it back, leaves the text as it was but "Changed".
        t.editor()->moveCursor(QTextCursor::End);
        QTest::keyClick(t.editor(), Qt::Key_X);
        QTest::keyClick(t.editor(), Qt::Key_Backspace);
        QCOMPARE(t.state(), u"Changed, D&ecode, Save on"_s);
        QVERIFY(t.save());
        QCOMPARE(t.state(), u"Unchanged, &Encode, Save off"_s);
        QCOMPARE(t.bytes(u"n.txt"_s), Encoded(plain, *EncodeWindows1252(keyword)));

        // Opening the encoded note asks for its keyword at once, and once.
        t.platform.answerInput(keyword);
        t.open();
        QCOMPARE(t.platform.prompts.size(), 2);
        QCOMPARE(t.last().text, u"Insert the KeyWord to decode the file: \r\n\"n.txt\"\r\n\r\n"
                                "Decoder Version: 3_[A1]"_s);
        QCOMPARE(t.last().title, u"Quirebox Decode"_s);
        QCOMPARE(t.state(), u"Decoded, &Encode, Save on"_s);
        QVERIFY(t.save());
        QCOMPARE(t.bytes(u"n.txt"_s), plain);
    }

    void wrongKeyword_data()
    {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QByteArray>("right");
        QTest::addColumn<QString>("wrong");
        QTest::addColumn<bool>("inRange");
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
        TestWindow t;
        t.platform.answerInput(wrong);
        t.open({{u"n.txt"_s, Encoded(plain, right)}});
        QCOMPARE(t.platform.prompts.size(), 1);
        if (inRange) {
            QCOMPARE(t.status(), u"Decoded"_s);
            QVERIFY(t.text().toLatin1() != plain);
            t.platform.answerInput(wrong);
            t.trigger(u"T_mnuENCODE"_s);
            QVERIFY(t.save());
        } else {
            QCOMPARE(t.state(), u"Encoded, D&ecode, Save off"_s);
        }
        QCOMPARE(t.bytes(u"n.txt"_s), Encoded(plain, right));
    }

    // A keyword prompt cancelled changes nothing; the caption then runs Decode, on the bytes read.
    void cancelledPrompts()
    {
        TestWindow t;
        t.open({{u"a.txt"_s, "plain"}, {u"b.txt"_s, Encoded("secret", "Key")}});
        t.platform.answerInput(QString());
        t.trigger(u"T_mnuENCODE"_s);
        QCOMPARE(t.state(), u"Unchanged, &Encode, Save off"_s);
        QCOMPARE(t.text(), u"plain"_s);

        t.platform.answerInput(QString());
        t.pickNote(u"b"_s);
        QCOMPARE(t.state(), u"Encoded, D&ecode, Save off"_s);
        QVERIFY(t.text().startsWith(QString::fromLatin1(Header) + u"\n"_s));
        t.platform.answerInput(u"Key"_s);
        t.trigger(u"T_mnuENCODE"_s);
        QCOMPARE(t.state(), u"Decoded, &Encode, Save on"_s);
        QCOMPARE(t.text(), u"secret"_s);
    }

    void encodeFailure_data()
    {
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("message");
        QTest::newRow("CR below 51")
            << QByteArray("a\r\n") << u"2"_s << u"Unable to Encode the text."_s;
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
        TestWindow t;
        t.open({{u"n.txt"_s, plain}});
        const QString before = t.text();
        t.platform.answerInput(keyword);
        t.platform.answerMessage(Platform::Button::Ok);
        t.trigger(u"T_mnuENCODE"_s);
        QVERIFY(t.platform.allAnswered());
        const bool cipher = message == u"Unable to Encode the text.";
        QCOMPARE(t.last().text, message);
        QCOMPARE(t.last().title, cipher ? u"Encode Error"_s : u"Quirebox Encode"_s);
        QCOMPARE(t.last().icon, cipher ? Platform::Icon::Critical : Platform::Icon::Exclamation);
        QCOMPARE(t.text(), before);
        QCOMPARE(t.state(), u"Unchanged, &Encode, Save off"_s);
    }

    // The typed text is nowhere on disk after Encode: leaving still asks.
    void editsSurviveEncode()
    {
        TestWindow t;
        t.open({{u"n.txt"_s, "hello\r\n"}});
        t.type(u"Xy"_s);
        t.platform.answerInput(u"Key"_s);
        t.trigger(u"T_mnuENCODE"_s);
        QCOMPARE(t.status(), u"Encoded"_s);
        t.platform.answerMessage(Platform::Button::Cancel);
        QVERIFY(!t.w().close());
        QCOMPARE(t.last().title, u"Save file?"_s);
        QCOMPARE(t.bytes(u"n.txt"_s), QByteArray("hello\r\n"));
    }
};

QTEST_MAIN(TestNoteCommands)
#include "test_notecommands.moc"
