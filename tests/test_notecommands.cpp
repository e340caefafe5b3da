// The note list, the note status and the note commands, through the window.

#include "NoteWindow.h"

#include "book/BookCommands.h"
#include "editor/EditorCommands.h"
#include "encoder/EncoderCommands.h"

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

enum class Action { PickNote, PickFolder, MakeNew, AddExisting, Rename, Delete, Refresh,
                    DropNote, DropBook };
enum class Command { MakeNew, Rename, AddExisting };

} // namespace

class TestNoteCommands : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        // The trash lies in here, on the same volume as the notes.
        test::KeepHomeIn(m_home.path());
    }

    void listAndPicks()
    {
        NoteWindow t;
        t.open({{u"b.txt"_s, "bee"}, {u"A.txt"_s, "ay"}, {u"Ideas.TXT"_s, "capital"},
                {u".hidden.txt"_s, ""}});
        QStringList names;
        for (int row = 0; row < t.w().lstFILE()->count(); ++row)
            names.append(t.w().lstFILE()->itemText(row));
        QCOMPARE(names, QStringList({u"A"_s, u"b"_s, u"Ideas"_s}));
        QCOMPARE(t.text(), u"ay"_s);
        QCOMPARE(t.w().statusPanel(2)->text(), u"File: "_s + t.note(u"A.txt"_s));
        t.notes().RefreshNoteList(7); // past the end: the last row
        QCOMPARE(t.text(), u"capital"_s);
        QCOMPARE(t.notes().NotePath(), t.note(u"Ideas.TXT"_s));

        // Picking again the note and the folder last picked reloads nothing and asks nothing.
        t.type(u"edit "_s);
        t.pickNote(u"Ideas"_s);
        t.pickFolder(u"Alpha"_s);
        QCOMPARE(t.text(), u"edit capital"_s);
        QCOMPARE(t.status(), u"Changed"_s);
        QVERIFY(t.platform.prompts.isEmpty());
    }

    void statusTable_data()
    {
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("saveBefore");
        QTest::addColumn<QString>("captionBefore");
        QTest::addColumn<QString>("after"); // status, caption and Save
        const auto row = [](const QString &status, bool saveBefore, const QString &caption,
                            const QString &after) {
            QTest::addRow("%s, Save %s, %s", qPrintable(status), saveBefore ? "on" : "off",
                          qPrintable(caption)) << status << saveBefore << caption << after;
        };
        row(u"Unchanged"_s, true, u"D&ecode"_s, u"Unchanged, &Encode, Save off"_s);
        row(u"Changed"_s, false, u"D&ecode"_s, u"Changed, D&ecode, Save on"_s);
        row(u"Decoded"_s, true, u"D&ecode"_s, u"Decoded, &Encode, Save on"_s);
        row(u"Decoded"_s, false, u"D&ecode"_s, u"Decoded, &Encode, Save off"_s);
        row(u"Encoded"_s, false, u"&Encode"_s, u"Encoded, D&ecode, Save off"_s);
        row(u"changed"_s, false, u"D&ecode"_s, u"changed, D&ecode, Save off"_s);
        row(u"Whatever"_s, true, u"&Encode"_s, u"Whatever, &Encode, Save on"_s);
    }

    void statusTable()
    {
        QFETCH(QString, status);
        QFETCH(bool, saveBefore);
        QFETCH(QString, captionBefore);
        QFETCH(QString, after);
        NoteWindow t;
        t.open({{u"n.txt"_s, "text"}});
        const frmQBActions &a = t.w().actions();
        a.F_mnuSAVE->setEnabled(saveBefore);
        a.tBAR[8]->setEnabled(saveBefore);
        a.T_mnuENCODE->setText(captionBefore);
        t.w().statusPanel(2)->clear();
        t.notes().SetNoteStatus(status, true);
        QCOMPARE(t.state(), after);
        QCOMPARE(t.w().statusPanel(2)->text(), u"File: "_s + t.note(u"n.txt"_s));

        // Only "Unchanged" keeps Save from writing.
        t.type(u"!"_s);
        t.notes().SetNoteStatus(status, false);
        QVERIFY(t.notes().SaveNote());
        QCOMPARE(t.bytes(u"n.txt"_s), status == u"Unchanged" ? "text" : "!text");
    }

    void unsavedEdits_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<Platform::Button>("answer");
        const std::pair<const char *, Action> actions[] = {
            {"note pick", Action::PickNote}, {"folder pick", Action::PickFolder},
            {"make new", Action::MakeNew},   {"add existing", Action::AddExisting},
            {"rename", Action::Rename},      {"delete", Action::Delete},
            {"refresh", Action::Refresh},    {"note dropped", Action::DropNote},
            {"book dropped", Action::DropBook}};
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
        NoteWindow t({u"Alpha"_s, u"Beta"_s});
        const QString outside = t.root.filePath(u"outside/z.txt"_s);
        const QString book = t.root.filePath(u"other.qb"_s);
        QVERIFY(WriteBytes(outside, "outside\r\n") && WriteBytes(book, BookBytes(u"O"_s, {})));
        t.open({{u"a.txt"_s, "alpha\r\n"}, {u"b.txt"_s, "beta\r\n"}});
        t.put(u"d.txt"_s, ""); // listed once the folder is read again
        t.type(u"X"_s);

        FakePlatform &p = t.platform;
        const auto ask = [&] { p.answerMessage(answer); };
        switch (action) { // a command's own prompt comes first
        case Action::PickNote: ask(); t.pickNote(u"b"_s); break;
        case Action::PickFolder: ask(); t.pickFolder(u"Beta"_s); break;
        case Action::MakeNew: p.answerInput(u"new"_s); ask(); t.notes().MakeNewNote(); break;
        case Action::AddExisting: p.answerFile(outside); ask(); t.notes().AddExistingNote(); break;
        case Action::Rename: p.answerInput(u"renamed"_s); ask(); t.notes().F_mnuREN_Click(); break;
        case Action::Delete:
            p.answerMessage(Platform::Button::Ok);
            ask();
            t.notes().DeleteNote();
            break;
        case Action::Refresh: ask(); t.notes().F_mnuREFRESH_Click(); break;
        case Action::DropNote: ask(); t.w().editing().txtTEXT_OLEDragDrop({outside}); break;
        case Action::DropBook: ask(); t.w().editing().txtTEXT_OLEDragDrop({book}); break;
        }
        QVERIFY(p.allAnswered());
        const QString aPath = t.note(u"a.txt"_s);
        const bool refresh = action == Action::Refresh;
        const QString quitQuestion = u"The file: \""_s + aPath
                                     + u"\" isn't saved.\r\nSave this file before quitting?"_s;
        QCOMPARE(t.last().text, refresh ? quitQuestion : LeaveQuestion(aPath));
        QCOMPARE(t.last().title, refresh ? u"Refresh"_s : u"Save file?"_s);
        QCOMPARE(t.last().buttons, Platform::Buttons::YesNoCancel);
        QCOMPARE(t.last().icon, Platform::Icon::Question);

        const bool done = answer != Platform::Button::Cancel;
        const QString renamed = t.note(u"renamed.txt"_s);
        const QMap<Action, bool> seen = {
            {Action::PickNote, t.text() == u"beta\n"},
            {Action::PickFolder, !t.editor()->isEnabled() && t.text().isEmpty()}, // no note
            {Action::MakeNew, QFile::exists(t.note(u"new.txt"_s))},
            {Action::AddExisting, QFile::exists(t.note(u"z.txt"_s))},
            {Action::Rename, QFile::exists(renamed)},
            {Action::Delete, !QFile::exists(aPath)},
            {Action::Refresh, t.w().lstFILE()->findText(u"d"_s) >= 0},
            {Action::DropNote, QFile::exists(t.note(u"z.txt"_s))},
            {Action::DropBook, t.w().book().BookFilePath == book}};
        QCOMPARE(seen.value(action), done);
        // The note's bytes, wherever they went: saved first on Yes, as they were otherwise.
        const QByteArray saved = answer == Platform::Button::Yes ? "Xalpha\r\n" : "alpha\r\n";
        if (action == Action::Delete && done)
            QCOMPARE(TakeFromTrash(u"a.txt"_s), saved);
        else
            QCOMPARE(ReadBytes(action == Action::Rename && done ? renamed : aPath), saved);
        if (done) {
            QVERIFY(t.status() != u"Changed");
        } else {
            QCOMPARE(t.text(), u"Xalpha\n"_s);
            QCOMPARE(t.status(), u"Changed"_s);
            QCOMPARE(t.w().lstFLDS()->currentText(), u"Alpha"_s);
            QCOMPARE(t.w().lstFILE()->currentText(), u"a"_s);
        }
    }

    // "No" lets one action drop the edits; an action that then stops leaves them guarded again.
    void dropAgreementEndsWithItsAction()
    {
        NoteWindow t;
        t.open({{u"a.txt"_s, "a"}, {u"b.txt"_s, "b"}});
        t.type(u"edit "_s);
        t.platform.answerMessage(Platform::Button::No);
        t.platform.answerFile(QString());
        t.w().books().OpenBook();
        QCoreApplication::processEvents();
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
        QTest::newRow("new: taken") << Command::MakeNew << u"b"_s << Ok
                                    << taken + u"Please choose another name."_s << kept;
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
        QTest::newRow("new: cancelled") << Command::MakeNew << QString() << Ok << QString()
                                        << kept;
        QTest::newRow("rename") << Command::Rename << u"zeta"_s << Ok << QString()
                                << QStringList{u"b.txt=keep b"_s, u"zeta.txt=keep a"_s};
    }

    void names()
    {
        QFETCH(Command, command);
        QFETCH(QString, name);
        QFETCH(Platform::Button, answer);
        QFETCH(QString, message);
        QFETCH(QStringList, after);
        NoteWindow t;
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
        if (command == Command::MakeNew)
            t.notes().MakeNewNote();
        else if (command == Command::Rename)
            t.notes().F_mnuREN_Click();
        else
            t.notes().AddExistingNote();
        QVERIFY(p.allAnswered());
        QCOMPARE(p.prompts.size(), message.isEmpty() ? 1 : 2);
        const QString title = QStringList{u"Quirebox - Make New File"_s, u"Quirebox File Rename"_s,
                                          u"Add File"_s}.at(int(command));
        QCOMPARE(p.prompts.constFirst().title, title);
        if (command == Command::MakeNew)
            QCOMPARE(p.prompts.constFirst().defaultText, u"Operator File"_s);
        if (!message.isEmpty()) {
            message.replace(u"%1"_s, t.dir()).replace(u"%2"_s, outside);
            QCOMPARE(t.last().title, title);
            if (message.endsWith(u"\r\n")) // the reason follows
                QVERIFY2(t.last().text.startsWith(message) && t.last().text != message,
                         qPrintable(t.last().text));
            else
                QCOMPARE(t.last().text, message);
        }
        QCOMPARE(t.entries(), after);
        // The list is refilled with its first note shown.
        QCOMPARE(t.w().lstFILE()->currentIndex(), 0);
        QCOMPARE(t.text().toLatin1(), ReadBytes(t.notes().NotePath()));
    }

    void deleteToTrash()
    {
        NoteWindow t;
        t.open({{u"only.txt"_s, "last words"}});
        const QString path = t.note(u"only.txt"_s);
        t.platform.answerMessage(Platform::Button::Cancel);
        t.notes().DeleteNote();
        QCOMPARE(t.last().text, u"Are you sure to delete: \""_s + path + u"\""_s);
        QCOMPARE(t.last().title, u"Quirebox - File Delete"_s);
        QCOMPARE(t.last().buttons, Platform::Buttons::OkCancel);
        QVERIFY(QFile::exists(path));

        t.platform.answerMessage(Platform::Button::Ok);
        t.notes().DeleteNote();
        QVERIFY(!QFile::exists(path));
        QCOMPARE(TakeFromTrash(u"only.txt"_s), QByteArray("last words"));
        // The last note gone: nothing is shown, as after picking a folder without notes.
        QCOMPARE(t.w().lstFILE()->count(), 0);
        t.expectNoNote();
        QVERIFY(!t.w().actions().F_mnuDEL->isEnabled());

        // Without a note, the commands that need one do nothing, whatever the status says.
        t.notes().SetNoteStatus(u"Changed"_s, false);
        t.w().tBAR_ButtonClick(8);
        t.w().tBAR_ButtonClick(9);
        t.notes().F_mnuREN_Click();
        t.w().encoder().T_mnuENCODE_Click();
        QCOMPARE(t.platform.prompts.size(), 2);
        QVERIFY(QDir(t.dir()).isEmpty());
    }
};

QTEST_MAIN(TestNoteCommands)
#include "test_notecommands.moc"
