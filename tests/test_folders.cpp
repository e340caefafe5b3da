// The Book menu's folder commands and their two dialogs, on real directories, and the rules
// behind them.
#include "RowLabel.h"
#include "WindowFixture.h"

#include "folders/FolderRules.h"
#include "folders/frmFLD.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTreeWidget>

using namespace qb;
using namespace qb::test;

namespace {

QTreeWidgetItem *dirItem(QWidget &form, const QString &path)
{
    for (QTreeWidgetItemIterator it(form.findChild<QTreeWidget *>(u"Dir"_s)); *it; ++it) {
        if ((*it)->data(0, Qt::UserRole).toString() == path)
            return *it;
    }
    return nullptr;
}

// Answers the Add Folder dialog: opens `dir`, highlights `highlight` and presses Ok.
std::function<int(QDialog &)> AddFolder(const QString &dir, const QString &highlight = {})
{
    return [=](QDialog &d) {
        static_cast<frmFLD &>(d).openDirectoryAt(dir);
        if (!highlight.isEmpty())
            d.findChild<QTreeWidget *>(u"Dir"_s)->setCurrentItem(dirItem(d, highlight));
        QTest::mouseClick(d.findChild<QWidget *>(u"btnCOM_1"_s), Qt::LeftButton);
        return d.result();
    };
}

} // namespace

class TestFolders : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase() { keepHomeIn(m_home.path()); }

    // After a rename the same POSITION is selected again, whatever folder now stands there.
    void renameKeepsPosition()
    {
        TestWindow t({u"Beta"_s, u"Alpha"_s, u"Gamma"_s});
        for (const QString &folder : {u"Beta"_s, u"Alpha"_s, u"Gamma"_s})
            t.put(u"n.txt"_s, folder.toUtf8(), folder);
        t.open();
        t.pickFolder(u"Beta"_s);
        t.platform.answerInput(u"Zeta"_s); // sorts last
        t.trigger(u"B_mnuF_REN"_s);
        QCOMPARE(t.last().text, u"Old Folder name: Beta\r\nInsert the new name for the Folder:"_s);
        QCOMPARE(t.last().defaultText, u"Beta"_s);
        QCOMPARE(t.folderLines(),
                 QStringList({t.row(u"Zeta"_s, u"Beta"_s), t.row(u"Alpha"_s, u"Alpha"_s),
                              t.row(u"Gamma"_s, u"Gamma"_s)}));
        QCOMPARE(t.lstFLDS()->currentText(), u"Gamma"_s);
        QCOMPARE(t.text(), u"Gamma"_s);
    }

    // New Folder adds the OPEN directory, not the highlighted one, even one the book has; the
    // book is read again and its first folder shown.
    void newFolder()
    {
        TestWindow t({u"Soups"_s});
        QVERIFY(QDir().mkpath(t.dir(u"Soups/Cold"_s)));
        t.put(u"n.txt"_s, "soup", u"Soups"_s);
        t.open();
        t.platform.answerDialog(AddFolder(t.dir(u"Soups"_s), t.dir(u"Soups/Cold"_s)));
        t.platform.answerInput(u"Again"_s);
        t.trigger(u"B_mnuF_NEW"_s);
        QCOMPARE(t.last().text, u"Directory: "_s + t.dir(u"Soups"_s) +
                                    u"\r\n\r\nPlease insert the name for the new Folder:"_s);
        QCOMPARE(t.last().defaultText, u"Operator Folder"_s);
        QCOMPARE(t.folderLines(),
                 QStringList({t.row(u"Soups"_s, u"Soups"_s), t.row(u"Again"_s, u"Soups"_s)}));
        QCOMPARE(t.selector(), QStringList({u"Again=2"_s, u"Soups=1"_s}));
        QCOMPARE(t.lstFLDS()->currentIndex(), 0);
        QCOMPARE(t.text(), u"soup"_s);
    }

    // Commands with nothing to work on, and names or directories turned down: told why, or
    // nothing at all; the book file stays as it was. A directory turned down shows the dialog
    // again.
    void turnedDown_data()
    {
        const QString F = u"tBAR_Button4"_s, R = u"B_mnuF_REN"_s, none;
        QTest::addColumn<int>("folders"); // in the book; -1: no book open
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("dialogDir"); // the Add Folder dialog opens it before Ok
        QTest::addColumn<QString>("answers");
        QTest::addColumn<QString>("message"); // a part of the message told
        QTest::newRow("New Folder, no book open")
            << -1 << F << none << u"message"_s << u"Make a new book or open one first"_s;
        QTest::newRow("New Folder, a book of 30 folders")
            << 30 << F << none << u"message"_s << u"A book holds at most 30 folders"_s;
        QTest::newRow("Rename Folder, no folder") << 0 << R << none << none << none;
        QTest::newRow("Delete Folder, no folder") << 0 << u"B_mnuF_DEL"_s << none << none << none;
        QTest::newRow("Rename Folder, no name") << 1 << R << none << u"input:"_s << none;
        QTest::newRow("Rename Folder, a name holding \";\"")
            << 1 << R << none << u"input:a;b|message"_s << u"It holds a \";\""_s;
        QTest::newRow("New Folder, a name with a line break")
            << 1 << F << u"F01"_s << u"input:a\nb|message"_s << u"It holds a line break"_s;
        QTest::newRow("New Folder, a directory holding \";\"")
            << 1 << F << u"we;ird"_s << u"message|dialog"_s << u"It holds a \";\""_s;
    }
    void turnedDown()
    {
        QFETCH(int, folders);
        QFETCH(QString, command);
        QFETCH(QString, dialogDir);
        QFETCH(QString, answers);
        QFETCH(QString, message);
        QStringList names;
        for (int i = 1; i <= folders; ++i)
            names.append(u"F%1"_s.arg(i, 2, 10, QChar(u'0')));
        TestWindow t(names);
        t.put(u"n.txt"_s, "note", u"F01"_s);
        folders < 0 ? t.start({}) : t.open();
        const QByteArray before = readBytes(t.bookPath);
        if (!dialogDir.isEmpty()) {
            QVERIFY(QDir().mkpath(t.dir(dialogDir)));
            t.platform.answerDialog(AddFolder(t.dir(dialogDir)));
        }
        t.answer(answers);
        t.trigger(command);
        QStringList told;
        for (const FakePlatform::Prompt &prompt : std::as_const(t.platform.prompts))
            told.append(prompt.text);
        QVERIFY2(told.join(u'|').contains(message), qPrintable(told.join(u'|')));
        QCOMPARE(readBytes(t.bookPath), before);
    }

    // The Add Folder dialog: Enter or a double-click opens an entry, highlighting alone does
    // not; Enter never presses Ok or Create; Create makes the directory inside the OPEN
    // directory, or says why not; an unreadable drive is told and the open directory kept.
    void addFolderDialog()
    {
        TestWindow t({u"A"_s, u"B"_s});
        frmFLD form(t.platform);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto *dir = form.findChild<QTreeWidget *>(u"Dir"_s);
        const QString root = t.root.path();
        QVERIFY(form.openDirectoryAt(root + u'/'));
        dir->setCurrentItem(dirItem(form, t.dir(u"B"_s)));
        QCOMPARE(form.openDirectory(), root);
        QTest::keyClick(dir, Qt::Key_Return);
        QCOMPARE(form.openDirectory(), t.dir(u"B"_s));
        const QPoint parent = dir->visualItemRect(dirItem(form, root)).center();
        QTest::mouseClick(dir->viewport(), Qt::LeftButton, {}, parent);
        QCOMPARE(form.openDirectory(), t.dir(u"B"_s));
        QTest::mouseDClick(dir->viewport(), Qt::LeftButton, {}, parent);
        QCOMPARE(form.openDirectory(), root);
        for (const QString &name : {u"txtFLD"_s, u"btnCOM_1"_s, u"btnCOM_0"_s})
            QTest::keyClick(form.findChild<QWidget *>(name), Qt::Key_Return);
        QVERIFY(!QFileInfo::exists(t.dir(u"New Folder"_s)) && form.isVisible());

        auto *txtFLD = form.findChild<QLineEdit *>(u"txtFLD"_s);
        t.answer(u"message"_s); // the second "Soups" exists already
        for (const QString &name : {u"Soups"_s, u"Soups"_s}) {
            txtFLD->setText(name);
            QTest::mouseClick(form.findChild<QWidget *>(u"btnCOM_0"_s), Qt::LeftButton);
        }
        QCOMPARE(form.openDirectory(), root);
        QCOMPARE(dir->currentItem(), dirItem(form, t.dir(u"Soups"_s)));
        QCOMPARE(t.last().text, u"Quirebox can't create the specified folder."_s);
        QCOMPARE(t.last().title, u"Make Dir Error"_s);

        auto *drive = form.findChild<QComboBox *>(u"Drive"_s);
        drive->addItem(u"/no/such/volume"_s, u"/no/such/volume"_s);
        t.platform.answerMessage(Platform::Button::Ok);
        QTest::keyClick(drive, Qt::Key_End);
        QCOMPARE(t.last().text, u"Quirebox can't read drive /NO/SUCH/VOLUME. Please check it."_s);
        QCOMPARE(form.openDirectory(), root);
        QTest::keyClick(txtFLD, Qt::Key_Escape);
        QVERIFY(!form.isVisible() && form.result() == QDialog::Rejected);
    }

    // Delete Folder's outcomes on real directories: kept, emptied into the trash and removed,
    // stopped by a subdirectory; the home directory refused with the dialog shown again. Enter
    // presses Ok; the remaining rows keep their order.
    void deleteOutcomes_data()
    {
        QTest::addColumn<bool>("keep");         // the files
        QTest::addColumn<bool>("subdirectory"); // in the folder's directory
        QTest::addColumn<QString>("message");   // "~": the directory
        QTest::newRow("the directory kept") << true << false << QString();
        QTest::newRow("the files into the trash") << false << false << QString();
        QTest::newRow("a subdirectory in the way")
            << false << true << u"Quirebox is unable to delete \"~\" and/or all its files."_s;
        QTest::newRow("the home directory")
            << false << false
            << u"Quirebox won't delete \"~\": it is your home directory.\r\nKeep the "
               "directory with all the files to take the folder out of the book."_s;
    }
    void deleteOutcomes()
    {
        QFETCH(bool, keep);
        QFETCH(bool, subdirectory);
        QFETCH(QString, message);
        const bool home = message.contains(u"home");
        TestWindow t({u"A"_s, u"B"_s, u"C"_s});
        const QString doomed = home ? QDir::homePath() : t.dir(u"B"_s);
        if (home) {
            QVERIFY(writeBytes(t.bookPath, bookBytes(u"Test Book"_s, {{u"A"_s, t.dir(u"A"_s)},
                                                                      {u"C"_s, t.dir(u"C"_s)},
                                                                      {u"B"_s, doomed}})));
        }
        QVERIFY(writeBytes(doomed + u"/Crepes.txt"_s, "eggs"));
        if (subdirectory)
            QVERIFY(QDir().mkpath(doomed + u"/old"_s));
        t.open();
        t.pickFolder(u"B"_s);
        const QByteArray before = readBytes(t.bookPath);
        QString shown;
        t.platform.answerDialog([&](QDialog &d) {
            d.show();
            auto *chkALL = d.findChild<QCheckBox *>(u"chkALL"_s);
            shown = d.findChild<QLabel *>(u"lblMSG"_s)->text() + u'|' + chkALL->text();
            if (!keep)
                QTest::mouseClick(chkALL, Qt::LeftButton);
            QTest::keyClick(chkALL, Qt::Key_Return);
            return d.result();
        });
        if (!message.isEmpty())
            t.platform.answerMessage(Platform::Button::Ok);
        if (home)
            t.platform.answerDialog({});
        t.trigger(u"tBAR_Button5"_s);

        QCOMPARE(shown, doomed + u"|&Keep the directories with all the files"_s);
        QCOMPARE(QFileInfo(doomed).isDir(), keep || !message.isEmpty());
        QCOMPARE(QFileInfo::exists(doomed + u"/Crepes.txt"_s), keep || home);
        QCOMPARE(QFileInfo::exists(doomed + u"/old"_s), subdirectory);
        if (!message.isEmpty()) {
            QCOMPARE(readBytes(t.bookPath), before);
            QCOMPARE(t.platform.prompts.value(1).text, message.replace(u'~', doomed));
        } else {
            QCOMPARE(t.folderLines(), QStringList({t.row(u"A"_s, u"A"_s), t.row(u"C"_s, u"C"_s)}));
            QCOMPARE(t.selector(), QStringList({u"A=1"_s, u"C=2"_s}));
        }
        const QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        QCOMPARE(QFileInfo::exists(trash + u"/Trash/files/Crepes.txt"_s), !keep && !home);
        QDir(trash + u"/Trash"_s).removeRecursively();
    }

    void newDirectoryPath()
    {
        QCOMPARE(qb::newDirectoryPath(u"/"_s, u"Soups"_s), u"/Soups"_s);
        QCOMPARE(qb::newDirectoryPath(u"C:\\"_s, u"Soups"_s), u"C:\\Soups"_s);
        QCOMPARE(qb::newDirectoryPath(u"/srv/notes"_s, u"Soups"_s), u"/srv/notes/Soups"_s);
        QCOMPARE(qb::newDirectoryPath(u"/n"_s, u".."_s), QString());
        QCOMPARE(qb::newDirectoryPath(u"/n"_s, u"a/b"_s), QString());
        // A drive whose path is a prefix of a longer name does not hold it.
        const QStringList drives{u"/"_s, u"/home/op"_s};
        QCOMPARE(driveOf(u"/home/op/notes"_s, drives), u"/home/op"_s);
        QCOMPARE(driveOf(u"/home/operator"_s, drives), u"/"_s);
    }

    // A link to a directory is refused: emptying it would empty the directory it names, which
    // then could not be removed.
    void deleteRefusal()
    {
        // The directory ("~": home), and a part of the reason it is refused. The rows share the
        // home directory's folders.
        const QList<std::tuple<QString, QString, QString>> rows = {
            {u"the root directory"_s, u"/"_s, u"root of the file system"_s},
            {u"the home directory"_s, u"~"_s, u"your home directory"_s},
            {u"the home directory with a slash"_s, u"~/"_s, u"your home directory"_s},
            {u"the book's own directory"_s, u"~/books"_s, u"the open book"_s},
            {u"a directory inside the book's"_s, u"~/books/Soups"_s, {}},
            {u"a link to a directory"_s, u"~/Soups link"_s, u"a link to the directory"_s},
            {u"a link to a directory, with a slash"_s, u"~/Soups link/"_s,
             u"a link to the directory"_s}};
        QVERIFY(QDir().mkpath(m_home.filePath(u"books/Soups"_s)));
        QVERIFY(QFile::link(m_home.filePath(u"books/Soups"_s), m_home.filePath(u"Soups link"_s)));
        for (auto [row, dir, reason] : rows) {
            const RowLabel label(row);
            dir.replace(u'~', m_home.path());
            const QString refusal =
                qb::deleteRefusal(dir, m_home.path(), m_home.filePath(u"books/Cookbook.qb"_s));
            QCOMPARE(refusal.isEmpty(), reason.isEmpty());
            QVERIFY2(refusal.contains(reason), qPrintable(refusal));
        }
    }

    // A file the trash does not take stays, and the directory with it: nothing is ever deleted
    // for good here. (The dialog's tests cover the system's trash.)
    void removeWithoutTrash()
    {
        QTemporaryDir work;
        const QString dir = work.filePath(u"Doomed"_s);
        for (const char *file : {"a.txt", ".hidden", "stuck.txt"})
            QVERIFY(writeBytes(dir + u'/' + QLatin1String(file), file));
        const TrashFile picky = [&](const QString &path) {
            return !path.endsWith(u"/stuck.txt") && QFile::remove(path);
        };
        QVERIFY(!removeDirectoryWithFiles(dir, picky));
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList({u"stuck.txt"_s}));
        QCOMPARE(readBytes(dir + u"/stuck.txt"_s), QByteArray("stuck.txt"));
        QVERIFY(
            removeDirectoryWithFiles(dir, [](const QString &path) { return QFile::remove(path); }));
        QVERIFY(!QFileInfo::exists(dir));
        // Already gone counts as removed; an empty or relative path is never touched.
        QVERIFY(removeDirectoryWithFiles(dir, picky));
        QVERIFY(!removeDirectoryWithFiles(QString(), picky));
        QVERIFY(!removeDirectoryWithFiles(u"notes"_s, picky));
    }
};

QTEST_MAIN(TestFolders)
#include "test_folders.moc"
