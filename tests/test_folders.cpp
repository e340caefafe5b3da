#include "BookWindow.h"
#include "folders/FolderCommands.h"
#include "folders/frmFLD.h"
#include "folders/frmFLD_DEL.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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
    T *child = form.findChild<T *>(name);
    if (!child)
        qFatal("no control %s", qPrintable(name));
    return child;
}

QTreeWidgetItem *DirItem(QWidget &form, const QString &path)
{
    for (QTreeWidgetItemIterator it(Child<QTreeWidget>(form, u"Dir"_s)); *it; ++it) {
        if ((*it)->data(0, Qt::UserRole).toString() == path)
            return *it;
    }
    return nullptr;
}

void Click(QWidget &form, const QString &button)
{
    QTest::mouseClick(Child<QPushButton>(form, button), Qt::LeftButton);
}

} // namespace

class TestFolders : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("HOME", m_home.path().toLocal8Bit());
        QStandardPaths::setTestModeEnabled(true);
    }

    // After a rename the same POSITION is selected again, whatever folder now stands there.
    void renameKeepsPosition_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("selected");
        QTest::newRow("sorts later") << u"Zeta"_s << u"Gamma"_s;
        QTest::newRow("sorts first") << u"Aardvark"_s << u"Alpha"_s;
        QTest::newRow("unchanged") << u"Beta"_s << u"Beta"_s;
    }
    void renameKeepsPosition()
    {
        QFETCH(QString, name);
        BookWindow b({u"Beta"_s, u"Alpha"_s, u"Gamma"_s});
        b.select(u"Beta"_s);
        b.p.answerInput(name);
        b.w->folders().RenameFolder();

        QCOMPARE(b.p.prompts.size(), 1);
        QCOMPARE(b.p.prompts[0].text,
                 u"Old Folder name: Beta\r\nInsert the new name for the Folder:"_s);
        QCOMPARE(b.p.prompts[0].title, u"Rename Folder"_s);
        QCOMPARE(b.p.prompts[0].defaultText, u"Beta"_s);
        QCOMPARE(b.folderLines(),
                 QStringList({b.row(name, u"Beta"_s), b.row(u"Alpha"_s, u"Alpha"_s),
                              b.row(u"Gamma"_s, u"Gamma"_s)}));
        QVERIFY(!test::ReadBytes(b.path).contains("Tester")); // written, even unchanged
        QCOMPARE(b.w->lstFLDS()->currentIndex(), 1);
        QTEST(b.w->lstFLDS()->currentText(), "selected");
    }

    // Every way a name or directory is turned down leaves the book file as it was.
    // clang-format off
    void refused_data()
    {
        QTest::addColumn<bool>("rename");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("dirName");
        QTest::addColumn<QString>("message"); // a part of it; empty: no message
        QTest::newRow("rename cancelled") << true << QString() << QString() << QString();
        QTest::newRow("rename ;") << true << u"a;b"_s << QString() << u"\";\""_s;
        QTest::newRow("rename CR LF") << true << u"a\r\nb"_s << QString() << u"line break"_s;
        QTest::newRow("append cancelled") << false << QString() << u"Alpha"_s << QString();
        QTest::newRow("append ;") << false << u"a;b"_s << u"Alpha"_s << u"\";\""_s;
        QTest::newRow("append LF") << false << u"a\nb"_s << u"Alpha"_s << u"line break"_s;
        QTest::newRow("directory ;") << false << QString() << u"we;ird"_s << u"\";\""_s;
    }
    // clang-format on
    void refused()
    {
        QFETCH(bool, rename);
        QFETCH(QString, answer);
        QFETCH(QString, dirName);
        QFETCH(QString, message);
        BookWindow b({u"Alpha"_s});
        const QByteArray before = test::ReadBytes(b.path);
        const bool asked = dirName != u"we;ird";
        if (asked)
            b.p.answerInput(answer);
        if (!message.isEmpty())
            b.p.answerMessage(Platform::Button::Ok);
        if (rename) {
            b.w->folders().RenameFolder();
        } else {
            QDir().mkpath(b.dir(dirName));
            const Outcome outcome = b.w->folders().AppendFolder(b.dir(dirName));
            QCOMPARE(outcome == Outcome::DirectoryRefused, !asked);
        }
        QCOMPARE(test::ReadBytes(b.path), before);
        QCOMPARE(b.w->book().FolderCount, 1);
        QVERIFY(b.p.allAnswered() && b.p.unexpected == 0);
        QCOMPARE(b.p.prompts.size() - b.p.messages().size(), asked ? 1 : 0);
        if (!message.isEmpty())
            QVERIFY(b.p.messages().constLast().text.contains(message));
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
            Click(d, u"btnCOM_1"_s);
            return d.result();
        });
        b.p.answerInput(u"Again"_s);
        b.w->folders().NewFolder();
        b.p.user.clear();
        b.p.answerInput(u"Third"_s);
        QCOMPARE(b.w->folders().AppendFolder(b.dir(u"Soups"_s)), Outcome::Added);

        QCOMPARE(b.p.prompts[0].title, u"Add Folder"_s);
        QCOMPARE(b.p.prompts[1].text, u"Directory: "_s + b.dir(u"Soups"_s) +
                                          u"\r\n\r\nPlease insert the name for the new Folder:"_s);
        QCOMPARE(b.p.prompts[1].title, u"Quirebox - New Folder Name"_s);
        QCOMPARE(b.p.prompts[1].defaultText, u"Operator Folder"_s);
        QCOMPARE(b.p.prompts[2].defaultText, u" Folder"_s);
        QCOMPARE(b.folderLines(),
                 QStringList({b.row(u"Soups"_s, u"Soups"_s), b.row(u"Again"_s, u"Soups"_s),
                              b.row(u"Third"_s, u"Soups"_s)}));
        QVERIFY(b.w->session().LastFileName.isEmpty());
        QCOMPARE(b.selector(), QStringList({u"Again=2"_s, u"Soups=1"_s, u"Third=3"_s}));
        QCOMPARE(b.w->lstFLDS()->currentIndex(), 0);
        QCOMPARE(b.p.unexpected, 0);
    }

    // Commands with nothing to work on: told why, or nothing at all; no dialog, no write.
    // clang-format off
    void nothingToWorkOn_data()
    {
        QTest::addColumn<int>("folders"); // -1: no book open
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("message");
        QTest::newRow("new, no book") << -1 << u"new"_s << u"make a new book or open one"_s;
        QTest::newRow("new, 30 folders") << 30 << u"new"_s << u"at most 30 folders"_s;
        QTest::newRow("append 31st") << 30 << u"append"_s << u"at most 30 folders"_s;
        QTest::newRow("rename, no folder") << 0 << u"rename"_s << QString();
        QTest::newRow("delete, no folder") << 0 << u"delete"_s << QString();
        QTest::newRow("rename, no book") << -1 << u"rename"_s << QString();
        QTest::newRow("delete, no book") << -1 << u"delete"_s << QString();
    }
    // clang-format on
    void nothingToWorkOn()
    {
        QFETCH(int, folders);
        QFETCH(QString, command);
        QFETCH(QString, message);
        QStringList names;
        for (int i = 1; i <= folders; ++i)
            names.append(u"F%1"_s.arg(i, 2, 10, QChar(u'0')));
        BookWindow b(names);
        if (folders < 0)
            b.w = std::make_unique<frmQB>(b.p);
        const QByteArray before = test::ReadBytes(b.path);
        if (!message.isEmpty())
            b.p.answerMessage(Platform::Button::Ok);
        FolderCommands &cmd = b.w->folders();
        if (command == u"new")
            cmd.NewFolder();
        else if (command == u"append")
            QCOMPARE(cmd.AppendFolder(b.dir(u"F01"_s)), Outcome::Abandoned);
        else if (command == u"rename")
            cmd.RenameFolder();
        else
            cmd.DeleteFolder();
        QCOMPARE(b.p.prompts.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY(b.p.prompts[0].text.contains(message, Qt::CaseInsensitive));
        QCOMPARE(b.p.unexpected, 0);
        QCOMPARE(test::ReadBytes(b.path), before);
    }

    // Both forms: sizes and places from the twips they were drawn in, captions, buttons.
    void forms()
    {
        BookWindow b({u"Alpha"_s});
        frmFLD add(*b.w);
        frmFLD_DEL del(*b.w);
        QCOMPARE(add.windowTitle(), u"Add Folder"_s);
        QCOMPARE(del.windowTitle(), u"Quirebox - Delete Folder"_s);
        QCOMPARE(add.size(), QSize(194, 313));
        QCOMPARE(del.size(), QSize(311, 97));
        for (QDialog *form : {static_cast<QDialog *>(&add), static_cast<QDialog *>(&del)}) {
            QCOMPARE(form->minimumSize(), form->maximumSize());
            QVERIFY(form->windowFlags().testFlag(Qt::Tool));
            QVERIFY(!form->windowFlags().testAnyFlag(Qt::WindowMinMaxButtonsHint));
        }
        const struct
        {
            QDialog *form;
            QString name, caption;
            QRect at;
            bool grows; // a caption wider than drawn widens its control, leftwards if need be
        } controls[] = {
            {&add, u"corFLD_0"_s, u"Make New Folder"_s, {8, 224, 177, 33}, false},
            {&add, u"corFLD_1"_s, {}, {0, 16, 193, 33}, false},
            {&add, u"corFLD_2"_s, {}, {0, 184, 193, 113}, false},
            {&add, u"txtFLD"_s, u"New Folder"_s, {16, 248, 113, 19}, false},
            {&add, u"btnCOM_0"_s, u"Create"_s, {132, 248, 48, 19}, false},
            {&add, u"btnCOM_1"_s, u"&Ok"_s, {8, 280, 81, 25}, false},
            {&add, u"btnCOM_2"_s, u"&Cancel"_s, {104, 280, 81, 25}, false},
            {&del, u"lblTXT"_s, u"Are you sure to delete:"_s, {8, 8, 113, 17}, true},
            {&del,
             u"chkALL"_s,
             u"&Keep the directories with all the files"_s,
             {64, 40, 209, 17},
             true},
            {&del, u"btnCOM_0"_s, u"&Ok"_s, {80, 64, 73, 25}, false},
            {&del, u"btnCOM_1"_s, u"&Cancel"_s, {168, 64, 73, 25}, false},
        };
        for (const auto &c : controls) {
            QWidget *w = Child(*c.form, c.name);
            QCOMPARE(w->property(w->inherits("QGroupBox") ? "title" : "text").toString(),
                     c.caption);
            const QRect at = w->geometry();
            QVERIFY2(c.grows ? at.top() == c.at.top() && at.height() == c.at.height() &&
                                   at.left() <= c.at.left() && at.right() >= c.at.right() &&
                                   at.right() < c.form->width()
                             : at == c.at,
                     qPrintable(c.name));
        }
        for (const QString &name : {u"btnCOM_0"_s, u"btnCOM_1"_s, u"btnCOM_2"_s})
            QVERIFY(!Child<QPushButton>(add, name)->isDefault() &&
                    !Child<QPushButton>(add, name)->autoDefault());
        QVERIFY(Child<QPushButton>(del, u"btnCOM_0"_s)->isDefault());
        QVERIFY(Child<QCheckBox>(del, u"chkALL"_s)->isChecked());
    }

    // Create makes the directory inside the OPEN directory and leaves it open.
    // clang-format off
    void create_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("made");
        QTest::newRow("plain") << u"Soups"_s << true;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("existing") << u"Old"_s << false;
        QTest::newRow("two levels") << u"Old/New"_s << false;
        QTest::newRow("parent") << u".."_s << false;
    }
    // clang-format on
    void create()
    {
        QFETCH(QString, name);
        QFETCH(bool, made);
        BookWindow b({u"Old"_s});
        frmFLD form(*b.w);
        QSignalSpy closed(&form, &QDialog::finished);
        if (!made)
            b.p.answerMessage(Platform::Button::Ok);
        QVERIFY(form.OpenDirectoryAt(b.tmp.path() + u'/'));
        QCOMPARE(form.OpenDirectory(), b.tmp.path());
        auto *txtFLD = Child<QLineEdit>(form, u"txtFLD"_s);
        txtFLD->clear();
        QTest::keyClicks(txtFLD, name);
        Click(form, u"btnCOM_0"_s);

        QCOMPARE(form.OpenDirectory(), b.tmp.path());
        QCOMPARE(closed.count(), 0);
        QCOMPARE(QFileInfo::exists(b.dir(u"Soups"_s)), made);
        QVERIFY(!QFileInfo::exists(b.dir(u"Old/New"_s)));
        QCOMPARE(b.p.prompts.size(), made ? 0 : 1);
        if (made) {
            QCOMPARE(Child<QTreeWidget>(form, u"Dir"_s)->currentItem(), DirItem(form, b.dir(name)));
        } else {
            QCOMPARE(b.p.prompts[0].text, u"Quirebox can't create the specified folder."_s);
            QCOMPARE(b.p.prompts[0].title, u"Make Dir Error"_s);
            QCOMPARE(b.p.prompts[0].icon, Platform::Icon::Exclamation);
        }
        QCOMPARE(b.p.unexpected, 0);
    }

    // Enter or a double-click opens an entry, highlighting alone does not; Enter never presses
    // Ok; Esc cancels.
    void addFolderKeys()
    {
        BookWindow b({u"A"_s, u"B"_s});
        frmFLD form(*b.w);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QSignalSpy closed(&form, &QDialog::finished);
        auto *dir = Child<QTreeWidget>(form, u"Dir"_s);
        form.OpenDirectoryAt(b.tmp.path());
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
        QCOMPARE(closed.count(), 0);
        QVERIFY(!QFileInfo::exists(b.dir(u"New Folder"_s)));
        QTest::keyClick(Child(form, u"txtFLD"_s), Qt::Key_Escape);
        QCOMPARE(closed.count(), 1);
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QCOMPARE(b.p.prompts.size(), 0);
    }

    void drives()
    {
        BookWindow b({u"A"_s});
        frmFLD form(*b.w);
        form.OpenDirectoryAt(b.dir(u"A"_s));
        auto *drive = Child<QComboBox>(form, u"Drive"_s);
        QCOMPARE(drive->itemText(0), u"/"_s);
        QCOMPARE(drive->itemText(1), QDir::homePath());
        drive->addItem(u"/no/such/volume"_s, u"/no/such/volume"_s);
        b.p.answerMessage(Platform::Button::Ok);
        QTest::keyClick(drive, Qt::Key_End);
        QCOMPARE(b.p.prompts.size(), 1);
        QCOMPARE(b.p.prompts[0].text,
                 u"Quirebox can't read drive /NO/SUCH/VOLUME. Please check it."_s);
        QCOMPARE(b.p.prompts[0].title, u"Drive Access"_s);
        QCOMPARE(form.OpenDirectory(), b.dir(u"A"_s));
        QVERIFY(b.dir(u"A"_s).startsWith(drive->currentText()));
        QTest::keyClick(drive, Qt::Key_Down);
        QCOMPARE(form.OpenDirectory(), QDir::homePath());
        QTest::keyClick(drive, Qt::Key_Up);
        QCOMPARE(form.OpenDirectory(), u"/"_s);
        QCOMPARE(b.p.prompts.size(), 1);
        QCOMPARE(b.p.unexpected, 0);
    }

    // Delete Folder's three outcomes on real directories; Enter presses the dialog's Ok; the
    // remaining rows are renumbered in file order.
    void deleteOutcomes_data()
    {
        QTest::addColumn<bool>("keep");
        QTest::addColumn<bool>("subdirectory");
        QTest::newRow("kept") << true << false;
        QTest::newRow("files only") << false << false;
        QTest::newRow("subdirectory") << false << true;
    }
    void deleteOutcomes()
    {
        QFETCH(bool, keep);
        QFETCH(bool, subdirectory);
        const bool fails = subdirectory;
        BookWindow b({u"A"_s, u"B"_s, u"C"_s});
        const QString doomed = b.dir(u"B"_s);
        QVERIFY(test::WriteBytes(doomed + u"/Crepes.txt"_s, "eggs"));
        if (subdirectory)
            QDir().mkpath(doomed + u"/old"_s);
        b.select(u"B"_s);
        const QByteArray before = test::ReadBytes(b.path);
        QString shown;
        b.p.answerDialog([&](QDialog &d) {
            d.show();
            shown = Child<QLabel>(d, u"lblMSG"_s)->text();
            auto *chkALL = Child<QCheckBox>(d, u"chkALL"_s);
            if (!keep)
                QTest::mouseClick(chkALL, Qt::LeftButton);
            QTest::keyClick(chkALL, Qt::Key_Return);
            return d.result();
        });
        if (fails)
            b.p.answerMessage(Platform::Button::Ok);
        b.w->folders().DeleteFolder();

        QCOMPARE(b.p.prompts[0].title, u"Quirebox - Delete Folder"_s);
        QCOMPARE(shown, doomed);
        QVERIFY(b.p.allAnswered() && b.p.unexpected == 0);
        QCOMPARE(QFileInfo(doomed).isDir(), keep || fails);
        QCOMPARE(QFileInfo::exists(doomed + u"/Crepes.txt"_s), keep);
        QCOMPARE(QFileInfo::exists(doomed + u"/old"_s), subdirectory);
        if (fails) {
            QCOMPARE(test::ReadBytes(b.path), before);
            QCOMPARE(b.p.prompts[1].text,
                     u"Quirebox is unable to delete \""_s + doomed + u"\" and/or all its files."_s);
            QCOMPARE(b.p.prompts[1].title, u"Folder Delete Error"_s);
        } else {
            QCOMPARE(b.folderLines(), QStringList({b.row(u"A"_s, u"A"_s), b.row(u"C"_s, u"C"_s)}));
            QCOMPARE(b.selector(), QStringList({u"A=1"_s, u"C=2"_s}));
        }
        if (!keep) {
            const QString trash =
                QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
            QCOMPARE(test::ReadBytes(trash + u"/Trash/files/Crepes.txt"_s), "eggs");
            QDir(trash + u"/Trash"_s).removeRecursively();
        }
    }

    // The home directory is refused outright: nothing on disk changes, the dialog stays open,
    // and Esc then cancels.
    void deleteRefusesHome()
    {
        BookWindow b({}, {{u"Home"_s, QDir::homePath()}});
        QVERIFY(test::WriteBytes(QDir::homePath() + u"/keep.txt"_s, "mine"));
        const QByteArray before = test::ReadBytes(b.path);
        frmFLD_DEL form(*b.w);
        QSignalSpy closed(&form, &QDialog::finished);
        b.p.answerMessage(Platform::Button::Ok);
        Child<QCheckBox>(form, u"chkALL"_s)->setChecked(false);
        Click(form, u"btnCOM_0"_s);
        QCOMPARE(b.p.messages().size(), 1);
        QVERIFY(b.p.messages()[0].text.contains(u"your home directory"_s));
        QCOMPARE(closed.count(), 0);
        QCOMPARE(test::ReadBytes(QDir::homePath() + u"/keep.txt"_s), "mine");
        QTest::keyClick(&form, Qt::Key_Escape);
        QCOMPARE(closed.count(), 1);
        QCOMPARE(test::ReadBytes(b.path), before);
        QCOMPARE(b.p.unexpected, 0);
    }
};

QTEST_MAIN(TestFolders)
#include "test_folders.moc"
