#include "BookWindow.h"
#include "folders/FolderCommands.h"
#include "folders/frmFLD.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace qb;
using qb::test::BookWindow;
using Outcome = FolderCommands::AppendOutcome;

namespace {

template <typename T = QWidget> T *Child(QWidget &form, const QString &name)
{
    return form.findChild<T *>(name);
}

QTreeWidgetItem *DirItem(QWidget &form, const QString &path)
{
    for (QTreeWidgetItemIterator it(Child<QTreeWidget>(form, u"Dir"_s)); *it; ++it) {
        if ((*it)->data(0, Qt::UserRole).toString() == path)
            return *it;
    }
    return nullptr;
}

} // namespace

class TestFolders : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        test::KeepHomeIn(m_home.path());
    }

    // After a rename the same POSITION is selected again, whatever folder now stands there.
    void renameKeepsPosition()
    {
        BookWindow b({u"Beta"_s, u"Alpha"_s, u"Gamma"_s});
        b.select(u"Beta"_s);
        b.p.answerInput(u"Zeta"_s); // sorts last
        b.w->folders().RenameFolder();
        QCOMPARE(b.p.prompts.value(0).text,
                 u"Old Folder name: Beta\r\nInsert the new name for the Folder:"_s);
        QCOMPARE(b.w->lstFLDS()->currentText(), u"Gamma"_s);
        b.p.answerInput(u"Aardvark"_s); // sorts first
        b.w->folders().RenameFolder();
        QCOMPARE(b.w->lstFLDS()->currentText(), u"Alpha"_s);
        QCOMPARE(b.folderLines(),
                 QStringList({b.row(u"Zeta"_s, u"Beta"_s), b.row(u"Alpha"_s, u"Alpha"_s),
                              b.row(u"Aardvark"_s, u"Gamma"_s)}));
        QVERIFY(b.p.allAnswered() && b.p.unexpected == 0);
    }

    // New Folder adds the OPEN directory, not the highlighted one; the same directory can be
    // added twice; LastFileName is emptied; the first folder is then selected.
    void appendFolder()
    {
        BookWindow b({u"Soups"_s});
        QDir().mkpath(b.dir(u"Soups/Cold"_s));
        b.w->session().LastFileName = u"Crepes"_s;
        b.p.answerDialog([&](QDialog &d) {
            static_cast<frmFLD &>(d).OpenDirectoryAt(b.dir(u"Soups"_s));
            Child<QTreeWidget>(d, u"Dir"_s)->setCurrentItem(DirItem(d, b.dir(u"Soups/Cold"_s)));
            QTest::mouseClick(Child(d, u"btnCOM_1"_s), Qt::LeftButton);
            return d.result();
        });
        b.p.answerInput(u"Again"_s);
        b.w->folders().NewFolder();
        b.p.answerInput(u"Third"_s);
        QCOMPARE(b.w->folders().AppendFolder(b.dir(u"Soups"_s)), Outcome::Added);

        QCOMPARE(b.p.prompts[1].text, u"Directory: "_s + b.dir(u"Soups"_s) +
                                          u"\r\n\r\nPlease insert the name for the new Folder:"_s);
        QCOMPARE(b.folderLines(),
                 QStringList({b.row(u"Soups"_s, u"Soups"_s), b.row(u"Again"_s, u"Soups"_s),
                              b.row(u"Third"_s, u"Soups"_s)}));
        QVERIFY(b.w->session().LastFileName.isEmpty());
        QCOMPARE(b.selector(), QStringList({u"Again=2"_s, u"Soups=1"_s, u"Third=3"_s}));
        QCOMPARE(b.w->lstFLDS()->currentIndex(), 0);
        QCOMPARE(b.p.unexpected, 0);
    }

    // Commands with nothing to work on, and names or directories turned down: told why, or
    // nothing at all; the book file stays as it was.
    // clang-format off
    void turnedDown_data()
    {
        QTest::addColumn<int>("folders"); // -1: no book open
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("answer"); // to the name prompt; "-": not asked
        QTest::addColumn<QString>("message"); // a part of it; empty: no message
        QTest::newRow("new, no book") << -1 << u"new"_s << u"-"_s << u"or open one first"_s;
        QTest::newRow("new, 30 folders") << 30 << u"new"_s << u"-"_s << u"at most 30 folders"_s;
        QTest::newRow("append 31st") << 30 << u"append"_s << u"-"_s << u"at most 30 folders"_s;
        QTest::newRow("rename, no folder") << 0 << u"rename"_s << u"-"_s << QString();
        QTest::newRow("delete, no folder") << 0 << u"delete"_s << u"-"_s << QString();
        QTest::newRow("rename cancelled") << 1 << u"rename"_s << QString() << QString();
        QTest::newRow("rename ;") << 1 << u"rename"_s << u"a;b"_s << u"\";\""_s;
        QTest::newRow("append LF") << 1 << u"append"_s << u"a\nb"_s << u"line break"_s;
        QTest::newRow("directory ;") << 1 << u"append ;"_s << u"-"_s << u"\";\""_s;
    }
    // clang-format on
    void turnedDown()
    {
        QFETCH(int, folders);
        QFETCH(QString, command);
        QFETCH(QString, answer);
        QFETCH(QString, message);
        QStringList names;
        for (int i = 1; i <= folders; ++i)
            names.append(u"F%1"_s.arg(i, 2, 10, QChar(u'0')));
        BookWindow b(names);
        if (folders < 0)
            b.w = std::make_unique<frmQB>(b.p);
        const QByteArray before = test::ReadBytes(b.path);
        if (answer != u"-")
            b.p.answerInput(answer);
        if (!message.isEmpty())
            b.p.answerMessage(Platform::Button::Ok);
        FolderCommands &cmd = b.w->folders();
        const QString dir = b.dir(command == u"append ;" ? u"we;ird"_s : u"F01"_s);
        QDir().mkpath(dir);
        if (command == u"new")
            cmd.NewFolder();
        else if (command.startsWith(u"append"))
            QVERIFY(cmd.AppendFolder(dir) != Outcome::Added);
        else if (command == u"rename")
            cmd.RenameFolder();
        else
            cmd.DeleteFolder();
        QVERIFY(b.p.allAnswered() && b.p.unexpected == 0);
        QCOMPARE(b.p.messages().size(), message.isEmpty() ? 0 : 1);
        QVERIFY(b.p.messages().value(0).text.contains(message, Qt::CaseInsensitive));
        QCOMPARE(test::ReadBytes(b.path), before);
    }

    // The Add Folder dialog as an object: Enter or a double-click opens an entry, highlighting
    // alone does not; Enter never presses Ok or Create; Create makes the directory inside the
    // OPEN directory; an unreadable drive is reported and the open directory kept; Esc cancels.
    void addFolderDialog()
    {
        BookWindow b({u"A"_s, u"B"_s});
        frmFLD form(*b.w);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QSignalSpy closed(&form, &QDialog::finished);
        auto *dir = Child<QTreeWidget>(form, u"Dir"_s);
        QVERIFY(form.OpenDirectoryAt(b.tmp.path() + u'/'));
        dir->setCurrentItem(DirItem(form, b.dir(u"B"_s)));
        QCOMPARE(form.OpenDirectory(), b.tmp.path());
        QTest::keyClick(dir, Qt::Key_Return);
        QCOMPARE(form.OpenDirectory(), b.dir(u"B"_s));
        const QPoint parent = dir->visualItemRect(DirItem(form, b.tmp.path())).center();
        QTest::mouseClick(dir->viewport(), Qt::LeftButton, {}, parent);
        QCOMPARE(form.OpenDirectory(), b.dir(u"B"_s));
        QTest::mouseDClick(dir->viewport(), Qt::LeftButton, {}, parent);
        QCOMPARE(form.OpenDirectory(), b.tmp.path());
        for (const QString &name : {u"txtFLD"_s, u"btnCOM_1"_s, u"btnCOM_0"_s})
            QTest::keyClick(Child(form, name), Qt::Key_Return);
        QVERIFY(!QFileInfo::exists(b.dir(u"New Folder"_s)));

        // The second "Soups" exists already, and an empty name is none.
        auto *txtFLD = Child<QLineEdit>(form, u"txtFLD"_s);
        b.p.answerMessage(Platform::Button::Ok);
        b.p.answerMessage(Platform::Button::Ok);
        for (const QString &name : {u"Soups"_s, u"Soups"_s, QString()}) {
            txtFLD->clear();
            QTest::keyClicks(txtFLD, name);
            QTest::mouseClick(Child(form, u"btnCOM_0"_s), Qt::LeftButton);
        }
        QVERIFY(QFileInfo(b.dir(u"Soups"_s)).isDir());
        QCOMPARE(form.OpenDirectory(), b.tmp.path());
        QCOMPARE(dir->currentItem(), DirItem(form, b.dir(u"Soups"_s)));
        QCOMPARE(b.p.prompts.value(1).text, u"Quirebox can't create the specified folder."_s);

        auto *drive = Child<QComboBox>(form, u"Drive"_s);
        QCOMPARE(drive->itemText(0), u"/"_s);
        QCOMPARE(drive->itemText(1), QDir::homePath());
        drive->addItem(u"/no/such/volume"_s, u"/no/such/volume"_s);
        b.p.answerMessage(Platform::Button::Ok);
        QTest::keyClick(drive, Qt::Key_End);
        QCOMPARE(b.p.prompts.value(2).text,
                 u"Quirebox can't read drive /NO/SUCH/VOLUME. Please check it."_s);
        QCOMPARE(form.OpenDirectory(), b.tmp.path());

        QCOMPARE(closed.count(), 0);
        QTest::keyClick(txtFLD, Qt::Key_Escape);
        QCOMPARE(closed.count(), 1);
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QVERIFY(b.p.allAnswered() && b.p.unexpected == 0);
    }

    // Delete Folder's three outcomes on real directories, and the home directory refused
    // outright with the dialog left open; Enter presses Ok; the remaining rows are renumbered
    // in file order.
    void deleteOutcomes_data()
    {
        QTest::addColumn<bool>("keep");
        QTest::addColumn<bool>("subdirectory");
        QTest::addColumn<QString>("message"); // a part of it
        QTest::newRow("kept") << true << false << QString();
        QTest::newRow("files only") << false << false << QString();
        QTest::newRow("subdirectory") << false << true << u"Quirebox is unable to delete \""_s;
        QTest::newRow("home") << false << false << u"your home directory"_s;
    }
    void deleteOutcomes()
    {
        QFETCH(bool, keep);
        QFETCH(bool, subdirectory);
        QFETCH(QString, message);
        const bool home = message.contains(u"home");
        BookWindow b(home ? QStringList{u"A"_s, u"C"_s} : QStringList{u"A"_s, u"B"_s, u"C"_s},
                     home ? QList<FolderEntry>{{u"B"_s, QDir::homePath()}} : QList<FolderEntry>{});
        const QString doomed = home ? QDir::homePath() : b.dir(u"B"_s);
        QVERIFY(test::WriteBytes(doomed + u"/Crepes.txt"_s, "eggs"));
        if (subdirectory)
            QDir().mkpath(doomed + u"/old"_s);
        b.select(u"B"_s);
        const QByteArray before = test::ReadBytes(b.path);
        QString shown;
        bool open = false;
        b.p.answerDialog([&](QDialog &d) {
            d.show();
            auto *chkALL = d.findChild<QCheckBox *>(u"chkALL"_s);
            shown = d.findChild<QLabel *>(u"lblMSG"_s)->text() + u'|' + chkALL->text();
            if (!keep)
                QTest::mouseClick(chkALL, Qt::LeftButton);
            QTest::keyClick(chkALL, Qt::Key_Return);
            open = d.isVisible();
            return d.result();
        });
        if (!message.isEmpty())
            b.p.answerMessage(Platform::Button::Ok);
        b.w->folders().DeleteFolder();

        QCOMPARE(shown, doomed + u"|&Keep the directories with all the files"_s);
        QVERIFY(b.p.allAnswered() && b.p.unexpected == 0);
        QCOMPARE(open, home);
        QCOMPARE(QFileInfo(doomed).isDir(), keep || !message.isEmpty());
        QCOMPARE(QFileInfo::exists(doomed + u"/Crepes.txt"_s), keep || home);
        QCOMPARE(QFileInfo::exists(doomed + u"/old"_s), subdirectory);
        if (!message.isEmpty()) {
            QCOMPARE(test::ReadBytes(b.path), before);
            QVERIFY(b.p.prompts.value(1).text.contains(message));
        } else {
            QCOMPARE(b.folderLines(), QStringList({b.row(u"A"_s, u"A"_s), b.row(u"C"_s, u"C"_s)}));
            QCOMPARE(b.selector(), QStringList({u"A=1"_s, u"C=2"_s}));
        }
        const QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        QCOMPARE(QFileInfo::exists(trash + u"/Trash/files/Crepes.txt"_s), !keep && !home);
        QDir(trash + u"/Trash"_s).removeRecursively();
    }
};

QTEST_MAIN(TestFolders)
#include "test_folders.moc"
