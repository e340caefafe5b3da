// The note list, the note status and the note commands, through the window.

#include "NoteWindow.h"

#include "book/BookCommands.h"
#include "editor/EditorCommands.h"
#include "encoder/EncoderCommands.h"

#include <QDirIterator>
#include <QStandardPaths>

using namespace Qt::StringLiterals;
using namespace qb;
using namespace qb::test;

namespace {

// A deleted note's bytes, taken out of the trash so that later rows may trash the same name.
QByteArray TakeFromTrash(const QString &home, const QString &fileName)
{
    QDirIterator it(home, {fileName}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const qsizetype files = path.lastIndexOf(u"Trash/files/"_s);
        if (files >= 0) {
            const QByteArray bytes = ReadBytes(path);
            QDir(path.left(files + 5)).removeRecursively();
            return bytes;
        }
    }
    return {};
}

enum class Action { PickNote, PickFolder, MakeNew, AddExisting, Rename, Delete, Refresh,
                    DropNote, DropBook };
enum class Command { MakeNew, Rename, AddExisting };

} // namespace

class TestNoteCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void listAndPicks();
    void statusTable_data();
    void statusTable();
    void folderWithoutNotes();
    void unsavedEdits_data();
    void unsavedEdits();
    void dropAgreementEndsWithItsAction();
    void names_data();
    void names();
    void deleteToTrash();

private:
    QTemporaryDir m_home;
};

void TestNoteCommands::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    // The trash the notes go to lies in here, on the same volume as the notes.
    qputenv("HOME", QFile::encodeName(m_home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_home.path() + u"/data"_s));
}

void TestNoteCommands::listAndPicks()
{
    NoteWindow t;
    t.open({{u"b.txt"_s, "bee"}, {u"A.txt"_s, "ay"}, {u"Ideas.TXT"_s, "capital"},
            {u".hidden.txt"_s, ""}});
    QCOMPARE(t.noteNames(), QStringList({u"A"_s, u"b"_s, u"Ideas"_s}));
    QCOMPARE(t.text(), u"ay"_s);
    QCOMPARE(t.status(), u"Unchanged"_s);
    QCOMPARE(t.pathPanel(), u"File: "_s + t.note(u"A.txt"_s));
    QVERIFY(!t.saveEnabled());
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

void TestNoteCommands::statusTable_data()
{
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("saveBefore");
    QTest::addColumn<QString>("captionBefore");
    QTest::addColumn<bool>("saveAfter");
    QTest::addColumn<QString>("captionAfter");
    QTest::newRow("Unchanged") << u"Unchanged"_s << true << u"D&ecode"_s << false << u"&Encode"_s;
    QTest::newRow("Changed") << u"Changed"_s << false << u"D&ecode"_s << true << u"D&ecode"_s;
    QTest::newRow("Decoded") << u"Decoded"_s << true << u"D&ecode"_s << true << u"&Encode"_s;
    QTest::newRow("Decoded, save off") << u"Decoded"_s << false << u"D&ecode"_s << false
                                       << u"&Encode"_s;
    QTest::newRow("Encoded") << u"Encoded"_s << false << u"&Encode"_s << false << u"D&ecode"_s;
    QTest::newRow("other case") << u"changed"_s << false << u"D&ecode"_s << false
                                << u"D&ecode"_s;
    QTest::newRow("other word") << u"Whatever"_s << true << u"&Encode"_s << true << u"&Encode"_s;
}

void TestNoteCommands::statusTable()
{
    QFETCH(QString, status);
    QFETCH(bool, saveBefore);
    QFETCH(QString, captionBefore);
    QFETCH(bool, saveAfter);
    QFETCH(QString, captionAfter);
    NoteWindow t;
    t.open({{u"n.txt"_s, "text"}});
    const frmQBActions &a = t.w().actions();
    a.F_mnuSAVE->setEnabled(saveBefore);
    a.tBAR[8]->setEnabled(saveBefore);
    a.T_mnuENCODE->setText(captionBefore);
    t.w().statusPanel(2)->clear();

    t.notes().SetNoteStatus(status, true);
    QCOMPARE(t.status(), status);
    QCOMPARE(a.F_mnuSAVE->isEnabled(), saveAfter);
    QCOMPARE(a.tBAR[8]->isEnabled(), saveAfter);
    QCOMPARE(t.encodeCaption(), captionAfter);
    QCOMPARE(t.pathPanel(), u"File: "_s + t.note(u"n.txt"_s));

    // Only "Unchanged" keeps Save from writing.
    t.type(u"!"_s);
    t.notes().SetNoteStatus(status, false);
    QVERIFY(t.notes().SaveNote());
    QCOMPARE(t.bytes(u"n.txt"_s), status == u"Unchanged" ? "text" : "!text");
}

void TestNoteCommands::folderWithoutNotes()
{
    NoteWindow t({u"Alpha"_s, u"Empty"_s});
    t.open({{u"n.txt"_s, "text"}});
    t.type(u"x"_s); // dropped below with No
    t.platform.answerMessage(Platform::Button::No);
    t.pickFolder(u"Empty"_s);
    QCOMPARE(t.w().lstFILE()->count(), 0);
    t.expectNoNote();
    QVERIFY(!t.w().actions().F_mnuDEL->isEnabled());

    // Without a note, the commands that need one do nothing, whatever the status says.
    t.notes().SetNoteStatus(u"Changed"_s, false);
    t.w().tBAR_ButtonClick(8);
    t.w().tBAR_ButtonClick(9);
    t.notes().F_mnuREN_Click();
    t.w().encoder().T_mnuENCODE_Click();
    QCOMPARE(t.platform.prompts.size(), 1);
    QVERIFY(QDir(t.dir(u"Empty"_s)).isEmpty());
    QCOMPARE(t.bytes(u"n.txt"_s), QByteArray("text"));
}

void TestNoteCommands::unsavedEdits_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<Platform::Button>("answer");
    const std::pair<const char *, Action> actions[] = {
        {"note pick", Action::PickNote}, {"folder pick", Action::PickFolder},
        {"make new", Action::MakeNew},   {"add existing", Action::AddExisting},
        {"rename", Action::Rename},      {"delete", Action::Delete},
        {"refresh", Action::Refresh},    {"note dropped", Action::DropNote},
        {"book dropped", Action::DropBook}};
    const std::pair<const char *, Platform::Button> answers[] = {
        {"Yes", Platform::Button::Yes}, {"No", Platform::Button::No},
        {"Cancel", Platform::Button::Cancel}};
    for (const auto &[actionName, action] : actions) {
        for (const auto &[answerName, answer] : answers)
            QTest::addRow("%s, %s", actionName, answerName) << action << answer;
    }
}

// Yes saves first, No drops the edits, Cancel stops the action and keeps both selectors.
void TestNoteCommands::unsavedEdits()
{
    QFETCH(Action, action);
    QFETCH(Platform::Button, answer);
    NoteWindow t({u"Alpha"_s, u"Beta"_s});
    t.put(u"c.txt"_s, "gamma\r\n", u"Beta"_s);
    const QString outside = t.root.filePath(u"outside/z.txt"_s);
    const QString book = t.root.filePath(u"other.qb"_s);
    QVERIFY(WriteBytes(outside, "outside\r\n") && WriteBytes(book, BookBytes(u"Other"_s, {})));
    t.open({{u"a.txt"_s, "alpha\r\n"}, {u"b.txt"_s, "beta\r\n"}});
    t.put(u"d.txt"_s, ""); // seen once the folder is read again
    t.type(u"X"_s);

    FakePlatform &p = t.platform;
    switch (action) { // the command's own prompt comes first
    case Action::MakeNew: p.answerInput(u"new"_s); break;
    case Action::AddExisting: p.answerFile(outside); break;
    case Action::Rename: p.answerInput(u"renamed"_s); break;
    case Action::Delete: p.answerMessage(Platform::Button::Ok); break;
    default: break;
    }
    p.answerMessage(answer);
    switch (action) {
    case Action::PickNote: t.pickNote(u"b"_s); break;
    case Action::PickFolder: t.pickFolder(u"Beta"_s); break;
    case Action::MakeNew: t.notes().MakeNewNote(); break;
    case Action::AddExisting: t.notes().AddExistingNote(); break;
    case Action::Rename: t.notes().F_mnuREN_Click(); break;
    case Action::Delete: t.notes().DeleteNote(); break;
    case Action::Refresh: t.notes().F_mnuREFRESH_Click(); break;
    case Action::DropNote: t.w().editing().txtTEXT_OLEDragDrop({outside}); break;
    case Action::DropBook: t.w().editing().txtTEXT_OLEDragDrop({book}); break;
    }
    QVERIFY(p.allAnswered());
    const QString aPath = t.note(u"a.txt"_s);
    const FakePlatform::Prompt question = t.last();
    const bool refresh = action == Action::Refresh;
    QCOMPARE(question.text, refresh ? u"The file: \""_s + aPath
                                          + u"\" isn't saved.\r\nSave this file before quitting?"_s
                                    : LeaveQuestion(aPath));
    QCOMPARE(question.title, refresh ? u"Refresh"_s : u"Save file?"_s);
    QCOMPARE(question.buttons, Platform::Buttons::YesNoCancel);
    QCOMPARE(question.icon, Platform::Icon::Question);

    const bool done = answer != Platform::Button::Cancel;
    const QString renamed = t.note(u"renamed.txt"_s);
    bool seen = false;
    switch (action) {
    case Action::PickNote: seen = t.text() == u"beta\n"; break;
    case Action::PickFolder: seen = t.w().lstFILE()->currentText() == u"c"; break;
    case Action::MakeNew: seen = QFile::exists(t.note(u"new.txt"_s)); break;
    case Action::AddExisting:
    case Action::DropNote: seen = QFile::exists(t.note(u"z.txt"_s)); break;
    case Action::Rename: seen = QFile::exists(renamed); break;
    case Action::Delete: seen = !QFile::exists(aPath); break;
    case Action::Refresh: seen = t.noteNames().contains(u"d"_s); break;
    case Action::DropBook: seen = t.w().book().BookFilePath == book; break;
    }
    QCOMPARE(seen, done);
    // The note's bytes, wherever they went: saved first on Yes, as they were otherwise.
    const QByteArray saved = answer == Platform::Button::Yes ? "Xalpha\r\n" : "alpha\r\n";
    if (action == Action::Delete && done)
        QCOMPARE(TakeFromTrash(m_home.path(), u"a.txt"_s), saved);
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
void TestNoteCommands::dropAgreementEndsWithItsAction()
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

void TestNoteCommands::names_data()
{
    QTest::addColumn<Command>("command");
    QTest::addColumn<QString>("name"); // typed, or the file added from elsewhere
    QTest::addColumn<Platform::Button>("answer");
    // %1: the folder, %2: the file added; a message ending in CR LF goes on with its reason.
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("after"); // the folder's entries as "name=content"
    const QStringList kept = {u"a.txt=keep a"_s, u"b.txt=keep b"_s};
    const auto refuse = [&](const char *row, Command command, const QString &name) {
        QTest::newRow(row) << command << name << Platform::Button::Ok
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
    QTest::newRow("new: taken") << Command::MakeNew << u"b"_s << Platform::Button::Ok
                                << taken + u"Please choose another name."_s << kept;
    QTest::newRow("rename: taken") << Command::Rename << u"b"_s << Platform::Button::Ok
                                   << taken + u"The note \"a\" keeps its name."_s << kept;
    const QString replace = taken + u"Replace it with \"%2\"?"_s;
    QTest::newRow("add: taken, No") << Command::AddExisting << u"b.txt"_s << Platform::Button::No
                                    << replace << kept;
    QTest::newRow("add: taken, Yes")
        << Command::AddExisting << u"b.txt"_s << Platform::Button::Yes << replace
        << QStringList{u"a.txt=keep a"_s, u"b.txt=from outside"_s};
    QTest::newRow("new") << Command::MakeNew << u"Ideas.txt.bak"_s << Platform::Button::Ok
                         << QString() << kept + QStringList{u"Ideas.txt.bak.txt=\r\n"_s};
    QTest::newRow("new: cancelled") << Command::MakeNew << QString() << Platform::Button::Ok
                                    << QString() << kept;
    QTest::newRow("rename") << Command::Rename << u"zeta"_s << Platform::Button::Ok << QString()
                            << QStringList{u"b.txt=keep b"_s, u"zeta.txt=keep a"_s};
}

void TestNoteCommands::names()
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
    switch (command) {
    case Command::MakeNew: t.notes().MakeNewNote(); break;
    case Command::Rename: t.notes().F_mnuREN_Click(); break;
    case Command::AddExisting: t.notes().AddExistingNote(); break;
    }
    QVERIFY(p.allAnswered());
    QCOMPARE(p.prompts.size(), message.isEmpty() ? 1 : 2);
    const QString title = QStringList{u"Quirebox - Make New File"_s, u"Quirebox File Rename"_s,
                                      u"Add File"_s}[int(command)];
    const FakePlatform::Prompt ask = p.prompts.constFirst();
    QCOMPARE(ask.title, title);
    if (command == Command::MakeNew) {
        QCOMPARE(ask.text, u"Directory: "_s + t.dir() + u"\r\n\r\nPlease insert the new filename:"_s);
        QCOMPARE(ask.defaultText, u"Operator File"_s);
    } else if (command == Command::Rename) {
        QCOMPARE(ask.text, u"Folder: "_s + t.dir()
                               + u"\r\nFile: a.txt\r\n\r\nPlease insert the new file name:"_s);
        QCOMPARE(ask.defaultText, u"a"_s);
    }
    if (!message.isEmpty()) {
        message.replace(u"%1"_s, t.dir()).replace(u"%2"_s, outside);
        QCOMPARE(t.last().title, title);
        if (message.endsWith(u"\r\n"))
            QVERIFY2(t.last().text.startsWith(message) && t.last().text.size() > message.size(),
                     qPrintable(t.last().text));
        else
            QCOMPARE(t.last().text, message);
    }
    QStringList entries;
    for (const QString &entry : QDir(t.dir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
        entries.append(entry + u'=' + QString::fromLatin1(t.bytes(entry)));
    entries.sort();
    after.sort();
    QCOMPARE(entries, after);
    // The list is refilled with its first note shown.
    QCOMPARE(t.w().lstFILE()->currentIndex(), 0);
    QCOMPARE(t.text().toLatin1(), ReadBytes(t.notes().NotePath()));
}

void TestNoteCommands::deleteToTrash()
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
    QCOMPARE(TakeFromTrash(m_home.path(), u"only.txt"_s), QByteArray("last words"));
    // The last note gone: nothing is shown, as after picking a folder without notes.
    QCOMPARE(t.w().lstFILE()->count(), 0);
    t.expectNoNote();
}

QTEST_MAIN(TestNoteCommands)
#include "test_notecommands.moc"
