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

namespace qb::test {

// The main window on a book of its own in a temporary directory: folders are sub-directories
// named as the folders, listed in the book in the order given.
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

    QString dir(const QString &folder) const
    {
        return root.filePath(QStringLiteral("folders/") + folder);
    }
    QString note(const QString &folder, const QString &fileName) const
    {
        return dir(folder) + u'/' + fileName;
    }
    void put(const QString &folder, const QString &fileName, const QByteArray &bytes) const
    {
        QVERIFY(WriteBytes(note(folder, fileName), bytes));
    }
    QStringList files(const QString &folder) const
    {
        return QDir(dir(folder)).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    // Opens the window on the book, as the command line would.
    frmQB &open()
    {
        window = std::make_unique<frmQB>(platform);
        window->Form_Load(bookPath);
        return *window;
    }

    frmQB &w() const { return *window; }
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

    // Picks as the user does: the selector moves, then reports the pick.
    void pickNote(const QString &name) const
    {
        QComboBox *lstFILE = window->lstFILE();
        const int row = lstFILE->findText(name, Qt::MatchExactly);
        QVERIFY2(row >= 0, qPrintable(name));
        lstFILE->setCurrentIndex(row);
        Q_EMIT lstFILE->activated(row);
    }
    void pickFolder(const QString &name) const
    {
        QComboBox *lstFLDS = window->lstFLDS();
        const int row = lstFLDS->findText(name, Qt::MatchExactly);
        QVERIFY2(row >= 0, qPrintable(name));
        lstFLDS->setCurrentIndex(row);
        Q_EMIT lstFLDS->activated(row);
    }
    // Typing at the start of the note marks it "Changed".
    void type(const QString &typed) const
    {
        QTextCursor cursor = editor()->textCursor();
        cursor.movePosition(QTextCursor::Start);
        editor()->setTextCursor(cursor);
        for (const QChar c : typed)
            QTest::sendKeyEvent(QTest::Click, editor(), Qt::Key_unknown, QString(c), {});
    }

    QTemporaryDir root;
    QString bookPath;
    FakePlatform platform;
    std::unique_ptr<frmQB> window;
};

// The question asked before unsaved edits would be dropped.
inline QString LeaveQuestion(const QString &path)
{
    return QStringLiteral("The file: \"") + path
           + QStringLiteral("\" isn't saved.\r\nSave this file before leaving it?");
}

} // namespace qb::test
