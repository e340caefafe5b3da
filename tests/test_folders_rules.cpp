#include "TestFiles.h"
#include "folders/FolderRules.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace qb;

class TestFolderRules : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        // The trash lives under the home directory: keep both inside the test's directory.
        qputenv("HOME", m_home.path().toLocal8Bit());
        QStandardPaths::setTestModeEnabled(true);
    }

    void newDirectoryPath_data()
    {
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("root") << u"/"_s << u"Soups"_s << u"/Soups"_s;
        QTest::newRow("drive root") << u"C:\\"_s << u"Soups"_s << u"C:\\Soups"_s;
        QTest::newRow("directory")
            << u"/home/op/notes"_s << u"Soups"_s << u"/home/op/notes/Soups"_s;
        QTest::newRow("blank kept") << u"/n"_s << u" Soups "_s << u"/n/ Soups "_s;
        QTest::newRow("empty") << u"/n"_s << QString() << QString();
        QTest::newRow("parent") << u"/n"_s << u".."_s << QString();
        QTest::newRow("two levels") << u"/n"_s << u"a/b"_s << QString();
    }
    void newDirectoryPath()
    {
        QFETCH(QString, dir);
        QFETCH(QString, name);
        QTEST(NewDirectoryPath(dir, name), "expected");
    }

    void driveOf_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("home") << u"/home/op/notes"_s << u"/home/op"_s;
        QTest::newRow("name prefix only") << u"/home/operator"_s << u"/"_s;
        QTest::newRow("volume itself") << u"/media/usb"_s << u"/media/usb"_s;
        QTest::newRow("root") << u"/"_s << u"/"_s;
    }
    void driveOf()
    {
        QFETCH(QString, path);
        QTEST(DriveOf(path, {u"/"_s, u"/home/op"_s, u"/media/usb"_s}), "expected");
    }

    void directoryChain()
    {
        QCOMPARE(DirectoryChain(u"/tmp/a/b/"_s),
                 QStringList({u"/"_s, u"/tmp"_s, u"/tmp/a"_s, u"/tmp/a/b"_s}));
        QCOMPARE(DirectoryChain(u"/"_s), QStringList({u"/"_s}));
    }

    void texts()
    {
        QCOMPARE(RenameFolderPrompt(u"Soups"_s),
                 u"Old Folder name: Soups\r\nInsert the new name for the Folder:"_s);
        QCOMPARE(NewFolderNamePrompt(u"/n/Soups"_s),
                 u"Directory: /n/Soups\r\n\r\nPlease insert the name for the new Folder:"_s);
        QCOMPARE(DriveAccessText(u"/media/usb"_s),
                 u"Quirebox can't read drive /MEDIA/USB. Please check it."_s);
        QCOMPARE(FolderDeleteErrorText(u"/n/Soups"_s),
                 u"Quirebox is unable to delete \"/n/Soups\" and/or all its files."_s);
    }

    void deleteRefusal_data()
    {
        QTest::addColumn<QString>("dir");
        QTest::addColumn<QString>("reason");
        QTest::newRow("root") << u"/"_s << u"root of the file system"_s;
        QTest::newRow("home") << u"~"_s << u"your home directory"_s;
        QTest::newRow("home, trailing slash") << u"~/"_s << u"your home directory"_s;
        QTest::newRow("book's directory") << u"~/books"_s << u"the open book"_s;
        QTest::newRow("ordinary") << u"~/books/Soups"_s << QString();
    }
    void deleteRefusal()
    {
        QFETCH(QString, dir);
        QFETCH(QString, reason);
        QDir().mkpath(m_home.filePath(u"books/Soups"_s));
        dir.replace(u'~', m_home.path());
        const QString refusal =
            DeleteRefusal(dir, m_home.path(), m_home.filePath(u"books/Cookbook.qb"_s));
        QCOMPARE(refusal.isEmpty(), reason.isEmpty());
        QVERIFY2(refusal.contains(reason), qPrintable(refusal));
    }

    // Files go to the trash; deleted only when the trash takes none; subdirectories stay.
    void removeDirectoryWithFiles_data()
    {
        QTest::addColumn<QString>("trash"); // "system", "none", or "refuses stuck.txt"
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("subdirectory");
        QTest::addColumn<bool>("removed");
        QTest::addColumn<QStringList>("trashed");
        QTest::addColumn<QStringList>("left");
        const QStringList two{u"a.txt"_s, u".hidden"_s};
        QTest::newRow("files only") << u"system"_s << two << false << true << two << QStringList();
        QTest::newRow("subdirectory")
            << u"system"_s << two << true << false << two << QStringList();
        QTest::newRow("no trash") << u"none"_s << two << false << true << QStringList()
                                  << QStringList();
        QTest::newRow("one refused")
            << u"refuses stuck.txt"_s << QStringList{u"a.txt"_s, u"stuck.txt"_s} << false << false
            << QStringList{u"a.txt"_s} << QStringList{u"stuck.txt"_s};
        QTest::newRow("empty") << u"system"_s << QStringList() << false << true << QStringList()
                               << QStringList();
    }
    void removeDirectoryWithFiles()
    {
        QFETCH(QString, trash);
        QFETCH(QStringList, files);
        QFETCH(bool, subdirectory);
        QFETCH(QStringList, trashed);
        QFETCH(QStringList, left);
        QTemporaryDir work(m_home.filePath(u"work-XXXXXX"_s));
        const QString dir = work.filePath(u"Doomed"_s);
        for (const QString &file : files)
            QVERIFY(test::WriteBytes(dir + u'/' + file, file.toUtf8()));
        QVERIFY(QDir().mkpath(subdirectory ? dir + u"/sub"_s : dir));
        const QString trashRoot =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Trash"_s;
        QDir(trashRoot).removeRecursively(); // a name left by an earlier row would be taken
        const QString trashFiles = trashRoot + u"/files/"_s;

        const TrashFile policy = [&](const QString &path) {
            if (trash == u"none" || path.endsWith(u"/stuck.txt"))
                return false;
            return MoveFileToTrash(path);
        };
        QTEST(RemoveDirectoryWithFiles(dir, policy), "removed");
        QCOMPARE(QFileInfo::exists(dir), subdirectory || !left.isEmpty());
        QCOMPARE(QFileInfo::exists(dir + u"/sub"_s), subdirectory);
        for (const QString &file : files) {
            QCOMPARE(QFileInfo::exists(dir + u'/' + file), left.contains(file));
            if (trashed.contains(file))
                QCOMPARE(test::ReadBytes(trashFiles + file), file.toUtf8());
            else
                QVERIFY(!QFileInfo::exists(trashFiles + file));
        }
    }

    // With no trash to be had, Qt 6.4 moves the file into "files" of the current directory and
    // calls that a success: the file must stay where it is, and removal then deletes it.
    void homeWithoutTrash()
    {
        QTemporaryDir home, work;
        QVERIFY(test::WriteBytes(home.filePath(u".qttest"_s), "a file where a directory goes"));
        const QString dir = work.filePath(u"Doomed"_s);
        QVERIFY(test::WriteBytes(dir + u"/a.txt"_s, "eggs"));
        const QString cwd = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work.path()));
        qputenv("HOME", home.path().toLocal8Bit());
        const bool trashed = MoveFileToTrash(dir + u"/a.txt"_s);
        qputenv("HOME", m_home.path().toLocal8Bit());
        QDir::setCurrent(cwd);

        QVERIFY(!trashed);
        QCOMPARE(test::ReadBytes(dir + u"/a.txt"_s), "eggs");
        QCOMPARE(QDir(work.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList({u"Doomed"_s}));
    }

    void removeRefusesRelativeOrEmpty()
    {
        int asked = 0;
        const TrashFile count = [&](const QString &) { return bool(++asked); };
        QVERIFY(!RemoveDirectoryWithFiles(QString(), count));
        QVERIFY(!RemoveDirectoryWithFiles(u"notes"_s, count));
        QCOMPARE(asked, 0);
        QVERIFY(RemoveDirectoryWithFiles(m_home.filePath(u"never made"_s), count));
    }
};

QTEST_GUILESS_MAIN(TestFolderRules)
#include "test_folders_rules.moc"
