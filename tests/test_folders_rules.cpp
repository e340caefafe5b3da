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
    void initTestCase() { test::KeepHomeIn(m_home.path()); }

    void newDirectoryPath()
    {
        QCOMPARE(NewDirectoryPath(u"/"_s, u"Soups"_s), u"/Soups"_s);
        QCOMPARE(NewDirectoryPath(u"C:\\"_s, u"Soups"_s), u"C:\\Soups"_s);
        QCOMPARE(NewDirectoryPath(u"/srv/notes"_s, u"Soups"_s), u"/srv/notes/Soups"_s);
        QCOMPARE(NewDirectoryPath(u"/n"_s, u".."_s), QString());
        QCOMPARE(NewDirectoryPath(u"/n"_s, u"a/b"_s), QString());
        // A drive whose path is a prefix of a longer name does not hold it.
        const QStringList drives{u"/"_s, u"/home/op"_s};
        QCOMPARE(DriveOf(u"/home/op/notes"_s, drives), u"/home/op"_s);
        QCOMPARE(DriveOf(u"/home/operator"_s, drives), u"/"_s);
    }

    // A link to a directory is refused: emptying it would empty the directory it names, which
    // then could not be removed.
    void deleteRefusal()
    {
        const QList<std::pair<QString, QString>> rows = {
            {u"/"_s, u"root of the file system"_s},
            {u"~"_s, u"your home directory"_s},
            {u"~/"_s, u"your home directory"_s},
            {u"~/books"_s, u"the open book"_s},
            {u"~/books/Soups"_s, {}},
            {u"~/Soups link"_s, u"a link to the directory"_s},
            {u"~/Soups link/"_s, u"a link to the directory"_s}};
        QVERIFY(QDir().mkpath(m_home.filePath(u"books/Soups"_s)));
        QVERIFY(QFile::link(m_home.filePath(u"books/Soups"_s), m_home.filePath(u"Soups link"_s)));
        for (auto [dir, reason] : rows) {
            dir.replace(u'~', m_home.path());
            const QString refusal =
                DeleteRefusal(dir, m_home.path(), m_home.filePath(u"books/Cookbook.qb"_s));
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
            QVERIFY(test::WriteBytes(dir + u'/' + QLatin1String(file), file));
        const TrashFile picky = [&](const QString &path) {
            return !path.endsWith(u"/stuck.txt") && QFile::remove(path);
        };
        QVERIFY(!RemoveDirectoryWithFiles(dir, picky));
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList({u"stuck.txt"_s}));
        QCOMPARE(test::ReadBytes(dir + u"/stuck.txt"_s), QByteArray("stuck.txt"));
        QVERIFY(
            RemoveDirectoryWithFiles(dir, [](const QString &path) { return QFile::remove(path); }));
        QVERIFY(!QFileInfo::exists(dir));
        // Already gone counts as removed; an empty or relative path is never touched.
        QVERIFY(RemoveDirectoryWithFiles(dir, picky));
        QVERIFY(!RemoveDirectoryWithFiles(QString(), picky));
        QVERIFY(!RemoveDirectoryWithFiles(u"notes"_s, picky));
    }
};

QTEST_GUILESS_MAIN(TestFolderRules)
#include "test_folders_rules.moc"
