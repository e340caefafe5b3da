// The note list, the note status, loading and saving, and the note commands, through the window.

#include "NoteWindow.h"

#include "book/BookCommands.h"
#include "encoder/EncoderCommands.h"

#include <QDirIterator>
#include <QStandardPaths>

using namespace Qt::StringLiterals;
using namespace qb;
using namespace qb::test;

namespace {

QString TrashedCopy(const QString &dataHome, const QString &fileName)
{
    QDirIterator it(dataHome, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo found(it.next());
        if (found.fileName() == fileName && found.absolutePath().endsWith(u"/files"_s)
            && found.absolutePath().contains(u"Trash"_s)) {
            return found.filePath();
        }
    }
    return {};
}

// Later rows trash notes of the same names.
void EmptyTrash(const QString &trashedCopy)
{
    QDir trash = QFileInfo(trashedCopy).dir();
    QVERIFY(trash.cdUp() && trash.dirName().contains(u"Trash"_s));
    QVERIFY(trash.removeRecursively());
}

enum class Action { PickNote, PickFolder, MakeNew, AddExisting, Rename, Delete };
enum class Answer { Yes, No, Cancel };

} // namespace

class TestNoteCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void listsNotesSorted();
    void statusTable_data();
    void statusTable();
    void folderWithoutNotes();
    void unsavedEdits_data();
    void unsavedEdits();
    void dropAgreementEndsWithItsAction();
    void refreshQuestion_data();
    void refreshQuestion();
    void nameChecks_data();
    void nameChecks();
    void nameClashes();
    void makeNewAndRename();
    void deleteToTrash();

private:
    QTemporaryDir m_dataHome;
};

void TestNoteCommands::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    // The trash the notes go to lies in here, on the same volume as the notes.
    qputenv("HOME", QFile::encodeName(m_dataHome.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dataHome.path() + u"/data"_s));
}

void TestNoteCommands::listsNotesSorted()
{
    NoteWindow t;
    t.put(u"Alpha"_s, u"b.txt"_s, "bee");
    t.put(u"Alpha"_s, u"A.txt"_s, "ay");
    t.put(u"Alpha"_s, u"notes.2024.txt"_s, "");
    t.put(u"Alpha"_s, u"Ideas.TXT"_s, "capital ending");
    t.put(u"Alpha"_s, u".hidden.txt"_s, "");
    t.put(u"Alpha"_s, u"readme.md"_s, "");
    QDir().mkpath(t.note(u"Alpha"_s, u"folder.txt"_s));
    t.open();
    QCOMPARE(t.noteNames(), QStringList({u"A"_s, u"b"_s, u"Ideas"_s, u"notes.2024"_s}));
    QCOMPARE(t.w().lstFILE()->currentText(), u"A"_s);
    QCOMPARE(t.text(), u"ay"_s);
    QCOMPARE(t.status(), u"Unchanged"_s);
    QCOMPARE(t.pathPanel(), u"File: "_s + t.note(u"Alpha"_s, u"A.txt"_s));
    QVERIFY(t.editor()->isEnabled());
    QVERIFY(!t.saveEnabled());

    t.pickNote(u"Ideas"_s);
    QCOMPARE(t.text(), u"capital ending"_s);
    QCOMPARE(t.w().notes().NotePath(), t.note(u"Alpha"_s, u"Ideas.TXT"_s));
    t.w().notes().RefreshNoteList(7);
    QCOMPARE(t.w().lstFILE()->currentText(), u"notes.2024"_s);

    // Picking again the note and the folder last picked reloads nothing and asks nothing.
    t.type(u"edit "_s);
    t.pickNote(u"notes.2024"_s);
    t.pickFolder(u"Alpha"_s);
    QCOMPARE(t.text(), u"edit "_s);
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
    t.put(u"Alpha"_s, u"n.txt"_s, "text");
    t.open();
    const frmQBActions &a = t.w().actions();
    a.F_mnuSAVE->setEnabled(saveBefore);
    a.tBAR[8]->setEnabled(saveBefore);
    a.T_mnuENCODE->setText(captionBefore);
    t.w().statusPanel(2)->clear();

    t.w().notes().SetNoteStatus(status, true);
    QCOMPARE(t.status(), status);
    QCOMPARE(a.F_mnuSAVE->isEnabled(), saveAfter);
    QCOMPARE(a.tBAR[8]->isEnabled(), saveAfter);
    QCOMPARE(t.encodeCaption(), captionAfter);
    QCOMPARE(t.pathPanel(), u"File: "_s + t.note(u"Alpha"_s, u"n.txt"_s));

    // Only "Unchanged" keeps Save from writing.
    t.type(u"!"_s);
    t.w().notes().SetNoteStatus(status, false);
    QVERIFY(t.w().notes().SaveNote());
    const QByteArray expected = status == u"Unchanged" ? "text" : "!text";
    QCOMPARE(ReadBytes(t.note(u"Alpha"_s, u"n.txt"_s)), expected);
    QCOMPARE(t.platform.unexpected, 0);
}

void TestNoteCommands::folderWithoutNotes()
{
    NoteWindow t({u"Alpha"_s, u"Empty"_s});
    t.put(u"Alpha"_s, u"n.txt"_s, "text");
    t.open();
    t.type(u"x"_s); // dropped below with No
    t.platform.answerMessage(Platform::Button::No);
    t.pickFolder(u"Empty"_s);
    QCOMPARE(t.w().lstFILE()->count(), 0);
    QCOMPARE(t.text(), QString());
    QVERIFY(!t.editor()->isEnabled());
    QCOMPARE(t.status(), u"Unchanged"_s);
    QCOMPARE(t.pathPanel(), u"No File Selected"_s);
    QVERIFY(!t.w().actions().F_mnuDEL->isEnabled());
    QVERIFY(t.w().notes().SaveNote());
    QCOMPARE(t.files(u"Empty"_s), QStringList());
    QCOMPARE(ReadBytes(t.note(u"Alpha"_s, u"n.txt"_s)), QByteArray("text"));
    QCOMPARE(t.platform.unexpected, 0);
}

void TestNoteCommands::unsavedEdits_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<Answer>("answer");
    const std::pair<const char *, Action> actions[] = {
        {"note pick", Action::PickNote}, {"folder pick", Action::PickFolder},
        {"make new", Action::MakeNew},   {"add existing", Action::AddExisting},
        {"rename", Action::Rename},      {"delete", Action::Delete}};
    const std::pair<const char *, Answer> answers[] = {
        {"Yes", Answer::Yes}, {"No", Answer::No}, {"Cancel", Answer::Cancel}};
    for (const auto &[actionName, action] : actions) {
        for (const auto &[answerName, answer] : answers)
            QTest::addRow("%s, %s", actionName, answerName) << action << answer;
    }
}

void TestNoteCommands::unsavedEdits()
{
    QFETCH(Action, action);
    QFETCH(Answer, answer);
    NoteWindow t({u"Alpha"_s, u"Beta"_s});
    t.put(u"Alpha"_s, u"a.txt"_s, "alpha\r\n");
    t.put(u"Alpha"_s, u"b.txt"_s, "beta\r\n");
    t.put(u"Beta"_s, u"c.txt"_s, "gamma\r\n");
    const QString outside = t.root.filePath(u"outside/z.txt"_s);
    QVERIFY(WriteBytes(outside, "outside\r\n"));
    const QString aPath = t.note(u"Alpha"_s, u"a.txt"_s);
    t.open();
    t.type(u"X"_s);
    QCOMPARE(t.status(), u"Changed"_s);

    FakePlatform &p = t.platform;
    const auto answerQuestion = [&] {
        p.answerMessage(answer == Answer::Yes ? Platform::Button::Yes
                        : answer == Answer::No ? Platform::Button::No
                                               : Platform::Button::Cancel);
    };
    switch (action) {
    case Action::PickNote: answerQuestion(); t.pickNote(u"b"_s); break;
    case Action::PickFolder: answerQuestion(); t.pickFolder(u"Beta"_s); break;
    case Action::MakeNew:
        p.answerInput(u"new"_s);
        answerQuestion();
        t.w().notes().MakeNewNote();
        break;
    case Action::AddExisting:
        p.answerFile(outside);
        answerQuestion();
        t.w().notes().AddExistingNote();
        break;
    case Action::Rename:
        p.answerInput(u"renamed"_s);
        answerQuestion();
        t.w().notes().F_mnuREN_Click();
        break;
    case Action::Delete:
        p.answerMessage(Platform::Button::Ok);
        answerQuestion();
        t.w().notes().DeleteNote();
        break;
    }
    QCOMPARE(p.unexpected, 0);
    QVERIFY(p.allAnswered());
    const auto question = std::find_if(p.prompts.cbegin(), p.prompts.cend(), [](const auto &q) {
        return q.title == u"Save file?";
    });
    QVERIFY(question != p.prompts.cend());
    QCOMPARE(question->text, LeaveQuestion(aPath));
    QCOMPARE(question->buttons, Platform::Buttons::YesNoCancel);
    QCOMPARE(question->icon, Platform::Icon::Question);

    const bool done = answer != Answer::Cancel;
    const QByteArray saved = answer == Answer::Yes ? "Xalpha\r\n" : "alpha\r\n";
    const QString renamed = t.note(u"Alpha"_s, u"renamed.txt"_s);
    switch (action) {
    case Action::PickNote: QCOMPARE(t.text() == u"beta\n", done); break;
    case Action::PickFolder: QCOMPARE(t.w().lstFILE()->currentText() == u"c", done); break;
    case Action::MakeNew: QCOMPARE(QFile::exists(t.note(u"Alpha"_s, u"new.txt"_s)), done); break;
    case Action::AddExisting: QCOMPARE(QFile::exists(t.note(u"Alpha"_s, u"z.txt"_s)), done); break;
    case Action::Rename:
        QCOMPARE(QFile::exists(renamed), done);
        QCOMPARE(ReadBytes(done ? renamed : aPath), saved);
        break;
    case Action::Delete:
        QCOMPARE(QFile::exists(aPath), !done);
        if (done)
            QCOMPARE(ReadBytes(TrashedCopy(m_dataHome.path(), u"a.txt"_s)), saved);
        break;
    }
    if (action != Action::Rename && action != Action::Delete)
        QCOMPARE(ReadBytes(aPath), saved);
    if (!done) {
        QCOMPARE(t.text(), u"Xalpha\n"_s);
        QCOMPARE(t.status(), u"Changed"_s);
        QCOMPARE(t.w().lstFLDS()->currentText(), u"Alpha"_s);
        QCOMPARE(t.w().lstFILE()->currentText(), u"a"_s);
    } else {
        QVERIFY(t.status() != u"Changed");
    }
    if (action == Action::Delete && done)
        EmptyTrash(TrashedCopy(m_dataHome.path(), u"a.txt"_s));
}

// "No" lets one action drop the edits; an action that then stops leaves them guarded again.
void TestNoteCommands::dropAgreementEndsWithItsAction()
{
    NoteWindow t;
    t.put(u"Alpha"_s, u"a.txt"_s, "a");
    t.put(u"Alpha"_s, u"b.txt"_s, "b");
    t.open();
    t.type(u"edit "_s);
    t.platform.answerMessage(Platform::Button::No);
    t.platform.answerFile(QString());
    t.w().books().OpenBook();
    QCoreApplication::processEvents();
    t.platform.answerMessage(Platform::Button::Cancel);
    t.pickNote(u"b"_s);
    QCOMPARE(t.platform.unexpected, 0);
    QCOMPARE(t.platform.prompts.size(), 3);
    QCOMPARE(t.platform.prompts[2].text, LeaveQuestion(t.note(u"Alpha"_s, u"a.txt"_s)));
    QCOMPARE(t.text(), u"edit a"_s);
}

void TestNoteCommands::refreshQuestion_data()
{
    QTest::addColumn<Platform::Button>("answer");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("shown");
    QTest::newRow("Yes") << Platform::Button::Yes << QByteArray("Xnote") << u"Xnote"_s;
    QTest::newRow("No") << Platform::Button::No << QByteArray("note") << u"note"_s;
    QTest::newRow("Cancel") << Platform::Button::Cancel << QByteArray("note") << u"Xnote"_s;
}

void TestNoteCommands::refreshQuestion()
{
    QFETCH(Platform::Button, answer);
    QFETCH(QByteArray, file);
    QFETCH(QString, shown);
    NoteWindow t;
    t.put(u"Alpha"_s, u"a.txt"_s, "a");
    t.put(u"Alpha"_s, u"b.txt"_s, "note");
    t.put(u"Alpha"_s, u"c.txt"_s, "c");
    t.open();
    t.pickNote(u"b"_s);
    t.type(u"X"_s);
    QVERIFY(QFile::remove(t.note(u"Alpha"_s, u"c.txt"_s)));
    t.platform.answerMessage(answer);
    t.w().notes().F_mnuREFRESH_Click();
    QCOMPARE(t.platform.unexpected, 0);
    const auto &q = t.platform.prompts.constFirst();
    QCOMPARE(q.text, u"The file: \""_s + t.note(u"Alpha"_s, u"b.txt"_s)
                         + u"\" isn't saved.\r\nSave this file before quitting?"_s);
    QCOMPARE(q.title, u"Refresh"_s);
    QCOMPARE(q.buttons, Platform::Buttons::YesNoCancel);
    QCOMPARE(ReadBytes(t.note(u"Alpha"_s, u"b.txt"_s)), file);
    QCOMPARE(t.text(), shown);
    QCOMPARE(t.noteNames().size(), answer == Platform::Button::Cancel ? 3 : 2);
}

void TestNoteCommands::nameChecks_data()
{
    QTest::addColumn<bool>("rename");
    QTest::addColumn<QString>("answer");
    const QString tooLong(300, u'n');
    for (const bool rename : {false, true}) {
        const char *command = rename ? "rename" : "make new";
        QTest::addRow("%s: slash", command) << rename << u"a/b"_s;
        QTest::addRow("%s: backslash", command) << rename << u"a\\b"_s;
        QTest::addRow("%s: dot", command) << rename << u"."_s;
        QTest::addRow("%s: dot dot", command) << rename << u".."_s;
        QTest::addRow("%s: tab", command) << rename << u"a\tb"_s;
        QTest::addRow("%s: line break", command) << rename << u"a\r\nb"_s;
        QTest::addRow("%s: too long", command) << rename << tooLong;
    }
}

void TestNoteCommands::nameChecks()
{
    QFETCH(bool, rename);
    QFETCH(QString, answer);
    NoteWindow t;
    t.put(u"Alpha"_s, u"a.txt"_s, "a");
    t.open();
    const QStringList before = QDir(t.root.path()).entryList(QDir::AllEntries | QDir::Hidden);
    t.platform.answerInput(answer);
    t.platform.answerMessage(Platform::Button::Ok);
    if (rename)
        t.w().notes().F_mnuREN_Click();
    else
        t.w().notes().MakeNewNote();
    QCOMPARE(t.platform.unexpected, 0);
    QVERIFY(t.platform.allAnswered());
    const auto refusal = t.platform.prompts.constLast();
    QVERIFY2(refusal.text.startsWith(u"The name \""_s + answer + u"\" can't be used for a note."_s),
             qPrintable(refusal.text));
    QCOMPARE(refusal.title, rename ? u"Quirebox File Rename"_s : u"Quirebox - Make New File"_s);
    QCOMPARE(t.files(u"Alpha"_s), QStringList{u"a.txt"_s});
    QCOMPARE(QDir(t.root.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
}

void TestNoteCommands::nameClashes()
{
    NoteWindow t;
    t.put(u"Alpha"_s, u"a.txt"_s, "keep a");
    t.put(u"Alpha"_s, u"b.txt"_s, "keep b");
    const QString outside = t.root.filePath(u"outside/b.txt"_s);
    QVERIFY(WriteBytes(outside, "from outside"));
    t.open();
    FakePlatform &p = t.platform;

    p.answerInput(u"b"_s);
    p.answerMessage(Platform::Button::Ok);
    t.w().notes().MakeNewNote();
    QCOMPARE(p.prompts.constLast().text, u"The file \""_s + t.note(u"Alpha"_s, u"b.txt"_s)
                                             + u"\" already exists.\r\nPlease choose another "
                                               "name."_s);
    QCOMPARE(ReadBytes(t.note(u"Alpha"_s, u"b.txt"_s)), QByteArray("keep b"));

    p.answerInput(u"b"_s);
    p.answerMessage(Platform::Button::Ok);
    t.w().notes().F_mnuREN_Click();
    QVERIFY(p.prompts.constLast().text.contains(u"already exists"_s));
    QCOMPARE(t.files(u"Alpha"_s), QStringList({u"a.txt"_s, u"b.txt"_s}));
    QCOMPARE(ReadBytes(t.note(u"Alpha"_s, u"a.txt"_s)), QByteArray("keep a"));

    p.answerFile(outside);
    p.answerMessage(Platform::Button::No);
    t.w().notes().AddExistingNote();
    const auto replace = p.prompts.constLast();
    QCOMPARE(replace.text, u"The file \""_s + t.note(u"Alpha"_s, u"b.txt"_s)
                               + u"\" already exists.\r\nReplace it with \""_s + outside
                               + u"\"?"_s);
    QCOMPARE(replace.buttons, Platform::Buttons::YesNo);
    QCOMPARE(replace.title, u"Add File"_s);
    QCOMPARE(ReadBytes(t.note(u"Alpha"_s, u"b.txt"_s)), QByteArray("keep b"));

    p.answerFile(outside);
    p.answerMessage(Platform::Button::Yes);
    t.w().notes().AddExistingNote();
    QCOMPARE(ReadBytes(t.note(u"Alpha"_s, u"b.txt"_s)), QByteArray("from outside"));
    QCOMPARE(p.unexpected, 0);
}

void TestNoteCommands::makeNewAndRename()
{
    NoteWindow t;
    t.put(u"Alpha"_s, u"alpha.txt"_s, "1");
    t.put(u"Alpha"_s, u"beta.txt"_s, "2");
    t.put(u"Alpha"_s, u"gamma.txt"_s, "3");
    t.open();
    FakePlatform &p = t.platform;
    p.answerInput(u"Ideas.txt.bak"_s);
    t.w().notes().MakeNewNote();
    const auto ask = p.prompts.constLast();
    QCOMPARE(ask.text, u"Directory: "_s + t.dir(u"Alpha"_s)
                           + u"\r\n\r\nPlease insert the new filename:"_s);
    QCOMPARE(ask.title, u"Quirebox - Make New File"_s);
    QCOMPARE(ask.defaultText, u"Operator File"_s);
    QCOMPARE(ReadBytes(t.note(u"Alpha"_s, u"Ideas.txt.bak.txt"_s)), QByteArray("\r\n"));
    QVERIFY(t.noteNames().contains(u"Ideas.txt.bak"_s));
    QCOMPARE(t.w().lstFILE()->currentIndex(), 0);

    // Renaming the first note moves it down the list; the first row is loaded again.
    t.pickNote(u"alpha"_s);
    p.answerInput(u"zeta"_s);
    t.w().notes().F_mnuREN_Click();
    QCOMPARE(p.prompts.constLast().text,
             u"Folder: "_s + t.dir(u"Alpha"_s)
                 + u"\r\nFile: alpha.txt\r\n\r\nPlease insert the new file name:"_s);
    QCOMPARE(p.prompts.constLast().defaultText, u"alpha"_s);
    QCOMPARE(t.noteNames(), QStringList({u"beta"_s, u"gamma"_s, u"Ideas.txt.bak"_s, u"zeta"_s}));
    QCOMPARE(t.w().lstFILE()->currentText(), u"beta"_s);
    QCOMPARE(t.text(), u"2"_s);
    QCOMPARE(ReadBytes(t.note(u"Alpha"_s, u"zeta.txt"_s)), QByteArray("1"));

    p.answerInput(QString()); // Cancel
    t.w().notes().MakeNewNote();
    QCOMPARE(t.files(u"Alpha"_s).size(), 4);
    QCOMPARE(p.unexpected, 0);
}

void TestNoteCommands::deleteToTrash()
{
    NoteWindow t;
    t.put(u"Alpha"_s, u"only.txt"_s, "last words");
    t.open();
    const QString path = t.note(u"Alpha"_s, u"only.txt"_s);
    FakePlatform &p = t.platform;
    p.answerMessage(Platform::Button::Cancel);
    t.w().notes().DeleteNote();
    QCOMPARE(p.prompts.constLast().text, u"Are you sure to delete: \""_s + path + u"\""_s);
    QCOMPARE(p.prompts.constLast().title, u"Quirebox - File Delete"_s);
    QCOMPARE(p.prompts.constLast().buttons, Platform::Buttons::OkCancel);
    QVERIFY(QFile::exists(path));

    p.answerMessage(Platform::Button::Ok);
    t.w().notes().DeleteNote();
    QVERIFY(!QFile::exists(path));
    const QString trashed = TrashedCopy(m_dataHome.path(), u"only.txt"_s);
    QCOMPARE(ReadBytes(trashed), QByteArray("last words"));
    EmptyTrash(trashed);
    // The last note gone: nothing is shown, as after picking a folder without notes.
    QCOMPARE(t.w().lstFILE()->count(), 0);
    QCOMPARE(t.text(), QString());
    QVERIFY(!t.editor()->isEnabled());
    QCOMPARE(t.pathPanel(), u"No File Selected"_s);
    QCOMPARE(t.status(), u"Unchanged"_s);

    // Without a note, the commands that need one do nothing, whatever the status says.
    t.w().notes().SetNoteStatus(u"Changed"_s, false);
    const qsizetype asked = p.prompts.size();
    t.w().tBAR_ButtonClick(8);
    t.w().tBAR_ButtonClick(9);
    t.w().notes().F_mnuREN_Click();
    t.w().encoder().T_mnuENCODE_Click();
    QCOMPARE(p.prompts.size(), asked);
    QVERIFY(t.files(u"Alpha"_s).isEmpty());
    QCOMPARE(p.unexpected, 0);
}

QTEST_MAIN(TestNoteCommands)
#include "test_notecommands.moc"
