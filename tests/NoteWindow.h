#pragma once

#include "FakePlatform.h"
#include "TestFiles.h"

#include "app/frmQB.h"
#include "editor/NoteEditor.h"
#include "notes/NoteCommands.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTextDocument>

#include <memory>
#include <utility>

namespace qb::test {

using namespace Qt::StringLiterals;

// The main window on a book of its own in a temporary directory: folders are sub-directories
// named as the folders, listed in the book in the order given. Notes go to "Alpha" unless told.
class NoteWindow
{
public:
    explicit NoteWindow(const QStringList &folderNames = {u"Alpha"_s})
    {
        QList<FolderEntry> folders;
        for (const QString &name : folderNames) {
            QDir().mkpath(dir(name));
            folders.append({name, dir(name)});
        }
        WriteBytes(bookPath, BookBytes(u"Test Book"_s, folders));
    }
    // A prompt that found no scripted answer fails the test.
    ~NoteWindow() { QCOMPARE(platform.unexpected, 0); }

    QString dir(const QString &folder = u"Alpha"_s) const { return root.filePath(folder); }
    QString note(const QString &fileName) const { return dir() + u'/' + fileName; }
    QByteArray bytes(const QString &fileName) const { return ReadBytes(note(fileName)); }
    void put(const QString &fileName, const QByteArray &bytes) const
    {
        QVERIFY(WriteBytes(note(fileName), bytes));
    }
    // What the folder holds, sorted, each entry as "name=content".
    QStringList entries() const
    {
        QStringList result;
        for (const QString &name : QDir(dir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
            result.append(name + u'=' + QString::fromLatin1(bytes(name)));
        return result;
    }

    // Writes the notes given, then opens the window on the book, as the command line would.
    void open(const QList<std::pair<QString, QByteArray>> &notes = {})
    {
        for (const auto &[fileName, content] : notes)
            put(fileName, content);
        window = std::make_unique<frmQB>(platform);
        window->Form_Load(bookPath);
    }

    frmQB &w() const { return *window; }
    NoteCommands &notes() const { return window->notes(); }
    NoteEditor *editor() const { return window->txtTEXT(); }
    // The editor's text with its line breaks as '\n'.
    QString text() const
    {
        return editor()->document()->toRawText().replace(QChar::ParagraphSeparator, u'\n');
    }
    QString status() const { return window->statusPanel(1)->text(); }
    // The status, the Encode/Decode caption, and whether the menu's and the toolbar's Save
    // are on, in one line.
    QString state() const
    {
        const frmQBActions &a = window->actions();
        const int on = int(a.F_mnuSAVE->isEnabled()) + int(a.tBAR[8]->isEnabled());
        return status() + u", "_s + a.T_mnuENCODE->text() + u", Save "_s
               + QStringList{u"off"_s, u"half on"_s, u"on"_s}.at(on);
    }
    FakePlatform::Prompt last() const
    {
        return platform.prompts.isEmpty() ? FakePlatform::Prompt{} : platform.prompts.constLast();
    }

    // Picks as the user does: the selector moves, then reports the pick.
    void pickNote(const QString &name) const { pick(window->lstFILE(), name); }
    void pickFolder(const QString &name) const { pick(window->lstFLDS(), name); }
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
        QCOMPARE(window->statusPanel(2)->text(), u"No File Selected"_s);
    }

    QTemporaryDir root;
    QString bookPath = root.filePath(u"book.qb"_s);
    FakePlatform platform;
    std::unique_ptr<frmQB> window;

private:
    static void pick(QComboBox *selector, const QString &name)
    {
        const int row = selector->findText(name, Qt::MatchExactly);
        QVERIFY2(row >= 0, qPrintable(name));
        selector->setCurrentIndex(row);
        Q_EMIT selector->activated(row);
    }
};

// The question asked before unsaved edits would be dropped.
inline QString LeaveQuestion(const QString &path)
{
    return u"The file: \""_s + path + u"\" isn't saved.\r\nSave this file before leaving it?"_s;
}

} // namespace qb::test
