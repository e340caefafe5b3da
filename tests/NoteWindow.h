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

// The main window on a book of its own in a temporary directory: folders are sub-directories
// named as the folders, listed in the book in the order given. Notes go to "Alpha" unless told.
class NoteWindow
{
public:
    explicit NoteWindow(const QStringList &folderNames = {QStringLiteral("Alpha")})
    {
        QList<FolderEntry> folders;
        for (const QString &name : folderNames) {
            QDir().mkpath(dir(name));
            folders.append({name, dir(name)});
        }
        bookPath = root.filePath(QStringLiteral("book.qb"));
        WriteBytes(bookPath, BookBytes(QStringLiteral("Test Book"), folders));
    }
    // A prompt that found no scripted answer fails the test.
    ~NoteWindow() { QCOMPARE(platform.unexpected, 0); }

    QString dir(const QString &folder = QStringLiteral("Alpha")) const
    {
        return root.filePath(QStringLiteral("folders/") + folder);
    }
    QString note(const QString &fileName, const QString &folder = QStringLiteral("Alpha")) const
    {
        return dir(folder) + u'/' + fileName;
    }
    void put(const QString &fileName, const QByteArray &bytes,
             const QString &folder = QStringLiteral("Alpha")) const
    {
        QVERIFY(WriteBytes(note(fileName, folder), bytes));
    }
    QByteArray bytes(const QString &fileName) const { return ReadBytes(note(fileName)); }

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
    QString pathPanel() const { return window->statusPanel(2)->text(); }
    bool saveEnabled() const
    {
        return window->actions().F_mnuSAVE->isEnabled() && window->actions().tBAR[8]->isEnabled();
    }
    QString encodeCaption() const { return window->actions().T_mnuENCODE->text(); }
    QStringList noteNames() const
    {
        QStringList names;
        for (int i = 0; i < window->lstFILE()->count(); ++i)
            names.append(window->lstFILE()->itemText(i));
        return names;
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
        QCOMPARE(status(), QStringLiteral("Unchanged"));
        QCOMPARE(pathPanel(), QStringLiteral("No File Selected"));
    }

    QTemporaryDir root;
    QString bookPath;
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
    return QStringLiteral("The file: \"") + path
           + QStringLiteral("\" isn't saved.\r\nSave this file before leaving it?");
}

} // namespace qb::test
