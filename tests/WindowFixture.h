#pragma once

#include "FakePlatform.h"
#include "TestFiles.h"

#include "app/frmQB.h"
#include "editor/DocumentText.h"
#include "editor/NoteEditor.h"
#include "editor/NoteText.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QWindow>

#include <memory>
#include <utility>

namespace qb::test {

using namespace Qt::StringLiterals;

// The main window on a book of its own in a temporary directory, driven as a user drives it:
// through its named controls and menu items, with a scripted platform answering every prompt.
// The book "Test Book" lists one folder per name given, each a directory of that name beside
// the book file. Notes go to "Alpha" unless told.
class TestWindow
{
public:
    explicit TestWindow(const QStringList &folderNames = {u"Alpha"_s})
    {
        // The program's own state (recovery copies, the notes' history) stays with the test.
        qputenv("XDG_STATE_HOME", QFile::encodeName(root.filePath(u"state"_s)));
        qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath(u"data"_s)));
        QList<FolderEntry> folders;
        for (const QString &name : folderNames) {
            QDir().mkpath(dir(name));
            folders.append({name, dir(name)});
        }
        writeBytes(bookPath, bookBytes(u"Test Book"_s, folders));
    }
    // A prompt that found no scripted answer, or one of another kind, fails the test, and so
    // does an answer left over: a prompt the test expected never came.
    ~TestWindow()
    {
        QCOMPARE(platform.unexpected, 0);
        QVERIFY(platform.allAnswered());
    }

    QString dir(const QString &folder = u"Alpha"_s) const { return root.filePath(folder); }
    QString note(const QString &fileName) const { return dir() + u'/' + fileName; }
    QByteArray bytes(const QString &fileName) const { return readBytes(note(fileName)); }
    void put(const QString &fileName, const QByteArray &bytes,
             const QString &folder = u"Alpha"_s) const
    {
        QVERIFY(writeBytes(dir(folder) + u'/' + fileName, bytes));
    }
    // What the folder holds, sorted, each entry as "name=content".
    QStringList entries() const
    {
        QStringList result;
        for (const QString &name : QDir(dir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
            result.append(name + u'=' + QString::fromLatin1(bytes(name)));
        return result;
    }
    // Lines 4 and on of the book file, without their line ends.
    QStringList folderLines() const
    {
        return QString::fromUtf8(readBytes(bookPath)).split(u"\r\n"_s, Qt::SkipEmptyParts).mid(3);
    }
    // A book line for the folder `name` whose directory is `dirName` beside the book.
    QString row(const QString &name, const QString &dirName) const
    {
        return name + u';' + dir(dirName) + u';';
    }

    // Writes the notes given, then opens the window on the book, as the command line would.
    void open(const QList<std::pair<QString, QByteArray>> &notes = {})
    {
        for (const auto &[fileName, content] : notes)
            put(fileName, content);
        start(bookPath);
    }
    // A new window, started as the program starts with `commandLine`.
    void start(const QString &commandLine)
    {
        window = std::make_unique<frmQB>(platform);
        window->Form_Load(commandLine);
    }

    frmQB &w() const { return *window; }
    // A control by its object name; a missing one ends the test run.
    template <typename T = QWidget> T *child(const QString &name) const
    {
        if (T *found = window->findChild<T *>(name))
            return found;
        qFatal("no child named %s", qPrintable(name));
    }
    QAction *action(const QString &name) const { return child<QAction>(name); }
    void trigger(const QString &name) const { action(name)->trigger(); }
    NoteEditor *editor() const { return child<NoteEditor>(u"txtTEXT"_s); }
    QComboBox *lstFLDS() const { return child<QComboBox>(u"lstFLDS"_s); }
    QComboBox *lstFILE() const { return child<QComboBox>(u"lstFILE"_s); }
    QLabel *panel(int number) const { return child<QLabel>(u"sBAR_Panel%1"_s.arg(number)); }

    // The editor's text with its line breaks as '\n'.
    // The note's text as the editor holds it now, each stand-in as its picture.
    QString text() const
    {
        const QTextDocument &document = *editor()->document();
        return noteTextOf(document, 0, int(documentTextLength(document))).text;
    }
    QString status() const { return panel(1)->text(); }
    // Status panel 2: "File: " and the shown note's path, or "No File Selected".
    QString shown() const { return panel(2)->text(); }
    // The caption as the window system shows it.
    QString title() const
    {
        window->winId();
        return window->windowHandle()->title();
    }
    // The status, the Encode/Decode caption, and whether the menu's and the toolbar's Save
    // are on, in one line.
    QString state() const
    {
        const int on =
            int(action(u"F_mnuSAVE"_s)->isEnabled()) + int(action(u"tBAR_Button8"_s)->isEnabled());
        return status() + u", "_s + action(u"T_mnuENCODE"_s)->text() + u", Save "_s +
               QStringList{u"off"_s, u"half on"_s, u"on"_s}.at(on);
    }
    // The folder selector as "Name=row" items.
    QStringList selector() const
    {
        QStringList items;
        for (int i = 0; i < lstFLDS()->count(); ++i)
            items.append(lstFLDS()->itemText(i) + u'=' + lstFLDS()->itemData(i).toString());
        return items;
    }
    // Scripts answers separated by '|': "input:text", "file:path", "dialog" to reject a form,
    // or a message box's "yes", "no", "cancel" or, for anything else, Ok.
    void answer(const QString &script)
    {
        for (const QString &answer : script.split(u'|', Qt::SkipEmptyParts)) {
            if (answer.startsWith(u"input:"))
                platform.answerInput(answer.mid(6));
            else if (answer.startsWith(u"file:"))
                platform.answerFile(answer.mid(5));
            else if (answer == u"dialog")
                platform.answerDialog({});
            else
                platform.answerMessage(answer == u"yes"      ? Platform::Button::Yes
                                       : answer == u"no"     ? Platform::Button::No
                                       : answer == u"cancel" ? Platform::Button::Cancel
                                                             : Platform::Button::Ok);
        }
    }
    FakePlatform::Prompt last() const
    {
        return platform.prompts.isEmpty() ? FakePlatform::Prompt{} : platform.prompts.constLast();
    }

    // File > Save Current; false when the note stayed unsaved.
    bool save() const
    {
        trigger(u"F_mnuSAVE"_s);
        return status() != u"Changed";
    }
    // Picks as the user does: the selector moves, then reports the pick.
    void pickNote(const QString &name) const { pick(lstFILE(), lstFILE()->findText(name)); }
    void pickFolder(const QString &name) const { pick(lstFLDS(), lstFLDS()->findText(name)); }
    static void pick(QComboBox *selector, int row)
    {
        QVERIFY(row >= 0 && row < selector->count());
        selector->setCurrentIndex(row);
        Q_EMIT selector->activated(row);
    }
    // Typing at the start of the note marks it "Changed".
    void type(const QString &typed) const
    {
        editor()->moveCursor(QTextCursor::Start);
        for (const QChar c : typed)
            QTest::sendKeyEvent(QTest::Click, editor(), Qt::Key_unknown, QString(c), {});
    }

    // What a folder without notes shows: no text, nothing to type into or to save to.
    void expectNoNote() const
    {
        QCOMPARE(text(), QString());
        QVERIFY(!editor()->isEnabled());
        QCOMPARE(status(), u"Unchanged"_s);
        QCOMPARE(shown(), u"No File Selected"_s);
    }

    QTemporaryDir root;
    QString bookPath = root.filePath(u"book.qb"_s);
    FakePlatform platform;
    std::unique_ptr<frmQB> window;
};

// The question asked before unsaved edits would be dropped.
inline QString unsavedQuestion(const QString &path, const QString &before = u"leaving it"_s)
{
    return u"The file: \""_s + path + u"\" isn't saved.\r\nSave this file before "_s + before +
           u'?';
}

} // namespace qb::test
